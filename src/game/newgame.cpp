// New Game, Continue and Exit.
#include "game/banner.h"
#include "game/gauges.h"
#include "game/mainfrm.h"
#include "game/worldbuilder.h"
#include "game/netplay.h"
#include "net/protocol.h"

namespace gv {

void Mainfrm::ResetHandOver() {
    // A new battle must not inherit the old one's hand-over: its timers stop and its panels go home.
    aitimer.setEnabled(false);
    hideit.setEnabled(false);
    showit.setEnabled(false);
    SetHandOverPhase(HandOver::Report);
    state.Panels = 0;
    Frame1.setLeft(0);
    Frame2.setLeft(504);
    wind.setTop(8);
    state.PeerShotDone = False;
    state.PeerSeedReady = False;
    state.PeerBonusKind = 0;
}

// Every timer of a battle in flight (the shell, the crate's fall, the explosion, the moon, the arrow); the
// hand-over's are `ResetHandOver`'s.
void Mainfrm::StopBattleTimers() {
    for (Timer* t : {&bullettimer, &bonusfalltimer, &tankexpl, &moonfalltimer, &arrowtimer}) t->setEnabled(false);
    state.CrateFalling = False;
    passing_ = false;
}

void Mainfrm::HideBattle() {
    ResetHandOver();
    StopBattleTimers();
    Frame1.setVisible(false);
    Frame1.setLeft(0);
    Frame2.setVisible(false);
    Frame2.setLeft(504);
    bullet.setVisible(false);
    for (Image* s : {&bonuspic, &moon, &sun, &arrow, &topmark, &flash}) s->setVisible(false);
    state.SunUp = state.MoonUp = state.MoonFalling = False;
    state.Trees.clear();
    wind.setVisible(false);
    wind.setTop(8);
    x_.windNumber->setVisible(false);
    for (Image* s : {&tank1, &tank2, &hmm}) s->setVisible(false);
    ShowTrees();
    gauges().ClearTrace(0);
}

void Mainfrm::novahra_Click() {
    if (state.WorldBusy == True) return;  // a battlefield is already being built
    if (Option1.value()) state.GameMode = mode::HotSeat;
    if (Option2.value()) state.GameMode = mode::Computer;
    ++state.BattleNumber;  // whatever still waits in the old battle gives up
    novahra.setCaption(state.CzechUi == True ? "Nová Hra" : "New Game");
    Frame3.setVisible(false);
    HideBattle();
    continue_.setEnabled(false);

    std::string words;
    Colour shadow = rgb(64, 64, 64), text = rgb(0, 255, 0);
    if (state.HellMode == True) {
        shadow = rgb(255, 0, 0), text = rgb(255, 255, 0);
        words = state.HellVariant == True ? "The VELMORAN's Hell!" : "Hell on Earth...";
    } else {
        words = Banner::CreatingGameText(state.CzechUi == True);
    }
    Label8(0).foreColour = shadow;
    Label8(1).foreColour = text;
    for (int i : {0, 1}) {
        Label8(i).setCaption(words);
        Label8(i).setVisible(true);
    }
    builder().GenerateWorld();
}

void Mainfrm::continue_Click() {
    Frame3.setVisible(false);
    continue_.setEnabled(false);
    world.setEnabled(true);
    if (Networked()) netplay().SendMessage(netmsg::plain(NetMessage::Continue));
}

void Mainfrm::endgame_Click() { unload(); }

}  // namespace gv
