// One tick of a shell: a step, then a walk over every column the step crossed, so a fast shell cannot jump
// over a tree, a tank or a thin ridge. What it meets there, each kind's contact with the ground, and the
// settling of tanks, trees and crate on the changed ground.
#include "battle/shot.h"

#include <algorithm>
#include <cmath>

#include "battle/columnwalk.h"
#include "battle/geometry.h"
#include "battle/shells.h"
#include "battle/simmath.h"

namespace gv::battle {

namespace {

using simmath::Int;

// Trees burn where a shell passes this close above the ground; a shell leaves the field past this column.
constexpr double kTreeReach = 45;
constexpr double kFieldRight = 799;

bool InTree(const State::Tree& t, double x, double y, double below = 0) {
    return t.left < x && x < t.left + t.width && t.top < y && y < t.top + t.height + below;
}

// One shot's rules at work for the length of a call: the state, the generator and the view it tells.
struct Shot {
    State& s;
    Random& random;
    ShotView& view;
    bool over = false;  // the shot ended during this call
    bool held = false;  // a bounce: the shell stays at its contact this tick

    int kind() const { return s.weapon(s.shooter()); }

    // Only a live tree burns: a green or snowy one, standing; it stays, burnt.
    void BurnTreesAt(double x, double y, double below) {
        bool any = false;
        for (State::Tree& t : s.Trees)
            if (t.standing && !t.burnt && InTree(t, x, y, below)) t.burnt = any = true;
        if (any) view.TreesChanged();
    }
    // Every standing tree whose middle lies strictly between the two columns goes.
    void SweepTrees(double left, double right) {
        bool any = false;
        for (State::Tree& t : s.Trees) {
            const double middle = t.left + t.width / 2;
            if (t.standing && left < middle && middle < right) t.standing = false, any = true;
        }
        if (any) view.TreesChanged();
    }
    void Crater(double cx, double R) {
        battle::Crater(s.Ground, cx, R, [&](double c, double old, double now) { view.Dug(c, old, now); });
    }

    void SettleTanks(bool withDamage, bool skipTeleported) {
        const int shooter = s.shooter();
        const bool teleported = skipTeleported && s.weapon(shooter) == weapon::Teleport;
        for (int p = 1; p <= 2; ++p) {
            if (teleported && p == shooter) continue;  // the jump costs no health
            Place& tank = s.tank(p);
            const double top = TankRestTop(s.Ground, tank.left);
            if (withDamage) s.health(p) -= SettleLoss(top, tank.top);
            tank.top = top;
        }
    }
    // The tanks are where they rest: a wreck still exploding drops with its tank.
    void Settled() {
        for (int p = 1; p <= 2; ++p)
            if (s.exploding(p) == True) s.wreck(p).top = twips(s.tank(p).top);
        view.Settled();
    }
    // Tanks, trees and crate on the ground as it is now.
    void Resettle() {
        SettleTanks(false, false);
        for (State::Tree& t : s.Trees)
            if (t.standing) t.top = twips(s.Ground.at(t.left + t.width / 2) - t.height);
        SeatCrate(s);
        Settled();
    }

    // A spent shell or one that hit a tank has used up the special shell it was and ages the crate; a taken
    // crate does neither (the crate is gone, and the shell it gave waits in the slot for the next shot).
    void End(ShotEnd why) {
        over = true;
        if (why != ShotEnd::CrateTaken) {
            s.weapon(s.shooter()) = weapon::Standard;
            AgeCrate(s);
        }
        view.ShotOver(why);
    }

    void Aftermath() {
        SettleTanks(true, true);
        if (kind() != weapon::Drill) End(ShotEnd::Spent);
        Resettle();
    }

    void TakeCrate() {
        const int kind = s.CrateKind;
        if (kind == weapon::Health) {
            double& h = s.health(s.shooter());
            h = std::min(h + 250, 1000.0);
            s.weapon(s.shooter()) = weapon::Standard;
        } else {
            view.Sound(effect::Bell);
            s.weapon(s.shooter()) = kind;
        }
        view.CrateTaken(kind);
    }

