// A real battle in a real window: a shot and its hand-over.
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
    ASSERT_GT(shown(before, *assets::picture("fbutt1"), 224, 8), 0.95);
    g.desk.key("space");
    auto panelOut = [](const Screenshot& s) { return shown(s, *assets::picture("fbutt2"), 224, 8) < 0.5; };
    EXPECT_TRUE(panelOut(g.waitFor(panelOut, 10))) << "player 1's panel did not slide away";
    Screenshot after = g.waitArmed(2);
    EXPECT_GT(shown(after, *assets::picture("fbutt1"), 512, 8), 0.95) << "player 2 is not armed";
    EXPECT_GT(shown(after, *assets::picture("fbutt2"), 224, 8), 0.95) << "player 1's button is not spent";
    EXPECT_TRUE(g.process->running());
}

}  // namespace
}  // namespace gv::e2e
