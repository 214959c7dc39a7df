// Hosting and joining over a real loopback connection: the network panel, the mode options, Back with
// its hidden phrases, failed joins, a busy port and strangers at the door.
#include "net_support.h"
#include "net/invite.h"

namespace gv::nettest {
namespace {

using NetConnection = NetPairTest;

TEST_F(NetConnection, HostJoinAndTheGreetingSetTheModes) {
    const int port = usePorts({&host, &joiner});
    host.click(host.Option3);
    EXPECT_TRUE(host.Frame4.visible() && host.Command3.isDefault());
    EXPECT_EQ(host.Label11.caption(), "Your network name: " + TcpSocket::localHostName());
    host.state.HellMode = host.state.HellVariant = True;  // from an earlier Back: hosting clears them
    // Hosting asks a router that never answers to forward the port: it goes on hosting, and soon says
    // that the port must be forwarded by hand.
    host.desktop.mapPorts = true;
    host.net().portMapper.searchAddress = "127.0.0.1:" + std::to_string(freePorts(1));
    host.net().portMapper.natPmpGateway = "127.0.0.1";
    host.click(host.Command3);
    EXPECT_EQ(host.Label11.caption(), "Waiting for opponent...");
    EXPECT_TRUE(host.tcpcontrol.state() == TcpSocket::Listening && host.state.HellMode == False &&
                host.state.HellVariant == False);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!host.Label8(1).visible() && std::chrono::steady_clock::now() < giveUp) loop.runFor(10);
    EXPECT_EQ(host.Label8(1).caption(),
              "The router did not open port " + std::to_string(port) + "; forward it to this computer by hand");
    EXPECT_TRUE(host.tcpcontrol.state() == TcpSocket::Listening && host.Frame4.visible());
    // A router that opens the port says where others join, when its address reads as one.
    for (auto [address, external, says] : {std::tuple{"", 7777, "The router opened port 7777"},
                                           {"203.0.113.7", 7701, "Others can join at 203.0.113.7"},
                                           {"2001:db8::7", 7702, "Others can join at [2001:db8::7]:7702"}}) {
        host.net().portMapper.onResult(PortMapResult{true, address, external, "UPnP", ""});
        EXPECT_EQ(host.Label11.caption(), says);
    }

    joiner.click(joiner.Option3), joiner.click(joiner.compname);
    EXPECT_TRUE(joiner.Command4.isDefault());
    for (char c : std::string("127.0.0.1")) joiner.typeChar(c);  // the selection is typed over
    EXPECT_EQ(joiner.compname.text(), "127.0.0.1");
    joiner.state.HellMode = True;
    joiner.click(joiner.Command4);
    EXPECT_TRUE(joiner.Label11.caption() == "Connecting to 127.0.0.1" && joiner.state.HellMode == False);
    ASSERT_EQ(joiner.net().joinHostPort, port) << "a name typed without a port joins the hosting port";