    // This tick's step passes above the trees' reach over every column it crosses, on the field, clear of
    // the moon, the sun, the opponent's hull and the crate: no column of it would meet anything.
    bool NothingOnTheWay() const {
        const StepBounds step(s.ShellPrevX, s.ShellPrevY, s.ShellX, s.ShellY);
        if (!step.onField(kFieldRight)) return false;
        int highest = s.Ground(GroundArray::column(step.left));
        for (int c = GroundArray::column(step.left) + 1; c <= GroundArray::column(step.right); ++c)
            highest = std::min(highest, int(s.Ground(c)));
        if (step.bottom > highest - kTreeReach) return false;
        if (s.MoonUp == True && step.reaches(geometry::BodyBox(s.Moon.left, s.Moon.top))) return false;
        if (s.SunUp == True && step.reaches(geometry::BodyBox(s.Sun.left, s.Sun.top))) return false;
        const Place& target = s.tank(s.TurnPlayer != 1 ? 2 : 1);
        if (Shell(kind()).hitsTanks && step.reaches(geometry::TankBox(target.left, target.top))) return false;
        return !(s.BonusActive == True && step.reaches(geometry::CrateBox(s.CrateLeft, s.CrateTop)));
    }

    bool ColumnTest(double x, double y) {
        const int kind = this->kind();
        // Trees break only near the ground; the shell flies on.
        if (y > s.Ground.at(x) - kTreeReach) BurnTreesAt(x, y, 0);
        // The ground.
        if (y > s.Ground.at(x)) {
            view.Flash(x, s.Ground.at(x), Shell(kind).craterRadius);
            const bool aftermath = Contact(kind, x, y);
            if (view.Left()) return false;
            if (aftermath) Aftermath();
            if (kind != weapon::Drill || over) return false;
        }
        // The moon starts to fall and the shell flies on; the sun swallows it.
        if (s.MoonUp == True && geometry::BodyBox(s.Moon.left, s.Moon.top).holds(x, y)) {
            s.MoonFalling = True;
            view.MoonStruck();
        }
        if (s.SunUp == True && geometry::BodyBox(s.Sun.left, s.Sun.top).holds(x, y)) {
            view.Sound(effect::SunSwallow);
            End(ShotEnd::Spent);
            return false;
        }
        // Only some shells can hit the opponent's tank; the shooter's own is never tested.
        if (Shell(kind).hitsTanks) {
            const int target = s.TurnPlayer != 1 ? 2 : 1;
            if (geometry::TankBox(s.tank(target).left, s.tank(target).top).holds(x, y)) {
                view.Flash(x, y, Shell(kind).craterRadius);
                battle::DirectHit(s, target, kind);
                view.Sound(Shell(kind).hitSound);
                Settled();
                End(ShotEnd::DirectHit);
                return false;
            }
        }
        // A landed crate.
        if (s.BonusActive == True && s.CrateFalling == False && geometry::CrateBox(s.CrateLeft, s.CrateTop).holds(x, y)) {
            s.BonusActive = False;
            TakeCrate();
            End(ShotEnd::CrateTaken);
            return false;
        }
        return true;
    }

