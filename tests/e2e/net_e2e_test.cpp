// Two real copies of the game, each on its own screen, playing over a real TCP connection on this machine.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "../support/natlab.h"
#include "../support/ports.h"
#include "desktop.h"

namespace gv::e2e {
namespace {

// Where the menu's controls are on the screen.
constexpr int kOption3X = 455, kOption3Y = 256;  // "2 over the network"
constexpr int kHostX = 400, kHostY = 228;        // Command3, and New Game under it once the panel is gone
constexpr int kJoinX = 400, kJoinY = 276;        // Command4
constexpr int kNameX = 400, kNameY = 306;        // compname
// The invite panel beside the network panel: Invite, the box a code is pasted into, Use code.
constexpr int kInviteX = 679, kInviteY = 236, kPasteX = 679, kPasteY = 325, kUseX = 679, kUseY = 354;

// The share of the battlefield (below the panels) that two screens show alike.
double sameField(const Screenshot& a, const Screenshot& b) { return alike(a, b, 80); }

// The host's steps: the network panel, Host.
void hostGame(Game& g) { g.desk.click(kOption3X, kOption3Y), g.desk.click(kHostX, kHostY); }

// The joiner's: the network panel, the host's address typed over the name, Join.
void join(Game& joiner, const std::string& address) {
    joiner.desk.click(kOption3X, kOption3Y);
    joiner.desk.click(kNameX, kNameY);  // selects the whole name, so typing replaces it
    std::string keys;
    for (char c : address)
        keys += std::string(keys.empty() ? "" : " ") + (c == ':' ? "colon" : c == '.' ? "period" : std::string(1, c));
    joiner.desk.key(keys);
    joiner.desk.click(kJoinX, kJoinY);
}

// Both; the host's network panel has gone once the joiner is linked: its New Game button is back as `menu` had it.
void link(Game& host, Game& joiner, const std::string& address, const Screenshot& menu) {
    hostGame(host);
    join(joiner, address);
    // Inside its frame, which shows where the focus is.
    auto linked = [&](const Screenshot& s) { return s.differs(menu, 278, 212, 522, 244) < 50; };
    ASSERT_TRUE(linked(host.waitFor(linked, 20))) << "the joiner did not get through";
}

// Screenshots of both screens once they show the same battlefield (the host's wind reaches the joiner
// after its "drawingok").
std::pair<Screenshot, Screenshot> bothAlike(Game& host, Game& joiner) {
    Screenshot j;
    Screenshot h = host.waitFor([&](const Screenshot& s) { return sameField(s, j = joiner.desk.screenshot()) > 0.99; }, 10);
    if (sameField(h, j) <= 0.99 && j.savePng(std::string(GORVATH_SHOTS) + "/joiner-differs.png"))
        std::fprintf(stderr, "the joiner's screen: %s/joiner-differs.png\n", GORVATH_SHOTS);
    return {h, j};
}

// What the link says over the battlefield while it waits for the other player.
bool saysItWaits(const Screenshot& w) { return w.count(0x00FF00, 90, 264, 160, 300) >= 20; }

// The battle goes on at `player`'s turn: the host waits for the other no more, and both screens show that
// player armed and the same battlefield.
void goesOn(Game& host, Game& joiner, int player, const char* what) {
    EXPECT_FALSE(saysItWaits(host.waitFor([](const Screenshot& s) { return !saysItWaits(s); }, 15))) << what;
    EXPECT_TRUE(armed(host.waitArmed(player), player) && armed(joiner.waitArmed(player), player)) << what;
    auto [h, j] = bothAlike(host, joiner);
    EXPECT_GT(sameField(h, j), 0.99) << what;
}

// New Game on the linked host: both build the same battlefield, and the host's shot, then the joiner's,
// fly alike on both screens, the turn passing on both.
void firstShots(Game& host, Game& joiner) {
    host.desk.click(kHostX, kHostY);  // New Game: the joiner follows
    ASSERT_TRUE(armed(host.waitArmed(1), 1)) << "the host's battle did not start";
    ASSERT_TRUE(armed(joiner.waitArmed(1), 1)) << "the joiner did not follow";
    goesOn(host, joiner, 1, "the two copies built different battlefields");
    host.desk.key("space");
    goesOn(host, joiner, 2, "the host's shot: the joiner was not armed, or the battlefields differ");
    joiner.desk.key("space");
    goesOn(host, joiner, 1, "the joiner's shot: the turn did not come back to the host, or the battlefields differ");
}

// (A link cut under a battle and resumed is the network battle tests' own, over real loopback sockets.)
TEST(NetworkE2E, HostAndJoinerBuildTheSameBattlefieldShareShotsAndTheHostSurvivesAKilledJoiner) {
    Game host, joiner;
    const int port = testing::freePorts(2);  // the host's and the joiner's own
    host.args = {"--port", std::to_string(port)};
    if (!host.start(GORVATH_BINARY) || !joiner.start(GORVATH_BINARY)) GTEST_SKIP() << "no display";
    const Screenshot menu = host.waitMenu();
    ASSERT_NO_FATAL_FAILURE(link(host, joiner, "localhost:" + std::to_string(port), menu));

    ASSERT_NO_FATAL_FAILURE(firstShots(host, joiner));

    // The joiner's program dies: the host says it waits for its return, Esc takes it to its menu, and it
    // keeps running. What the link says over the battlefield reaches further left than "Creating game...".
    joiner.process->kill();
    EXPECT_TRUE(saysItWaits(host.waitFor(saysItWaits, 12))) << "the host did not say that it waits";
    host.desk.key("Escape");
    EXPECT_TRUE(atMenu(host.waitMenu()) && host.process->running()) << "the host did not return to its menu and run on";

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

// The Linux program hosts and the Windows program under Wine joins: both build the same battlefield and
// take turns, each shot flying alike on both screens and the hashes of both copies agreeing.
TEST(NetworkE2E, ALinuxHostAndAWindowsJoinerUnderWinePlayInStep) {
    if (!WindowsGame::program()) GTEST_SKIP() << "GORVATH_WINDOWS_PROGRAM names no Windows build to run under Wine";
    Game host;
    WindowsGame joiner;
    const int port = testing::freePorts(2);
    host.args = {"--port", std::to_string(port)};
    joiner.args = {"--port", std::to_string(port + 1)};
    if (!host.start(GORVATH_BINARY) || !joiner.start(WindowsGame::program())) GTEST_SKIP() << "no display";
    joiner.waitMenu(60);
    const Screenshot menu = host.waitMenu();
    ASSERT_NO_FATAL_FAILURE(link(host, joiner, "127.0.0.1:" + std::to_string(port), menu));
    host.desk.click(kHostX, kHostY);  // New Game: the joiner follows
    ASSERT_TRUE(armed(host.waitArmed(1), 1)) << "the host's battle did not start";
    ASSERT_TRUE(armed(joiner.waitArmed(1, 60), 1)) << "the joiner did not follow";
    goesOn(host, joiner, 1, "the two copies built different battlefields");
    for (int shot = 0; shot < 4; ++shot) {
        (shot % 2 == 0 ? host : joiner).desk.key("space");
        goesOn(host, joiner, shot % 2 == 0 ? 2 : 1, "a shot flew otherwise on the two copies");
    }

    // On to the battle's end, the joiner stepping the expert's aims into its boxes with the arrow keys.
    // Both copies end it alike, and each one's record, its hashes compared with the other's, computes the
    // same on Linux.
    auto hostRecord = [&] { return newestIn(host.runtime + "/gorvath/replays"); };
    auto joinerRecord = [&] { return newestIn(joiner.appData() + "/replays"); };
    const std::string end = PlayToTheEnd({&host, &joiner}, 2, joinerRecord, 80);
    ASSERT_TRUE(end.rfind("end won ", 0) == 0 || end.rfind("end both", 0) == 0) << "the battle did not end: " << end;
    const auto [status, said] = run(std::string(GORVATH_BINARY) + " --verify-replay " + hostRecord() + " " + joinerRecord());
    const std::string result = end.substr(0, end.find(" @"));
    EXPECT_TRUE(status == 0 && said.find("stops before") == std::string::npos) << said;
    const std::string hostEnd = lastLineOf(hostRecord());
    EXPECT_EQ(hostEnd.substr(0, hostEnd.find(" @")), result) << "the host ended the battle otherwise";
    EXPECT_TRUE(host.process->running() && joiner.process->running());
}

// Two copies behind carrier-grade NATs in the NAT lab, which no hole can be punched through, each on a
// screen of its own: the invite and its answer go from one player's clipboard to the other's as a chat
// program would take them, and the battle is played through the relay, both menus saying so.
TEST(NetworkE2E, CopiesBehindCarrierGradeNatsLinkByInviteCodesThroughTheClipboard) {
    testing::NatLab lab(testing::NatLab::Router::CarrierGrade, testing::NatLab::Router::CarrierGrade);
    if (!lab.ready()) GTEST_SKIP() << lab.why();
    if (run("command -v xclip").first != 0) GTEST_SKIP() << "no xclip to pass the codes on";
    Game host, joiner;
    for (auto [g, p] : {std::pair{&host, testing::NatLab::Player::A}, std::pair{&joiner, testing::NatLab::Player::B}}) {
        g->launcher = {"ip", "netns", "exec", lab.name(p)};
        std::filesystem::create_directories(g->runtime + "/gorvath");
        std::ofstream(g->runtime + "/gorvath/settings.ini")
            << "gorvath-settings 1\nnet.stun = " << testing::NatLab::kServer << "\nnet.turn = turn:" << testing::NatLab::kUser
            << ":" << testing::NatLab::kPassword << "@" << testing::NatLab::kServer << "\n";
    }
    if (!host.start(GORVATH_BINARY) || !joiner.start(GORVATH_BINARY)) GTEST_SKIP() << "no display";
    const Screenshot menu = host.waitMenu();
    joiner.waitMenu();
    // What a screen's clipboard holds, and a text put there (xclip serves it until a few pastes are done).
    auto clipboard = [](const Game& g) {
        return run("xclip -o -selection clipboard -t UTF8_STRING -display " + g.desk.display() + " 2>/dev/null").second;
    };
    auto give = [](const Game& g, const std::string& text) {
        run("printf %s '" + text + "' | xclip -i -loops 4 -selection clipboard -t UTF8_STRING -display " + g.desk.display() +
            " >/dev/null 2>&1 &");
    };
    auto waitCode = [&](const Game& g, const std::string& other) {
        for (int i = 0; i < 300; ++i) {
            const std::string c = clipboard(g);
            if (c.rfind("GV1-", 0) == 0 && c != other) return c;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return std::string();
    };
    auto useCode = [](Game& g) { g.desk.click(kPasteX, kPasteY), g.desk.key("ctrl+v"), g.desk.click(kUseX, kUseY); };

    host.desk.click(kOption3X, kOption3Y), host.desk.click(kInviteX, kInviteY);
    const std::string offer = waitCode(host, "");
    ASSERT_FALSE(offer.empty()) << "no invite on the host's clipboard";
    joiner.desk.click(kOption3X, kOption3Y);
    give(joiner, offer);
    useCode(joiner);
    const std::string answer = waitCode(joiner, offer);
    ASSERT_FALSE(answer.empty()) << "no answer on the joiner's clipboard";
    give(host, answer);
    useCode(host);
    auto linked = [&](const Screenshot& s) { return s.differs(menu, 278, 212, 522, 244) < 50; };
    ASSERT_TRUE(linked(host.waitFor(linked, 30))) << "the invite did not link the copies";
    for (Game* g : {&host, &joiner}) {
        std::ifstream log(g->runtime + "/log.txt");
        const std::string said((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
        EXPECT_NE(said.find("found a way to the other player: relayed"), std::string::npos) << said;
        g->desk.screenshot().savePng(std::string(GORVATH_SHOTS) + (g == &host ? "/relayed-host.png" : "/relayed-joiner.png"));
    }
    run("pkill -f 'xclip -i -loops 4 .* -display (" + host.desk.display() + "|" + joiner.desk.display() + ")$'");

    ASSERT_NO_FATAL_FAILURE(firstShots(host, joiner));
}

// Each program is killed in the battle in turn and started again, and the battle goes on where it was:
// the joiner's at its own turn, the host's after the joiner's shot. In a network namespace of the test's
// own, so that nothing of it leaves this machine.
TEST(NetworkE2E, AKilledJoinerAndAKilledHostStartedAgainGoOnWithTheBattle) {
    if (!ownNetwork()) GTEST_SKIP() << "no network namespace of our own (it takes root)";
    const int port = testing::freePorts(2);
    const std::string address = "127.0.0.1:" + std::to_string(port), hostData = tempDir("gv-host"),
                      joinerData = tempDir("gv-joiner");
    std::unique_ptr<Game> host, joiner;
    // A copy started (again) with its own battle records.
    auto start = [&](std::unique_ptr<Game>& g, const std::string& data) {
        g = std::make_unique<Game>();
        g->dataHome = data;
        g->args = {"--port", std::to_string(port)};
        return g->start(GORVATH_BINARY) && atMenu(g->waitMenu());
    };
    if (!start(host, hostData) || !start(joiner, joinerData)) GTEST_SKIP() << "no display";
    ASSERT_NO_FATAL_FAILURE(link(*host, *joiner, address, host->desk.screenshot()));
    host->desk.click(kHostX, kHostY);
    ASSERT_TRUE(armed(host->waitArmed(1), 1)) << "the battle did not start";
    host->desk.key("space");
    goesOn(*host, *joiner, 2, "the host's shot");

    joiner->process->kill();
    ASSERT_TRUE(saysItWaits(host->waitFor(saysItWaits, 12))) << "the host did not say that it waits";
    ASSERT_TRUE(start(joiner, joinerData));
    join(*joiner, address);
    goesOn(*host, *joiner, 2, "the joiner started again");
    joiner->desk.key("space");
    goesOn(*host, *joiner, 1, "the joiner's shot");

    host->process->kill();
    ASSERT_TRUE(saysItWaits(joiner->waitFor(saysItWaits, 12))) << "the joiner did not say that it waits";
    ASSERT_TRUE(start(host, hostData));
    hostGame(*host);
    goesOn(*host, *joiner, 1, "the host started again");
    host->desk.key("space");
    goesOn(*host, *joiner, 2, "the host's shot after it came back");
}

}  // namespace
}  // namespace gv::e2e