    ASSERT_TRUE(linked());
    EXPECT_TRUE(!host.Frame4.visible() && host.novahra.enabled() && !joiner.novahra.enabled());  // only the host starts battles
    loop.runFor(100);
    EXPECT_LT(host.net().seatedAt, 0) << "the joiner answers the host's greeting at once: a copy of the game runs there";
    // The router's word is over once the joiner is in, and so is a late answer; the joiner says it is in.
    host.net().portMapper.onResult(PortMapResult{});
    EXPECT_TRUE(!host.Label8(1).visible() && joiner.Label8(1).visible() &&
                joiner.Label8(1).top() > joiner.Frame3.top() + joiner.Frame3.height());
    EXPECT_EQ(joiner.Label8(1).caption(), "Connected; waiting for the host to start");
    // The host listens no more: a second joiner cannot take over the game.
    Mainfrm late{loop, testing::englishDesktop()};
    late.Form_Load();
    late.hostPort = port, late.joinPort = port + 1;
    EXPECT_EQ(joinSays(late), "Cannot connect to 127.0.0.1");
    joiner.click(joiner.Option1);  // it leaves: connected no more
    EXPECT_FALSE(joiner.Label8(1).visible());
}

TEST_F(NetConnection, StrayConnectionsLeaveTheHostListeningAndARealJoinerGetsInAtOnce) {
    const int port = usePorts({&host, &joiner});
    hostGame(host);
    // One connects and closes, one says something that is no greeting, one starts a TLS hello, and ten
    // stay silent.
    RawPeer closer(loop), stranger(loop), tls(loop);
    std::vector<std::unique_ptr<RawPeer>> silent;
    for (int i = 0; i < 10; ++i) silent.push_back(std::make_unique<RawPeer>(loop));
    for (RawPeer* p : {&closer, &stranger, &tls}) p->connect(port);
    for (auto& p : silent) p->connect(port);
    auto all = [&](bool (RawPeer::*what)() const) {
        return std::ranges::all_of(silent, [&](auto& p) { return ((*p).*what)(); });
    };
    ASSERT_TRUE(until([&] { return closer.connected() && stranger.connected() && tls.connected() && all(&RawPeer::connected); }));
    closer.close();
    stranger.say("GET / HTTP/1.1\r");
    tls.send("\x16\x03\x01\x02");
    ASSERT_TRUE(until([&] { return stranger.closedByGame() && tls.closedByGame(); }, 3000));
    // One greets and leaves at once, as a joiner that gave up does: it never takes the seat.
    RawPeer quitter(loop);
    ASSERT_TRUE(dial(quitter, port));
    quitter.send("G2\ndisconnect\n"), quitter.close();
    loop.runFor(500);
    EXPECT_TRUE(host.tcpcontrol.state() == TcpSocket::Listening && host.Frame4.visible() && !host.Label8(1).visible());
    EXPECT_EQ(host.Label11.caption(), "Waiting for opponent...");
    // The silent ones still wait at the door, six more make sixteen, and a real joiner walks past them all:
    // the oldest makes room for it.
    EXPECT_FALSE(all(&RawPeer::closedByGame));
    for (int i = 0; i < 6; ++i) silent.push_back(std::make_unique<RawPeer>(loop)), silent.back()->connect(port);
    ASSERT_TRUE(until([&] { return host.net().callers.size() == 16; }));
    const double before = loop.now();
    joiner.hostPort = port + 11;  // a name and the host's port, as a friend types them
    joinGame(joiner, "localhost:" + std::to_string(port));
    ASSERT_TRUE(linked());
    EXPECT_LT(loop.now() - before, 1000);
    ASSERT_TRUE(until([&] { return all(&RawPeer::closedByGame); }));
    for (auto& p : silent) EXPECT_FALSE(p->heardLine("connectok"));
}

TEST_F(NetConnection, AnotherVersionUnendedMessagesOrASilentSeatedCopyLeaveTheHostHosting) {
    // "G2\n" greets rightly and then says nothing at all, not even that its program runs.
    for (auto [gameHosts, says] :
         {std::pair{true, "G1\n"}, {true, "G2"}, {true, "G2\n"}, {false, "G1\n"}, {false, "connectok"}}) {
        SCOPED_TRACE(says);
        RawPeer peer(loop);
        const int port = usePorts({&host});
        if (gameHosts)
            hostGame(host), peer.connect(port);
        else
            peer.listen(port), joinGame(host);
        ASSERT_TRUE(until([&] { return peer.connected(); }));
        peer.send(says);
        if (gameHosts) {
            // Only that connection goes: told of the mismatch (another version) or not (unended bytes).
            ASSERT_TRUE(until([&] { return peer.closedByGame(); }));
            const bool version = std::string(says) == "G1\n", seated = std::string(says) == "G2\n";
            EXPECT_TRUE(peer.heardLine("G2") == version && peer.heardLine("connectok") == seated &&
                        host.Label11.caption() == "Waiting for opponent...");
            EXPECT_EQ(host.Label8(1).visible() && host.Label8(1).caption() == "A copy of another version tried to join", version);
            EXPECT_TRUE(host.tcpcontrol.state() == TcpSocket::Listening && host.Frame4.visible());
            usePorts({&joiner});
            joiner.hostPort = port;
            joinGame(joiner);  // a real joiner gets in
            ASSERT_TRUE(linked());
            host.click(host.Option1), joiner.click(joiner.Option1);
            continue;
        }
        ASSERT_TRUE(until([&] { return host.Label8(1).caption() == "The other copy of Gorvath does not match this one"; }));
        EXPECT_TRUE(host.Label8(1).visible() && host.Frame3.visible() && !host.Frame4.visible() &&
                    host.tcpcontrol.state() == TcpSocket::Closed);
    }
}

TEST_F(NetConnection, ALocalModeWhileConnectedEndsTheLinkOnBothSides) {
    for (OptionButton* option : {&host.Option1, &host.Option2}) {
        ASSERT_NO_FATAL_FAILURE(connect());
        host.click(*option);
        EXPECT_TRUE(host.state.SendText == "disconnect" && host.tcpcontrol.state() == TcpSocket::Closed &&
                    host.novahra.enabled());
        // The joiner falls back to the menu in two-player mode and may start games again.
        ASSERT_TRUE(until([&] { return joiner.state.GameMode == mode::HotSeat; }));
        EXPECT_TRUE(backAtMenu(joiner) && joiner.Label8(1).caption() == "The other player left the game");
        // New Game reads the option: a game at one computer, or against the computer.
        host.click(host.novahra);
        EXPECT_EQ(host.state.GameMode, option == &host.Option1 ? mode::HotSeat : mode::Computer);
        host.keyDown(Key::Escape);
    }
}

TEST_F(NetConnection, BackGivesUpThePortReselectsOption1AndReadsTheHiddenPhrases) {
    usePorts({&host});
    hostGame(host);  // Back while hosting, and while joining a host that does not answer
    host.click(host.Command5);
    EXPECT_TRUE(host.tcpcontrol.state() == TcpSocket::Closed && !host.Frame4.visible() && host.Option1.value());
    host.click(host.Option2);
    joinGame(host);
    host.click(host.Command5);
    EXPECT_TRUE(host.tcpcontrol.state() == TcpSocket::Closed && host.Option1.value());
    const std::string first = "we go where rivers flow", second = "from the far hill";
    // clang-format off
    struct Case { std::string text; bool hell, variant; };
    for (const auto& [text, hell, variant] : std::vector<Case>{
             {first, true, false},                          // the 23 characters alone
             {first + " " + second, true, true},            // any one character between
             {first + "é" + second, true, true},            // also one of two bytes
             {first + second, true, false},                 // the 24th character is the phrase's own "f"
             {first + "  " + second, true, false},          // two between
             {"we go where rivers flo", false, false},
             {"We go where rivers flow from the far hill", false, false},  // case counts
             {"", false, false},
             {first + "?" + second, true, true}}) {
        // clang-format on
        host.click(host.Option3);
        host.compname.setText(text);
        host.click(host.Command5);
        EXPECT_TRUE(host.state.HellMode == flag(hell) && host.state.HellVariant == flag(variant)) << text;
    }
    host.click(host.novahra);  // the hidden battlefield shows on the next New Game's banner
    EXPECT_TRUE(host.state.GameMode == mode::HotSeat && host.Label8(1).caption() == "The VELMORAN's Hell!");
}

TEST_F(NetConnection, AFailedJoinOrABusyPortSaysSoAndTheUserCanTryAgain) {
    const int port = usePorts({&host, &joiner});
    EXPECT_EQ(joinSays(joiner), "Nobody is hosting at 127.0.0.1");  // nobody listens there
    EXPECT_TRUE(joiner.tcpcontrol.state() == TcpSocket::Closed && joiner.Frame4.visible() && joiner.state.GameMode == 0);
    for (const char* nothing : {"", "[::1", "host:", "host:0", "host:65536", "[::1]x"})  // cannot even be tried
        EXPECT_EQ(joinSays(joiner, nothing), std::string("Cannot connect to ") + nothing);
    // Every reason the socket gives for a failed join is told as it is.
    for (auto [reason, says] : {std::pair{"host not found", "No such computer: far.example"},
                                {"timed out", "far.example did not answer in time"},
                                {"network unreachable", "No network reaches far.example"}}) {
        joiner.net().role = Link::Role::Joiner;
        joiner.net().joinName = "far.example";
        joiner.netplay().tcpcontrol_Closed(reason);
        EXPECT_EQ(joiner.Label11.caption(), says);
    }
    {
        // A dial that reaches its own connection (our address, and a port of our own that nobody hosts on)
        // hears its own greeting back: nobody hosts there, and that is what it says.
        RawPeer mirror(loop);
        mirror.listen(port);
        mirror.onLine([&](const std::string& line) { mirror.say(line); });
        EXPECT_EQ(joinSays(joiner), "Nobody is hosting at 127.0.0.1");
        EXPECT_TRUE(joiner.tcpcontrol.state() == TcpSocket::Closed && joiner.Frame4.visible() && joiner.state.GameMode == 0);
        EXPECT_TRUE(mirror.heardLine("G2"));
    }
    RawPeer squatter(loop);
    squatter.listen(port);
    joinGame(joiner);  // something takes the connection and never answers
    ASSERT_TRUE(until([&] { return joiner.state.GameMode == mode::HotSeat; }, 40000));
    EXPECT_EQ(joiner.Label8(1).caption(), "The host did not answer");
    hostGame(host);
    EXPECT_EQ(host.Label11.caption(), "Port " + std::to_string(port) + " is in use");
    EXPECT_TRUE(host.tcpcontrol.state() == TcpSocket::Closed && host.Frame4.visible());
    squatter.close();  // once the port is free again, hosting works, and the same panel joins
    host.click(host.Command3);
    EXPECT_EQ(host.Label11.caption(), "Waiting for opponent...");
    joiner.hostPort = port + 11;  // the box's port is the one tried
    joinGame(joiner, "[::1]:" + std::to_string(port));
    ASSERT_TRUE(linked());
}

// Two copies that cannot reach each other's port link by invite codes instead (here over loopback, with
// no servers): the codes go by the clipboard and by hand, a code that is no use says why, and the stream
// then carries the link as a TCP connection does, to its goodbye.
TEST_F(NetConnection, InviteCodesLinkTwoCopiesOverAnIceStream) {
    if (!IceStream::available()) GTEST_SKIP() << "this build makes no ICE streams";
    clock.speed = 20;
    for (Mainfrm* g : {&host, &joiner}) g->desktop.iceAddresses = {"127.0.0.1"};
    usePorts({&host, &joiner});
    host.click(host.Option3);
    ASSERT_TRUE(host.FrameInvite.visible());
    host.click(host.Invite);
    EXPECT_EQ(host.tcpcontrol.state(), TcpSocket::Listening) << "a direct join stays the first try";
    ASSERT_TRUE(until([&] { return !host.InviteCode.text().empty(); }));
    const std::string offer = host.InviteCode.text();
    EXPECT_EQ(host.clipboardText(), offer);
    EXPECT_EQ(host.InviteNote.caption(), "The invite is on the clipboard: send it to your friend and paste their answer here");

    joiner.click(joiner.Option3), joiner.click(joiner.InvitePaste);
    EXPECT_TRUE(joiner.InviteUse.isDefault());
    std::string damaged = offer;
    damaged[10] = damaged[10] == 'A' ? 'B' : 'A';
    for (auto [text, says] : {std::pair<std::string, std::string>{"", "Paste a code first"},
                              {"7701", "That is not a Gorvath code"},
                              {damaged, "The code is damaged; copy it again, whole"}}) {
        joiner.InvitePaste.setText(text);
        joiner.click(joiner.InviteUse);
        EXPECT_EQ(joiner.InviteNote.caption(), says) << text;
    }
    EXPECT_FALSE(joiner.net().ice) << "nothing was made of a code that is no use";
    // Pasted as a chat program passes it on, in lines: Ctrl+V puts it in one line, and it reads.
    joiner.setClipboardText(offer.substr(0, 40) + "\r\n" + offer.substr(40) + "\n");
    joiner.InvitePaste.setText("");
    joiner.keyDown(Key::V, Key::CtrlMask);
    EXPECT_EQ(joiner.InvitePaste.text(), offer.substr(0, 40) + "  " + offer.substr(40) + " ");
    joiner.click(joiner.InviteUse);
    ASSERT_TRUE(until([&] { return !joiner.InviteCode.text().empty(); }));
    const std::string answer = joiner.InviteCode.text();
    EXPECT_EQ(joiner.clipboardText(), answer);

    // The host pastes its own invite, then an answer to an invite of an earlier hosting, then the answer.
    InviteRead older = ReadInvite(answer, Invite::Kind::Answer);
    ASSERT_TRUE(older.invite);
    older.invite->hosting ^= 2;
    for (auto [text, says] :
         {std::pair<std::string, std::string>{offer, "That is an invite; paste your friend's answer"},
          {WriteInvite(*older.invite), "That answer is for an older invite; send your friend the one above"}}) {
        host.InvitePaste.setText(text);
        host.click(host.InviteUse);
        EXPECT_EQ(host.InviteNote.caption(), says);
    }
    host.InvitePaste.setText(answer);
    host.click(host.InviteUse);
    ASSERT_TRUE(linked());
    EXPECT_TRUE(host.net().overIce && joiner.net().overIce && host.tcpcontrol.state() == TcpSocket::Closed)
        << "the stream carries the link, and the direct door is closed behind it";
    EXPECT_EQ(host.Label8(1).caption(), "Connected (direct)");
    EXPECT_EQ(joiner.Label8(1).caption(), "Connected (direct); waiting for the host to start");
    EXPECT_TRUE(host.InviteCode.text().empty()) << "the invite is spent";
    loop.runFor(3000);
    EXPECT_LT(host.net().seatedAt, 0) << "the joiner's keep-alive came over the stream";
    joiner.click(joiner.Option1);
    ASSERT_TRUE(until([&] { return backAtMenu(host) && host.Label8(1).caption() == "The other player left the game"; }));
    EXPECT_FALSE(host.net().ice);

    // A host that goes after the stream found its way, before it answered the greeting: the joiner is told,
    // and waits no more. (The host here is a bare stream that never answers.)
    auto gone = std::make_unique<IceStream>(loop, true);
    IceCredentials theirs;
    gone->onGathered = [&](const IceCredentials& c) { theirs = c; };
    gone->addLocalAddress("127.0.0.1");
    gone->gather();
    ASSERT_TRUE(until([&] { return !theirs.ufrag.empty(); }));
    joiner.click(joiner.Option3);
    joiner.InvitePaste.setText(WriteInvite({Invite::Kind::Offer, 5, theirs.ufrag, theirs.password, theirs.candidates}));
    joiner.click(joiner.InviteUse);
    ASSERT_TRUE(until([&] { return joiner.InviteCode.text() != answer && !joiner.InviteCode.text().empty(); }));
    const InviteRead back = ReadInvite(joiner.InviteCode.text(), Invite::Kind::Answer);
    ASSERT_TRUE(back.invite);
    gone->connect({back.invite->ufrag, back.invite->password, back.invite->candidates});
    ASSERT_TRUE(until([&] { return joiner.net().overIce; }));
    gone.reset();
    EXPECT_TRUE(until([&] { return !joiner.net().ice; }, 600000)) << "the joiner waits for a host that is gone";
    EXPECT_EQ(joiner.InviteNote.caption(), "The way to your friend was lost; try a new invite");
}

}  // namespace
}  // namespace gv::nettest
