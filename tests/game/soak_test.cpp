// Many seeded battles with random aims and every weapon kind in turn: the battlefield stays a valid
// profile, health stays a number, sprites stay where sprites can be, and every battle ends.
#include "../support/game_fixture.h"

namespace gv {
namespace {

struct Soak : testing::GameTest {
    int mounds = 0;

    void checkBattle(int battle, int shot) {
        const GameState& s = game.state;
        SCOPED_TRACE("battle " + std::to_string(battle) + " shot " + std::to_string(shot));
        for (int x = -1; x <= 800; ++x) {
            // Craters stop at the bottom row (a pit one below it); only mounds build above the canvas top,
            // 51 rows each at most.
            ASSERT_TRUE(s.Ground(x) <= 601 && s.Ground(x) >= -51 * mounds) << "column " << x << ": " << s.Ground(x);
        }
        ASSERT_TRUE(std::isfinite(s.Health1) && std::isfinite(s.Health2) && s.Health1 <= 1000 && s.Health2 <= 1000);
        for (const Image* tank : {&game.tank1, &game.tank2}) {
            if (s.BattleOver == True) break;  // an exploding tank swells and flies off
            // Resting on the ground (a pit goes one row below the canvas).
            ASSERT_TRUE(tank->left() >= 0 && tank->left() <= 760 && tank->top() >= -51 * mounds - 40 && tank->top() <= 561)
                << tank->left() << "," << tank->top();
        }
        ASSERT_TRUE(std::isfinite(game.bullet.left()) && std::isfinite(game.bullet.top()));
        ASSERT_TRUE(s.BonusActive == False ||
                    (game.bonuspic.left() >= 16 && game.bonuspic.left() <= 783 && game.bonuspic.top() <= 569));
        for (const auto& [i, tree] : game.strom.elements())
            ASSERT_TRUE(!tree->visible() || tree->top() + tree->height() <= 601) << "tree " << i;
    }
};

TEST_F(Soak, ThreeHundredSeededBattlesWithEveryWeaponStayValidAndEnd) {
    start();
    Random aims = testing::seeded(2026);
    int destroyed = 0;
    const int battles = 300, shotLimit = 16;
    for (int battle = 0; battle < battles; ++battle) {
        newBattle(1000 + battle);
        if (battle % 25 == 7) game.state.HellMode = True;  // now and then a hell battlefield (only nukes drop)
        if (battle % 25 == 8) game.state.HellMode = False;
        if (battle % 3 == 0) {  // worn-out tanks, so many battles end in an explosion
            game.state.Health1 = game.state.Health2 = 40;
            game.gauges().ShowHealth1();
            game.gauges().ShowHealth2();
        }
        mounds = 0;
        int shot = 0;
        for (; shot < shotLimit && game.state.BattleOver == False; ++shot) {
            int player = game.Frame1.enabled() ? 1 : 2;
            ASSERT_TRUE(player == 1 ? game.Frame1.enabled() : game.Frame2.enabled());
            int kind = (battle + shot) % 13;  // every weapon kind in turn, the standard shell among them
            testing::arm(game, kind, player);
            mounds += kind == 4;
            (player == 1 ? game.sila1 : game.sila2).setText(std::to_string(int(aims.Rnd() * 201)));
            (player == 1 ? game.uhel1 : game.uhel2).setText(std::to_string(int(aims.Rnd() * 181)));
            game.keyDown(Key::Space);
            loop.waitUntil([&] { return game.state.BattleOver == True || testing::idle(game); });
            checkBattle(battle, shot);
            if (HasFatalFailure()) return;
        }
        if (game.state.BattleOver == True)
            ++destroyed, loop.waitUntil([&] { return !game.tankexpl.enabled() && !game.showit.enabled(); });
        ASSERT_TRUE(game.state.BattleOver == True || shot == shotLimit);
    }
    EXPECT_GT(destroyed, 0);
}

}  // namespace
}  // namespace gv
