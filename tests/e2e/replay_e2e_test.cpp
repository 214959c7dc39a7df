// A battle played in the real window, its aim stepped with the mouse, leaves its record, even when the
// program is killed; the record computes the same again, a changed shot is named, and watching it shows
// the same battle.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
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

// New Game, then three quick clicks on the angle's up arrow: one, a double-click's ten, and one more.
// Player 1 thinks for six seconds; then three quick shots, and the program is killed as a crash would end
// it. The battlefield as player 1 was first armed.
Screenshot playFourShotsAndCrash(Game& g) {
    g.desk.click(400, 228);  // New Game
    Screenshot live = g.waitArmed(1, 60);
    g.desk.window("mousemove 153 25 click --repeat 3 --delay 150 1", g.windowClass);
    sleepMs(6000);
    for (int player : {1, 2, 1, 2}) {
        g.waitArmed(player);
        g.desk.key("space");
        EXPECT_TRUE(panelOut(g.waitFor([&](const Screenshot& s) { return panelOut(s, player); }, 10), player))
            << "player " << player << "'s panel did not slide away";
    }
    g.waitArmed(1);
    g.process->kill();
    return live;
}

// Watching `record` in the Linux program: the same battlefield as `live` when player 1 is first armed.
Screenshot watchedStart(const std::string& record, Game& w) {
    w.dataHome = tempDir("gv-watch");
    w.args = {"--replay", record};
    EXPECT_TRUE(w.start(GORVATH_BINARY));
    return w.waitArmed(1);
}

TEST(ReplayE2E, AKilledBattleKeepsItsTurnsVerifiesAndPlaysBackTheSame) {
    const std::string data = tempDir("gv-data");
    Screenshot live;
    {
        Game g;
        g.dataHome = data;
        if (!g.start(GORVATH_BINARY)) GTEST_SKIP() << "no display";
        live = playFourShotsAndCrash(g);
    }
    const std::string record = newestIn(data + "/gorvath/replays");
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
    Screenshot watched = watchedStart(record, w);
    EXPECT_GT(alike(live, watched, 130), 0.97);  // the battlefield below the panels
    w.desk.key("Right");
    Screenshot fired = w.waitFor([](const Screenshot& s) { return panelOut(s, 1); }, 3);
    EXPECT_TRUE(panelOut(fired, 1)) << "Right did not fire the first shot at once";
    w.waitArmed(2);
    w.desk.key("Escape");
    w.waitMenu();
    EXPECT_TRUE(w.process->running() && std::filesystem::is_empty(w.dataHome)) << "it stopped, or recorded the battle again";
}

// The same battle on the Windows program under Wine: its record, written byte for byte as on Linux, computes
// the same on the Linux program, and watching it there shows the battlefield the Windows program showed.
TEST(ReplayE2E, ABattleOnWindowsUnderWineVerifiesAndPlaysBackOnLinux) {
    if (!WindowsGame::program()) GTEST_SKIP() << "GORVATH_WINDOWS_PROGRAM names no Windows build to run under Wine";
    Screenshot live;
    WindowsGame g;
    if (!g.start(WindowsGame::program())) GTEST_SKIP() << "no display";
    live = playFourShotsAndCrash(g);
    const std::string record = newestIn(g.appData() + "/replays");
    ASSERT_FALSE(record.empty()) << "no record in " << g.prefix;
    std::ifstream bytes(record, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(bytes)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.find('\r'), std::string::npos) << "the record's lines end otherwise than on Linux";
    auto [status, said] = verify(record);
    EXPECT_TRUE(status == 0 && said.find(": ok, 4 shots") != std::string::npos) << said;
    Game w;
    EXPECT_GT(alike(live, watchedStart(record, w), 130), 0.97);

    // A hot-seat battle on Windows played to its end through the window: player 1 steps the expert's aims
    // into its boxes with the arrow keys, player 2 fires as its boxes stand. Every shot and crate of it
    // computes the same on Linux.
    WindowsGame hotSeat;
    ASSERT_TRUE(hotSeat.start(WindowsGame::program()));
    hotSeat.waitMenu(60);
    hotSeat.desk.click(400, 228);  // New Game
    auto hotSeatRecord = [&] { return newestIn(hotSeat.appData() + "/replays"); };
    const std::string end = PlayToTheEnd({&hotSeat, &hotSeat}, 1, hotSeatRecord, 80);
    ASSERT_TRUE(end.rfind("end won ", 0) == 0 || end.rfind("end both", 0) == 0) << "the battle did not end: " << end;
    std::tie(status, said) = verify(hotSeatRecord());
    EXPECT_TRUE(status == 0 && said.find(": ok, ") != std::string::npos && said.find("stops before") == std::string::npos)
        << said;
}

}  // namespace
}  // namespace gv::e2e
