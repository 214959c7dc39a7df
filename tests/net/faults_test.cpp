// A link that never hangs: a peer that vanishes during each of the four waits, and messages that cannot
// be played on.
#include "net_support.h"

namespace gv::nettest {
namespace {

struct NetFaults : NetGameTest {
    // Vanishes when the game is in the state `waiting` describes, as a killed program would.
    std::unique_ptr<Timer> killer;
    bool killed = false;
    void killWhen(std::function<bool()> waiting, bool reset = false) {
        killer = std::make_unique<Timer>(loop, "killer", 5);
        killer->onTimer = [this, waiting, reset] {
            if (killed || !waiting()) return;
            killed = true;
            reset ? peer.reset() : peer.close();
        };
        killer->setEnabled(true);
    }
};

TEST_F(NetFaults, PeerGoneWhileTheHostWaitsForItsDrawing) {
    start();
    ASSERT_NO_FATAL_FAILURE(hostForPeer(kFaultHostDrawn));
    // The joiner takes the seed and is never heard of again.
    peer.onLine([&](const std::string& line) {
        if (line == "drawingok") peer.close();
    });
    game.click(game.novahra);  // returns once the wait has ended
    EXPECT_TRUE(peer.heardLine("drawingok"));
    EXPECT_FALSE(game.Label8(1).visible());
    ASSERT_NO_FATAL_FAILURE(expectRecovered());
}

TEST_F(NetFaults, PeerGoneWhileTheJoinerWaitsForTheHostsDrawing) {
    start();
    ASSERT_NO_FATAL_FAILURE(joinPeer(kFaultJoinDrawn));
    peer.onLine([&](const std::string& line) {
        if (line == "drawingok") peer.reset();
    });
    peer.say("R8086");
    ASSERT_TRUE(until([&] { return peer.heardLine("drawingok") && game.state.GameMode == 1; }));
    ASSERT_NO_FATAL_FAILURE(expectRecovered());
}

TEST_F(NetFaults, PeerGoneWhileTheHostWaitsAtTheHandOver) {
    start();
    ASSERT_NO_FATAL_FAILURE(hostForPeer(kFaultHostShot));
    peerPlaysJoiner();
    game.click(game.novahra);
    ASSERT_TRUE(game.Command1.enabled());
    peer.onLine([&](const std::string& line) {
        if (line == "bullfired") peer.close();
    });
    game.click(game.Command1);
    ASSERT_TRUE(until([&] { return game.state.GameMode == 1; }));
    EXPECT_TRUE(peer.heardLine("bullfired"));
    ASSERT_NO_FATAL_FAILURE(expectRecovered());
}

TEST_F(NetFaults, PeerGoneWhileTheJoinerWaitsAtTheHandOver) {
    start();
    ASSERT_NO_FATAL_FAILURE(joinPeer(kFaultJoinShot));
    ASSERT_NO_FATAL_FAILURE(battleFromPeer("600"));
    // The host fires; ours is done with the shot first and waits for the host's "bullfired".
    peer.onLine([&](const std::string&) {});
    killWhen([&] { return peer.heardLine("bullfired") && game.state.PeerShotDone == False; }, true);
    peer.say("S70U45");
    ASSERT_TRUE(until([&] { return killed && game.state.GameMode == 1; }));
    ASSERT_NO_FATAL_FAILURE(expectRecovered());
}

TEST_F(NetFaults, PeerGoneWhileTheJoinerWaitsForTheQuakeSeed) {
    start();
    ASSERT_NO_FATAL_FAILURE(joinPeer(kFaultQuake));
    ASSERT_NO_FATAL_FAILURE(battleFromPeer("3000"));
    // The host's player holds the quake and fires it into the middle of the field.
    game.weapon1.tag = "9";
    bool waited = false;
    killWhen([&] {
        waited = game.bullettimer.running() && !game.bullet.visible() && game.state.PeerSeedReady == False;
        return waited;
    });
    peer.say("S" + std::to_string(forceToward(game, 1, 400)) + "U45");
    ASSERT_TRUE(until([&] { return killed && game.state.GameMode == 1; }));
    EXPECT_TRUE(waited);
    ASSERT_NO_FATAL_FAILURE(expectRecovered());
}

TEST_F(NetFaults, PeerGoneWhileTheJoinerWaitsForTheCrate) {
    start();
    ASSERT_NO_FATAL_FAILURE(joinPeer(kFaultCrate));
    ASSERT_NO_FATAL_FAILURE(battleFromPeer("4000"));
    // The host answers the hand-over but never says which crate drops.
    peer.onLine([&](const std::string& line) {
        if (line != "bullfired") return;
        peer.say("bullfired");
        peer.say("W-3");
    });
    killWhen([&] {
        return game.showit.running() && game.state.BonusActive == True && game.state.PeerBonusKind == 0 &&
               !game.bonuspic.visible();
    });
    peer.say("S100U45");
    ASSERT_TRUE(until([&] { return killed && game.state.GameMode == 1; }));
    ASSERT_TRUE(until([&] { return !game.showit.enabled(); }));
    EXPECT_EQ(game.state.BonusActive, False);  // no crate at all, never one of kind 0
    EXPECT_FALSE(game.bonuspic.visible());
    EXPECT_FALSE(game.bonusfalltimer.enabled());
    ASSERT_NO_FATAL_FAILURE(expectRecovered());
}

struct NetOverlong : NetFaults {
    void check() {
        ASSERT_TRUE(until([&] { return game.state.GameMode == 1; }));
        EXPECT_TRUE(peer.heardLine("disconnect"));
        ASSERT_TRUE(until([&] { return peer.closedByGame(); }));
        expectBackAtMenu();
        EXPECT_TRUE(game.Label8(1).visible());
        EXPECT_EQ(game.Label8(1).caption(), "Network error");
        EXPECT_GT(game.Label8(1).top(), game.Frame3.top() + game.Frame3.height());  // below the menu, in view
        // New Game puts the banner back over the battlefield with its own text.
        game.click(game.novahra);
        EXPECT_EQ(game.Label8(1).top(), 264);
        EXPECT_EQ(game.Label8(1).caption(), "Creating game...");
        EXPECT_EQ(game.Label8(1).foreColour, rgb(0, 255, 0));
    }
};

TEST_F(NetOverlong, AMessageOverSixtyFourBytesEndsTheLinkWhateverItsKey) {
    start();
    ASSERT_NO_FATAL_FAILURE(joinPeer(kOverlong));
    peer.say(std::string(64, 'x'));  // 64 is still a message (an unknown one)
    peer.say("W1");
    ASSERT_TRUE(until([&] { return game.state.Wind == 1; }));
    peer.say(std::string(65, 'x'));
    check();
}

TEST_F(NetOverlong, FourKilobytesWithoutALineFeedEndTheLink) {
    start();
    ASSERT_NO_FATAL_FAILURE(joinPeer(kOverlong + 4));
    peer.send(std::string(4096, 'a'));
    loop.runFor(200);
    EXPECT_EQ(game.state.GameMode, 4);  // still waiting for the rest
    peer.send("a");
    check();
}

TEST_F(NetFaults, AClosedWindowDispatchesNothingMore) {
    start();
    ASSERT_NO_FATAL_FAILURE(joinPeer(kUnloaded));
    // The window closes while the joiner builds inside "R", with more of the host's messages waiting:
    // the winds come in one read once the building is under way, and the window goes after the first.
    Timer closer(loop, "closer", 1);
    bool sent = false;
    double windAtClose = 0;
    closer.onTimer = [&] {
        if (game.state.WorldBusy != True || game.unloaded()) return;
        if (!sent) {
            peer.send("W5\nW6\nW7\nW8\nexit\n");
            sent = true;
        } else if (game.state.Wind >= 5) {
            windAtClose = game.state.Wind;
            game.unload();
        }
    };
    closer.setEnabled(true);
    peer.say("R123");
    ASSERT_TRUE(until([&] { return game.unloaded(); }));
    ASSERT_TRUE(until([&] { return peer.closedByGame(); }));
    loop.runFor(2000);
    EXPECT_LT(windAtClose, 8);
    EXPECT_EQ(game.state.Wind, windAtClose);
    EXPECT_EQ(game.state.SendText, "disconnect");
    EXPECT_TRUE(peer.heardLine("disconnect"));
    EXPECT_FALSE(peer.heardLine("drawingok"));
    EXPECT_FALSE(game.continue_.enabled());  // "exit" was never taken
    EXPECT_EQ(game.tcpcontrol.state(), TcpSocket::Closed);
}

// Each malformed message, sent by a real game, ends the link cleanly on both sides.
struct NetMalformed : NetPairTest {};

TEST_F(NetMalformed, EachMalformedMessageEndsTheLinkOnBothSides) {
    start();
    struct Case {
        std::string text;
        bool fromHost;  // a host's message goes to the joiner, a joiner's to the host
    };
    const std::vector<Case> cases = {
        {"SU45", false},       {"S100U", false},     {"S100", false},      {"SabcU45", true},
        {"S100Ux", true},      {"S1e5U3", false},    {"S10 U5", false},    {"S 10U5", false},
        {"S10\tU5", false},    {"B", true},          {"Bxx412", true},     {"B00412", true},
        {"B14612", true},      {"B07112", true},     {"B07812", true},     {"B07415", true},
        {"B074784", true},     {"B0741.5", true},    {"R86400", true},     {"R-1", true},
        {"R12.5", true},       {"R", true},          {"Rabc", true},       {"E", true},
        {"E86400", true},      {"Eabc", true},       {"W30", true},        {"W-31", true},
        {"W2.5", true},        {"W", true},          {"Wx", true},         {"drawingokW99", true},
        {"drawingokX", false}, {"bullfiredW", true}, {"bullfiredWx", true}, {"H12", false},
        {"H:5", false},        {"Hx:5", true},       {"H1:x", true},       {"S10U5\x7f", false},
        {"W\xc3\xa9", true},   {"R1\x01", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_NO_FATAL_FAILURE(connect(kMalformed));
        Mainfrm& from = c.fromHost ? host : joiner;
        Mainfrm& to = c.fromHost ? joiner : host;
        from.SendMessage(c.text);
        ASSERT_TRUE(until([&] { return host.state.GameMode == 1 && joiner.state.GameMode == 1; }));
        ASSERT_TRUE(until([&] {
            return host.tcpcontrol.state() == TcpSocket::Closed && joiner.tcpcontrol.state() == TcpSocket::Closed;
        }));
        EXPECT_EQ(to.Label8(1).caption(), "Network error");
        EXPECT_TRUE(to.Label8(1).visible());
        EXPECT_FALSE(from.Label8(1).visible());  // the sender only hears "disconnect"
        for (Mainfrm* g : {&host, &joiner}) {
            EXPECT_TRUE(g->Frame3.visible());
            EXPECT_TRUE(g->Option1.value());
            EXPECT_TRUE(g->novahra.enabled());
            EXPECT_TRUE(g->PeerGone());
        }
    }
}

}  // namespace
}  // namespace gv::nettest
