// A battle played in the real window, its aim stepped with the mouse, leaves its record, even when the
// program is killed; the record computes the same again, a changed shot is named, and watching it shows
// the same battle.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "assets/pictures.h"
#include "desktop.h"

namespace gv::e2e {
namespace {

// The program's verdict on records: its status and what it printed.
std::pair<int, std::string> verify(const std::string& records) {
    return run(std::string(GORVATH_BINARY) + " --verify-replay " + records + " 2>&1");
}

bool panelOut(const Screenshot& s, int player) { return shown(s, *assets::picture("fbutt1"), player == 1 ? 224 : 512, 8) < 0.5; }

TEST(ReplayE2E, AKilledBattleKeepsItsTurnsVerifiesAndPlaysBackTheSame) {
    const std::string data = tempDir("gv-data");
    std::string record;
    Screenshot live;
    {
        Game g;
        g.dataHome = data;
        if (!g.start(GORVATH_BINARY)) GTEST_SKIP() << "no display";
        g.desk.click(400, 228);  // New Game
        live = g.waitArmed(1);
        // Three quick clicks on the angle's up arrow: one, a double-click's ten, and one more. Player 1
        // thinks for six seconds; then three quick shots.
        g.desk.window("mousemove 153 25 click --repeat 3 --delay 150 1");
        sleepMs(6000);
        for (int player : {1, 2, 1, 2}) {
            g.waitArmed(player);
            g.desk.key("space");
            EXPECT_TRUE(panelOut(g.waitFor([&](const Screenshot& s) { return panelOut(s, player); }, 10), player))
                << "player " << player << "'s panel did not slide away";
        }
        g.waitArmed(1);
        g.process->kill();  // as a crash would end it
    }
    for (const auto& e : std::filesystem::directory_iterator(data + "/gorvath/replays")) record = e.path().string();
    ASSERT_FALSE(record.empty()) << "no record";

    auto [status, said] = verify(record);
    EXPECT_TRUE(status == 0 && said.find(": ok, 4 shots") != std::string::npos) << said;

    // The first shot went with the angle 45 stepped up by twelve. The second shot's force changed: the
    // verification names its turn.
    std::ifstream in(record);
    std::ostringstream changed;
    int fires = 0;
    std::string first;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("fire ", 0) == 0 && ++fires == 1) first = line;
        if (line.rfind("fire ", 0) == 0 && fires == 2) line = "fire 2 7" + line.substr(line.find(' ', 7));
        changed << line << "\n";
    }
    EXPECT_EQ(first.rfind("fire 1 100 57 @", 0), 0u) << first;
    const std::string other = data + "/changed.replay";
    std::ofstream(other) << changed.str();
    std::tie(status, said) = verify(record + " " + other);
    EXPECT_TRUE(status == 1 && said.find("changed.replay: differs at turn 2") != std::string::npos) << said;

    // Watching: the same battlefield when player 1 is first armed; Right fires without the six seconds'
    // wait; Esc leaves to the menu.
    Game w;
    w.dataHome = tempDir("gv-watch");
    w.args = {"--replay", record};
    ASSERT_TRUE(w.start(GORVATH_BINARY));
    Screenshot watched = w.waitArmed(1);
    EXPECT_GT(alike(live, watched, 130), 0.97);  // the battlefield below the panels
    w.desk.key("Right");
    Screenshot fired = w.waitFor([](const Screenshot& s) { return panelOut(s, 1); }, 3);
    EXPECT_TRUE(panelOut(fired, 1)) << "Right did not fire the first shot at once";
    w.waitArmed(2);
    w.desk.key("Escape");
    w.waitMenu();
    EXPECT_TRUE(w.process->running() && std::filesystem::is_empty(w.dataHome)) << "it stopped, or recorded the battle again";
}

}  // namespace
}  // namespace gv::e2e
