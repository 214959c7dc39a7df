// Bonus crates: one at a time, dropped at a hand-over, falling onto the ground, living a few shots.
#include "battle/turn.h"
#include "game/mainfrm.h"
#include "game/netplay.h"
#include "net/protocol.h"

namespace gv {

void Mainfrm::PlaceBonus() {
    GameState& s = state;
    if (s.BonusActive == True) return;
    s.BonusActive = True;
    battle::Crate crate;
    if (s.GameMode == mode::Joiner) {
        // The host chose the crate; wait for its message.
        if (!WaitInBattle([&] { return s.PeerBonusKind != 0; }, true)) {
            s.BonusActive = False;  // the peer left: no crate
            return;
        }
        crate = {s.PeerBonusKind, double(s.PeerBonusX), double(s.PeerBonusShots)};
        s.PeerBonusKind = 0;
    } else {
        crate = battle::DrawCrate(s, random);
        if (s.GameMode == mode::Host) netplay().SendMessage(netmsg::crate(crate.kind, int(crate.shots), int(crate.left)));
    }
    battle::DropCrate(s, crate);
    bonuspic.setPicture(bonusvzor(s.CrateKind).picture());
    bonuspic.move(s.CrateLeft, s.CrateTop, bonuspic.width(), bonuspic.height());
    bonuspic.setVisible(true);
    SetCrateFalling(true);
}

void Mainfrm::bonusfalltimer_Timer() {
    if (!battle::CrateFall(state)) SetCrateFalling(false);
    bonuspic.setTop(state.CrateTop);
}

}  // namespace gv
