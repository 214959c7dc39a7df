// The real program in a real window: it opens with its menu drawn.
#include <gtest/gtest.h>

#include <algorithm>

#include "assets/pictures.h"
#include "desktop.h"

namespace gv::e2e {
namespace {

TEST(DesktopE2E, ProgramOpensItsWindowWithTheMenu) {
    Game g;
    if (!g.start(GORVATH_BINARY)) GTEST_SKIP() << "Xvfb is not available";
    // The window fills the 800 x 600 screen; the green title is drawn once the menu is up.
    Screenshot shot = g.waitMenu();
    g.save(shot, "menu.png");
    EXPECT_GE(shot.count(0x00FF00, 240, 136, 561, 180), 200) << "the title \"Gorvath\" in green is not on screen";
    // The rule under the title is green from one side of the menu to the other.
    EXPECT_GE(shot.count(0x00FF00, 240, 184, 560, 186), 300);
    // Around the menu the intro sky has been drawn over the grey canvas.
    EXPECT_NE(shot.at(50, 5), 0x808080u);
    EXPECT_NE(shot.at(750, 5), 0x808080u);
}

// The highest match of a tank picture in the column band of a tank.
double bestTank(const Screenshot& shot, const Picture& pic, int left) {
    double best = 0;
    for (int top = 100; top <= 560; ++top) best = std::max(best, shown(shot, pic, left, top));
    return best;
}

TEST(DesktopE2E, NewGameBuildsABattlefieldWithBothTanks) {
    Game g;
    if (!g.start(GORVATH_BINARY)) GTEST_SKIP() << "Xvfb is not available";
    // A second copy while the first runs ends at once, with status 0 and no window.
    {
        Process second({GORVATH_BINARY}, {"DISPLAY=" + g.desk.display(), "SDL_AUDIODRIVER=dummy",
                                          "XDG_RUNTIME_DIR=" + g.runtime});
        EXPECT_EQ(second.waitExit(3000), 0);
    }

    g.desk.click(400, 228);  // New Game
    sleepMs(700);
    Screenshot building = g.desk.screenshot();
    g.save(building, "building.png");
    Screenshot shot = g.waitArmed(1);
    g.save(shot, "battlefield.png");
    ASSERT_TRUE(g.process->running());
    EXPECT_GT(shown(shot, *assets::picture("fbutt1"), 224, 8), 0.95) << "player 1's fire button is not armed";
    EXPECT_GT(shown(shot, *assets::picture("fbutt2"), 504 + 8, 8), 0.95) << "player 2's fire button is missing";
    EXPECT_GT(bestTank(shot, *assets::picture("tankright"), 20), 0.6) << "player 1's tank is not on screen";
    EXPECT_GT(bestTank(shot, *assets::picture("tankleft"), 740), 0.6) << "player 2's tank is not on screen";
    // Sky above, ground below: the bottom row differs from the top row all along.
    int differ = 0;
    for (int x = 0; x < 800; x += 10) differ += shot.at(x, 599) != shot.at(x, 80);
    EXPECT_GT(differ, 70);
    // The player watched it being built: a second into the build, much of the lower half was still to come.
    int changed = 0;
    for (int y = 300; y < 600; y += 3)
        for (int x = 0; x < 800; x += 3) changed += building.at(x, y) != shot.at(x, y);
    EXPECT_GT(changed, 500) << "the battlefield appeared all at once";
}

}  // namespace
}  // namespace gv::e2e
