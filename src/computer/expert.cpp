// The expert computer: it flies every aim worth trying exactly as the real shell will fly it (the real
// wind, the sun, the crate, the opponent's tank, the ground), works out what the shell it holds would do
// where it lands (the crater, the pit, the mound, the cut, the roll, the blast) and what that costs each
// tank, and fires the aim that costs the opponent most. A direct hit beats a near miss; a crate is worth
// a shot when what it holds is worth more than the best shot at the tank; and it never fires a shot that,
// by its own reckoning, hurts its own tank or digs under it.
#include <algorithm>
#include <array>
#include <cmath>

#include "battle/columnwalk.h"
#include "battle/effects.h"
#include "battle/geometry.h"
#include "battle/shells.h"
#include "battle/simmath.h"
#include "computer/player.h"

namespace gv {

using simmath::Int;

namespace {

constexpr int kMaxTicks = 1500;  // a shell still up after five minutes of flight counts as lost
constexpr double kDirectHitBonus = 25;

struct Tank {
    double left, top, health;
};

// Where a flight ends.
struct Landing {
    enum What { Lost, Off, Sun, Tank, Crate, Ground } what = Lost;
    double x = 0, y = 0;
};

// What the shell in a crate is worth to the side that takes it, in health of the opponent.
double CrateWorth(int crate, double ownHealth) {
    if (crate == weapon::Health) return 0.6 * std::min(250.0, 1000 - ownHealth);
    return crate > 0 && crate < weapon::kKinds ? battle::Shell(crate).expertWorth : 0;
}

// What a shell of `kind` landing at column `x` costs each tank (own first); `unsure` when its effect is
// random or runs on (the quake, the bouncer) so only distance keeps the shooter safe.
struct Cost {
    double own = 0, foe = 0;
    bool unsure = false;
};

// The columns the settling tanks stand on: all of the ground a cost looks at afterwards, so the effects work
// out their new ground there alone.
struct UnderTanks {
    int own0, own1, foe0, foe1;
    UnderTanks(const Tank& own, const Tank& foe)
        : own0(GroundArray::column(own.left + 15)),
          own1(GroundArray::column(own.left + 25)),
          foe0(GroundArray::column(foe.left + 15)),
          foe1(GroundArray::column(foe.left + 25)) {}
    bool operator()(double c) const {
        const int j = GroundArray::column(c);
        return (own0 <= j && j <= own1) || (foe0 <= j && j <= foe1);
    }
};

Cost GroundCost(int kind, const GroundArray& ground, double x, const Tank& own, const Tank& foe) {
    GroundArray G = ground;  // as the shell leaves it, under the tanks
    const UnderTanks under(own, foe);
    Cost c;
    auto unseen = [](double, double, double) {};
    auto blast = [&](const battle::Blast& b, double cx, double cy) {
        c.own += battle::BlastLoss(b, own.left, own.top, cx, cy);
        c.foe += battle::BlastLoss(b, foe.left, foe.top, cx, cy);
    };
    const double h0 = G.at(x), R = battle::Shell(kind).craterRadius;
    switch (battle::Shell(kind).contact) {
        case battle::Contact::Teleport:
        case battle::Contact::Piercing:
        case battle::Contact::Drill: return c;
        case battle::Contact::Pit: battle::Pit(G, x, unseen, under); break;
        case battle::Contact::Mound: battle::Mound(G, x, unseen, under); break;
        case battle::Contact::Leveller: battle::Level(G, x, [](double, double, double) { return true; }); break;
        case battle::Contact::Nuke: battle::Crater(G, x, R, unseen, under), blast(battle::kNukeBlast, x, h0); break;
        case battle::Contact::Quake:
            // Random depths: reckoned at four and a half times the square root of the distance to its edge.
            c.unsure = true;
            battle::Quake(
                G, x, [](double s) { return Int(4.5 * s); }, unseen, under);
            break;
        case battle::Contact::Roll: {
            battle::Rolling roll{x, kind == weapon::Climber};
            battle::Roll end = battle::Roll::On;
            while (end == battle::Roll::On) end = battle::RollStep(G, roll);
            if (end == battle::Roll::Off) return c;
            const double h = G.at(roll.x);
            battle::Crater(G, roll.x, battle::kRollerCrater, unseen, under), blast(battle::kRollerBlast, roll.x, h);
            break;
        }
        case battle::Contact::Bounce: c.unsure = true, battle::Crater(G, x, R, unseen, under); break;
        case battle::Contact::Crater: battle::Crater(G, x, R, unseen, under); break;
    }
    // The tanks settle on the new ground.
    c.own += battle::SettleLoss(battle::TankRestTop(G, own.left), own.top);
    c.foe += battle::SettleLoss(battle::TankRestTop(G, foe.left), foe.top);
    return c;
}

// One side's view of the field for its search: every shell it tries flies from its own tank against the
// other's, in the wind, the sun, the crate and the ground of the moment.
struct Shooter {
    bool one;  // player 1 shoots
    Tank own, foe;
    int kind;
    bool drill;
    const GroundArray& ground;
    float wind;
    bool sunUp, crateUp;
    geometry::Box sunBox, crateBox, foeBox;
    int crate;       // the crate's kind
    double aimX;     // where a shell that lands should land
    double xL, xR;   // the normal computer's target band, for the teleport and the leveller
    bool hitsTanks;  // the shell can hit the opponent's tank directly
    HighestGround highest;

