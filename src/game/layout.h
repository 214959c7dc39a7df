#pragma once
// The window's controls: made from the layout tables (layout.cpp) and bound by name, checked, to the
// references the game reads and moves them by. Controls are declared front to back within each parent, in
// the order of the tables that create them and so give their stacking order.
#include <stdexcept>
#include <string>
#include <typeinfo>

#include "platform/controls.h"

namespace gv {

class MainLayout : public Form {
public:
    explicit MainLayout(EventLoop& loop) : Form(loop) {}

    static constexpr Colour kGreen = rgb(0, 255, 0);
    static constexpr Colour kBlack = rgb(0, 0, 0);
    static constexpr Colour kGrey = rgb(128, 128, 128);
    static constexpr Colour kDarkGrey = rgb(64, 64, 64);

protected:
    // The controls of the layout table, made before the references below bind to them by name.
    bool BuildLayout();
    // A control by name, checked: a name the layout lacks, or a control of another kind, is a fault of the
    // build that names the control.
    template <class T>
    T& control(const char* name) {
        if (T* c = dynamic_cast<T*>(find(name))) return *c;
        throw std::logic_error(std::string("the layout has no ") + typeid(T).name() + " named \"" + name + "\"");
    }
    bool layoutBuilt_ = BuildLayout();

public:
    // ---- Network panel
    Panel& Frame4 = control<Panel>("Frame4");
    Button& Command3 = control<Button>("Command3");
    Button& Command4 = control<Button>("Command4");
    TextBox& compname = control<TextBox>("compname");
    Label& Label11 = control<Label>("Label11");
    Panel& FrameInvite = control<Panel>("FrameInvite");
    Button& Invite = control<Button>("Invite");
    TextBox& InviteCode = control<TextBox>("InviteCode");
    Button& InviteCopy = control<Button>("InviteCopy");
    TextBox& InvitePaste = control<TextBox>("InvitePaste");
    Button& InviteUse = control<Button>("InviteUse");
    Label& InviteNote = control<Label>("InviteNote");
    Button& Command5 = control<Button>("Command5");
    Image& Image4 = control<Image>("Image4");

    // ---- Credits panel
    Panel& Frame5 = control<Panel>("Frame5");
    Label& Label13 = control<Label>("Label13");
    Label& Label17 = control<Label>("Label17");
    Label& Label14 = control<Label>("Label14");
    Label& Label20 = control<Label>("Label20");
    Label& Label15 = control<Label>("Label15");
    Label& Label19 = control<Label>("Label19");
    Label& Label16 = control<Label>("Label16");
    Label& Label18 = control<Label>("Label18");
    Label& Label12 = control<Label>("Label12");
    Label& Label21 = control<Label>("Label21");
    Button& Command6 = control<Button>("Command6");
    Image& Image5 = control<Image>("Image5");

    // ---- Options panel (its rows are found by name by the panel itself)
    Panel& Frame6 = control<Panel>("Frame6");
    Label& Label22 = control<Label>("Label22");
    Label& Label23 = control<Label>("Label23");
    Label& Label24 = control<Label>("Label24");

    // ---- Main menu panel
    Panel& Frame3 = control<Panel>("Frame3");
    Label& Label5 = control<Label>("Label5");
    Label& Label6 = control<Label>("Label6");
    LineShape& Line1 = control<LineShape>("Line1");
    LineShape& Line2 = control<LineShape>("Line2");
    LineShape& Line3 = control<LineShape>("Line3");
    Button& novahra = control<Button>("novahra");
    OptionButton& Option1 = control<OptionButton>("Option1");
    OptionButton& Option2 = control<OptionButton>("Option2");
    OptionButton& Option3 = control<OptionButton>("Option3");
    Button& continue_ = control<Button>("continue");
    Button& credits = control<Button>("credits");
    Button& options = control<Button>("options");
    Button& watchlast = control<Button>("watchlast");
    Button& endgame = control<Button>("endgame");
    Label& Label7 = control<Label>("Label7");
    Image& Image3 = control<Image>("Image3");

    // ---- The battlefield canvas and what lies on it
    Canvas& world = control<Canvas>("world");

    Panel& Frame1 = control<Panel>("Frame1");
    Label& Label1 = control<Label>("Label1");
    TextBox& sila1 = control<TextBox>("sila1");
    Image& s1up = control<Image>("s1up");
    Image& s1down = control<Image>("s1down");
    Label& Label2 = control<Label>("Label2");
    TextBox& uhel1 = control<TextBox>("uhel1");
    Image& u1up = control<Image>("u1up");
    Image& u1down = control<Image>("u1down");
    Label& Label9 = control<Label>("Label9");
    Image& weapon1 = control<Image>("weapon1");
    Image& Command1 = control<Image>("Command1");
    ControlArray<LineShape> health1;
    Image& Image1 = control<Image>("Image1");

    Panel& Frame2 = control<Panel>("Frame2");
    Label& Label3 = control<Label>("Label3");
    TextBox& sila2 = control<TextBox>("sila2");
    Image& s2up = control<Image>("s2up");
    Image& s2down = control<Image>("s2down");
    Label& Label4 = control<Label>("Label4");
    TextBox& uhel2 = control<TextBox>("uhel2");
    Image& u2up = control<Image>("u2up");
    Image& u2down = control<Image>("u2down");
    Label& Label10 = control<Label>("Label10");
    Image& weapon2 = control<Image>("weapon2");
    Image& Command2 = control<Image>("Command2");
    ControlArray<LineShape> health2;
    Image& Image2 = control<Image>("Image2");

    ControlArray<Label> Label8;
    Label& wind = control<Label>("wind");
    Image& hmm = control<Image>("hmm");
    Image& arrow = control<Image>("arrow");
    Image& topmark = control<Image>("topmark");
    Image& flash = control<Image>("flash");
    Image& moon = control<Image>("moon");
    Image& tank2 = control<Image>("tank2");
    Image& tank1 = control<Image>("tank1");
    Image& bullet = control<Image>("bullet");
    Image& bonuspic = control<Image>("bonuspic");
    ControlArray<Image> strom;
    Image& sun = control<Image>("sun");

    // Picture holders, never shown.
    Image& tankleft = control<Image>("tankleft");
    Image& tankright = control<Image>("tankright");
    ControlArray<Image> bonusvzor;
    Image& sunh = control<Image>("sunh");
    Image& sunn = control<Image>("sunn");
    ControlArray<Image> tree;
    ControlArray<Image> treeb;
    ControlArray<Image> snow;
    ControlArray<Image> snowb;
    Image& fbutt1 = control<Image>("fbutt1");
    Image& fbutt2 = control<Image>("fbutt2");
    Image& tdd = control<Image>("tdd");

protected:
    Label& label(Control* parent, const char* name, int l, int t, int w, int h, const char* text, double pt,
                 Colour colour = rgb(0, 255, 0), int index = -1);
    Button& button(Control* parent, const char* name, int l, int t, int w, int h, const char* text);
    OptionButton& option(Control* parent, const char* name, int l, int t, const char* text);
    TextBox& textBox(Control* parent, const char* name, int l, int t, int w, int h, const char* text);
    Image& image(Control* parent, const char* name, int l, int t, int w, int h, const char* picture, bool stretch = false,
                 int index = -1);
    Image& holder(const char* name, const char* picture, int index = -1);
    LineShape& line(Control* parent, const char* name, double x1, double y1, double x2, double y2, Colour c, int width,
                    int index = -1);
    void healthBar(Control* parent, const char* name, ControlArray<LineShape>& bar);
};

}  // namespace gv
