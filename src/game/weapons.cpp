// What each weapon does when it meets the ground: one procedure per weapon kind behind a small dispatch.
#include <algorithm>
#include <cmath>
#include <iterator>

#include "game/mainfrm.h"
#include "game/numtext.h"
#include "game/simmath.h"
#include "net/protocol.h"

namespace gv {

using simmath::Int;
using simmath::Round;
using simmath::Sqrt;

const WeaponTraits& Mainfrm::Weapon(int kind) {
    // Indexed by the kind. The health crate's entry stands for any kind the game does not know.
    // clang-format off
    static constexpr WeaponTraits kWeapons[] = {
        // contact                     crater  hits   loss  hit sound           launch                  crates
        {&Mainfrm::ShellContact,           8, true,    75, effect::DirectHit,  effect::Launch,         0},  // standard
        {&Mainfrm::TeleportContact,        6, false,   75, effect::DirectHit,  effect::Launch,         3},
        {&Mainfrm::ShellContact,          24, true,   250, effect::HeavyBlast, effect::Launch,         4},  // heavy
        {&Mainfrm::PitContact,            20, false,   75, effect::DirectHit,  effect::Launch,         2},
        {&Mainfrm::MoundContact,          40, false,   75, effect::DirectHit,  effect::Launch,         3},
        {&Mainfrm::LevellerContact,       20, false,   75, effect::DirectHit,  effect::Launch,         1},
        {&Mainfrm::PiercingContact,        6, true,   400, effect::Piercing,   effect::PiercingLaunch, 1},
        {&Mainfrm::DrillContact,           4, true,   150, effect::HeavyBlast, effect::Launch,         1},
        {&Mainfrm::NukeContact,          100, false,   75, effect::DirectHit,  effect::Launch,         1},
        {&Mainfrm::QuakeContact,         150, false,   75, effect::DirectHit,  effect::Launch,         2},
        {&Mainfrm::RollContact,            4, false,   75, effect::DirectHit,  effect::Launch,         1},  // roller
        {&Mainfrm::RollContact,            4, false,   75, effect::DirectHit,  effect::Launch,         1},  // climber
        {&Mainfrm::BounceContact,         15, false,   75, effect::DirectHit,  effect::Launch,         2},
        {&Mainfrm::ShellContact,           8, false,   75, effect::DirectHit,  effect::Launch,         3},  // health
    };
    // clang-format on
    static_assert(std::size(kWeapons) == weapon::Health + 1, "one entry for every kind");
    static_assert(
        [] {
            int draws = 0;
            for (const WeaponTraits& w : kWeapons) draws += w.crates;
            return draws;
        }() == 25,
        "the crate draws add up to 25");
    return kWeapons[kind >= 0 && kind < int(std::size(kWeapons)) ? kind : weapon::Health];
}

bool Mainfrm::WeaponContact(int kind, double x, double y) { return (this->*Weapon(kind).contact)(kind, x, y); }

bool Mainfrm::ShellContact(int kind, double x, double) {
    bullet.setVisible(false);
    PlayEffect(kind == weapon::Heavy ? effect::HeavyBlast : effect::ShellPop);
    const double R = Weapon(kind).craterRadius;
    ClearTrees(x, R + 1);
    Crater(x, R);
    return true;
}

bool Mainfrm::TeleportContact(int, double x, double) {
    // The shooter's tank jumps to the landing column.
    PlayEffect(effect::Teleport);
    Image& tank = state.TurnPlayer == 2 ? tank1 : tank2;
    tank.setLeft(std::clamp(x - 20, 0.0, 760.0));
    return true;
}

bool Mainfrm::PitContact(int, double x, double) {
    // A flat-bottomed hole 41 columns wide.
    GroundArray& G = state.Ground;
    bullet.setVisible(false);
    PlayEffect(effect::Dig);
    ClearTrees(x, 21);
    double a = std::max(x - 20, -1.0), b = std::min(x + 20, 800.0);
    double bottom = std::min(Int((G.at(a) + G.at(b)) / 2.0) + 100, 600.0);
    for (double c = a; c <= b; ++c) {
        if (!(-1 < c && c < 800)) continue;
        for (double yy = G.at(c); yy <= bottom; ++yy) {
            DarkenPixel(c, yy, 2);
            G.at(c) = std::int16_t(G.at(c) + 1);
        }
    }
    return true;
}

bool Mainfrm::MoundContact(int, double x, double) {
    // Earth heaped up over 81 columns.
    GroundArray& G = state.Ground;
    bullet.setVisible(false);
    PlayEffect(effect::Mound);
    for (int k = -40; k <= 40; ++k) {
        double c = x + k;
        if (!(0 <= c && c < 800)) continue;
        double old = G.at(c);
        double now = Round(old - 8 * Sqrt(41 - std::abs(k)));
        G.at(c) = std::int16_t(now);
        for (double yy = old; yy >= now; --yy) {
            double r1 = random.Rnd(), r2 = random.Rnd(), r3 = random.Rnd();
            world.setPixel(c, yy, rgb(int(Int(r1 * 50) + 100), int(Int(r2 * 50) + 100), int(Int(r3 * 50) + 25)));
        }
    }
    return true;
}

bool Mainfrm::LevellerContact(int, double x, double) {
    // The ground is cut to the landing height on both sides.
    bullet.setVisible(false);
    PlayEffect(effect::Dig);
    const double start = Int(x);
    const double level = state.Ground.at(start);
    // The edge column ends a side that stays level all the way out.
    double right = 800, left = -1;
    if (!LevelSide(start, level, 1, right) || !LevelSide(start, level, -1, left)) return false;
    ClearTreesBetween(left, right);
    return true;
}

bool Mainfrm::LevelSide(double start, double level, int step, double& stop) {
    GroundArray& G = state.Ground;
    const std::uint32_t battle = state.BattleNumber;
    for (double c = start; step > 0 ? c <= stop : c >= stop; c += step) {
        if (G.at(c) < level) {
            for (double yy = G.at(c); yy <= level; ++yy) DarkenPixel(c, yy, 2);
            G.at(c) = std::int16_t(level);
            if (std::fmod(c, 10) == 0) loop().pumpEvents();  // the cut shows column by column
            if (battle != state.BattleNumber) return false;
        } else if (G.at(c) > level) {
            stop = c;
            break;
        }
    }
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
    GroundArray& G = state.Ground;
    double old = G.at(x);
    double now = old + 4;
    if (now > y) now = Round(y);
    G.at(x) = std::int16_t(std::clamp(now, -32768.0, 32767.0));
    for (double yy = old; yy <= now; ++yy) DarkenPixel(x, yy, 2);
    DarkenPixel(x, y, 1.5);
    return true;  // the aftermath runs without ending the shot
}

bool Mainfrm::NukeContact(int, double x, double) {
    double h0 = state.Ground.at(x);
    PlayEffect(effect::Nuke);
    const double R = Weapon(weapon::Nuke).craterRadius;
    ClearTrees(x, R + 1);
    Crater(x, R);
    Splash(x, h0, 200, 200, 1);
    return true;
}

bool Mainfrm::QuakeContact(int, double x, double) {
    // Both copies of a network game draw from the same seed.
    GameState& s = state;
    GroundArray& G = s.Ground;
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
    // Whole offsets from the landing column: the square root never sees a negative number.
    for (int k = -150; k <= 150; ++k) {
        double c = x + k;
        if (!(0 <= c && c < 800)) continue;
        double old = G.at(c);
        double sq = Sqrt(150 - std::abs(k));
        double r1 = random.Rnd() * 3, r2 = random.Rnd() * 3, r3 = random.Rnd() * 3;
        double now = std::min(Round(old + Int(sq * r1) + Int(sq * r2) + Int(sq * r3)), 600.0);
        G.at(c) = std::int16_t(now);
        for (double yy = old; yy <= now; ++yy) DarkenPixel(c, yy, 2);
    }
    return true;
}

bool Mainfrm::RollContact(int kind, double x, double) {
    // Roller and climber: they start moving along the ground.
    state.RollTicks = 0;
    (kind == weapon::Roller ? state.RollDownhill : state.RollUphill) = True;
    state.ShellX = x;
    return false;
}

bool Mainfrm::BounceContact(int, double x, double) {
    // A small crater, then up again, five times.
    GameState& s = state;
    double h0 = s.Ground.at(x);
    s.BounceCount = std::uint8_t(s.BounceCount + 1);
    s.ShotVy = 4 * std::fabs(s.ShellY - prevY_);
    s.ShotVx = 5 * (s.ShellX - prevX_);
    s.ShotTime = 0.2;
    s.ShotX0 = float(x);
    s.ShellX = x;
    s.ShotY0 = float(h0);
    s.ShellY = h0;
    PlayEffect(effect::Boing);
    const double R = Weapon(weapon::Bouncer).craterRadius;
    ClearTrees(x, R + 1);
    Crater(x, R);
    ReseatBonus();  // a landed crate drops onto the new ground after every crater
    Splash(x, h0, 40, 80, 2);
    SettleTanks(true, false);
    ShowHealth1();
    ShowHealth2();
    CheckBattleEnd();
    if (s.BounceCount != 5) {
        contactEndsTick_ = true;
        return false;
    }
    return true;
}
void Mainfrm::RollingStep() {
    GameState& s = state;
    double X = s.ShellX;
    auto G = [&](double c) { return double(s.Ground.at(c)); };
    if (!(3 <= X && X < 797)) {
        // Rolled off the field: the shell just ends.
        s.RollDownhill = s.RollUphill = False;
        EndShot(ShotEnd::Spent);
        return;
    }
    s.RollTicks = std::uint8_t(s.RollTicks + 1);
    bool peak = true, pit = true;
    for (int d : {-3, -2, -1, 1, 2, 3}) {
        peak = peak && G(X) <= G(X + d);
        pit = pit && G(X) >= G(X + d);
    }
    if (peak || pit || s.RollTicks > 150) {
        RollExplode(X);
        return;
    }
    // Right first, then left, so one tick can undo its own step.
    const bool up = s.RollUphill == True;
    auto towards = [&](double a, double b) { return up ? a > b : a < b; };
    if (towards(G(X), G(X + 3)) || towards(G(X), G(X + 2)) || towards(G(X), G(X + 1))) X += 1;
    if (towards(G(X), G(X - 3)) || towards(G(X), G(X - 2)) || towards(G(X), G(X - 1))) X -= 1;
    s.ShellX = X;
    s.ShellY = G(X);
    for (auto& [j, plant] : strom.elements())
        if (InTreeBox(*plant, X, s.ShellY, 2)) BreakTree(*plant);
}

void Mainfrm::RollExplode(double X) {
    GameState& s = state;
    double h0 = s.Ground.at(X);
    PlayEffect(effect::HeavyBlast);
    ClearTrees(X, 41);
    Crater(X, 40);
    Splash(X, h0, 60, 180, 3);
    SettleTanks(true, false);
    s.RollDownhill = s.RollUphill = False;
    EndShot(ShotEnd::Spent);
    Resettle();
    CheckBattleEnd();
}

}  // namespace gv