    // Whether a step may meet anything: leave the field, touch the ground or enter a box.
    bool mayMeet(const StepBounds& step) const {
        return !step.onField(799) || !step.above(highest) || (sunUp && step.reaches(sunBox)) ||
               (hitsTanks && step.reaches(foeBox)) || (crateUp && step.reaches(crateBox));
    }

    // The shell exactly as firing starts it and the flying shell moves it, stopped at whatever ends it.
    Landing fly(int angle, double force, std::vector<std::array<double, 2>>* flight = nullptr) const {
        const double ownCentre = own.left + 20;
        const auto [x0, y0] = battle::LaunchPoint({own.left, own.top});
        const battle::Velocity v = battle::LaunchVelocity(one, drill, force, angle);
        double vy = v.vy, vx = v.vx, x = x0, y = y0, t = 0;
        Landing end;
        bool boresOwn = false;
        for (int tick = 0; tick < kMaxTicks; ++tick) {
            t += 0.2;
            const double px = x, py = y;
            battle::FlightStep(x, y, vx, vy, t, x0, y0, 10, wind, drill);
            if (flight) flight->push_back({x, y});
            if (!mayMeet(StepBounds(px, py, x, y))) continue;
            const ColumnWalkEnd walk = WalkColumns(px, py, x, y, 799, SweepOrder::DivideFirst, [&](double cx, double cy) {
                if (cy > ground.at(cx)) {
                    if (!drill) return end = {Landing::Ground, cx, cy}, false;
                    boresOwn = boresOwn || std::fabs(cx - ownCentre) < 12;
                }
                if (sunUp && sunBox.holds(cx, cy)) return end = {Landing::Sun, cx, cy}, false;
                if (hitsTanks && foeBox.holds(cx, cy)) return end = {Landing::Tank, cx, cy}, false;
                if (crateUp && crateBox.holds(cx, cy)) return end = {Landing::Crate, cx, cy}, false;
                return true;
            });
            if (walk == ColumnWalkEnd::LeftField) end = {Landing::Off, x, y};
            if (walk != ColumnWalkEnd::Crossed) break;
        }
        if (boresOwn) end.what = Landing::Lost;  // a drill under its own tank: never
        return end;
    }

