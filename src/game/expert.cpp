// The expert computer: it flies every aim worth trying exactly as the real shell will fly it (the real
// wind, the sun, the crate, the opponent's tank, the ground), works out what the shell it holds would do
// where it lands (the crater, the pit, the mound, the cut, the roll, the blast) and what that costs each
// tank, and fires the aim that costs the opponent most. A direct hit beats a near miss; a crate is worth
// a shot when what it holds is worth more than the best shot at the tank; and it never fires a shot that,
// by its own reckoning, hurts its own tank or digs under it.
#include <algorithm>
#include <array>
#include <cmath>

#include "game/columnwalk.h"
#include "game/geometry.h"
#include "game/mainfrm.h"
#include "game/simmath.h"

namespace gv {

using simmath::Int;
using simmath::Round;
using simmath::Sqrt;

namespace {

using geometry::kPi;
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
    static constexpr double kWorth[] = {0, 10, 120, 70, 60, 40, 150, 80, 150, 60, 70, 70, 40};
    if (crate == weapon::Health) return 0.6 * std::min(250.0, 1000 - ownHealth);
    return crate > 0 && crate < int(std::size(kWorth)) ? kWorth[crate] : 0;
}

double TopOver(const GroundArray& G, double left) {
    double top = G.at(left + 15);
    for (double x = left + 16; x <= left + 25; ++x) top = std::min(top, double(G.at(x)));
    return top - 40;
}

// The columns `TopOver` reads under either tank: all of the ground an effect's cost looks at afterwards,
// so the effects work out their new ground there alone.
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

// The ground under the tanks after a crater of radius `R` at `cx`, as the shell digs one.
void Dig(GroundArray& G, double cx, double R, const UnderTanks& under) {
    const double h0 = G.at(cx);
    for (double k = -R; k <= R; ++k) {
        const double c = cx + k;
        if (!(-1 < c && c < 800) || !under(c)) continue;
        const double d = Sqrt(R * R - k * k);
        if (G.at(c) < h0 + d) {
            const double old = G.at(c);
            G.at(c) = std::int16_t(std::min(Round(old + std::min(h0 + d - old, 2 * d)), 600.0));
        }
    }
}

// Health lost by a tank within `limit` of a blast at (cx, cy).
double Blast(const Tank& t, double cx, double cy, double limit, double base, double factor) {
    const double dx = t.left + 20 - cx, dy = t.top + 20 - cy;
    const double dist = Sqrt(dx * dx + dy * dy);
    return dist < limit ? base - factor * dist : 0;
}

// Where a roller or climber that touched the ground at `x` comes to rest and explodes; -1 when it rolls
// off the field. It moves a whole column at a time: it reads the columns whole steps away from the one it
// landed on.
double RollTo(const GroundArray& G, double x, bool up) {
    const int landed = GroundArray::column(x);
    auto g = [&](int n) { return G(landed + n); };
    auto towards = [&](int a, int b) { return up ? a > b : a < b; };
    double X = x;
    for (int n = 0, ticks = 1;; ++ticks) {
        if (!(3 <= X && X < 797)) return -1;
        bool peak = true, pit = true;
        for (int d : {-3, -2, -1, 1, 2, 3}) peak = peak && g(n) <= g(n + d), pit = pit && g(n) >= g(n + d);
        if (peak || pit || ticks > 150) return X;
        if (towards(g(n), g(n + 3)) || towards(g(n), g(n + 2)) || towards(g(n), g(n + 1))) X += 1, ++n;
        if (towards(g(n), g(n - 3)) || towards(g(n), g(n - 2)) || towards(g(n), g(n - 1))) X -= 1, --n;
    }
}

// The leveller's cut, one side: every higher column down to the landing height, up to lower ground.
void Level(GroundArray& G, double start, int step) {
    const double level = G.at(start);
    for (double c = start; step > 0 ? c <= 800 : c >= -1; c += step) {
        if (G.at(c) < level)
            G.at(c) = std::int16_t(level);
        else if (G.at(c) > level)
            break;
    }
}

// What a shell of `kind` landing at column `x` costs each tank (own first); `unsure` when its effect is
// random or runs on (the quake, the bouncer) so only distance keeps the shooter safe.
struct Cost {
    double own = 0, foe = 0;
    bool unsure = false;
};

Cost GroundCost(int kind, const GroundArray& ground, double x, const Tank& own, const Tank& foe) {
    GroundArray G = ground;  // after the effect, right under the tanks only
    const UnderTanks under(own, foe);
    Cost c;
    const double h0 = G.at(x);
    switch (kind) {
        case weapon::Teleport:
        case weapon::Piercing:
        case weapon::Drill: return c;
        case weapon::Pit: {
            const double a = std::max(x - 20, -1.0), b = std::min(x + 20, 800.0);
            const double bottom = std::min(Int((G.at(a) + G.at(b)) / 2.0) + 100, 600.0);
            for (double col = a; col <= b; ++col)
                if (-1 < col && col < 800 && under(col) && G.at(col) <= bottom) G.at(col) = std::int16_t(bottom + 1);
            break;
        }
        case weapon::Mound:
            for (int k = -40; k <= 40; ++k)
                if (0 <= x + k && x + k < 800 && under(x + k))
                    G.at(x + k) = std::int16_t(Round(G.at(x + k) - 8 * Sqrt(41 - std::abs(k))));
            break;
        case weapon::Leveller: Level(G, Int(x), 1), Level(G, Int(x), -1); break;
        case weapon::Nuke:
            Dig(G, x, Mainfrm::Weapon(kind).craterRadius, under);
            c.own += Blast(own, x, h0, 200, 200, 1), c.foe += Blast(foe, x, h0, 200, 200, 1);
            break;
        case weapon::Quake:
            // Random depths: on average four and a half times the square root of the distance to its edge.
            c.unsure = true;
            for (int k = -150; k <= 150; ++k)
                if (0 <= x + k && x + k < 800 && under(x + k))
                    G.at(x + k) = std::int16_t(std::min(G.at(x + k) + 4.5 * Sqrt(150 - std::abs(k)), 600.0));
            break;
        case weapon::Roller:
        case weapon::Climber: {
            const double X = RollTo(G, x, kind == weapon::Climber);
            if (X < 0) return c;
            const double h = G.at(X);
            Dig(G, X, 40, under);
            c.own += Blast(own, X, h, 60, 180, 3), c.foe += Blast(foe, X, h, 60, 180, 3);
            break;
        }
        case weapon::Bouncer: c.unsure = true, Dig(G, x, Mainfrm::Weapon(kind).craterRadius, under); break;
        default: Dig(G, x, Mainfrm::Weapon(kind).craterRadius, under); break;
    }
    // The tanks settle on the new ground: two points of health for every row they move.
    c.own += 2 * std::fabs(TopOver(G, own.left) - own.top);
    c.foe += 2 * std::fabs(TopOver(G, foe.left) - foe.top);
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
        const float x0 = float(own.left + 20), y0 = float(own.top + 15);
        const double f = drill ? 100 : std::trunc(force);
        double degrees = one ? angle : 180 - angle;
        if (drill && degrees == 90) degrees = one ? 91 : 89;
        const double a = degrees / 180 * kPi;
        double vy = simmath::Sin(a) * f, vx = simmath::Cos(a) * f, x = x0, y = y0, t = 0;
        Landing end;
        bool boresOwn = false;
        for (int tick = 0; tick < kMaxTicks; ++tick) {
            t += 0.2;
            const double px = x, py = y;
            Mainfrm::FlightStep(x, y, vx, vy, t, x0, y0, 10, wind, drill);
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
                r.safe = true, r.hits = true, r.score = std::min(Mainfrm::Weapon(kind).hitLoss, foe.health) + kDirectHitBonus;
                return r;
            case Landing::Crate: r.safe = true, r.score = CrateWorth(crate, own.health) - 1; return r;
            case Landing::Ground: break;
        }
        const Cost c = GroundCost(kind, ground, end.x, own, foe);
        const double apart = std::fabs(end.x - (own.left + 20));
        if (c.own > 0 || (c.unsure && apart < 180) || apart < 12) return r;
        r.safe = true;
        double value = std::min(c.foe, foe.health);
        if (kind == weapon::Teleport || kind == weapon::Leveller)
            value = end.x > xL && end.x < xR ? 60 : 0;  // where the normal computer would put it
        r.score = value - std::fabs(end.x - aimX) / 8;
        return r;
    }
};

}  // namespace

