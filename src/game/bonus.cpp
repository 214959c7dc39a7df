// Bonus crates: one at a time, dropped at a hand-over, falling onto the ground, living a few shots.
#include <algorithm>
#include <array>
#include <cmath>

#include "battle/shells.h"
#include "battle/simmath.h"
#include "game/mainfrm.h"
#include "game/netplay.h"
#include "net/protocol.h"

namespace gv {

using simmath::Int;

int Mainfrm::CrateKind(double r) {
    // Every kind once, then the common ones again in the order of their kinds, as often as the weapon
    // table says: teleports, heavy shells, mounds and health come more often. Entry 0 is never drawn.
    static const std::array<int, 26> kKinds = [] {
        std::array<int, 26> kinds{};
        std::size_t n = 1;
        for (int kind = weapon::Teleport; kind < weapon::kKinds; ++kind) kinds[n++] = kind;
        for (int kind = weapon::Teleport; kind < weapon::kKinds; ++kind)
            for (int more = 1; more < battle::Shell(kind).crates; ++more) kinds[n++] = kind;
        return kinds;
    }();
    int i = int(Int(r * 25)) + 1;
    return kKinds[std::clamp(i, 1, 25)];
}

void Mainfrm::PlaceBonus() {
    GameState& s = state;
    if (s.BonusActive == True) return;
    s.BonusActive = True;
    if (s.GameMode == mode::Joiner) {
        // The host chose the crate; wait for its message.
        if (!WaitInBattle([&] { return s.PeerBonusKind != 0; }, true)) {
            s.BonusActive = False;  // the peer left: no crate
            return;
        }
        s.CrateKind = s.PeerBonusKind;
        s.CrateLeft = s.PeerBonusX;
        s.BonusShotsLeft = s.PeerBonusShots;
        s.PeerBonusKind = 0;
    } else {
        int kind = CrateKind(random.Rnd());
        if (s.HellMode == True) kind = weapon::Nuke;  // hell has only nukes (the draw is still made)
        s.CrateKind = kind;
        // Away from both tanks: the crate's centre more than 70 pixels from each tank's centre.
        double left;
        do {
            left = Int(random.Rnd() * 768) + 16;
        } while (!(std::fabs(left - state.Tank1.left - 4) > 70 && std::fabs(left - state.Tank2.left - 4) > 70));
        s.CrateLeft = left;
        s.BonusShotsLeft =
            Int(random.Rnd() * (netrange::kCrateShotsHigh - netrange::kCrateShotsLow + 1)) + netrange::kCrateShotsLow;
        if (s.GameMode == mode::Host) {
            netplay().SendMessage(netmsg::crate(kind, int(s.BonusShotsLeft), int(left)));
        }
    }
    s.CrateTop = -32;
    bonuspic.setPicture(bonusvzor(s.CrateKind).picture());
    bonuspic.move(s.CrateLeft, s.CrateTop, bonuspic.width(), bonuspic.height());
    bonuspic.setVisible(true);
    s.BonusFallTime = 0;
    SetCrateFalling(true);
}

void Mainfrm::bonusfalltimer_Timer() {
    GameState& s = state;
    s.BonusFallTime += 0.02;
    s.CrateTop = twips(s.CrateTop + (s.Gravity * 0.5) * s.BonusFallTime * s.BonusFallTime);
    const double ground = s.Ground.at(s.CrateLeft + 16) - 32;
    if (s.CrateTop > ground || s.BonusActive == False) {
        s.CrateTop = ground;
        SetCrateFalling(false);
    }
    bonuspic.setTop(s.CrateTop);
}

}  // namespace gv
