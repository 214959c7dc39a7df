// Real battles in a real window: a shot and its hand-over, and a crate's weapon fired.
#include <gtest/gtest.h>

#include <algorithm>

#include "assets/pictures.h"
#include "desktop.h"

namespace gv::e2e {
namespace {


TEST(BattleE2E, SpaceFiresTheShellFliesAndTheTurnPassesToPlayerTwo) {
    Game g;
    if (!g.start(GORVATH_BINARY)) GTEST_SKIP() << "no display";
    g.desk.click(400, 228);  // New Game
    Screenshot before = g.waitArmed(1);
    g.save(before, "shot-before.png");
    ASSERT_GT(shown(before, *assets::picture("fbutt1"), 224, 8), 0.95);
    g.desk.key("space");
    sleepMs(900);  // the panels are out (15 ticks of 40 ms) and the shell is in the air
    Screenshot flight = g.desk.screenshot();
    g.save(flight, "shot-flight.png");
    EXPECT_LT(shown(flight, *assets::picture("fbutt2"), 224, 8), 0.5) << "player 1's panel did not slide away";
    Screenshot after = g.waitArmed(2);
    g.save(after, "shot-after.png");
    EXPECT_GT(shown(after, *assets::picture("fbutt1"), 512, 8), 0.95) << "player 2 is not armed";
    EXPECT_GT(shown(after, *assets::picture("fbutt2"), 224, 8), 0.95) << "player 1's button is not spent";
    EXPECT_TRUE(g.process->running());
}

TEST(BattleE2E, CrateIsTakenAndItsPitShellFiredThenMoundNukeAndQuake) {
    Game g;
    if (!g.start(GORVATH_HOOKS_BINARY)) GTEST_SKIP() << "no display";
    g.desk.click(400, 228);
    g.waitArmed(1);
    // A crate on player 1's own spot; a gentle shot straight up comes down through it.
    g.desk.key("K");
    g.desk.key("U");  // force 30, angle 90
    g.desk.key("space");
    Screenshot won = g.waitArmed(2);
    g.save(won, "crate-taken.png");
    EXPECT_GT(shown(won, *assets::picture("bonusvzor3"), 176, 19), 0.95) << "the pit shell is not in player 1's slot";

    g.desk.key("M");  // player 2 fires a mound shell
    g.desk.key("space");
    g.save(g.waitArmed(1), "weapon-mound.png");
    g.desk.key("space");  // player 1 fires the pit shell it won, straight up again
    Screenshot pit = g.waitArmed(2);
    g.save(pit, "weapon-pit.png");
    EXPECT_LT(shown(pit, *assets::picture("bonusvzor3"), 176, 19), 0.5) << "the pit shell was not used up";
    g.desk.key("N");
    g.desk.key("space");
    g.save(g.waitArmed(1), "weapon-nuke.png");
    g.desk.key("Q");
    g.desk.key("V");  // force 60, angle 50
    g.desk.key("space");
    sleepMs(2500);
    g.save(g.desk.screenshot(), "weapon-quake.png");
    EXPECT_TRUE(g.process->running());
}

}  // namespace
}  // namespace gv::e2e
