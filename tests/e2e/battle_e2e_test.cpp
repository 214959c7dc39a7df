// A real battle in a real window: a shot and its hand-over.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "assets/pictures.h"
#include "desktop.h"

namespace gv::e2e {
namespace {

TEST(BattleE2E, SpaceFiresTheShellFliesAndTheTurnPassesToPlayerTwo) {
    Game g;
    if (!g.start(GORVATH_BINARY)) GTEST_SKIP() << "no display";
    g.desk.click(400, 228);  // New Game
    Screenshot before = g.waitArmed(1);
    ASSERT_TRUE(armed(before, 1));
    // Three quick clicks on the angle's up arrow: one, a double-click's ten, and one more.
    g.desk.window("mousemove 153 25 click --repeat 3 --delay 150 1");
    sleepMs(300);
    g.desk.key("space");
    auto panelOut = [](const Screenshot& s) { return shown(s, *assets::picture("fbutt2"), 224, 8) < 0.5; };
    EXPECT_TRUE(panelOut(g.waitFor(panelOut, 10))) << "player 1's panel did not slide away";
    Screenshot after = g.waitArmed(2);
    EXPECT_TRUE(armed(after, 2)) << "player 2 is not armed";
    EXPECT_GT(shown(after, *assets::picture("fbutt2"), 224, 8), 0.95) << "player 1's button is not spent";
    EXPECT_TRUE(g.process->running());
    // The shot's record says with what it was fired: the angle 45 stepped up by twelve.
    std::string record;
    for (int i = 0; i < 50 && record.find("\nfire 1 ") == std::string::npos; ++i, sleepMs(100))
        for (const auto& f : std::filesystem::recursive_directory_iterator(g.runtime))
            if (f.path().extension() == ".replay") record = (std::ostringstream() << std::ifstream(f.path()).rdbuf()).str();
    EXPECT_NE(record.find("\nfire 1 100 57 @"), std::string::npos) << record;
}

}  // namespace
}  // namespace gv::e2e