    // What an aim is worth: the opponent's loss less the shooter's, a little more for a direct hit, and a
    // little for landing near the target so the search can close in. Unsafe aims are worth nothing.
    struct Scored {
        double score = -1e9;
        bool safe = false, hits = false;
        double ownLoss = 0, foeLoss = 0;  // what the shot costs each tank, as far as it is sure
        Landing::What what = Landing::Lost;
    };
    Scored judge(int angle, double force) const {
        const Landing end = fly(angle, force);
        Scored r;
        r.what = end.what;
        switch (end.what) {
            case Landing::Lost: return r;
            case Landing::Off:
            case Landing::Sun: r.safe = true, r.score = -900; return r;
            case Landing::Tank:
                r.safe = true, r.hits = true, r.foeLoss = battle::Shell(kind).hitLoss;
                r.score = std::min(r.foeLoss, foe.health) + kDirectHitBonus;
                return r;
            case Landing::Crate: r.safe = true, r.score = CrateWorth(crate, own.health) - 1; return r;
            case Landing::Ground: break;
        }
        const Cost c = GroundCost(kind, ground, end.x, own, foe);
        const double apart = std::fabs(end.x - (own.left + 20));
        if (c.own > 0 || (c.unsure && apart < 180) || apart < 12) return r;
        r.safe = true, r.ownLoss = c.own, r.foeLoss = c.foe;
        double value = std::min(c.foe, foe.health);
        if (kind == weapon::Teleport || kind == weapon::Leveller)
            value = end.x > xL && end.x < xR ? 60 : 0;  // where the normal computer would put it
        r.score = value - std::fabs(end.x - aimX) / 8;
        return r;
    }
};

}  // namespace

bool ComputerPlayer::ExpertAim(const AimSearch& k, double& boxAngle, double& boxForce) {
    const battle::State& s = s_;
    const bool one = k.me == 1;
    const battle::Place &ownTank = s.tank(one ? 1 : 2), &foeTank = s.tank(one ? 2 : 1);
    const Tank own{ownTank.left, ownTank.top, one ? s.Health1 : s.Health2};
    const Tank foe{foeTank.left, foeTank.top, one ? s.Health2 : s.Health1};
    const int kind = s_.weapon(one ? 1 : 2);
    const bool drill = kind == weapon::Drill;
    const bool aimBand = kind == weapon::Teleport || kind == weapon::Leveller;
    Shooter shooter{one,
                    own,
                    foe,
                    kind,
                    drill,
                    s.Ground,
                    s.Wind,
                    s.SunUp == True,
                    s.BonusActive == True && s.CrateFalling == False,
                    geometry::BodyBox(s.Sun.left, s.Sun.top),
                    geometry::CrateBox(s.CrateLeft, s.CrateTop),
                    geometry::TankBox(foe.left, foe.top),
                    s_.CrateKind,
                    aimBand ? (k.xL + k.xR) / 2 : foe.left + 20,
                    k.xL,
                    k.xR,
                    battle::Shell(kind).hitsTanks,
                    {}};
    shooter.highest.follow(s.Ground);

    // Every third degree with every fourth force, then the best few looked at closely.
    struct Aim {
        int angle;
        double force;
        Shooter::Scored s;
    };
    std::vector<Aim> coarse;
    for (int angle = 0; angle <= 180; angle += 3)
        for (double force = drill ? 100 : 4; force <= 200; force += drill ? 1000 : 4)
            if (Shooter::Scored r = shooter.judge(angle, force); r.safe) coarse.push_back({angle, force, r});
    if (coarse.empty()) return false;
    std::sort(coarse.begin(), coarse.end(), [](const Aim& a, const Aim& b) { return a.s.score > b.s.score; });
    Aim best = coarse.front();
    // The close looks overlap, and take in aims of the first pass: none of those can beat the best of it,
    // so each aim is flown once.
    std::vector<bool> flown(181 * 201);
    auto seen = [&flown](int angle, int force) -> std::vector<bool>::reference {
        return flown[std::size_t(angle) * 201 + std::size_t(force)];
    };
    for (int angle = 0; angle <= 180; angle += 3)
        for (int force = 4; force <= 200; force += 4) seen(angle, force) = !drill || force == 100;
    for (std::size_t i = 0; i < std::min<std::size_t>(coarse.size(), 12); ++i) {
        const Aim around = coarse[i];
        for (int angle = std::max(0, around.angle - 2); angle <= std::min(180, around.angle + 2); ++angle)
            for (double force = std::max(0.0, around.force - 4); force <= std::min(200.0, around.force + 4); ++force) {
                if (drill && force != around.force) continue;
                if (seen(angle, int(force))) continue;
                seen(angle, int(force)) = true;
                if (Shooter::Scored r = shooter.judge(angle, force); r.safe && r.score > best.s.score) best = {angle, force, r};
            }
    }
    thought.attempts = int(coarse.size());
    thought.hits = best.s.hits;
    shooter.fly(best.angle, best.force, &thought.flight);
    thought.angle = one ? 180 - best.angle : best.angle;
    thought.force = best.force;
    thought.crate = best.s.what == Landing::Crate;
    thought.losses = {best.s.ownLoss, best.s.foeLoss};
    boxAngle = best.angle;
    boxForce = best.force;
    return true;
}

}  // namespace gv
