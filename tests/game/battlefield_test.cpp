// Building battlefields: the same seed gives the same field; terrain, trees, sun and moon follow their rules.
#include <algorithm>
#include <cmath>

#include "../support/game_fixture.h"

namespace gv {
namespace {

struct Battlefield : testing::GameTest {
    void SetUp() override { start(); }
    int visibleTrees() const {
        int n = 0;
        for (const auto& [i, t] : game.strom.elements()) n += t->visible();
        return n;
    }
};

TEST_F(Battlefield, SameSeedGivesTheIdenticalBattlefieldAndTheHashIsPinned) {
    newBattle(4242);
    std::uint64_t first = battlefieldHash();
    newBattle(4242);
    EXPECT_EQ(battlefieldHash(), first);
    newBattle(4243);
    EXPECT_NE(battlefieldHash(), first);
    // A change of the draw order or of a formula shows here.
    EXPECT_EQ(first, 5269760610747352315u) << "pinned battlefield hash of seed 4242";
}

TEST_F(Battlefield, BuildingTakesSecondsOfGameTimeAndEndsWithPlayerOneArmed) {
    double t0 = loop.now();
    newBattle(7);
    EXPECT_NEAR(loop.now() - t0, 4000, 1000);  // about 210 frames: the player watches the ground rise
    const GameState& s = game.state;
    EXPECT_TRUE(s.WorldBusy == False && s.TurnPlayer == 1 && s.ShellDir == -1 && s.BonusActive == False);
    EXPECT_TRUE(s.Health1 == 1000 && s.Health2 == 1000 && s.Wind >= -30 && s.Wind <= 29);
    EXPECT_TRUE(game.world.enabled() && game.Frame1.enabled() && game.Command1.enabled() && !game.Frame2.enabled());
    EXPECT_TRUE(game.arrow.left() == game.tank1.left() + 4 && !game.Label8(0).visible() && !game.Label8(1).visible());
    EXPECT_EQ(game.weapon1.tag + game.weapon2.tag, "00");
}

TEST_F(Battlefield, GroundStaysWithinItsRowsAndTanksSitOnTheHighestOfTheElevenMiddleColumns) {
    int lowest = 600, highest = 0;
    for (int seed = 1; seed <= 30; ++seed) {
        newBattle(seed);
        for (int x = -1; x <= 800; ++x) {
            int g = game.state.Ground(x);
            ASSERT_TRUE(g >= 200 && g <= 599) << "seed " << seed << " column " << x;
            lowest = std::min(lowest, g), highest = std::max(highest, g);
        }
        for (auto [tank, left] : {std::pair{&game.tank1, 20}, std::pair{&game.tank2, 740}}) {
            int top = 600;
            for (int x = left + 15; x <= left + 25; ++x) top = std::min<int>(top, game.state.Ground(x));
            EXPECT_TRUE(tank->left() == left && tank->top() == top - 40 && tank->visible()) << "seed " << seed;
        }
    }
    EXPECT_EQ(lowest, 200);   // clipped at the ceiling, 400 above the bottom row
    EXPECT_EQ(highest, 599);  // and at the floor, 1 above it
}

TEST_F(Battlefield, AHundredTreesStandOnTheGroundAndTheirSpritesAreReused) {
    newBattle(1);
    // The first draw of PlaceTrees decides the count: at 0.99 or more it plants the most.
    int seed = 0;
    while ([&] { Random r; r.seed(++seed); return r.Rnd() < 0.99; }()) {}
    game.random.reset();
    game.random.seed(seed);
    for (auto& [i, t] : game.strom.elements()) t->setVisible(false);
    game.PlaceTrees(Mainfrm::Palette::Grass);
    ASSERT_TRUE(visibleTrees() == 100 && game.strom.count() == 100);
    int half = 0;
    for (const auto& [i, t] : game.strom.elements()) {
        double middle = t->left() + t->width() / 2;
        half += middle != std::floor(middle);
        EXPECT_EQ(t->top(), game.state.Ground.at(middle) - t->height());  // a half column rounds to even
        EXPECT_TRUE(t->height() >= 18 && t->height() <= 37 && t->width() >= 12 && t->width() <= 21);
        EXPECT_TRUE(t->tag == "0" || t->tag == "1") << t->tag;  // grass trees, none broken
    }
    EXPECT_GT(half, 0);
    Image* last = &game.strom(99);
    // New Game keeps the sprites loaded but hides every tree of the old battle before placing the new ones.
    newBattle(2);
    EXPECT_TRUE(visibleTrees() < 100 && game.strom.count() == 100 && &game.strom(99) == last);
    for (const auto& [i, t] : game.strom.elements()) EXPECT_TRUE(!t->visible() || i < visibleTrees()) << i;
}

TEST_F(Battlefield, SunOrMoonHighAboveTheGroundNeverBothAndTheMoonFallsTo564) {
    int suns = 0, moons = 0;
    for (int seed = 40; seed < 52; ++seed) {
        newBattle(seed);
        EXPECT_NE(game.sun.visible(), game.moon.visible());
        Image& body = game.sun.visible() ? game.sun : game.moon;
        (game.sun.visible() ? suns : moons)++;
        EXPECT_LT(body.top(), game.state.Ground.at(body.left() + 36) - 140) << "seed " << seed;
        EXPECT_TRUE(body.left() >= 0 && body.left() <= 727);
    }
    EXPECT_TRUE(suns > 0 && moons > 0);
    game.state.Gravity = 10;
    for (double top : {0.0, 563.5}) {  // a grazed moon falls and comes to rest, never past its place
        game.moon.setTop(top);
        game.state.MoonFallTime = 0;
        game.moonfalltimer.setEnabled(true);
        loop.waitUntil([&] { return !game.moonfalltimer.enabled(); });
        EXPECT_EQ(game.moon.top(), 564);
    }
}

TEST_F(Battlefield, HellBattlefieldsHaveTheirBannersTreesAndSuns) {
    game.state.HellMode = True;
    newBattle(9);
    EXPECT_TRUE(game.Label8(1).caption() == "Hell on Earth..." && game.Label8(1).foreColour == rgb(255, 255, 0));
    EXPECT_TRUE(game.sun.visible() && game.sun.picture() == game.sunh.picture());  // a hell sky is a day sky
    for (const auto& [i, t] : game.strom.elements()) EXPECT_TRUE(!t->visible() || t->tag == "4") << i;
    EXPECT_EQ(greenOf(game.world.point(400, 5)) + blueOf(game.world.point(400, 5)), 0);  // the sky is red
    game.state.HellVariant = True;
    newBattle(9);
    EXPECT_EQ(game.Label8(1).caption(), "The VELMORAN's Hell!");
    EXPECT_TRUE(game.sun.visible() && game.sun.left() == -100 && game.sun.top() == 700);
    EXPECT_EQ(game.world.point(3, 3), Colour(game.tdd.picture()->at(3, 3) & 0xFFFFFF));  // the stored sky
}

}  // namespace
}  // namespace gv
