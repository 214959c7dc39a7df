#pragma once
// The rules of a shot: the shell's flight, what each kind does to the ground where it lands, blasts, and
// where the tanks come to rest. Each effect changes the ground it is given and tells its caller what it did,
// column by column (`changed(column, rowBefore, rowAfter)`), so the window paints the real battle from the
// same calls the computers plan with on a copy of the ground.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>

#include "battle/geometry.h"
#include "battle/ground.h"
#include "battle/kinds.h"
#include "battle/random.h"
#include "battle/shells.h"
#include "battle/simmath.h"
#include "battle/state.h"

namespace gv::battle {

// One step of a flying shell from its start point and the elapsed time; the velocity is left as the next
// step needs it.
inline void FlightStep(double& x, double& y, double& vx, double& vy, double time, double x0, double y0, int gravity, float wind,
                       bool drill) {
    if (drill) {
        // Straight on at constant speed: no gravity, no drag, no wind.
        y = y0 - time * vy;
        x = x0 + time * vx;
        return;
    }
    // From the start point and the elapsed time with the current velocity, then drag and wind for the next.
    y = y0 - (time * vy - (gravity * 0.5) * time * time);
    x = x0 + time * vx;
    vx = vx - vx / 100 + double(wind / 50.0f);
    vy = vy - vy / 100;
}

// Which columns an effect works out: all of them for the battle itself. A computer that needs only some
// (those under the tanks) passes its own test and leaves the others as they were.
struct AllColumns {
    constexpr bool operator()(double) const { return true; }
};

// A shell's start: 20 pixels right of its tank's left edge and 15 below its top, at the force given (a
// drill always at 100) and the angle, player 2's mirrored so that small angles point at the opponent for
// both; each cut to a whole number. A drill fired straight up would never leave the field: it leans one
// degree away from the opponent.
struct Velocity {
    double vx, vy;
};
struct Point {
    float x, y;
};
inline Point LaunchPoint(const Place& tank) { return {float(tank.left + 20), float(tank.top + 15)}; }
inline Velocity LaunchVelocity(bool playerOne, bool drill, double force, double angle) {
    double f = std::trunc(force);
    if (drill) f = 100;
    double degrees = playerOne ? std::trunc(angle) : std::trunc(180 - angle);
    if (drill && degrees == 90) degrees = playerOne ? 91 : 89;
    const double a = degrees / 180 * geometry::kPi;
    return {simmath::Cos(a) * f, simmath::Sin(a) * f};
}

// `player` fires: the shell starts its flight from its tank, and the turn passes to the other player.
inline void Launch(State& s, int player, double force, double angle) {
    const Point start = LaunchPoint(s.tank(player));
    s.ShotX0 = start.x;
    s.ShotY0 = start.y;
    s.ShotTime = 0;
    s.Gravity = 10;
    const Velocity v = LaunchVelocity(player == 1, s.weapon(player) == weapon::Drill, force, angle);
    s.ShotVx = v.vx;
    s.ShotVy = v.vy;
    s.ShellX = s.ShotX0;
    s.ShellY = s.ShotY0;
    s.TurnPlayer = player == 1 ? 2 : 1;
    s.RollDownhill = s.RollUphill = False;
    s.BounceCount = 0;
}

// The teleport: the shooter's tank jumps to the landing column, on the field, its place in fifteenths of a
// pixel like every place on it.
inline void Teleport(State& s, int shooter, double x) { s.tank(shooter).left = twips(std::clamp(x - 20, 0.0, 760.0)); }

// A roller or climber that meets the ground starts to roll from there.
inline void StartRoll(State& s, int kind, double x) {
    s.RollTicks = 0;
    (kind == weapon::Roller ? s.RollDownhill : s.RollUphill) = True;
    s.ShellX = x;
}

// A bouncer that meets the ground flies up again from the ground there, faster than it came: the count of
// its contacts goes up (the fifth ends it). Returns the ground's row there.
inline double Bounce(State& s, double x) {
    const double h0 = s.Ground.at(x);
    s.BounceCount = std::uint8_t(s.BounceCount + 1);
    s.ShotVy = 4 * std::fabs(s.ShellY - s.ShellPrevY);
    s.ShotVx = 5 * (s.ShellX - s.ShellPrevX);
    s.ShotTime = 0.2;
    s.ShotX0 = float(x);
    s.ShellX = x;
    s.ShotY0 = float(h0);
    s.ShellY = h0;
    return h0;
}
constexpr int kBounces = 5;

// A direct hit on `player`'s tank takes what the shell takes.
inline void DirectHit(State& s, int player, int kind) { s.health(player) -= Shell(kind).hitLoss; }

// A round crater of radius `R` about column `cx`: each column within it is cut down to the circle under the
// ground at the middle, by at most the circle's height there, never below the window's bottom row.
template <class Changed, class Only = AllColumns>
void Crater(GroundArray& G, double cx, double R, Changed&& changed, Only only = {}) {
    const double h0 = G.at(cx);
    for (double k = -R; k <= R; ++k) {
        const double c = cx + k;
        if (!(-1 < c && c < 800) || !only(c)) continue;
        const double d = simmath::Sqrt(R * R - k * k);
        if (G.at(c) < h0 + d) {
            const double old = G.at(c);
            const double now = std::min(simmath::Round(old + std::min(h0 + d - old, 2 * d)), 600.0);
            G.at(c) = std::int16_t(now);
            changed(c, old, now);
        }
    }
}

// The pit: a flat-bottomed hole 41 columns wide, 100 rows under the ground at its two edges.
template <class Changed, class Only = AllColumns>
void Pit(GroundArray& G, double x, Changed&& changed, Only only = {}) {
    const double a = std::max(x - 20, -1.0), b = std::min(x + 20, 800.0);
    const double bottom = std::min(simmath::Int((G.at(a) + G.at(b)) / 2.0) + 100, 600.0);
    for (double c = a; c <= b; ++c) {
        if (!(-1 < c && c < 800) || !only(c)) continue;
        const double old = G.at(c);
        if (old > bottom) continue;
        G.at(c) = std::int16_t(bottom + 1);
        changed(c, old, bottom);  // the rows dug, down to the bottom row
    }
}

// The mound: earth heaped up over 81 columns, highest in the middle.
template <class Changed, class Only = AllColumns>
void Mound(GroundArray& G, double x, Changed&& changed, Only only = {}) {
    for (int k = -40; k <= 40; ++k) {
        const double c = x + k;
        if (!(0 <= c && c < 800) || !only(c)) continue;
        const double old = G.at(c);
        const double now = simmath::Round(old - 8 * simmath::Sqrt(41 - std::abs(k)));
        G.at(c) = std::int16_t(now);
        changed(c, old, now);
    }
}

// The colour of one pixel of a mound's new earth, drawn row by row from the bottom of each column up.
struct Earth {
    int red, green, blue;
};
inline Earth EarthColour(Random& random) {
    const double r1 = random.Rnd(), r2 = random.Rnd(), r3 = random.Rnd();
    return {int(simmath::Int(r1 * 50) + 100), int(simmath::Int(r2 * 50) + 100), int(simmath::Int(r3 * 50) + 25)};
}

// One side of the leveller's cut, from `start` in steps of `step` up to `stop`: every column higher than
// `level` is cut down to it, until a lower one, where `stop` is left. `cut(column, rowBefore, level)` is
// told of each column as it is cut and may end the cut by returning false.
template <class Cut>
bool LevelSide(GroundArray& G, double start, double level, int step, double& stop, Cut&& cut) {
    for (double c = start; step > 0 ? c <= stop : c >= stop; c += step) {
        const double old = G.at(c);
        if (old < level) {
            G.at(c) = std::int16_t(level);
            if (!cut(c, old, level)) return false;
        } else if (old > level) {
            stop = c;
            break;
        }
    }
    return true;
}

// The leveller: the ground on both sides of the landing column is cut to its height, right side first. The
// columns it reached on either side (the edge columns when a side stays level all the way out), or nothing
// when `cut` ended it.
template <class Cut>
std::optional<std::pair<double, double>> Level(GroundArray& G, double x, Cut&& cut) {
    const double start = simmath::Int(x);
    const double level = G.at(start);
    double right = 800, left = -1;
    if (!LevelSide(G, start, level, 1, right, cut) || !LevelSide(G, start, level, -1, left, cut)) return {};
    return std::pair{left, right};
}

// The drill bores four rows at every column its walk crosses under the surface, never deeper than itself.
template <class Changed>
void Bore(GroundArray& G, double x, double y, Changed&& changed) {
    const double old = G.at(x);
    double now = old + 4;
    if (now > y) now = simmath::Round(y);
    G.at(x) = std::int16_t(std::clamp(now, -32768.0, 32767.0));
    changed(x, old, now);
}

// The quake sinks the ground over 301 columns, deepest in the middle: `depth(s)` is how far a column sinks
// where s is the square root of its distance to the quake's edge.
template <class Depth, class Changed, class Only = AllColumns>
void Quake(GroundArray& G, double x, Depth&& depth, Changed&& changed, Only only = {}) {
    // Whole offsets from the landing column: the square root never sees a negative number.
    for (int k = -150; k <= 150; ++k) {
        const double c = x + k;
        if (!(0 <= c && c < 800) || !only(c)) continue;
        const double old = G.at(c);
        const double now = std::min(simmath::Round(old + depth(simmath::Sqrt(150 - std::abs(k)))), 600.0);
        G.at(c) = std::int16_t(now);
        changed(c, old, now);
    }
}

// How deep a real quake sinks a column: three random draws.
inline double QuakeDepth(Random& random, double s) {
    const double r1 = random.Rnd() * 3, r2 = random.Rnd() * 3, r3 = random.Rnd() * 3;
    return simmath::Int(s * r1) + simmath::Int(s * r2) + simmath::Int(s * r3);
}

// A roller runs downhill, a climber uphill, one column a tick, until it rests on a bottom or a peak (or has
// rolled 150 ticks) and explodes there, or it leaves the field.
struct Rolling {
    double x;
    bool uphill;
    int ticks = 0;
};
enum class Roll { On, Rest, Off };
inline Roll RollStep(const GroundArray& G, Rolling& r) {
    double X = r.x;
    auto g = [&](double c) { return double(G.at(c)); };
    if (!(3 <= X && X < 797)) return Roll::Off;
    ++r.ticks;
    bool peak = true, pit = true;
    for (int d : {-3, -2, -1, 1, 2, 3}) {
        peak = peak && g(X) <= g(X + d);
        pit = pit && g(X) >= g(X + d);
    }
    if (peak || pit || r.ticks > 150) return Roll::Rest;
    // Right first, then left, so one tick can undo its own step.
    auto towards = [&](double a, double b) { return r.uphill ? a > b : a < b; };
    if (towards(g(X), g(X + 3)) || towards(g(X), g(X + 2)) || towards(g(X), g(X + 1))) X += 1;
    if (towards(g(X), g(X - 3)) || towards(g(X), g(X - 2)) || towards(g(X), g(X - 1))) X -= 1;
    r.x = X;
    return Roll::On;
}

// A blast hurts each tank within its reach: its base less its factor times the distance to the tank's
// middle.
struct Blast {
    double reach, base, factor;
};
constexpr Blast kNukeBlast{200, 200, 1};
constexpr Blast kRollerBlast{60, 180, 3};
constexpr Blast kBounceBlast{40, 80, 2};
constexpr double kRollerCrater = 40;  // where a roller or climber explodes
inline double BlastLoss(const Blast& blast, double tankLeft, double tankTop, double cx, double cy) {
    const double dx = tankLeft + 20 - cx, dy = tankTop + 20 - cy;
    const double dist = simmath::Sqrt(dx * dx + dy * dy);
    return dist < blast.reach ? blast.base - blast.factor * dist : 0;
}

// The top row of a tank whose left edge is `left` resting on the ground: it sits on the highest of the
// columns under its hull. A tank the ground moves loses two health for every row.
inline double TankRestTop(const GroundArray& G, double left) {
    double top = G.at(left + 15);
    for (double x = left + 16; x <= left + 25; ++x) top = std::min(top, double(G.at(x)));
    return top - 40;
}
inline double SettleLoss(double restTop, double top) { return 2 * std::fabs(restTop - top); }

}  // namespace gv::battle