    // The ground contact of each kind; true when the common aftermath follows.
    bool Contact(int kind, double x, double y) {
        auto dug = [&](double c, double old, double now) { view.Dug(c, old, now); };
        switch (Shell(kind).contact) {
            case Contact::Crater: {
                view.ShellHidden();
                view.Sound(kind == weapon::Heavy ? effect::HeavyBlast : effect::ShellPop);
                const double R = Shell(kind).craterRadius;
                SweepTrees(x - (R + 1), x + R + 1);
                Crater(x, R);
                return true;
            }
            case Contact::Teleport: {
                // The shooter's tank jumps to the landing column.
                view.Sound(effect::Teleport);
                Teleport(s, s.shooter(), x);
                if (s.exploding(s.shooter()) == True) s.wreck(s.shooter()).left = s.tank(s.shooter()).left;
                view.TankJumped(s.shooter());
                return true;
            }
            case Contact::Pit:
                view.ShellHidden();
                view.Sound(effect::Dig);
                SweepTrees(x - 21, x + 21);
                Pit(s.Ground, x, dug);
                return true;
            case Contact::Mound:
                view.ShellHidden();
                view.Sound(effect::Mound);
                Mound(s.Ground, x, [&](double c, double old, double now) {
                    for (double yy = old; yy >= now; --yy) view.Raised(c, yy, EarthColour(random));
                });
                return true;
            case Contact::Leveller: {
                view.ShellHidden();
                view.Sound(effect::Dig);
                const auto reached = Level(s.Ground, x, [&](double c, double old, double level) {
                    view.Dug(c, old, level);
                    if (std::fmod(c, 10) == 0) view.Cutting();  // the cut shows column by column
                    return !view.Left();
                });
                if (!reached) return false;
                SweepTrees(reached->first, reached->second);
                return true;
            }
            case Contact::Piercing:
                // Its strength is the direct hit; the ground only darkens.
                view.Marked(x, s.Ground.at(x), 2);
                view.Sound(effect::Piercing);
                return true;
            case Contact::Drill:
                // Bores through and flies on. Every column of the walk under the surface is bored, also the
                // one where a tick ends and the next begins, which is bored again.
                Bore(s.Ground, x, y, dug);
                view.Marked(x, y, 1.5);
                return true;  // the aftermath runs without ending the shot
            case Contact::Nuke: {
                const double h0 = s.Ground.at(x);
                view.Sound(effect::Nuke);
                const double R = Shell(kind).craterRadius;
                SweepTrees(x - (R + 1), x + R + 1);
                Crater(x, R);
                Splash(s, x, h0, kNukeBlast);
                return true;
            }
            case Contact::Quake:
                view.ShellHidden();
                if (!view.QuakeSeeded()) return false;
                view.Sound(effect::Quake);
                SweepTrees(x - 150, x + 150);
                Quake(
                    s.Ground, x, [&](double depth) { return QuakeDepth(random, depth); }, dug);
                return true;
            case Contact::Roll: StartRoll(s, kind, x); return false;
            case Contact::Bounce: {
                // A small crater, then up again, five times.
                const double h0 = Bounce(s, x);
                view.Sound(effect::Boing);
                const double R = Shell(kind).craterRadius;
                SweepTrees(x - (R + 1), x + R + 1);
                Crater(x, R);
                SeatCrate(s);  // a landed crate drops onto the new ground after every crater
                Splash(s, x, h0, kBounceBlast);
                SettleTanks(true, false);
                Settled();
                view.BattleMayEnd();
                if (s.BounceCount != kBounces) {
                    held = true;
                    return false;
                }
                return true;
            }
        }
        return false;
    }

    void RollingStep() {
        Rolling roll{s.ShellX, s.RollUphill == True, s.RollTicks};
        const Roll step = RollStep(s.Ground, roll);
        s.RollTicks = std::uint8_t(roll.ticks);
        if (step == Roll::Off) {
            // Rolled off the field: the shell just ends.
            s.RollDownhill = s.RollUphill = False;
            End(ShotEnd::Spent);
            return;
        }
        if (step == Roll::Rest) return RollExplode(roll.x);
        s.ShellX = roll.x;
        s.ShellY = s.Ground.at(roll.x);
        BurnTreesAt(s.ShellX, s.ShellY, 2);
    }

