// Hosting and joining over a real loopback connection: the network panel, the mode options, Back with
// its hidden phrases, failed joins, a busy port and closing the window.
#include "net_support.h"

namespace gv::nettest {
namespace {

struct NetConnection : NetPairTest {};

TEST_F(NetConnection, HostJoinAndTheGreetingSetTheModes) {
    start();
    host.hostPort = joiner.hostPort = kConnect;
    host.joinPort = joiner.joinPort = kConnect + 1;

    host.click(host.Option3);
    EXPECT_TRUE(host.Frame4.visible());
    EXPECT_TRUE(host.Command3.isDefault());
    EXPECT_EQ(host.Label11.caption(), "Your network name: " + TcpSocket::localHostName());
    host.state.HellMode = host.state.HellVariant = True;  // from an earlier Back: hosting clears them
    host.click(host.Command3);
    EXPECT_EQ(host.Label11.caption(), "Waiting for opponent...");
    EXPECT_EQ(host.tcpcontrol.state(), TcpSocket::Listening);
    EXPECT_EQ(host.state.HellMode, False);
    EXPECT_EQ(host.state.HellVariant, False);

    joiner.click(joiner.Option3);
    joiner.click(joiner.compname);
    EXPECT_TRUE(joiner.Command4.isDefault());
    EXPECT_EQ(joiner.compname.selStart(), 0);
    EXPECT_EQ(joiner.compname.selLength(), int(joiner.compname.text().size()));
    for (char c : std::string("127.0.0.1")) joiner.typeChar(c);  // the selection is typed over
    EXPECT_EQ(joiner.compname.text(), "127.0.0.1");
    joiner.state.HellMode = True;
    joiner.click(joiner.Command4);
    EXPECT_EQ(joiner.Label11.caption(), "Connecting to 127.0.0.1");
    EXPECT_EQ(joiner.state.HellMode, False);

    ASSERT_TRUE(until([&] { return host.state.GameMode == 3 && joiner.state.GameMode == 4; }));
    EXPECT_FALSE(host.Frame4.visible());
    EXPECT_TRUE(host.novahra.enabled());
    EXPECT_FALSE(joiner.novahra.enabled());  // only the host starts battles
    // The host listens no more: a second joiner cannot take over the game.
    Mainfrm late{loop, testing::englishDesktop()};
    late.Form_Load();
    late.hostPort = kConnect;
    late.joinPort = kConnect + 1;
    late.click(late.Option3);
    late.compname.setText("127.0.0.1");
    late.click(late.Command4);
    ASSERT_TRUE(until([&] { return late.Label11.caption() != "Connecting to 127.0.0.1"; }));
    EXPECT_EQ(late.Label11.caption(), "Cannot connect to 127.0.0.1");
    EXPECT_EQ(host.tcpcontrol.state(), TcpSocket::Connected);
    // Choosing the network again while connected changes nothing.
    for (Mainfrm* g : {&host, &joiner}) {
        g->click(g->Option3);
        EXPECT_FALSE(g->Frame4.visible());
    }
    loop.runFor(500);
    EXPECT_EQ(host.state.GameMode, 3);
    EXPECT_EQ(joiner.state.GameMode, 4);
}

TEST_F(NetConnection, StrayConnectionsLeaveTheHostListening) {
    start();
    host.hostPort = joiner.hostPort = kStray;
    host.joinPort = joiner.joinPort = kStray + 1;
    host.click(host.Option3);
    host.click(host.Command3);
    // One connects and closes, one stays silent, one says something that is no greeting.
    RawPeer closer(loop), silent(loop), stranger(loop);
    for (RawPeer* p : {&closer, &silent, &stranger}) p->connect(kStray);
    ASSERT_TRUE(until([&] { return closer.connected() && silent.connected() && stranger.connected(); }));
    closer.close();
    stranger.say("GET / HTTP/1.1\r");
    ASSERT_TRUE(until([&] { return silent.closedByGame() && stranger.closedByGame(); }, 20000));
    EXPECT_FALSE(silent.heardLine("connectok"));
    EXPECT_EQ(host.tcpcontrol.state(), TcpSocket::Listening);
    EXPECT_EQ(host.Label11.caption(), "Waiting for opponent...");
    EXPECT_TRUE(host.Frame4.visible());
    // The real joiner still gets in.
    joiner.click(joiner.Option3);
    joiner.compname.setText("127.0.0.1");
    joiner.click(joiner.Command4);
    ASSERT_TRUE(until([&] { return host.state.GameMode == 3 && joiner.state.GameMode == 4; }));
}

TEST_F(NetConnection, AnotherVersionOrUnendedMessagesAreToldOnBothSides) {
    start();
    const std::string mismatch = "The other copy of Gorvath does not match this one";
    struct Case {
        bool gameHosts;
        std::string peerSays;
    };
    int port = kMismatch;
    for (const Case& c : {Case{true, "G2\n"}, Case{true, "G1"}, Case{false, "G2\n"}, Case{false, "connectok"}}) {
        SCOPED_TRACE(c.peerSays);
        RawPeer peer(loop);
        host.hostPort = port;
        host.joinPort = port + 1;
        port += 2;
        host.click(host.Option3);
        if (c.gameHosts) {
            host.click(host.Command3);
            peer.connect(host.hostPort);
        } else {
            peer.listen(host.hostPort);
            host.compname.setText("127.0.0.1");
            host.click(host.Command4);
        }
        ASSERT_TRUE(until([&] { return peer.connected(); }));
        peer.send(c.peerSays);
        ASSERT_TRUE(until([&] { return host.Label8(1).caption() == mismatch; }));
        EXPECT_TRUE(host.Label8(1).visible());
        EXPECT_TRUE(host.Frame3.visible());
        EXPECT_FALSE(host.Frame4.visible());
        EXPECT_EQ(host.tcpcontrol.state(), TcpSocket::Closed);
        // Our greeting tells a joiner of another version that we are not its kind.
        EXPECT_TRUE(!c.gameHosts || until([&] { return peer.heardLine("G1"); }));
    }
}

TEST_F(NetConnection, ALocalModeWhileConnectedEndsTheLinkOnBothSides) {
    start();
    for (OptionButton* option : {&host.Option1, &host.Option2}) {
        ASSERT_NO_FATAL_FAILURE(connect(kOption1));
        host.click(*option);
        EXPECT_EQ(host.state.SendText, "disconnect");
        EXPECT_EQ(host.tcpcontrol.state(), TcpSocket::Closed);
        EXPECT_TRUE(host.novahra.enabled());
        // The joiner falls back to the menu in two-player mode and may start games again.
        ASSERT_TRUE(until([&] { return joiner.state.GameMode == 1; }));
        EXPECT_TRUE(joiner.Frame3.visible());
        EXPECT_TRUE(joiner.Option1.value());
        EXPECT_TRUE(joiner.novahra.enabled());
        EXPECT_EQ(joiner.tcpcontrol.state(), TcpSocket::Closed);
        EXPECT_TRUE(joiner.PeerGone());
        EXPECT_EQ(joiner.Label8(1).caption(), "The other player left the game");
        // New Game reads the option: a game at one computer, or against the computer.
        host.click(host.novahra);
        EXPECT_EQ(host.state.GameMode, option == &host.Option1 ? 1 : 2);
        host.keyDown(Key::Escape);
    }
}

TEST_F(NetConnection, BackAlwaysReselectsOption1) {
    start();
    host.hostPort = kBack;
    host.joinPort = kBack + 1;
    // Back while hosting: the port is given up.
    host.click(host.Option3);
    host.click(host.Command3);
    ASSERT_EQ(host.tcpcontrol.state(), TcpSocket::Listening);
    host.click(host.Command5);
    EXPECT_EQ(host.tcpcontrol.state(), TcpSocket::Closed);
    EXPECT_FALSE(host.Frame4.visible());
    EXPECT_TRUE(host.Option1.value());
    // Back while joining a host that does not answer.
    host.click(host.Option2);
    host.click(host.Option3);
    host.compname.setText("127.0.0.1");
    host.click(host.Command4);
    host.click(host.Command5);
    EXPECT_EQ(host.tcpcontrol.state(), TcpSocket::Closed);
    EXPECT_TRUE(host.Option1.value());
    host.click(host.novahra);
    EXPECT_EQ(host.state.GameMode, 1);
}

TEST_F(NetConnection, BackReadsTheHiddenPhrases) {
    start();
    const std::string first = "we go where rivers flow", second = "from the far hill";
    struct Case {
        std::string text;
        bool hell, variant;
    };
    const std::vector<Case> cases = {
        {first, true, false},                          // the 23 characters alone
        {first + " " + second, true, true},            // any one character between
        {first + "é" + second, true, true},            // also one of two bytes
        {first + second, true, false},                 // the 24th character is the phrase's own "f"
        {first + "  " + second, true, false},          // two between
        {"we go where rivers flo", false, false},
        {"We go where rivers flow from the far hill", false, false},  // case counts
        {"Network name of hosting computer?", false, false},
        {"", false, false},
    };
    for (const Case& c : cases) {
        host.click(host.Option3);
        host.compname.setText(c.text);
        host.click(host.Command5);
        EXPECT_EQ(host.state.HellMode, flag(c.hell)) << c.text;
        EXPECT_EQ(host.state.HellVariant, flag(c.variant)) << c.text;
    }
    // The hidden battlefield shows on the next New Game's banner.
    host.click(host.Option3);
    host.compname.setText(first + "?" + second);
    host.click(host.Command5);
    host.click(host.novahra);
    EXPECT_EQ(host.Label8(1).caption(), "The VELMORAN's Hell!");
}

TEST_F(NetConnection, AFailedJoinSaysSoAndTheUserCanTryAgain) {
    start();
    joiner.hostPort = kFailedJoin;
    joiner.joinPort = kFailedJoin + 1;
    joiner.click(joiner.Option3);
    joiner.compname.setText("127.0.0.1");
    joiner.click(joiner.Command4);  // nobody listens there
    ASSERT_TRUE(until([&] { return joiner.Label11.caption() != "Connecting to 127.0.0.1"; }));
    EXPECT_EQ(joiner.Label11.caption(), "Cannot connect to 127.0.0.1");
    EXPECT_EQ(joiner.tcpcontrol.state(), TcpSocket::Closed);
    EXPECT_TRUE(joiner.Frame4.visible());
    EXPECT_EQ(joiner.state.GameMode, 0);
    // An empty name cannot even be tried.
    joiner.compname.setText("");
    joiner.click(joiner.Command4);
    EXPECT_EQ(joiner.Label11.caption(), "Cannot connect to ");
    // Once a host is there, the same panel joins it.
    host.hostPort = kFailedJoin;
    host.joinPort = kFailedJoin + 1;
    host.click(host.Option3);
    host.click(host.Command3);
    joiner.compname.setText("localhost");
    joiner.click(joiner.Command4);
    ASSERT_TRUE(until([&] { return host.state.GameMode == 3 && joiner.state.GameMode == 4; }));
}

TEST_F(NetConnection, ABusyPortSaysSo) {
    start();
    RawPeer squatter(loop);
    squatter.listen(kBusy);
    host.hostPort = kBusy;
    host.click(host.Option3);
    host.click(host.Command3);
    EXPECT_EQ(host.Label11.caption(), "Port 47710 is in use");
    EXPECT_EQ(host.tcpcontrol.state(), TcpSocket::Closed);
    EXPECT_TRUE(host.Frame4.visible());
    // Once the port is free again, hosting works.
    squatter.close();
    host.click(host.Command3);
    EXPECT_EQ(host.Label11.caption(), "Waiting for opponent...");
    EXPECT_EQ(host.tcpcontrol.state(), TcpSocket::Listening);
}

TEST(NetConnectionCzech, StatusTextsInCzech) {
    testing::QuietAudio quiet;
    BoundedClock clock;
    EventLoop loop{&clock};
    Desktop czech = testing::englishDesktop();
    czech.languageSettings = [] { return LanguageSettings{{"cs_CZ.UTF-8"}, "cs_CZ.UTF-8", {"cz"}}; };
    Mainfrm game{loop, czech};
    game.Form_Load();
    ASSERT_EQ(game.state.CzechUi, True);
    game.hostPort = kBusy + 1;
    game.joinPort = kBusy + 2;
    game.click(game.Option3);
    EXPECT_EQ(game.Label11.caption(), "Vaše síťové jméno: " + TcpSocket::localHostName());
    game.click(game.Command3);
    EXPECT_EQ(game.Label11.caption(), "Čekám na připojení protihráče...");
}

}  // namespace
}  // namespace gv::nettest
