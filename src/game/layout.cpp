#include "game/layout.h"

#include "battle/turn.h"

#include "assets/pictures.h"

namespace gv {

namespace {
constexpr Colour kGreen = MainLayout::kGreen, kBlack = MainLayout::kBlack, kDarkGrey = MainLayout::kDarkGrey;

// The layout, front to back within each parent: the order of the rows is the creation order and so the
// stacking order. Each row: what to make, its parent (none: the window), its name, then
//  - panels, labels, buttons, text boxes, images: left, top, width, height, caption / text / picture,
//    and a label's font size and colour;
//  - options: left, top (81 by 25), caption;  lines: x1, y1, x2, y2, no text, pen width, colour;
//  - picture holders (never shown): the picture.
enum class Make { Panel, Label, Button, Option, TextBox, Image, Stretched, Line, Canvas, Holder };
struct LayoutRow {
    Make make;
    const char* parent;
    const char* name;
    double l = 0, t = 0, w = 0, h = 0;
    const char* text = nullptr;
    double size = 0;
    Colour colour = kGreen;
};
constexpr LayoutRow kMenus[] = {
    // Network panel
    {Make::Panel, nullptr, "Frame4", 240, 192, 321, 240},
    {Make::Button, "Frame4", "Command3", 32, 16, 257, 41, "Založit hru"},
    {Make::Button, "Frame4", "Command4", 32, 64, 257, 41, "Připojit"},
    {Make::TextBox, "Frame4", "compname", 16, 108, 289, 25, "Síťové jméno hostujícího počítače?"},
    {Make::Label, "Frame4", "Label11", 16, 136, 289, 49, "", 15.75},
    {Make::Button, "Frame4", "Command5", 32, 192, 257, 33, "Zpět"},
    {Make::Stretched, "Frame4", "Image4", 0, -56, 321, 313, "Image4"},
    // Beside it where this copy can make invites: play through any router.
    {Make::Panel, nullptr, "FrameInvite", 566, 192, 226, 240},
    {Make::Label, "FrameInvite", "InviteTitle", 0, 6, 226, 22, "Přes jakýkoli router", 12},
    {Make::Button, "FrameInvite", "Invite", 16, 30, 194, 29, "Pozvat"},
    {Make::TextBox, "FrameInvite", "InviteCode", 8, 64, 210, 23, ""},
    {Make::Button, "FrameInvite", "InviteCopy", 16, 90, 194, 25, "Kopírovat kód"},
    {Make::TextBox, "FrameInvite", "InvitePaste", 8, 122, 210, 23, "Sem vložte kód"},
    {Make::Button, "FrameInvite", "InviteUse", 16, 148, 194, 29, "Použít kód"},
    {Make::Label, "FrameInvite", "InviteNote", 6, 180, 214, 58, "", 9.75},
    {Make::Stretched, "FrameInvite", "ImageInvite", 0, -56, 226, 313, "Image4"},
    // Credits panel: each heading with its name a little lower and further right, stepping down the panel.
    {Make::Panel, nullptr, "Frame5", 240, 192, 321, 240},
    {Make::Label, "Frame5", "Label13", 16, 8, 73, 17, "Idea...", 12},
    {Make::Label, "Frame5", "Label17", 56, 24, 257, 25, "stará jako PC samo", 18},
    {Make::Label, "Frame5", "Label14", 16, 64, 153, 17, "Programování...", 12},
    {Make::Label, "Frame5", "Label20", 144, 72, 169, 25, "The VELMORAN", 18},
    {Make::Label, "Frame5", "Label15", 16, 80, 113, 17, "Grafika...", 12},
    {Make::Label, "Frame5", "Label19", 104, 88, 193, 25, "The VELMORAN", 20.25},
    {Make::Label, "Frame5", "Label16", 16, 96, 81, 17, "Zvuk...", 12},
    {Make::Label, "Frame5", "Label18", 72, 112, 209, 25, "The VELMORAN", 21.75},
    {Make::Label, "Frame5", "Label12", 16, 136, 289, 49, "", 15.75},
    {Make::Label, "Frame5", "Label21", 24, 160, 265, 25, "Game by The VELMORAN", 15.75},
    {Make::Button, "Frame5", "Command6", 32, 192, 257, 33, "Zpět"},
    {Make::Stretched, "Frame5", "Image5", 0, -56, 321, 313, "Image5"},
    // Options panel, over the menu in its place and look
    {Make::Panel, nullptr, "Frame6", 240, 136, 321, 361},
    {Make::Label, "Frame6", "Label22", 0, 4, 321, 37, "Nastavení", 21.75},
    {Make::Button, "Frame6", "optvolume", 32, 42, 257, 25, ""},
    {Make::Button, "Frame6", "optmute", 32, 68, 257, 25, ""},
    {Make::Button, "Frame6", "optlanguage", 32, 94, 257, 25, ""},
    {Make::Button, "Frame6", "optfull", 32, 120, 257, 25, ""},
    {Make::Button, "Frame6", "optscale", 32, 146, 257, 25, ""},
    {Make::Button, "Frame6", "optnumbers", 32, 172, 257, 25, ""},
    {Make::Button, "Frame6", "opttrace", 32, 198, 257, 25, ""},
    {Make::Button, "Frame6", "optlevel", 32, 224, 257, 25, ""},
    // The router's question takes two lines, its answer a button beside it, as the port's box.
    {Make::Label, "Frame6", "Label24", 32, 252, 183, 38, "Požádat router o otevření portu:", 12},
    {Make::Button, "Frame6", "optrouter", 222, 256, 67, 29, "ano"},
    {Make::Label, "Frame6", "Label23", 32, 296, 153, 21, "Port hostitele:", 12},
    {Make::TextBox, "Frame6", "optport", 192, 292, 97, 29, "7701"},
    {Make::Button, "Frame6", "optback", 32, 326, 257, 33, "Zpět"},
    {Make::Stretched, "Frame6", "Image6", 0, 0, 321, 361, "Image3"},
    // Main menu panel
    {Make::Panel, nullptr, "Frame3", 240, 136, 321, 361},  // a row taller for "Watch last battle"
    {Make::Label, "Frame3", "Label5", 0, 0, 321, 41, "Gorvath", 30},
    {Make::Label, "Frame3", "Label6", 1, 3, 320, 41, "Gorvath", 27.75, kBlack},
    {Make::Line, "Frame3", "Line1", 0, 48, 320, 48, nullptr, 2, kGreen},
    {Make::Line, "Frame3", "Line2", 0, 46, 320, 46, nullptr, 2, kDarkGrey},
    {Make::Line, "Frame3", "Line3", 0, 50, 320, 50, nullptr, 2, kBlack},
    {Make::Button, "Frame3", "novahra", 32, 72, 257, 41, "Nová Hra"},
    {Make::Option, "Frame3", "Option1", 32, 112, 81, 25, "2 hráči"},
    {Make::Option, "Frame3", "Option2", 120, 112, 81, 25, "1 vs. AI"},
    {Make::Option, "Frame3", "Option3", 208, 112, 81, 25, "2 po síti"},
    {Make::Button, "Frame3", "continue", 32, 144, 257, 41, "Pokračovat"},
    {Make::Button, "Frame3", "credits", 32, 192, 125, 41, "Credits"},
    {Make::Button, "Frame3", "options", 164, 192, 125, 41, "Nastavení"},
    {Make::Button, "Frame3", "watchlast", 32, 240, 257, 41, "Přehrát poslední bitvu"},
    {Make::Button, "Frame3", "endgame", 32, 288, 257, 41, "Konec"},
    {Make::Label, "Frame3", "Label7", 0, 344, 321, 17, "(c) 2026 The VELMORAN - www.velmoran.example", 8.25, rgb(0, 0, 255)},
    {Make::Stretched, "Frame3", "Image3", 0, 0, 321, 361, "Image3"},
    // The canvas
    {Make::Canvas, nullptr, "world"},
};
// The players' panels, player 1's then player 2's, each panel followed by its controls. Player 2's is the
// mirror image, its aim boxes keeping their spin images on their right. Each row: what to make, the two
// names, the two lefts, then top, width, height, the two texts or pictures, a label's font size.
struct PanelRow {
    Make make;
    const char* name[2];
    double left[2];
    double t, w, h;
    const char* text[2] = {nullptr, nullptr};
    double size = 0;
};
constexpr PanelRow kPlayerPanel[] = {
    {Make::Panel, {"Frame1", "Frame2"}, {0, 504}, 0, battle::kPanelWidth, 73},
    {Make::Label, {"Label1", "Label3"}, {8, 216}, 1, 73, 17, {"Síla:", "Síla:"}, 9.75},
    {Make::TextBox, {"sila1", "sila2"}, {8, 216}, 17, 57, 37, {"100", "100"}},
    {Make::Image, {"s1up", "s2up"}, {65, 273}, 17, 16, 16, {"spinup", "spinup"}},
    {Make::Image, {"s1down", "s2down"}, {65, 273}, 38, 16, 16, {"spindown", "spindown"}},
    {Make::Label, {"Label2", "Label4"}, {88, 136}, 1, 73, 17, {"Úhel:", "Úhel:"}, 9.75},
    {Make::TextBox, {"uhel1", "uhel2"}, {88, 136}, 17, 57, 37, {"45", "45"}},
    {Make::Image, {"u1up", "u2up"}, {145, 193}, 17, 16, 16, {"spinup", "spinup"}},
    {Make::Image, {"u1down", "u2down"}, {145, 193}, 38, 16, 16, {"spindown", "spindown"}},
    {Make::Label, {"Label9", "Label10"}, {168, 80}, 1, 57, 17, {"Zbraň:", "Zbraň:"}, 9.75},
    {Make::Image, {"weapon1", "weapon2"}, {176, 88}, 19, 32, 32},
    {Make::Image, {"Command1", "Command2"}, {224, 8}, 8, 65, 45},
    {Make::Stretched, {"Image1", "Image2"}, {0, 0}, 0, battle::kPanelWidth, 73, {"Image1", "Image2"}},
};
constexpr LayoutRow kSprites[] = {
    // Banner, wind and sprites on the canvas
    {Make::Label, "world", "wind", 296, 8, 209, 17, "Vítr", 11.25},
    {Make::Image, "world", "hmm", 0, 0, 40, 40, "hmm"},
    {Make::Image, "world", "arrow", 0, 0, 32, 32, "arrow"},
    {Make::Image, "world", "topmark", 0, 0, 11, 8, nullptr},
    {Make::Stretched, "world", "flash", 0, 0, 32, 32, nullptr},
    {Make::Image, "world", "moon", 0, 0, 72, 72, "moon"},
    {Make::Stretched, "world", "tank2", 760, 560, 40, 40, "tank2"},
    {Make::Stretched, "world", "tank1", 0, 560, 40, 40, "tank1"},
    {Make::Image, "world", "bullet", 0, 0, 8, 8, "bullet"},
    {Make::Image, "world", "bonuspic", 0, 0, 32, 32, nullptr},
    {Make::Image, "world", "sun", 0, 0, 72, 72, nullptr},
    {Make::Holder, nullptr, "tankleft", 0, 0, 0, 0, "tankleft"},
    {Make::Holder, nullptr, "tankright", 0, 0, 0, 0, "tankright"},
    {Make::Holder, nullptr, "sunh", 0, 0, 0, 0, "sunh"},
    {Make::Holder, nullptr, "sunn", 0, 0, 0, 0, "sunn"},
    {Make::Holder, nullptr, "fbutt1", 0, 0, 0, 0, "fbutt1"},
    {Make::Holder, nullptr, "fbutt2", 0, 0, 0, 0, "fbutt2"},
    {Make::Holder, nullptr, "tdd", 0, 0, 0, 0, "tdd"},
};
}  // namespace

// Every control of the layout table, created before the window's references to them bind.
bool MainLayout::BuildLayout() {
    auto make = [this](const LayoutRow& r) {
        Control* parent = r.parent ? find(r.parent) : nullptr;
        const int l = int(r.l), t = int(r.t), w = int(r.w), h = int(r.h);
        switch (r.make) {
            case Make::Panel: create<Panel>(parent, r.name).move(l, t, w, h); break;
            case Make::Label: label(parent, r.name, l, t, w, h, r.text, r.size, r.colour); break;
            case Make::Button: button(parent, r.name, l, t, w, h, r.text); break;
            case Make::Option: option(parent, r.name, l, t, r.text); break;
            case Make::TextBox: textBox(parent, r.name, l, t, w, h, r.text); break;
            case Make::Image: image(parent, r.name, l, t, w, h, r.text); break;
            case Make::Stretched: image(parent, r.name, l, t, w, h, r.text, true); break;
            case Make::Line: line(parent, r.name, r.l, r.t, r.w, r.h, r.colour, int(r.size)); break;
            case Make::Canvas: create<Canvas>(parent, r.name); break;
            case Make::Holder: holder(r.name, r.text); break;
        }
    };
    for (const LayoutRow& r : kMenus) make(r);
    for (int p : {0, 1}) {
        for (const PanelRow& r : kPlayerPanel) {
            const char* parent = r.make == Make::Panel ? "world" : kPlayerPanel[0].name[p];
            make({r.make, parent, r.name[p], r.left[p], r.t, r.w, r.h, r.text[p], r.size});
        }
    }
    for (const LayoutRow& r : kSprites) make(r);
    return true;
}
void MainLayout::healthBar(Control* parent, const char* name, ControlArray<LineShape>& bar) {
    static constexpr Colour shades[5] = {rgb(0, 192, 0), rgb(0, 223, 0), rgb(0, 255, 0), rgb(0, 223, 0), rgb(0, 192, 0)};
    // Five 1-pixel rows two pixels apart; each is drawn 2 pixels thick so together they form one shaded bar.
    for (int k = 0; k < 5; ++k) bar.add(k, &line(parent, name, 8, 60 + 2 * k, 288, 60 + 2 * k, shades[k], 2, k));
}

Label& MainLayout::label(Control* parent, const char* name, int l, int t, int w, int h, const char* text, double pt,
                         Colour colour, int index) {
    Label& c = create<Label>(parent, name, index);
    c.move(l, t, w, h);
    c.setCaption(text);
    c.font.points = pt;
    c.foreColour = colour;
    return c;
}

Button& MainLayout::button(Control* parent, const char* name, int l, int t, int w, int h, const char* text) {
    Button& c = create<Button>(parent, name);
    c.move(l, t, w, h);
    c.setCaption(text);
    c.font.points = 15.75;
    c.backColour = kGrey;
    return c;
}

OptionButton& MainLayout::option(Control* parent, const char* name, int l, int t, const char* text) {
    OptionButton& c = create<OptionButton>(parent, name);
    c.move(l, t, 81, 25);
    c.setCaption(text);
    c.font = Font{FontFace::Mono, 9.75, false, false, false};
    c.backColour = kGrey;
    return c;
}

TextBox& MainLayout::textBox(Control* parent, const char* name, int l, int t, int w, int h, const char* text) {
    TextBox& c = create<TextBox>(parent, name);
    c.move(l, t, w, h);
    c.setText(text);
    c.foreColour = kGreen;
    c.backColour = kGrey;
    c.opaque = true;
    return c;
}

Image& MainLayout::image(Control* parent, const char* name, int l, int t, int w, int h, const char* picture, bool stretch,
                         int index) {
    Image& c = create<Image>(parent, name, index);
    c.stretch = stretch;
    c.move(l, t, w, h);
    if (picture) {
        c.setPicture(assets::picture(picture));
        c.move(l, t, w, h);  // the layout's size stands, whatever the picture's
    }
    return c;
}

Image& MainLayout::holder(const char* name, const char* picture, int index) {
    // By name: the layout table makes holders before the `world` reference binds.
    Image& c = image(&control<Canvas>("world"), name, 0, 0, 0, 0, nullptr, false, index);
    c.setPicture(assets::picture(picture));
    c.setVisible(false);
    c.setEnabled(false);
    return c;
}

LineShape& MainLayout::line(Control* parent, const char* name, double x1, double y1, double x2, double y2, Colour c, int width,
                            int index) {
    LineShape& l = create<LineShape>(parent, name, index);
    l.x1 = x1, l.y1 = y1, l.x2 = x2, l.y2 = y2;
    l.foreColour = c;
    l.borderWidth = width;
    l.move(0, 0, 0, 0);
    return l;
}

}  // namespace gv
