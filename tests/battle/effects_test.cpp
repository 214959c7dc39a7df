// The battle's rules called directly, with no window: what each kind of shell does to the ground where it
// lands, how a roller rolls, what blasts and settling cost.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "battle/effects.h"
#include "battle/shells.h"

namespace gv::battle {
namespace {

GroundArray Flat(int row) {
    GroundArray G;
    G.fill(std::int16_t(row));
    return G;
}

// Every column an effect reported, with the rows it gave: each must be the ground's real change.
struct Reported {
    std::vector<std::array<double, 3>> columns;
    void operator()(double c, double old, double now) { columns.push_back({c, old, now}); }
};

// Each kind's contact, on flat ground at row 400 but for the rows given, landing at column 300: the rows it
// leaves at chosen columns, and how many columns it changes.
TEST(ShellEffects, EachKindsContactShapesTheGroundItsWay) {
    struct Case {
        const char* what;
        std::function<void(GroundArray&, Reported&)> land;
        std::vector<std::pair<int, int>> before;  // column, row before the shot
        std::vector<std::pair<int, int>> after;   // column, row after it
        std::size_t changed;
    };
    const std::vector<Case> cases{
        // A crater of 8: half a circle under the middle's ground, to the nearest row.
        {"crater",
         [](GroundArray& G, Reported& r) { Crater(G, 300, Shell(weapon::Standard).craterRadius, r); },
         {},
         {{292, 400}, {293, 404}, {296, 407}, {300, 408}, {308, 400}},
         15},
        // A column far above the circle is cut by the whole chord, no more.
        {"crater under a spike",
         [](GroundArray& G, Reported& r) { Crater(G, 300, 8, r); },
         {{303, 300}},
         {{303, 315}, {304, 407}},
         15},
        // Never below the window's bottom row.
        {"crater at the bottom",
         [](GroundArray& G, Reported& r) { Crater(G, 300, 24, r); },
         {{300, 590}},
         {{300, 600}, {290, 444}},
         49},
        // The pit: 41 columns down to 100 under the mean of its two edges; a column already deeper stays.
        {"pit",
         [](GroundArray& G, Reported& r) { Pit(G, 300, r); },
         {{280, 380}, {320, 420}, {310, 560}},
         {{279, 400}, {280, 501}, {300, 501}, {310, 560}, {320, 501}, {321, 400}},
         40},
        {"pit at the edge", [](GroundArray& G, Reported& r) { Pit(G, 790, r); }, {}, {{799, 501}, {800, 400}}, 30},
        // The mound: 8 times the root of 41 less the distance, up, over 81 columns.
        {"mound",
         [](GroundArray& G, Reported& r) { Mound(G, 300, r); },
         {},
         {{259, 400}, {260, 392}, {300, 349}, {340, 392}, {341, 400}},
         81},
        // The leveller: both sides cut to the landing height up to a lower column; the other columns keep theirs.
        {"leveller",
         [](GroundArray& G, Reported& r) {
             EXPECT_EQ(Level(G, 300.7, [&](double c, double o, double n) { return r(c, o, n), true; }),
                       (std::pair{290.0, 305.0}));
         },
         {{297, 380}, {301, 350}, {304, 399}, {305, 420}, {290, 410}, {285, 300}},
         {{297, 400}, {301, 400}, {304, 400}, {305, 420}, {285, 300}},
         3},
        // The drill: four rows at the column it crosses, never deeper than itself.
        {"drill",
         [](GroundArray& G, Reported& r) { Bore(G, 300, 402.6, r), Bore(G, 301, 410, r); },
         {},
         {{300, 403}, {301, 404}},
         2},
        // The quake, with the depth it is given, over 301 columns and never below row 600.
        {"quake",
         [](GroundArray& G, Reported& r) {
             Quake(
                 G, 300, [](double s) { return 2 * s; }, r);
         },
         {{300, 590}},
         {{149, 400}, {150, 400}, {151, 402}, {250, 420}, {300, 600}, {450, 400}, {451, 400}},
         301},
    };
    for (const Case& k : cases) {
        GroundArray G = Flat(400);
        for (auto [c, row] : k.before) G(c) = std::int16_t(row);
        const GroundArray start = G;
        Reported r;
        k.land(G, r);
        for (auto [c, row] : k.after) EXPECT_EQ(G(c), row) << k.what << " column " << c;
        EXPECT_EQ(r.columns.size(), k.changed) << k.what;
        for (auto [c, old, now] : r.columns) {
            EXPECT_EQ(start.at(c), old) << k.what << " column " << c;
            // The pit reports the rows it dug, down to its bottom row; the ground is the row under that.
            EXPECT_EQ(G.at(c), now + (k.what == std::string_view("pit") || k.what == std::string_view("pit at the edge")))
                << k.what << " column " << c;
        }
    }
}

// A leveller's cut can be stopped between columns (a new battle during the cut): the columns already cut
// stay cut and it says so.
TEST(ShellEffects, ALevellersCutStopsWhenItsToldTo) {
    GroundArray G = Flat(300);
    G(400) = 350;
    int cut = 0;
    EXPECT_FALSE(Level(G, 400, [&](double, double, double) { return ++cut < 5; }));
    EXPECT_EQ(cut, 5);
    EXPECT_TRUE(G(405) == 350 && G(406) == 300 && G(399) == 300);
}

// A quake off the middle of a column (and its random depths) still leaves every column on a whole row
// between the ground and the bottom, and draws three numbers a column.
TEST(ShellEffects, AQuakeAtAFractionalColumnLeavesEveryColumnARealRow) {
    GroundArray G = Flat(400);
    Random random, same;
    random.seed(5), same.seed(5);
    Quake(
        G, 245.21274955323187, [&](double s) { return QuakeDepth(random, s); }, [](double, double, double) {});
    for (int x = -1; x <= 800; ++x) EXPECT_TRUE(G(x) >= 400 && G(x) <= 600) << x;
    same.discard(3 * 301);
    EXPECT_EQ(random.state(), same.state());
}

// A roller finds the bottom of its valley and a climber the top of its hill, a column a tick; either rests
// at once on the flat, after 150 ticks where a step is undone every tick, and leaves at the field's edges.
TEST(ShellEffects, RollersRestInTheValleyClimbersOnThePeakAndBothLeaveAtTheEdges) {
    // clang-format off
    struct Case { bool up; double from; int (*row)(int); Roll end; double at; int ticks; };
    for (auto [up, from, row, end, at, ticks] : std::vector<Case>{
             {false, 330, [](int x) { return 500 - std::abs(x - 400) / 2; }, Roll::Rest, 399, 70},  // down into a V valley
             {true, 420, [](int x) { return 300 + std::abs(x - 450) / 2; }, Roll::Rest, 449, 30},   // up to the nearest peak
             {false, 300, [](int) { return 400; }, Roll::Rest, 300, 1},
             {true, 500, [](int) { return 400; }, Roll::Rest, 500, 1},
             {false, 400, [](int x) { return x == 398 ? 405 : x == 401 ? 401 : x == 402 ? 395 : 400; }, Roll::Rest, 400, 151},
             {true, 4, [](int x) { return 300 + x / 2; }, Roll::Off, 2, 2},      // climbs left off the field
             {false, 790, [](int x) { return 300 + x / 2; }, Roll::Off, 797, 7}}) {  // rolls right off it
        // clang-format on
        GroundArray G;
        for (int x = -1; x <= 800; ++x) G(x) = std::int16_t(row(x));
        Rolling r{from, up};
        Roll step = Roll::On;
        while (step == Roll::On) step = RollStep(G, r);
        EXPECT_TRUE(step == end && r.x == at && r.ticks == ticks) << from << ": " << r.x << " after " << r.ticks;
    }
}

// A bouncer flies up again from the ground where it met it, four times as fast up as it fell and five times
// as fast sideways; a roller starts rolling where it met the ground; a direct hit takes its shell's loss.
TEST(ShellEffects, ABouncerFliesUpAgainARollerStartsToRollADirectHitTakesItsLoss) {
    State s;
    s.Ground = Flat(400);
    s.ShellPrevX = 296, s.ShellPrevY = 390, s.ShellX = 300, s.ShellY = 403;
    EXPECT_EQ(Bounce(s, 299.5), 400);
    EXPECT_TRUE(s.BounceCount == 1 && s.ShotVy == 52 && s.ShotVx == 20 && s.ShotTime == 0.2 && s.ShellX == 299.5 &&
                s.ShellY == 400 && s.ShotX0 == 299.5f && s.ShotY0 == 400);
    StartRoll(s, weapon::Climber, 123);
    EXPECT_TRUE(s.RollUphill == True && s.RollDownhill == False && s.ShellX == 123 && s.RollTicks == 0);
    s.Health1 = s.Health2 = 1000;
    DirectHit(s, 2, weapon::Piercing), DirectHit(s, 1, weapon::Heavy);
    EXPECT_TRUE(s.Health2 == 600 && s.Health1 == 750);
}

// A blast costs each tank in its reach its base less its factor times the distance to the tank's middle;
// a tank rests on the highest of the 11 columns under its hull and pays two for every row it moves.
TEST(ShellEffects, BlastsCostLessWithDistanceAndTanksRestOnTheHighestColumnUnderTheirHull) {
    for (auto [blast, away, lost] : {std::tuple{kNukeBlast, 0, 200},
                                     {kNukeBlast, 199, 1},
                                     {kNukeBlast, 200, 0},
                                     {kRollerBlast, 59, 3},
                                     {kRollerBlast, 60, 0},
                                     {kBounceBlast, 39, 2},
                                     {kBounceBlast, 40, 0}})
        EXPECT_EQ(BlastLoss(blast, 100 + away, 300, 120, 320), lost) << blast.base << " " << away;
    EXPECT_EQ(BlastLoss(kNukeBlast, 100, 300, 123, 324), 195);  // 3-4-5
    GroundArray G = Flat(400);
    G(114) = 300, G(126) = 300, G(120) = 390, G(125) = 380;
    EXPECT_EQ(TankRestTop(G, 100), 380 - 40);
    EXPECT_EQ(SettleLoss(TankRestTop(G, 100), 350), 20);
    // A teleported tank lands on the field, on a fifteenth of a pixel.
    State s;
    for (auto [x, left] : {std::pair{790.0, 760.0}, {5.0, 0.0}, {300.51, 280.0 + 8 / 15.0}})
        EXPECT_EQ((Teleport(s, 2, x), s.Tank2.left), left);
}

}  // namespace
}  // namespace gv::battle
