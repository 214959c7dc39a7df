// Building battlefields: the same seed gives the same field; terrain, trees, sun and moon follow their rules.
#include "../support/game_fixture.h"
#include "battlefield/ground.h"

namespace gv {
namespace {

struct Battlefield : testing::GameTest {
    void SetUp() override { start(); }
    int visibleTrees() const {
        return int(std::ranges::count_if(game.strom.elements(), [](const auto& e) { return e.second->visible(); }));
    }
};

TEST_F(Battlefield, SameSeedGivesTheIdenticalBattlefieldAndTheHashIsPinned) {
    auto hashOf = [&](double seed) { return newBattle(seed), battlefieldHash(); };
    const std::uint64_t first = hashOf(4242);
    EXPECT_TRUE(hashOf(4242) == first && hashOf(4243) != first);
    // A change of the draw order or of a formula shows here.
    EXPECT_EQ(first, 6686787650294491670u) << "pinned battlefield hash of seed 4242";
}

// A player who keeps moving the mouse and pressing keys: every sleep of the loop is cut short after 3 ms by
// an input event. Each presented frame is logged with the banner's state; the last frame under the banner
// (the sky and its clouds or stars) is kept.
struct RestlessPlayer : VirtualDriver {
    testing::Headless& h;
    int posted = 0, handled = 0;
    std::vector<std::pair<double, bool>> frames;
    std::vector<Colour> skyFrame;
    explicit RestlessPlayer(testing::Headless& headless) : h(headless) {}
    void sleepUntil(double tMs) override {
        if (tMs > nowMs()) advance(std::min(3.0, tMs - nowMs()));
        if (h.game.state.WorldBusy == False) return;
        h.loop.post([this, n = posted++] {
            n % 2 ? h.game.mouseDown(400, 300) : h.game.keyDown(Key::Left);
            ++handled;
        });
    }
    void present() override {
        VirtualDriver::present();
        frames.emplace_back(nowMs(), h.game.Label8(1).visible());
        if (frames.back().second) skyFrame = h.game.world.pixels();
    }
};

TEST_F(Battlefield, TheBuildUpTakesSecondsWhateverTheInputAndTheBannerIsSeenOverTheSky) {
    // A seed that gives a night sky: its first three draws are the sky's base colour.
    double seed = 0;
    int R0, G0, B0;
    do {
        Random r = testing::seeded(++seed);
        R0 = int(r.Rnd() * 54) + 1, G0 = int(r.Rnd() * 104) + 1, B0 = int(r.Rnd() * 154) + 1;
    } while (R0 * G0 * B0 > 80000);
    RestlessPlayer player(*this);
    loop.setDriver(&player), newBattle(seed), loop.pumpEvents(), loop.setDriver(&clock);
    EXPECT_TRUE(player.nowMs() >= 3000 && player.nowMs() <= 5000) << player.nowMs();
    EXPECT_TRUE(player.posted > 1000 && player.handled == player.posted) << player.posted << " " << player.handled;
    double bannerFrom = 1e9, bannerTo = 0;
    for (auto [t, banner] : player.frames)
        if (banner) bannerFrom = std::min(bannerFrom, t), bannerTo = std::max(bannerTo, t);
    EXPECT_GE(bannerTo - bannerFrom, 500);  // the banner was seen for half a second at least
    const GameState& s = game.state;
    EXPECT_TRUE(s.WorldBusy == False && s.TurnPlayer == 1 && s.ShellDir == -1 && s.BonusActive == False);
    EXPECT_TRUE(s.Health1 == 1000 && s.Health2 == 1000 && s.Wind >= -30 && s.Wind <= 29);
    EXPECT_TRUE(game.world.enabled() && game.Frame1.enabled() && game.Command1.enabled() && !game.Frame2.enabled());
    EXPECT_TRUE(game.arrow.left() == game.tank1.left() + 4 && !game.Label8(0).visible() && !game.Label8(1).visible());
    EXPECT_EQ(std::to_string(game.state.Weapon1) + std::to_string(game.state.Weapon2) + game.uhel1.text(),
              "0045");  // the keys changed no aim

    // The sky of the night battle (stars only brighten it) is its base colour at the top corners, the
    // centre being 841 rows below the canvas, and brightest at the bottom of the middle column.
    auto at = [&](int x, int y) { return player.skyFrame.at(std::size_t(y) * Canvas::kWidth + x); };
    auto sum = [&](int x, int y) { return redOf(at(x, y)) + greenOf(at(x, y)) + blueOf(at(x, y)); };
    EXPECT_TRUE(at(0, 0) == rgb(R0 + 1, G0 + 1, B0 + 1) && at(800, 0) == at(0, 0));
    for (int y = 0; y <= 600; y += 4)
        for (int x = 0; x <= 800; x += 4)
            ASSERT_TRUE(sum(x, y) >= sum(0, 0) && (y <= 400 || sum(x, y) <= sum(400, 600))) << x << "," << y;
}

TEST_F(Battlefield, AHundredTreesStandOnTheGroundAndTheirSpritesAreReused) {
    newBattle(1);
    // The first draw of PlaceTrees decides the count: at 0.99 or more it plants the most.
    int seed = 0;
    while (testing::seeded(++seed).Rnd() < 0.99) {}
    game.random.reset(), game.random.seed(seed);
    game.builder().PlaceTrees(Mainfrm::Palette::Grass);
    ASSERT_TRUE(visibleTrees() == 100 && game.strom.count() == 100 && game.state.Trees.size() == 100);
    int half = 0;
    for (const auto& [i, t] : game.strom.elements()) {
        double middle = t->left() + t->width() / 2;
        half += middle != std::floor(middle);
        EXPECT_EQ(t->top(), game.state.Ground.at(middle) - t->height());  // a half column rounds to even
        EXPECT_TRUE(t->height() >= 18 && t->height() <= 37 && t->width() >= 12 && t->width() <= 21);
        const battle::State::Tree& tree = game.state.Trees[std::size_t(i)];  // the sprite shows the battle's tree
        EXPECT_TRUE(tree.left == t->left() && tree.top == t->top() && tree.look < 2 && !tree.burnt &&
                    t->picture() == game.tree(tree.look).picture());  // grass trees, none broken
    }
    EXPECT_GT(half, 0);
    Image* last = &game.strom(99);
    // New Game keeps the sprites loaded but hides every tree of the old battle before placing the new ones.
    newBattle(2);
    EXPECT_TRUE(visibleTrees() < 100 && game.strom.count() == 100 && &game.strom(99) == last);
    for (const auto& [i, t] : game.strom.elements()) EXPECT_TRUE(!t->visible() || i < visibleTrees()) << i;
}

TEST_F(Battlefield, SunOrMoonHighAboveTheGroundNeverBoth) {
    int suns = 0, moons = 0;
    for (int seed = 40; seed < 52; ++seed) {
        newBattle(seed);
        EXPECT_NE(game.sun.visible(), game.moon.visible());
        // The battle's own sun is where its sprite is, and only when it is up.
        const battle::Place& place = game.sun.visible() ? game.state.Sun : game.state.Moon;
        EXPECT_TRUE(game.state.SunUp == flag(game.sun.visible()) && game.state.MoonUp == flag(game.moon.visible()));
        EXPECT_TRUE(place.left == (game.sun.visible() ? game.sun : game.moon).left() &&
                    place.top == (game.sun.visible() ? game.sun : game.moon).top());
        Image& body = game.sun.visible() ? game.sun : game.moon;
        (game.sun.visible() ? suns : moons)++;
        EXPECT_LT(body.top(), game.state.Ground.at(body.left() + 36) - 140) << "seed " << seed;
        EXPECT_TRUE(body.left() >= 0 && body.left() <= 727);
    }
    EXPECT_TRUE(suns > 0 && moons > 0);
}

TEST_F(Battlefield, HellBattlefieldsHaveTheirBannersTreesSunsAndASkyUnpackedOnlyForThem) {
    const int unpacked = game.tdd.picture()->unpackings();  // its own sky, unpacked only to be painted
    game.state.HellMode = True;
    newBattle(9);
    EXPECT_TRUE(game.Label8(1).caption() == "Hell on Earth..." && game.Label8(1).foreColour == rgb(255, 255, 0));
    EXPECT_TRUE(game.sun.visible() && game.sun.picture() == game.sunh.picture());               // a hell sky is a day sky
    for (const battle::State::Tree& t : game.state.Trees) EXPECT_TRUE(t.burnt && t.look >= 2);  // burnt, snowy
    EXPECT_EQ(greenOf(game.world.point(400, 5)) + blueOf(game.world.point(400, 5)), 0);         // the sky is red
    game.state.HellVariant = True;
    newBattle(9);
    EXPECT_TRUE(game.Label8(1).caption() == "The VELMORAN's Hell!" && game.sun.visible() && game.sun.left() == -100 &&
                game.sun.top() == 700 && game.tdd.picture()->unpackings() == unpacked + 1);
    EXPECT_EQ(game.world.point(3, 3), Colour(game.tdd.picture()->at(3, 3) & 0xFFFFFF));  // the stored sky
    EXPECT_EQ(game.tdd.picture()->unpackings(), unpacked + 2);                           // not kept once painted
}

// A game nobody looks at (a fuzzer's) has no pixels, paints no sky and no ground and has no frames to show
// while it builds, yet builds the very same battle: the same ground, trees, sun or moon, tanks and wind, and
// the generator left at the same draw.
TEST_F(Battlefield, AnUnseenCanvasHasNoPixelsYetBuildsTheSameBattleAsASeenOne) {
    testing::Started unseen;
    unseen.game.world.setUnseen(true);
    int suns = 0, moons = 0, grass = 0, snow = 0;
    auto compare = [&](double seed) {
        const long seenFrames = clock.frames(), unseenFrames = unseen.clock.frames();
        newBattle(seed);
        unseen.newBattle(seed);
        const Mainfrm &a = game, &b = unseen.game;
        EXPECT_TRUE(a.state.Ground.rows() == b.state.Ground.rows() && a.random.state() == b.random.state() &&
                    a.state.Wind == b.state.Wind && a.state.WorldBusy == False && b.state.WorldBusy == False &&
                    b.world.pixels().empty())
            << seed;
        EXPECT_TRUE(clock.frames() - seenFrames > 200 && unseen.clock.frames() - unseenFrames < 10)
            << seed << " " << clock.frames() - seenFrames << " " << unseen.clock.frames() - unseenFrames;
        ASSERT_EQ(a.world.children().size(), b.world.children().size());
        for (std::size_t i = 0; i < a.world.children().size(); ++i) {
            const Control& p = *a.world.children()[i];
            const Control& q = *b.world.children()[i];
            EXPECT_TRUE(p.visible() == q.visible() && p.left() == q.left() && p.top() == q.top()) << seed << " " << p.name();
        }
        (a.sun.visible() ? suns : moons) += 1;
        for (const battle::State::Tree& t : a.state.Trees) (t.look < 2 ? grass : snow) += 1;
    };
    for (double seed = 1; seed <= 8; ++seed) compare(seed);
    EXPECT_TRUE(suns > 0 && moons > 0 && grass > 0 && snow > 0);  // day and night skies, both grounds
    game.state.HellMode = unseen.game.state.HellMode = True;
    compare(9);
    game.state.HellVariant = unseen.game.state.HellVariant = True;
    const int unpacked = game.tdd.picture()->unpackings();
    compare(9);
    EXPECT_EQ(game.tdd.picture()->unpackings(), unpacked + 1);  // the sky for the seen canvas only
}

}  // namespace
}  // namespace gv