bool Mainfrm::ExpertAim(const AimSearch& k, double& boxAngle, double& boxForce) {
    const GameState& s = state;
    const bool one = k.me == 1;
    const Image &ownTank = one ? tank1 : tank2, &foeTank = one ? tank2 : tank1;
    const Tank own{ownTank.left(), ownTank.top(), one ? s.Health1 : s.Health2};
    const Tank foe{foeTank.left(), foeTank.top(), one ? s.Health2 : s.Health1};
    const int kind = WeaponKind(one ? weapon1 : weapon2);
    const bool drill = kind == weapon::Drill;
    const bool aimBand = kind == weapon::Teleport || kind == weapon::Leveller;
    Shooter shooter{one,
                    own,
                    foe,
                    kind,
                    drill,
                    s.Ground,
                    s.Wind,
                    sun.visible(),
                    s.BonusActive == True && !bonusfalltimer.enabled(),
                    geometry::BodyBox(sun.left(), sun.top()),
                    geometry::CrateBox(bonuspic.left(), bonuspic.top()),
                    geometry::TankBox(foe.left, foe.top),
                    WeaponKind(bonuspic),
                    aimBand ? (k.xL + k.xR) / 2 : foe.left + 20,
                    k.xL,
                    k.xR,
                    Weapon(kind).hitsTanks,
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
    thought_.attempts = int(coarse.size());
    thought_.hits = best.s.hits;
    shooter.fly(best.angle, best.force, &thought_.flight);
    thought_.angle = one ? 180 - best.angle : best.angle;
    thought_.force = best.force;
    thought_.crate = best.s.what == Landing::Crate;
    boxAngle = best.angle;
    boxForce = best.force;
    return true;
}

}  // namespace gv
