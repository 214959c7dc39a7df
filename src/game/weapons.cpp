// What each weapon does when it meets the ground: one procedure per weapon kind behind a small dispatch.
#include <algorithm>
#include <cmath>

#include "battle/effects.h"
#include "battle/shells.h"
#include "game/mainfrm.h"
#include "platform/numtext.h"
#include "net/protocol.h"

namespace gv {

bool Mainfrm::WeaponContact(int kind, double x, double y) {
    switch (battle::Shell(kind).contact) {
        case battle::Contact::Crater: return ShellContact(kind, x, y);
        case battle::Contact::Teleport: return TeleportContact(kind, x, y);
        case battle::Contact::Pit: return PitContact(kind, x, y);
        case battle::Contact::Mound: return MoundContact(kind, x, y);
        case battle::Contact::Leveller: return LevellerContact(kind, x, y);
        case battle::Contact::Piercing: return PiercingContact(kind, x, y);
        case battle::Contact::Drill: return DrillContact(kind, x, y);
        case battle::Contact::Nuke: return NukeContact(kind, x, y);
        case battle::Contact::Quake: return QuakeContact(kind, x, y);
        case battle::Contact::Roll: return RollContact(kind, x, y);
        case battle::Contact::Bounce: return BounceContact(kind, x, y);
    }
    return ShellContact(kind, x, y);
}

// The rows from `from` to `to` of a column the ground moved in, at half brightness: what a hole shows.
void Mainfrm::DarkenRows(double c, double from, double to) {
    for (double y = from; y <= to; ++y) DarkenPixel(c, y, 2);
}

bool Mainfrm::ShellContact(int kind, double x, double) {
    bullet.setVisible(false);
    PlayEffect(kind == weapon::Heavy ? effect::HeavyBlast : effect::ShellPop);
    const double R = battle::Shell(kind).craterRadius;
    ClearTrees(x, R + 1);
    Crater(x, R);
    return true;
}

bool Mainfrm::TeleportContact(int, double x, double) {
    // The shooter's tank jumps to the landing column.
    PlayEffect(effect::Teleport);
    const int shooter = state.shooter();
    battle::Teleport(state, shooter, x);
    (shooter == 1 ? tank1 : tank2).setLeft(state.tank(shooter).left);
    return true;
}

bool Mainfrm::PitContact(int, double x, double) {
    bullet.setVisible(false);
    PlayEffect(effect::Dig);
    ClearTrees(x, 21);
    battle::Pit(state.Ground, x, [&](double c, double old, double now) { DarkenRows(c, old, now); });
    return true;
}

bool Mainfrm::MoundContact(int, double x, double) {
    bullet.setVisible(false);
    PlayEffect(effect::Mound);
    battle::Mound(state.Ground, x, [&](double c, double old, double now) {
        for (double yy = old; yy >= now; --yy) {
            const battle::Earth e = battle::EarthColour(random);
            world.setPixel(c, yy, rgb(e.red, e.green, e.blue));
        }
    });
    return true;
}

bool Mainfrm::LevellerContact(int, double x, double) {
    bullet.setVisible(false);
    PlayEffect(effect::Dig);
    const std::uint32_t battle = state.BattleNumber;
    const auto reached = battle::Level(state.Ground, x, [&](double c, double old, double level) {
        DarkenRows(c, old, level);
        if (std::fmod(c, 10) == 0) loop().pumpEvents();  // the cut shows column by column
        return battle == state.BattleNumber;
    });
    if (!reached) return false;
    ClearTreesBetween(reached->first, reached->second);
    return true;
}

bool Mainfrm::PiercingContact(int, double x, double) {
    // Its strength is the direct hit; the ground only darkens.
    DarkenPixel(x, state.Ground.at(x), 2);
    PlayEffect(effect::Piercing);
    return true;
}

bool Mainfrm::DrillContact(int, double x, double y) {
    // Bores through and flies on. Every column of the walk under the surface is bored, also the one where a
    // tick ends and the next begins, which is bored again.
    battle::Bore(state.Ground, x, y, [&](double c, double old, double now) { DarkenRows(c, old, now); });
    DarkenPixel(x, y, 1.5);
    return true;  // the aftermath runs without ending the shot
}

bool Mainfrm::NukeContact(int kind, double x, double) {
    double h0 = state.Ground.at(x);
    PlayEffect(effect::Nuke);
    const double R = battle::Shell(kind).craterRadius;
    ClearTrees(x, R + 1);
    Crater(x, R);
    Splash(x, h0, battle::kNukeBlast);
    return true;
}

bool Mainfrm::QuakeContact(int, double x, double) {
    // Both copies of a network game draw from the same seed.
    GameState& s = state;
    bullet.setVisible(false);
    if (s.GameMode == mode::Host) {
        s.RandomSeed = ClockSeed();
        RecordClock(s.RandomSeed);
        SendMessage(netmsg::quake(s.RandomSeed));
        random.reset();
        random.seed(leadingNumber(s.RandomSeed));
    } else if (s.GameMode == mode::Joiner) {
        if (!WaitInBattle([&] { return s.PeerSeedReady == True; }, true)) return false;
        s.PeerSeedReady = False;
        random.reset();
        random.seed(leadingNumber(s.RandomSeed));
    }
    PlayEffect(effect::Quake);
    ClearTrees(x, 150);
    battle::Quake(
        s.Ground, x, [&](double depth) { return battle::QuakeDepth(random, depth); },
        [&](double c, double old, double now) { DarkenRows(c, old, now); });
    return true;
}

bool Mainfrm::RollContact(int kind, double x, double) {
    battle::StartRoll(state, kind, x);
    return false;
}

bool Mainfrm::BounceContact(int kind, double x, double) {
    // A small crater, then up again, five times.
    GameState& s = state;
    const double h0 = battle::Bounce(s, x);
    PlayEffect(effect::Boing);
    const double R = battle::Shell(kind).craterRadius;
    ClearTrees(x, R + 1);
    Crater(x, R);
    ReseatBonus();  // a landed crate drops onto the new ground after every crater
    Splash(x, h0, battle::kBounceBlast);
    SettleTanks(true, false);
    ShowHealth1();
    ShowHealth2();
    CheckBattleEnd();
    if (s.BounceCount != battle::kBounces) {
        contactEndsTick_ = true;
        return false;
    }
    return true;
}

void Mainfrm::RollingStep() {
    GameState& s = state;
    battle::Rolling roll{s.ShellX, s.RollUphill == True, s.RollTicks};
    const battle::Roll step = battle::RollStep(s.Ground, roll);
    s.RollTicks = std::uint8_t(roll.ticks);
    if (step == battle::Roll::Off) {
        // Rolled off the field: the shell just ends.
        s.RollDownhill = s.RollUphill = False;
        EndShot(ShotEnd::Spent);
        return;
    }
    if (step == battle::Roll::Rest) {
        RollExplode(roll.x);
        return;
    }
    s.ShellX = roll.x;
    s.ShellY = s.Ground.at(roll.x);
    for (auto& [j, plant] : strom.elements())
        if (InTreeBox(*plant, s.ShellX, s.ShellY, 2)) BreakTree(*plant);
}

void Mainfrm::RollExplode(double X) {
    GameState& s = state;
    double h0 = s.Ground.at(X);
    PlayEffect(effect::HeavyBlast);
    ClearTrees(X, battle::kRollerCrater + 1);
    Crater(X, battle::kRollerCrater);
    Splash(X, h0, battle::kRollerBlast);
    SettleTanks(true, false);
    s.RollDownhill = s.RollUphill = False;
    EndShot(ShotEnd::Spent);
    Resettle();
    CheckBattleEnd();
}

}  // namespace gv