    void RollExplode(double X) {
        const double h0 = s.Ground.at(X);
        view.Sound(effect::HeavyBlast);
        SweepTrees(X - (kRollerCrater + 1), X + kRollerCrater + 1);
        Crater(X, kRollerCrater);
        Splash(s, X, h0, kRollerBlast);
        SettleTanks(true, false);
        s.RollDownhill = s.RollUphill = False;
        End(ShotEnd::Spent);
        Resettle();
        view.BattleMayEnd();
    }
};

}  // namespace

Tick ShellTick(State& s, Random& random, ShotView& view) {
    Shot shot{s, random, view};
    s.ShotTime += 0.2;
    s.ShellPrevX = s.ShellX;
    s.ShellPrevY = s.ShellY;
    const bool rolling = s.RollDownhill == True || s.RollUphill == True;
    if (!rolling)
        FlightStep(s.ShellX, s.ShellY, s.ShotVx, s.ShotVy, s.ShotTime, s.ShotX0, s.ShotY0, s.Gravity, s.Wind,
                   shot.kind() == weapon::Drill);
    if (rolling) {
        s.ShellDir = std::int16_t(sign(s.ShellX - s.ShellPrevX) == 0 ? 1 : sign(s.ShellX - s.ShellPrevX));
        shot.RollingStep();
    } else {
        s.ShellDir = std::int16_t(sign(s.ShellX - s.ShellPrevX));  // 0 stays 0 here
        if (shot.NothingOnTheWay()) return view.Left() ? Tick::Left : Tick::Moved;
        bool left = false;  // a wait inside the column test ended the battle
        const ColumnWalkEnd end = WalkColumns(s.ShellPrevX, s.ShellPrevY, s.ShellX, s.ShellY, kFieldRight,
                                              SweepOrder::DivideFirst, [&](double x, double y) {
                                                  const bool on = shot.ColumnTest(x, y);
                                                  left = view.Left();
                                                  return !left && on;
                                              });
        if (end == ColumnWalkEnd::LeftField) shot.End(ShotEnd::Spent);
        if (left) return Tick::Left;
    }
    return shot.held ? Tick::Held : Tick::Moved;
}

bool ColumnTest(State& s, Random& random, ShotView& view, double x, double y) { return Shot{s, random, view}.ColumnTest(x, y); }

bool GroundContact(State& s, Random& random, ShotView& view, int kind, double x, double y) {
    return Shot{s, random, view}.Contact(kind, x, y);
}

void Aftermath(State& s, Random& random, ShotView& view) { Shot{s, random, view}.Aftermath(); }

void RollExplode(State& s, Random& random, ShotView& view, double x) { Shot{s, random, view}.RollExplode(x); }

void PlantTrees(State& s, Random& random, TreeLook look) {
    const double n = Int(random.Rnd() * 100);
    s.Trees.assign(std::size_t(n) + 1, {});
    for (State::Tree& t : s.Trees) {
        t.height = Int(random.Rnd() * 20) + 18;
        t.width = Int(random.Rnd() * 10) + 12;
        t.left = Int(random.Rnd() * 783);
        t.top = twips(s.Ground.at(t.left + t.width / 2) - t.height);
        const int k = int(Int(random.Rnd() * 2));
        t.look = look == TreeLook::Green ? k : k + 2;
        t.burnt = look == TreeLook::Hell;
    }
}

Place SkyPlace(const State& s, Random& random) {
    // The ground never rises above row 200, so this always ends.
    Place at;
    do {
        at.left = Int(random.Rnd() * 728);
        at.top = Int(random.Rnd() * 400);
    } while (!(at.top < s.Ground.at(at.left + 36) - 140));
    return at;
}

bool MoonFall(State& s) {
    s.MoonFallTime += 0.05;
    const double top = twips(s.Moon.top + 0.5 * s.Gravity * s.MoonFallTime * s.MoonFallTime);
    s.Moon.top = std::min(top, 564.0);
    if (top >= 564) s.MoonFalling = False;
    return s.MoonFalling == True;
}

}  // namespace gv::battle
