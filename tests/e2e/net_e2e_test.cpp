// Two real copies of the game, each on its own screen, playing over a real TCP connection on this machine.
#include <gtest/gtest.h>

#include <csignal>

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

TEST(NetworkE2E, HostAndJoinerBuildTheSameBattlefieldShareAShotAndTheHostSurvivesAKilledJoiner) {
    Game host, joiner;
    if (!host.start(GORVATH_BINARY) || !joiner.start(GORVATH_BINARY)) GTEST_SKIP() << "no display";

    host.desk.click(kOption3X, kOption3Y);
    host.desk.click(kHostX, kHostY);
    join(joiner);
    sleepMs(1500);
    joiner.save(joiner.desk.screenshot(), "net-joined.png");

    host.desk.click(kHostX, kHostY);  // New Game: the joiner follows
    Screenshot h = host.waitArmed(1), j = joiner.waitArmed(1);
    sleepMs(500);  // the host's wind reaches the joiner after its "drawingok"
    h = host.desk.screenshot();
    j = joiner.desk.screenshot();
    host.save(h, "net-host.png");
    joiner.save(j, "net-joiner.png");
    ASSERT_GT(shown(h, *assets::picture("fbutt1"), 224, 8), 0.95) << "the host's battle did not start";
    ASSERT_GT(shown(j, *assets::picture("fbutt1"), 224, 8), 0.95) << "the joiner did not follow into the battle";
    EXPECT_GT(sameField(h, j), 0.99) << "the two copies built different battlefields";

    // The host fires; the shell flies on both screens and the turn passes to the joiner on both.
    host.desk.key("space");
    h = host.waitArmed(2);
    j = joiner.waitArmed(2);
    sleepMs(300);
    h = host.desk.screenshot();
    j = joiner.desk.screenshot();
    host.save(h, "net-host-after.png");
    joiner.save(j, "net-joiner-after.png");
    EXPECT_GT(shown(j, *assets::picture("fbutt1"), 512, 8), 0.95) << "the joiner was not armed";
    EXPECT_GT(sameField(h, j), 0.99) << "the shot left different battlefields";

    // The joiner's program dies: the host goes back to its menu, says why, and keeps running.
    joiner.process->kill();
    Screenshot menu = host.waitMenu();
    host.save(menu, "net-host-alone.png");
    EXPECT_GE(menu.count(0x00FF00, 240, 136, 561, 180), 200) << "the host did not return to its menu";
    EXPECT_GE(menu.count(0x00FFFF, 0, 460, 800, 520), 200) << "no reason below the menu";  // yellow, red first
    EXPECT_TRUE(host.process->running());

    // A second joiner is stopped (as by Ctrl+Z) while the host builds the battlefield: five seconds on the
    // host says it is waiting (the screen is looked at for longer, for a loaded machine), and Esc takes it
    // back to its menu.
    Game stopped;
    if (!stopped.start(GORVATH_BINARY)) GTEST_SKIP() << "no display";
    host.desk.click(kOption3X, kOption3Y);
    host.desk.click(kHostX, kHostY);
    join(stopped);
    sleepMs(1500);
    host.desk.click(kHostX, kHostY);
    ::kill(stopped.process->pid(), SIGSTOP);
    // "Waiting for the other player..." over the battlefield, the only banner there with a second line.
    auto saysItWaits = [](const Screenshot& w) { return w.count(0x00FF00, 250, 322, 550, 372) >= 20; };
    Screenshot waiting = host.waitFor(saysItWaits, 12);
    host.save(waiting, "net-host-waiting.png");
    EXPECT_TRUE(saysItWaits(waiting)) << "the host did not say that it waits";
    host.desk.key("Escape");
    menu = host.waitMenu();
    host.save(menu, "net-host-left.png");
    EXPECT_GE(menu.count(0x00FF00, 240, 136, 561, 180), 200) << "Esc did not take the host back to its menu";
    ::kill(stopped.process->pid(), SIGCONT);
}

}  // namespace
}  // namespace gv::e2e
