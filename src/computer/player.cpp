// The computer opponent: player 2 in the game against the computer, and player 1 as well when two
// computers duel. At the normal level it picks a target (the opponent's tank, a spot of the terrain for
// some special shells, now and then the bonus crate), then tries random angles towards it, each with every
// force from 200 down to 0, flying every candidate over the real terrain with the real flight step, and
// fires the first that would get there, with a small aiming error. The beginner aims the same way and
// misses by more; the practice target never fires; the expert searches on its own (expert.cpp).
#include <algorithm>
#include <cmath>

#include "battle/aim.h"
#include "battle/columnwalk.h"
#include "battle/effects.h"
#include "battle/geometry.h"
#include "battle/simmath.h"
#include "battle/kinds.h"
#include "computer/player.h"
#include "platform/numtext.h"

namespace gv {

using simmath::Int;

namespace {

using geometry::kPi;

// For its first 24 searches the computer respects the hills; from the 25th on it ignores them, so it
// still finds an aim when every path is blocked.
constexpr int kSearchesThatMindTheTerrain = 24;
// After 35 searches it gives up and fires a random shot.
constexpr int kSearchesBeforeGivingUp = 35;
// The drill flies straight and never gives up; when no straight line reaches the target (only the
// rarely drawn angles near 0 or 180 would do) it stops after this many searches and fires the last one.
constexpr int kDrillSearches = 200;
// The bottom row of the battlefield.
constexpr double kBottomRow = 600;

}  // namespace

// Below, "the human" is the opponent of the side searching (`k.me`), whoever plays it.
void ComputerPlayer::ChooseComputerTarget(AimSearch& k) {
    battle::State& s = s_;
    GroundArray& G = s.Ground;
    const bool two = k.me == 2;
    const battle::Place &human = s.tank(two ? 1 : 2), &own = s.tank(k.me);
    const double humanHealth = two ? s.Health1 : s.Health2, ownHealth = two ? s.Health2 : s.Health1;
    const int kind = s_.weapon(two ? 2 : 1);
    const double t1 = human.left, t2 = own.left;

    // The human's tank.
    const geometry::Box hull = geometry::TankBox(t1, human.top);
    k.xL = hull.left, k.yT = hull.top, k.xR = hull.right, k.yB = hull.bottom;

    if (kind == weapon::Teleport) {
        // The teleport: jump to the lowest point of the terrain, well away from the human unless the
        // computer is the healthier one. When no column is lower than row 0 (mounds can lift the whole
        // field that high) the first column looked at stands.
        double best = 0, bx = 0;
        auto look = [&](double c) {
            if (G.at(c) > best) best = G.at(c), bx = c;
        };
        if (humanHealth < ownHealth) {
            for (double c = 0; c <= 800; ++c) look(c);
        } else {
            bx = t1 + 220 < 800 ? t1 + 220 : t1 - 220;  // one of the two always lies on the field
            if (t1 + 220 < 800)
                for (double c = t1 + 220; c <= 800; ++c) look(c);
            if (t1 - 220 > 0)
                for (double c = t1 - 220; c >= 0; --c) look(c);
        }
        const double d = G.at(bx);
        k.xL = bx - 5;
        k.xR = bx + 5;
        k.yT = d - 10;
        k.yB = d;
    } else if (kind == weapon::Leveller) {
        // The leveller: land a few columns short of the lowest point on either side of the human, so the
        // cut runs at that depth under the human's tank; never past the computer's own tank. The human's
        // own column stands when nothing lower turns up.
        const double centre = t1 + 20, ownMiddle = t2 + 20;
        double best = 0, bx = centre;
        for (double c = centre; c <= 800; ++c) {
            if (ownMiddle >= centre && c >= ownMiddle) break;
            if (G.at(c) > best) best = G.at(c), bx = c - 7;
        }
        for (double c = centre; c >= 0; --c) {
            if (ownMiddle <= centre && c <= ownMiddle) break;
            if (G.at(c) > best) best = G.at(c), bx = c + 7;
        }
        const double d = G.at(bx);
        k.xL = bx - 3;
        k.xR = bx + 3;
        k.yT = d - 8;
        k.yB = d;
    } else if (kind == weapon::Mound) {
        // The mound: a strip between the tanks, just in front of the human. After a teleport the human
        // may stand at the edge, so these columns can lie off the field: the lookup clamps them.
        const double side = sign(t2 - t1);
        k.xL = t1 + 20 + 60 * side - 5;
        k.xR = k.xL + 20 * side - 5;
        if (k.xL > k.xR) std::swap(k.xL, k.xR);
        k.yT = G.at(k.xL) - 5;
        k.yB = G.at(k.xR) + 5;
        if (k.yT > k.yB) std::swap(k.yT, k.yB);
    }

    // Now and then the crate, when the computer has no special shell to spend and the crate is worth it.
    const double r = Int(random_.Rnd() * 3);
    const int crate = s_.CrateKind;
    const bool excluded = (crate == weapon::Leveller && human.top > 450) || (crate == weapon::Drill && human.top > own.top) ||
                          (crate == weapon::Health && ownHealth > 750);
    if (kind == weapon::Standard && s.BonusActive == True && (r == 1 || std::fabs(s.CrateLeft + 16 - (t2 + 20)) < 150) &&
        !excluded) {
        const geometry::Box crateBox = geometry::CrateBox(s.CrateLeft, s.CrateTop);
        k.xL = crateBox.left, k.yT = crateBox.top, k.xR = crateBox.right, k.yB = crateBox.bottom;
        thought.crate = true;
    }
}

ComputerPlayer::Candidate ComputerPlayer::SimulateShell(const AimSearch& k, HighestGround& highest, double force, double a,
                                                        std::vector<std::array<double, 2>>* flight) const {
    const bool mindsTerrain = k.attempts <= kSearchesThatMindTheTerrain && !k.drill;
    if (mindsTerrain) highest.follow(s_.Ground);
    const bool sunUp = s_.SunUp == True;
    const geometry::Box target{k.xL, k.yT, k.xR, k.yB}, sunBox = geometry::BodyBox(s_.Sun.left, s_.Sun.top);
    // Our own copies of the shell: the shot state of the game is not touched.
    double t = 0, x = k.x0, y = k.y0;
    double vx = simmath::Cos(a) * force, vy = simmath::Sin(a) * force;
    for (;;) {
        t += 0.2;
        const double ox = x, oy = y;
        // A drill with the human standing lower goes down into the human's ground whatever the angle.
        if (k.drill && k.humanLower) return Candidate::Hits;
        battle::FlightStep(x, y, vx, vy, t, k.x0, k.y0, s_.Gravity, k.wind, k.drill);
        if (flight) flight->push_back({x, y});
        // Every column of the step, as the real shell walks it; one column further right it is still on the
        // field. A step that can meet nothing needs no walk.
        const StepBounds step(ox, oy, x, y);
        if (!step.onField(800) || (mindsTerrain && !step.above(highest)) || step.reaches(target) ||
            (sunUp && step.reaches(sunBox))) {
            Candidate verdict = Candidate::Fails;
            const ColumnWalkEnd end = WalkColumns(ox, oy, x, y, 800, SweepOrder::MultiplyFirst, [&](double i, double yy) {
                if (mindsTerrain && yy > s_.Ground.at(i)) return false;  // into a hill
                if (target.holds(i, yy)) {
                    verdict = Candidate::Hits;
                    return false;
                }
                // The sun would swallow it.
                return !(sunUp && sunBox.holds(i, yy));
            });
            if (end == ColumnWalkEnd::LeftField) return Candidate::Fails;
            if (end == ColumnWalkEnd::Stopped) return verdict;
        }
        // Once the hills are ignored a shell can fall through the whole battlefield without meeting
        // anything (with little wind the drag even brings it back over its start). Below the bottom row
        // and the target it can only fall further: that force has failed.
        if (y > std::max(kBottomRow, k.yB)) return Candidate::Fails;
    }
}

// Angles at random towards the target, each tried with forces from 200 down, until a simulated shell
// hits; gives up after a number of searches with a random shot. `A` and `F` get the aim. False when the
// battle ended meanwhile.
// The angle is player 2's way round (0 points left) whichever side searches.
bool ComputerPlayer::SearchAim(AimSearch& k, HighestGround& highest, int& A, double& F) {
    const std::uint32_t battle = seat_.Battle();
    const battle::Place &human = s_.tank(k.me == 2 ? 1 : 2), &own = s_.tank(k.me);
    bool found = false;
    while (!found) {
        k.attempts += 1;
        // An angle towards the target's side, leaning to the flat ones; never straight up.
        if (k.xL < own.left) {
            const double r1 = Int(44 * random_.Rnd());
            A = int(r1 + Int(45 * random_.Rnd()));
        } else {
            const double r1 = Int(45 * random_.Rnd());
            A = int(180 - r1 - Int(44 * random_.Rnd()));
        }
        thought.angles.push_back(A);
        // The give-up is tested as a search begins, not only inside a flight: a start point in the sun's
        // box fails every force at its first column, before any later test could end the search.
        if (!k.drill && k.attempts > kSearchesBeforeGivingUp) {
            A = int(Int(random_.Rnd() * 90)) + (human.left > own.left ? 90 : 0);
            F = Int(random_.Rnd() * 100) + 100;
            thought.gaveUp = true;
            break;
        }
        const double a = (180.0 - A) / 180 * kPi;
        for (F = 200; F >= 0; F -= 4) {
            if (!seat_.Think() || seat_.Battle() != battle) return false;  // the battle was left while it thought
            if (SimulateShell(k, highest, F, a) == Candidate::Hits) found = true;
            // The drill flies the same straight line at every force: one is enough.
            if (found || k.drill) break;
        }
        if (!found && k.drill && k.attempts >= kDrillSearches) break;  // the last angle searched it is
    }
    return true;
}

void ComputerPlayer::ComputerTurn() {
    battle::State& s = s_;
    const int me = seat_.Plays(1) && s.TurnPlayer == 1 ? 1 : 2;
    const int lvl = seat_.Level(me);
    thought = {};
    thought.player = me, thought.level = lvl;
    // However the turn ends, the seat hears what was thought.
    struct Tell {
        ComputerPlayer& c;
        ~Tell() { c.seat_.Thought(c.thought); }
    } tell{*this};

    // The canvas is out of play (the pause menu, or a battle that has just ended): wait for it. A new
    // battle ends the wait, and this turn with it: it belongs to the old battle.
    if (!seat_.Wait([&] { return seat_.Live(); })) return;

    const bool two = me == 2;
    const battle::Place& own = s.tank(me);
    AimSearch k;
    k.me = me;
    k.x0 = own.left + 20;
    k.y0 = s.Ground.at(k.x0) - 25;
    s.Gravity = 10;

    // A crate still falling is no target yet, nor out of the way.
    if (!seat_.Wait([&] { return s.CrateFalling == False; })) return;
    if (lvl == level::Practice) return seat_.Pass(me);

    ChooseComputerTarget(k);
    thought.xL = k.xL, thought.xR = k.xR, thought.yT = k.yT, thought.yB = k.yB;
    const int kind = s_.weapon(two ? 2 : 1);
    k.drill = kind == weapon::Drill;
    k.humanLower = s.tank(two ? 1 : 2).top > own.top;
    double boxAngle = 0, boxForce = 0;
    if (lvl == level::Expert) {
        if (!ExpertAim(k, boxAngle, boxForce)) return seat_.Pass(me);
    } else if (!NormalAim(k, lvl, boxAngle, boxForce)) {
        return;  // the battle ended while it searched
    }
    const battle::Aim aim(formatNumber(boxForce), formatNumber(boxAngle));
    seat_.Aimed(me, aim);

    // The human may have fired the computer's button meanwhile: the aim is written, but not fired again.
    thought.fired = s.TurnPlayer == me;
    if (thought.fired) seat_.Fire(me, aim);
}

// The normal computer's aim, and the beginner's: a search, then the aim with its errors, in the boxes'
// own terms for the side searching. False when the battle ended meanwhile.
bool ComputerPlayer::NormalAim(AimSearch& k, int lvl, double& boxAngle, double& boxForce) {
    const battle::Place& own = s_.tank(k.me);
    // The computer reckons with the wind rounded down to an even number.
    k.wind = float(Int(static_cast<double>(s_.Wind) / 2.0) * 2);

    int A = 0;
    double F = 0;
    HighestGround highest;
    if (!SearchAim(k, highest, A, F)) return false;
    thought.attempts = k.attempts;
    thought.angle = A;
    thought.force = F;
    thought.hits = !thought.gaveUp && SimulateShell(k, highest, F, (180.0 - A) / 180 * kPi, &thought.flight) == Candidate::Hits;

    // The aim goes into the boxes with an error: the angle by one degree now and then, the force by up
    // to 2.5 percent of the distance to the target.
    const double j1 = Int(2 * random_.Rnd());
    double j = j1 * (Int(3 * random_.Rnd()) - 1);
    double S = 0;
    for (int n = 0; n < 5; ++n) S += Int(5 * random_.Rnd());
    const double e = S * (Int(3 * random_.Rnd()) - 1) / 800;
    double spread = Int(e * (own.left - k.xL));
    // The beginner misses by more: up to four degrees either way, and up to 12 percent of its force.
    if (lvl == level::Beginner) {
        j += Int(9 * random_.Rnd()) - 4;
        spread += Int(F * (Int(25 * random_.Rnd()) - 12) / 100);
    }
    // Player 1's boxes count their angle from the other side.
    boxAngle = std::clamp(A + j, 0.0, 180.0);
    if (k.me == 1) boxAngle = 180 - boxAngle;
    boxForce = std::clamp(F + spread, 0.0, 200.0);
    if (boxForce == 0) boxForce = Int(random_.Rnd() * 150) + 45;
    return true;
}

}  // namespace gv
