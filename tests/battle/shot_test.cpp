// Whole shots played by the rules alone, with no window: each kind from its launch to the end of the shot,
// and what the rules told the view on the way.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "battle/shot.h"

namespace gv::battle {
namespace {

// Counts what it is told; the quake's seed is always there.
struct Told final : ShotView {
    std::vector<int> sounds;
    int dug = 0, raised = 0, marked = 0, settled = 0, jumped = 0, taken = -1, mayEnd = 0, moon = 0, ends = 0;
    ShotEnd end = ShotEnd::Spent;
    void Sound(int effect) override { sounds.push_back(effect); }
    void Flash(double, double, double) override {}
    void ShellHidden() override {}
    void Dug(double, double before, double after) override { dug += before != after; }
    void Marked(double, double, double) override { ++marked; }
    void Raised(double, double, const Earth&) override { ++raised; }
    void TreesChanged() override {}
    void TankJumped(int) override { ++jumped; }
    void Settled() override { ++settled; }
    void MoonStruck() override { ++moon; }
    void CrateTaken(int kind) override { taken = kind; }
    void ShotOver(ShotEnd why) override { end = why, ++ends; }
    void BattleMayEnd() override { ++mayEnd; }
    void Cutting() override {}
    bool QuakeSeeded() override { return true; }
    bool Left() override { return false; }
};

// A flat field at row 400, the tanks at their starting columns, player 1 holding `kind`.
State Field(int kind) {
    State s;
    s.Ground.fill(400);
    s.Tank1 = {20, TankRestTop(s.Ground, 20)};
    s.Tank2 = {740, TankRestTop(s.Ground, 740)};
    s.Health1 = s.Health2 = 1000;
    s.Weapon1 = kind;
    s.TurnPlayer = 1;
    return s;
}

// Ticks until the shot is over; the ticks it took (0: it never ended).
int FlyOut(State& s, Random& random, Told& told) {
    for (int tick = 1; tick <= 3000; ++tick) {
        if (ShellTick(s, random, told) == Tick::Left) return 0;
        if (told.ends > 0) return tick;
    }
    return 0;
}

TEST(Shots, EachKindFlysAndMeetsTheGroundAsItsEntrySaysWithNoWindow) {
    // The kind, the aim (force, angle), the sound of its contact, and what it leaves behind.
    struct Case {
        int kind;
        double force, angle;
        int sound;
        std::function<bool(const State&, const Told&)> left;
    };
    const GroundArray flat = Field(weapon::Standard).Ground;
    auto changedColumns = [&](const State& s) {
        int n = 0;
        for (int x = 0; x < 800; ++x) n += s.Ground(x) != flat(x);
        return n;
    };
    const std::vector<Case> cases{
        {weapon::Standard, 60, 45, effect::ShellPop,
         [&](const State& s, const Told& t) { return changedColumns(s) == 15 && t.dug == 15; }},
        {weapon::Heavy, 60, 45, effect::HeavyBlast, [&](const State& s, const Told&) { return changedColumns(s) > 15; }},
        {weapon::Teleport, 60, 45, effect::Teleport,
         [&](const State& s, const Told& t) {
             return t.jumped == 1 && s.Tank1.left > 100 && s.Health1 == 1000 && changedColumns(s) == 0;
         }},
        {weapon::Pit, 60, 45, effect::Dig, [&](const State& s, const Told&) { return changedColumns(s) == 41; }},
        {weapon::Mound, 60, 45, effect::Mound,
         [&](const State& s, const Told& t) { return t.raised > 0 && changedColumns(s) > 0; }},
        {weapon::Leveller, 60, 45, effect::Dig,
         [&](const State& s, const Told&) { return changedColumns(s) == 0; }},  // flat stays flat
        {weapon::Piercing, 60, 45, effect::Piercing,
         [&](const State& s, const Told& t) { return t.marked == 1 && changedColumns(s) == 0; }},
        {weapon::Nuke, 60, 45, effect::Nuke, [&](const State& s, const Told&) { return changedColumns(s) > 100; }},
        {weapon::Quake, 60, 45, effect::Quake, [&](const State& s, const Told&) { return changedColumns(s) > 100; }},
        {weapon::Roller, 60, 45, effect::HeavyBlast,
         [&](const State& s, const Told& t) { return changedColumns(s) > 0 && t.mayEnd == 1; }},
        {weapon::Climber, 60, 45, effect::HeavyBlast,
         [&](const State& s, const Told& t) { return changedColumns(s) > 0 && t.mayEnd == 1; }},
        {weapon::Bouncer, 60, 45, effect::Boing,
         [&](const State& s, const Told& t) {
             return s.BounceCount == kBounces && std::ranges::count(t.sounds, effect::Boing) == 5;
         }},
        // Straight on through a hill higher than its start, boring as it goes.
        {weapon::Drill, 60, 1, -1, [&](const State&, const Told& t) { return t.marked > 10 && t.dug > 10; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        State s = Field(c.kind);
        if (c.kind == weapon::Drill)
            for (int x = 200; x <= 600; ++x) s.Ground(x) = 300;
        Random random;
        random.seed(5);
        Told told;
        Launch(s, 1, c.force, c.angle);
        ASSERT_GT(FlyOut(s, random, told), 0);
        EXPECT_TRUE(c.sound < 0 ? told.sounds.empty() : !told.sounds.empty() && told.sounds.front() == c.sound);
        EXPECT_TRUE(c.left(s, told)) << told.dug << " " << told.raised << " " << told.marked;
        // The special shell is used up with the shot; the tanks sit on the ground as it is now.
        EXPECT_TRUE(s.Weapon1 == weapon::Standard && told.end == ShotEnd::Spent && told.ends == 1);
        EXPECT_TRUE(s.Tank2.top == TankRestTop(s.Ground, s.Tank2.left) && told.settled > 0);
    }
}

// What a flying shell meets besides the ground: a live tree near the ground burns, the moon falls, the sun
// swallows, the opponent's hull takes a direct hit, a landed crate is taken (a falling one is not there).
TEST(Shots, TreesTheMoonTheSunATankAndTheCrateOnTheWay) {
    Random random;
    Told told;
    State s = Field(weapon::Standard);
    s.TurnPlayer = 2;  // player 1's shell in flight
    s.Trees = {{300, 370, 17, 30, 0}, {400, 300, 17, 30, 2}, {500, 370, 17, 30, 2, false}};
    for (double x : {308.0, 408.0, 508.0}) EXPECT_TRUE(ColumnTest(s, random, told, x, 390));
    EXPECT_TRUE(s.Trees[0].burnt && !s.Trees[1].burnt && !s.Trees[2].burnt);  // too high; swept away already
    // A tall tree burns where the shell passes less than 45 pixels above the ground, and only there.
    s.Trees = {{300, 330, 17, 70, 0}, {400, 330, 17, 70, 0}};
    EXPECT_TRUE(ColumnTest(s, random, told, 308, 356) && ColumnTest(s, random, told, 408, 355));
    EXPECT_TRUE(s.Trees[0].burnt && !s.Trees[1].burnt) << "44 pixels above the ground burns, 45 does not";
    s.MoonUp = True, s.Moon = {300, 100}, s.Gravity = 10;
    EXPECT_TRUE(ColumnTest(s, random, told, 336, 136) && s.MoonFalling == True && told.moon == 1);
    for (int step = 0; step < 200 && MoonFall(s); ++step) {}
    EXPECT_TRUE(s.Moon.top == 564 && s.MoonFalling == False);
    s.Moon.top = 563.5, s.MoonFalling = True;  // never past its place
    EXPECT_TRUE(!MoonFall(s) && s.Moon.top == 564);
    s.BonusActive = True, s.CrateKind = weapon::Nuke, s.CrateLeft = 600, s.CrateTop = 368, s.CrateFalling = True;
    EXPECT_TRUE(ColumnTest(s, random, told, 616, 384) && told.taken < 0);
    s.CrateFalling = False;
    EXPECT_FALSE(ColumnTest(s, random, told, 616, 384));
    EXPECT_TRUE(told.taken == weapon::Nuke && s.Weapon1 == weapon::Nuke && s.BonusActive == False &&
                told.end == ShotEnd::CrateTaken);
    s.Weapon1 = weapon::Standard;
    EXPECT_FALSE(ColumnTest(s, random, told, 760, 380));
    EXPECT_TRUE(s.Health2 == 1000 - Shell(weapon::Standard).hitLoss && told.end == ShotEnd::DirectHit);
    s.SunUp = True, s.Sun = {100, 100}, told.sounds.clear();
    EXPECT_FALSE(ColumnTest(s, random, told, 136, 136));
    EXPECT_TRUE(told.sounds == std::vector<int>{effect::SunSwallow} && told.end == ShotEnd::Spent);

    // Whole ticks of a shell flying level at `y` from `x` over `dx` columns: most pass over everything at
    // once, but one that crosses anything meets it, high in the sky as low over the ground.
    auto fly = [&](State& f, double x, double y, double dx) {
        f.TurnPlayer = 2, f.Gravity = 0, f.Wind = 0, f.ShotTime = 0, f.ShotVy = 0, f.ShotVx = dx / 0.2;
        f.ShellX = x, f.ShellY = y, f.ShotX0 = float(x), f.ShotY0 = float(y);
        Told t;
        EXPECT_EQ(ShellTick(f, random, t), Tick::Moved);
        return t;
    };
    struct Case {
        const char* what;
        std::function<void(State&)> place;
        double x, y, dx;
        std::function<bool(const State&, const Told&)> met;
    };
    for (const Case& c : std::vector<Case>{
             {"nothing", [](State&) {}, 100, 200, 60, [](const State&f, const Told&t) { return t.ends > 0 || f.ShellX != 160; }},
             {"a tree low over the ground",
              [](State&f) {
                  f.Trees = {{300, 370, 17, 30, 0}};
              },
              280, 380, 50, [](const State&f, const Told&) { return f.Trees[0].burnt; }},
             {"the moon",
              [](State&f) {
                  f.MoonUp = True, f.Moon = {300, 100};
              },
              280, 136, 50, [](const State&f, const Told&t) { return f.MoonFalling == True && t.moon > 0; }},
             {"the sun",
              [](State&f) {
                  f.SunUp = True, f.Sun = {300, 100};
              },
              280, 136, 50,
              [](const State&, const Told&t) { return t.ends == 1 && t.sounds == std::vector<int>{effect::SunSwallow}; }},
             {"a hull up in the air",
              [](State&f) {
                  f.Tank2 = {600, 100};
              },
              580, 125, 50, [](const State&, const Told&t) { return t.end == ShotEnd::DirectHit; }},
             {"a landed crate up on a peak", [](State&f) { f.BonusActive = True, f.CrateLeft = 600, f.CrateTop = 100; }, 580, 116,
              50, [](const State&, const Told&t) { return t.end == ShotEnd::CrateTaken; }},
             {"the field's edge", [](State&) {}, 780, 200, 40, [](const State&, const Told&t) { return t.ends == 1; }},
         }) {
        SCOPED_TRACE(c.what);
        State f = Field(weapon::Standard);
        c.place(f);
        const Told t = fly(f, c.x, c.y, c.dx);
        EXPECT_EQ(c.met(f, t), std::string(c.what) != "nothing");
    }
}

}  // namespace
}  // namespace gv::battle
