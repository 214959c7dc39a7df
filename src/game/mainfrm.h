#pragma once
// The game window: it owns the game state and every control of the layout.
#include <memory>
#include <string>

#include "game/gamestate.h"
#include "game/random.h"
#include "platform/controls.h"
#include "platform/eventloop.h"
#include "platform/tcpsocket.h"

namespace gv {

class Mainfrm : public Form {
public:
    explicit Mainfrm(EventLoop& loop);
    ~Mainfrm() override;

    GameState state;
    Random random;  // every random draw of this game

    // Controls are declared front to back within each parent, which is the order they are created in and
    // therefore their stacking order.

    // ---- Network panel
    Panel& Frame4;
    Button& Command3;
    Button& Command4;
    TextBox& compname;
    Label& Label11;
    Button& Command5;
    Image& Image4;

    // ---- Credits panel
    Panel& Frame5;
    Label& Label13;
    Label& Label17;
    Label& Label14;
    Label& Label20;
    Label& Label15;
    Label& Label19;
    Label& Label16;
    Label& Label18;
    Label& Label12;
    Label& Label21;
    Button& Command6;
    Image& Image5;

    // ---- Main menu panel
    Panel& Frame3;
    Label& Label5;
    Label& Label6;
    LineShape& Line1;
    LineShape& Line2;
    LineShape& Line3;
    Button& novahra;
    OptionButton& Option1;
    OptionButton& Option2;
    OptionButton& Option3;
    Button& continue_;  // "continue"
    Button& credits;
    Button& endgame;
    Label& Label7;
    Image& Image3;

    // ---- The battlefield canvas and what lies on it
    Canvas& world;

    Panel& Frame1;
    Label& Label1;
    TextBox& sila1;
    Image& s1up;
    Image& s1down;
    Label& Label2;
    TextBox& uhel1;
    Image& u1up;
    Image& u1down;
    Label& Label9;
    Image& weapon1;
    Image& Command1;
    ControlArray<LineShape> health1;
    Image& Image1;

    Panel& Frame2;
    Label& Label3;
    TextBox& sila2;
    Image& s2up;
    Image& s2down;
    Label& Label4;
    TextBox& uhel2;
    Image& u2up;
    Image& u2down;
    Label& Label10;
    Image& weapon2;
    Image& Command2;
    ControlArray<LineShape> health2;
    Image& Image2;

    ControlArray<Label> Label8;
    Label& wind;
    Image& hmm;
    Image& arrow;
    Image& moon;
    Image& tank2;
    Image& tank1;
    Image& bullet;
    Image& bonuspic;
    ControlArray<Image> strom;
    Image& sun;

    // Picture holders, never shown.
    Image& tankleft;
    Image& tankright;
    ControlArray<Image> bonusvzor;
    Image& sunh;
    Image& sunn;
    ControlArray<Image> tree;
    ControlArray<Image> treeb;
    ControlArray<Image> snow;
    ControlArray<Image> snowb;
    Image& fbutt1;
    Image& fbutt2;
    Image& tdd;

    // ---- Timers
    Timer startuptimer;
    Timer showit;
    Timer hideit;
    Timer aitimer;
    Timer arrowtimer;
    Timer bonusfalltimer;
    Timer tankexpl;
    Timer bullettimer;
    Timer moonfalltimer;

    // ---- The network link
    TcpSocket tcpcontrol;

private:
    Panel& panel(const char* name, int l, int t, int w, int h);
    Label& label(Control* parent, const char* name, int l, int t, int w, int h, const char* caption, double pt,
                 Colour colour = rgb(0, 255, 0), int index = -1);
    Button& button(Control* parent, const char* name, int l, int t, int w, int h, const char* caption);
    OptionButton& option(Control* parent, const char* name, int l, int t, const char* caption);
    TextBox& textBox(Control* parent, const char* name, int l, int t, int w, int h, const char* text);
    Image& image(Control* parent, const char* name, int l, int t, int w, int h, const char* picture,
                 bool stretch = false, int index = -1);
    Image& holder(const char* name, const char* picture, int index = -1);
    LineShape& line(Control* parent, const char* name, double x1, double y1, double x2, double y2, Colour c,
                    int width, int index = -1);
    Panel& playerPanel(const char* name, int left);
    void healthBar(Control* parent, const char* name, ControlArray<LineShape>& bar);
};

}  // namespace gv
