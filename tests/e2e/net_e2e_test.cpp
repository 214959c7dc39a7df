// Two real copies of the game, each on its own screen, playing over a real TCP connection on this machine.
#include <gtest/gtest.h>

#include <csignal>
#include <tuple>

#include "assets/pictures.h"
#include "desktop.h"

namespace gv::e2e {
namespace {

// Where the menu's controls are on the screen.
constexpr int kOption3X = 455, kOption3Y = 256;  // "2 over the network"
constexpr int kHostX = 400, kHostY = 228;        // Command3, and New Game under it once the panel is gone
constexpr int kJoinX = 400, kJoinY = 276;        // Command4
constexpr int kNameX = 400, kNameY = 306;        // compname

// The share of the battlefield (below the panels) that two screens show alike.
double sameField(const Screenshot& a, const Screenshot& b) {
    if (a.width != b.width || a.height != b.height || a.width == 0) return 0;
    long same = 0, all = 0;
    for (int y = 80; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x, ++all) same += a.at(x, y) == b.at(x, y);
    return double(same) / double(all);
}

// The joiner's steps: the network panel, the host's name, Join.
void join(Game& joiner) {
    joiner.desk.click(kOption3X, kOption3Y);
    joiner.desk.click(kNameX, kNameY);  // selects the whole name, so typing replaces it
    joiner.desk.key("l o c a l h o s t");
    joiner.desk.click(kJoinX, kJoinY);
}

// The host's network panel has gone once a joiner is linked: its New Game button is back as the menu had it.
void waitLinked(Game& host, const Screenshot& menu) {
    auto linked = [&](const Screenshot& s) {
        int differ = 0;
        for (int y = 212; y < 244; ++y)  // inside its frame, which shows where the focus is
            for (int x = 278; x < 522; ++x) differ += s.at(x, y) != menu.at(x, y);
        return differ < 50;
    };
    ASSERT_TRUE(linked(host.waitFor(linked, 20))) << "the joiner did not get through";
}

// Screenshots of both screens once they show the same battlefield (the host's wind reaches the joiner
// after its "drawingok").
std::pair<Screenshot, Screenshot> bothAlike(Game& host, Game& joiner) {
    Screenshot j;
    Screenshot h = host.waitFor([&](const Screenshot& s) { return sameField(s, j = joiner.desk.screenshot()) > 0.99; }, 10);
    return {h, j};
}

TEST(NetworkE2E, HostAndJoinerBuildTheSameBattlefieldShareAShotAndTheHostSurvivesAKilledJoiner) {
    Game host, joiner;
    if (!host.start(GORVATH_BINARY) || !joiner.start(GORVATH_BINARY)) GTEST_SKIP() << "no display";
    const Screenshot atMenu = host.waitMenu();
    host.desk.click(kOption3X, kOption3Y);
    host.desk.click(kHostX, kHostY);
    join(joiner);
    ASSERT_NO_FATAL_FAILURE(waitLinked(host, atMenu));

    host.desk.click(kHostX, kHostY);  // New Game: the joiner follows
    ASSERT_GT(shown(host.waitArmed(1), *assets::picture("fbutt1"), 224, 8), 0.95) << "the host's battle did not start";
    ASSERT_GT(shown(joiner.waitArmed(1), *assets::picture("fbutt1"), 224, 8), 0.95) << "the joiner did not follow";
    auto [h, j] = bothAlike(host, joiner);
    EXPECT_GT(sameField(h, j), 0.99) << "the two copies built different battlefields";

    // The host fires; the shell flies on both screens and the turn passes to the joiner on both.
    host.desk.key("space");
    host.waitArmed(2);
    EXPECT_GT(shown(joiner.waitArmed(2), *assets::picture("fbutt1"), 512, 8), 0.95) << "the joiner was not armed";
    std::tie(h, j) = bothAlike(host, joiner);
    EXPECT_GT(sameField(h, j), 0.99) << "the shot left different battlefields";

    // The joiner's program dies: the host goes back to its menu, says why, and keeps running.
    joiner.process->kill();
    Screenshot menu = host.waitMenu();
    EXPECT_GE(menu.count(0x00FF00, 240, 136, 561, 180), 200) << "the host did not return to its menu";
    EXPECT_GE(menu.count(0x00FFFF, 0, 508, 800, 570), 200) << "no reason below the menu";  // yellow, red first
    EXPECT_TRUE(host.process->running());

    // A second joiner is stopped (as by Ctrl+Z) while the host builds the battlefield: five seconds on the
    // host says it is waiting (the screen is looked at for longer, for a loaded machine), and Esc takes it
    // back to its menu.
    Game stopped;
    if (!stopped.start(GORVATH_BINARY)) GTEST_SKIP() << "no display";
    host.desk.click(kOption3X, kOption3Y);
    host.desk.click(kHostX, kHostY);
    join(stopped);
    ASSERT_NO_FATAL_FAILURE(waitLinked(host, atMenu));
    host.desk.click(kHostX, kHostY);
    ::kill(stopped.process->pid(), SIGSTOP);
    // "Waiting for the other player..." over the battlefield, the only banner there with a second line.
    auto saysItWaits = [](const Screenshot& w) { return w.count(0x00FF00, 250, 322, 550, 372) >= 20; };
    EXPECT_TRUE(saysItWaits(host.waitFor(saysItWaits, 12))) << "the host did not say that it waits";
    host.desk.key("Escape");
    menu = host.waitMenu();
    EXPECT_GE(menu.count(0x00FF00, 240, 136, 561, 180), 200) << "Esc did not take the host back to its menu";
    ::kill(stopped.process->pid(), SIGCONT);
}

}  // namespace
}  // namespace gv::e2e
