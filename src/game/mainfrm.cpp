#include "game/mainfrm.h"
#include "game/netplay.h"
#include "game/chat.h"
#include "game/aimpanels.h"
#include "game/worldbuilder.h"
#include "game/gauges.h"
#include "game/banner.h"
#include "game/records.h"
#include "game/helppanel.h"
#include "game/levelspanel.h"
#include "computer/player.h"
#include "game/computerseat.h"
#include "game/app.h"
#include "game/playback.h"

#include "assets/pictures.h"

namespace gv {

Mainfrm::Mainfrm(EventLoop& loop, Desktop desk)
    : MainLayout(loop),
      sound(&loop),
      startuptimer(loop, "startuptimer", 1000),
      showit(loop, "showit", 1),
      hideit(loop, "hideit", 40),
      aitimer(loop, "aitimer", battle::kComputerWaitMs),
      arrowtimer(loop, "arrowtimer", 40),
      bonusfalltimer(loop, "bonusfalltimer", 40),
      tankexpl(loop, "tankexpl", 40),
      bullettimer(loop, "bullettimer", 40),
      moonfalltimer(loop, "moonfalltimer", 40),
      flashtimer(loop, "flashtimer", 40),
      tcpcontrol(loop),
      desktop(std::move(desk)),
      recorder_(desktop.replayFolder),
      settings_(desktop.settingsFolder, kProgramName) {
    // The window's parts that work on it: made first, as the styling and wiring below use them.
    netplay_ = std::make_unique<NetPlay>(*this);
    aiming_ = std::make_unique<AimPanels>(*this);
    builder_ = std::make_unique<WorldBuilder>(*this);
    gauges_ = std::make_unique<Gauges>(*this);
    banner_ = std::make_unique<Banner>(*this);
    records_ = std::make_unique<Records>(*this);
    help_ = std::make_unique<HelpPanel>(*this);
    levelsPanel_ = std::make_unique<LevelsPanel>(*this);
    seat_ = std::make_unique<ComputerSeat>(*this);
    computer_ = std::make_unique<ComputerPlayer>(state, random, *seat_);
    table_ = std::make_unique<WindowTable>(*this);
    chat_ = std::make_unique<ChatBox>(*this);
    caption = "Gorvath";
    mayAskRouter_ = desktop.mapPorts;
    backColour = kGrey;
    icon = assets::picture("icon");
    handCursor = assets::picture("handcursor");
    StyleMenuPanels();
    StyleBattlefield();
    AddControlArrays();
    startuptimer.tag = "0";
    wireHandlers();
    options_ = std::make_unique<OptionsPanel>(*this);
    help().BuildHelp();
    levelsPanel().BuildLevels();
    gauges().BuildNumbers();
    chat().BuildChat();
}

// Within the menu: the two option groups share the menu panel, the link is an opaque underlined label.
void Mainfrm::StyleMenuPanels() {
    Option1.setValue(true);
    continue_.setEnabled(false);
    watchlast.font.points = 12;  // "Přehrát poslední bitvu" fits the menu's width
    Label5.align = Label6.align = Align::Centre;
    Label7.align = Align::Centre;
    Label7.opaque = true;
    Label7.backColour = kGrey;
    Label7.font = Font{FontFace::Sans, 8.25, true, false, true};
    Label7.handCursor = true;

    // The host's name as large as the panel's width takes the prompt in both languages, in the port box's look.
    compname.font = Font{FontFace::Sans, 11.25, true, false, false};
    compname.foreColour = kGreen;
    compname.opaque = true;
    Label11.align = Align::Centre;
    // The invite panel beside it, in the same look; its codes in a smaller type, to show more of them.
    for (TextBox* t : {&InviteCode, &InvitePaste}) {
        t->font = Font{FontFace::Sans, 9, true, false, false};
        t->foreColour = kGreen;
        t->opaque = true;
        t->maxLength = 4096;
    }
    static_cast<Label*>(find("InviteTitle"))->align = Align::Centre;
    InviteNote.align = Align::Centre;
    FrameInvite.setVisible(false);

    for (Label* l : {&Label13, &Label14, &Label15, &Label16}) l->font.italic = true;
    Label12.align = Align::Centre;  // the credits line, Label21, stays left-aligned
    Label21.font.italic = true;
    Frame4.setVisible(false);
    Frame5.setVisible(false);
    Label22.align = Align::Centre;
    TextBox& port = *static_cast<TextBox*>(find("optport"));
    port.font = Font{FontFace::Sans, 12, true, false, false};
    Frame6.setVisible(false);
}

// The canvas and the players' panels: everything on the canvas starts hidden.
void Mainfrm::StyleBattlefield() {
    world.setEnabled(false);
    for (Control* c : world.children()) c->setVisible(false);
    Frame2.setEnabled(false);
    wind.align = Align::Centre;
    for (Image* s : {&hmm, &arrow, &moon, &tank2, &tank1, &bullet, &bonuspic, &sun}) s->setEnabled(false);
    topmark.setPicture(TopMarkPicture());
    flash.setPicture(FlashPicture());
    topmark.setEnabled(false);
    flash.setEnabled(false);
    sila1.maxLength = sila2.maxLength = 3;
    for (TextBox* b : {&sila1, &uhel1, &sila2, &uhel2}) {
        b->border = false;
        b->align = Align::Centre;
        b->font.points = 21.75;
    }
    Command1.setEnabled(false);
    Command2.setEnabled(false);
}

// Control arrays of the layout, each put in its place in the stacking order.
void Mainfrm::AddControlArrays() {
    healthBar(&Frame1, "health1", health1);
    healthBar(&Frame2, "health2", health2);
    for (int k = 0; k < 5; ++k) {
        stackInFrontOf(health1(k), Image1);
        stackInFrontOf(health2(k), Image2);
    }
    // The banner: index 1 in green over index 0, its dark shadow two pixels lower; `wind` lies between them.
    Label8.add(1, &label(&world, "Label8", 0, Banner::kBannerTop, 801, Banner::kBannerHeight, Banner::CreatingGameText(true), 36,
                         kGreen, 1));
    Label8.add(0, &label(&world, "Label8", 0, Banner::kBannerShadowTop, 801, Banner::kBannerHeight,
                         Banner::CreatingGameText(true), 35.25, kDarkGrey, 0));
    stackInFrontOf(Label8(1), wind);
    stackInFrontOf(Label8(0), hmm);
    for (auto& [i, l] : Label8.elements()) {
        l->align = Align::Centre;
        l->setVisible(false);
    }
    strom.add(0, &image(&world, "strom", 0, 0, 17, 28, nullptr, true, 0));
    stackInFrontOf(strom(0), sun);
    strom(0).setVisible(false);
    strom(0).setEnabled(false);
    for (int i = 1; i < weapon::kKinds; ++i) bonusvzor.add(i, &holder("bonusvzor", ("bonusvzor" + std::to_string(i)).c_str(), i));
    for (int i = 0; i <= 1; ++i) {
        tree.add(i, &holder("tree", ("tree" + std::to_string(i)).c_str(), i));
        treeb.add(i, &holder("treeb", ("treeb" + std::to_string(i)).c_str(), i));
        snow.add(i, &holder("snow", ("snow" + std::to_string(i)).c_str(), i));
        snowb.add(i, &holder("snowb", ("snowb" + std::to_string(i)).c_str(), i));
    }
}

void Mainfrm::wireHandlers() {
    onKeyDown = [this](int key, int shift) { Form_KeyDown(key, shift); };
    onUnload = [this] { Form_Unload(); };
    novahra.onClick = [this] { novahra_Click(); };
    continue_.onClick = [this] { continue_Click(); };
    endgame.onClick = [this] { endgame_Click(); };
    credits.onClick = [this] { credits_Click(); };
    watchlast.onClick = [this] { records().watchlast_Click(); };
    Command6.onClick = [this] { Command6_Click(); };
    Label7.onClick = [this] { Label7_Click(); };
    startuptimer.onTimer = [this] { startuptimer_Timer(); };
    moonfalltimer.onTimer = [this] { builder().moonfalltimer_Timer(); };
    flashtimer.onTimer = [this] { flashtimer_Timer(); };
    arrowtimer.onTimer = [this] { gauges().arrowtimer_Timer(); };
    hideit.onTimer = [this] { hideit_Timer(); };
    showit.onTimer = [this] { showit_Timer(); };
    bullettimer.onTimer = [this] { bullettimer_Timer(); };
    tankexpl.onTimer = [this] { tankexpl_Timer(); };
    bonusfalltimer.onTimer = [this] { bonusfalltimer_Timer(); };
    aitimer.onTimer = [this] {
        aitimer.setEnabled(false);  // one tick per turn
        if (state.WorldBusy == False) computer().ComputerTurn();
    };
    sila1.onChange = [this] { aiming().sila1_Change(); };
    sila2.onChange = [this] { aiming().sila2_Change(); };
    uhel1.onChange = [this] { aiming().uhel1_Change(); };
    uhel2.onChange = [this] { aiming().uhel2_Change(); };
    struct SpinWire {
        Image& image;
        TextBox& box;
        int step;
    };
    for (SpinWire w :
         {SpinWire{s1up, sila1, 1}, SpinWire{s1down, sila1, -1}, SpinWire{u1up, uhel1, 1}, SpinWire{u1down, uhel1, -1},
          SpinWire{s2up, sila2, 1}, SpinWire{s2down, sila2, -1}, SpinWire{u2up, uhel2, 1}, SpinWire{u2down, uhel2, -1}}) {
        TextBox* box = &w.box;
        int step = w.step;
        w.image.onClick = [this, box, step] { aiming().Spin(*box, step); };
        w.image.onDblClick = [this, box, step] { aiming().Spin(*box, 10 * step); };
        w.image.repeatsWhenHeld = true;
    }
    // The wheel over a box steps it by one, as its spin arrows do.
    for (TextBox* box : {&sila1, &uhel1, &sila2, &uhel2}) box->onWheel = [this, box](int steps) { aiming().Spin(*box, steps); };
    pads().onButton = [this](int pad, PadButton b) { PadButton_Press(pad, b); };
    Command1.onClick = [this] { FireTank1(); };
    Command2.onClick = [this] { FireTank2(); };
    netplay_->WireNetwork();
}

// The playbacks (a record watched, a battle computed again to rejoin it) still use the recorder and the
// link: they go first, and the window's parts with them, while everything they use is still there.
Mainfrm::~Mainfrm() {
    watching_.reset();
    netplay_.reset();
    aiming_.reset();
    builder_.reset();
    gauges_.reset();
    banner_.reset();
    records_.reset();
    help_.reset();
    levelsPanel_.reset();
    computer_.reset();
    seat_.reset();
    table_.reset();
    chat_.reset();
}

}  // namespace gv
