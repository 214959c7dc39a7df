// The real program in a real window: it opens with its menu drawn.
#include <gtest/gtest.h>

#include "desktop.h"

namespace gv::e2e {
namespace {

TEST(DesktopE2E, ProgramOpensItsWindowWithTheMenu) {
    Desktop desk;
    if (!desk.ok()) GTEST_SKIP() << "Xvfb is not available";
    std::string runtime = tempDir("gv-run");
    Process game({GORVATH_BINARY}, {"DISPLAY=" + desk.display(), "SDL_AUDIODRIVER=dummy", "XDG_RUNTIME_DIR=" + runtime},
                 runtime + "/log.txt");
    // The window fills the 800 x 600 screen; wait until the green title has been drawn.
    Screenshot shot;
    int green = 0;
    for (int i = 0; i < 100 && green < 200; ++i) {
        sleepMs(100);
        ASSERT_TRUE(game.running()) << "the game ended early";
        shot = desk.screenshot();
        if (shot.width) green = shot.count(0x00FF00, 240, 136, 561, 180);
    }
    shot.savePng(std::string(GORVATH_SHOTS) + "/menu.png");
    EXPECT_GE(green, 200) << "the title \"Gorvath\" in green is not on screen";
    // The rule under the title is green from one side of the menu to the other.
    EXPECT_GE(shot.count(0x00FF00, 240, 184, 560, 186), 300);
    // Outside the menu the canvas shows grey.
    EXPECT_EQ(shot.at(50, 300), 0x808080u);
    game.kill();
}

}  // namespace
}  // namespace gv::e2e
