// Two real copies of the game, each on its own screen, playing over a real TCP connection on this machine.
#include <gtest/gtest.h>

#include <csignal>
#include <tuple>

#include "../support/ports.h"
#include "desktop.h"

namespace gv::e2e {
namespace {

// Where the menu's controls are on the screen.
constexpr int kOption3X = 455, kOption3Y = 256;  // "2 over the network"
constexpr int kHostX = 400, kHostY = 228;        // Command3, and New Game under it once the panel is gone
constexpr int kJoinX = 400, kJoinY = 276;        // Command4
constexpr int kNameX = 400, kNameY = 306;        // compname

// The share of the battlefield (below the panels) that two screens show alike.
double sameField(const Screenshot& a, const Screenshot& b) { return alike(a, b, 80); }

// The host's steps (the network panel, Host) and the joiner's (the panel, the host's address, Join); the
// host's network panel has gone once the joiner is linked: its New Game button is back as `menu` had it.
void link(Game& host, Game& joiner, const std::string& address, const Screenshot& menu) {
    host.desk.click(kOption3X, kOption3Y);
    host.desk.click(kHostX, kHostY);
    joiner.desk.click(kOption3X, kOption3Y);
    joiner.desk.click(kNameX, kNameY);  // selects the whole name, so typing replaces it
    std::string keys;
    for (char c : address)
        keys += std::string(keys.empty() ? "" : " ") + (c == ':' ? "colon" : c == '.' ? "period" : std::string(1, c));
    joiner.desk.key(keys);
    joiner.desk.click(kJoinX, kJoinY);
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

// (A link cut under a battle and resumed is the network battle tests' own, over real loopback sockets.)
TEST(NetworkE2E, HostAndJoinerBuildTheSameBattlefieldShareShotsAndTheHostSurvivesAKilledJoiner) {
    Game host, joiner;
    const int port = testing::freePorts(2);  // the host's and the joiner's own
    host.args = {"--port", std::to_string(port)};
    if (!host.start(GORVATH_BINARY) || !joiner.start(GORVATH_BINARY)) GTEST_SKIP() << "no display";
    const Screenshot menu = host.waitMenu();
    ASSERT_NO_FATAL_FAILURE(link(host, joiner, "localhost:" + std::to_string(port), menu));

    host.desk.click(kHostX, kHostY);  // New Game: the joiner follows
    ASSERT_TRUE(armed(host.waitArmed(1), 1)) << "the host's battle did not start";
    ASSERT_TRUE(armed(joiner.waitArmed(1), 1)) << "the joiner did not follow";
    auto [h, j] = bothAlike(host, joiner);
    EXPECT_GT(sameField(h, j), 0.99) << "the two copies built different battlefields";

    // The host fires; the shell flies on both screens and the turn passes to the joiner on both.
    host.desk.key("space");
    host.waitArmed(2);
    EXPECT_TRUE(armed(joiner.waitArmed(2), 2)) << "the joiner was not armed";
    std::tie(h, j) = bothAlike(host, joiner);
    EXPECT_GT(sameField(h, j), 0.99) << "the shot left different battlefields";

    // The joiner's shot flies on both screens too.
    joiner.desk.key("space");
    host.waitArmed(1);
    EXPECT_TRUE(armed(joiner.waitArmed(1), 1)) << "the turn did not come back to the host";
    std::tie(h, j) = bothAlike(host, joiner);
    EXPECT_GT(sameField(h, j), 0.99) << "the joiner's shot left different battlefields";

    // The joiner's program dies: the host says it waits for its return, Esc takes it to its menu, and it
    // keeps running. What the link says over the battlefield reaches further left than "Creating game...".
    auto saysItWaits = [](const Screenshot& w) { return w.count(0x00FF00, 90, 264, 160, 300) >= 20; };
    joiner.process->kill();
    EXPECT_TRUE(saysItWaits(host.waitFor(saysItWaits, 12))) << "the host did not say that it waits";
    host.desk.key("Escape");
    EXPECT_TRUE(atMenu(host.waitMenu())) << "the host did not return to its menu";
    EXPECT_TRUE(host.process->running());

    // A second joiner is stopped (as by Ctrl+Z) while the host builds the battlefield: five seconds on the
    // host says it is waiting (the screen is looked at for longer, for a loaded machine), and Esc takes it
    // back to its menu.
    Game stopped;
    if (!stopped.start(GORVATH_BINARY)) GTEST_SKIP() << "no display";
    ASSERT_NO_FATAL_FAILURE(link(host, stopped, "localhost:" + std::to_string(port), menu));
    host.desk.click(kHostX, kHostY);
    ::kill(stopped.process->pid(), SIGSTOP);
    EXPECT_TRUE(saysItWaits(host.waitFor(saysItWaits, 12))) << "the host did not say that it waits";
    host.desk.key("Escape");
    EXPECT_TRUE(atMenu(host.waitMenu())) << "Esc did not take the host back to its menu";
    ::kill(stopped.process->pid(), SIGCONT);
}

}  // namespace
}  // namespace gv::e2e
