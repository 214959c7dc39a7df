// The receiving side of every message, through a real connection: a scripted peer sends the bytes.
#include "net_support.h"
#include "game/chat.h"
#include "net/chat.h"
#include "net/invite.h"
#include "net/link.h"

namespace gv::nettest {
namespace {

struct NetParsing : NetGameTest {};

TEST_F(NetParsing, TheHostTakesOnlyWhatIsForTheHost) {
    ASSERT_NO_FATAL_FAILURE(hostForPeer());
    game.state.Wind = 3, game.state.RandomSeed = "99";
    const std::uint32_t battle = game.state.BattleNumber;
    // A wind, a seed, a crate or a battle from the joiner are not the joiner's to give.
    for (const char* text : {"W-7", "E123", "B074123", "R555", "connectok", "drawingokW-7"}) peer.say(text);
    ASSERT_TRUE(until([&] { return game.state.PeerDrawn == True; }));
    const GameState& s = game.state;
    EXPECT_TRUE(s.Wind == 3 && s.RandomSeed == "99" && s.PeerSeedReady == False && s.PeerBonusKind == 0);
    EXPECT_TRUE(s.BattleNumber == battle && s.GameMode == mode::Host && game.tcpcontrol.state() == TcpSocket::Connected);
    // Its "bullfired" counts at once: the host draws the wind itself.
    peer.say("bullfired");
    ASSERT_TRUE(until([&] { return game.state.PeerShotDone == True; }));
}

TEST_F(NetParsing, ExitIsNoQuakeSeedAndBullfiredIsNoCrate) {
    ASSERT_NO_FATAL_FAILURE(battleFromPeer("31337"));
    const std::string seed = game.state.RandomSeed;
    peer.say("exit");
    ASSERT_TRUE(until([&] { return game.Frame3.visible(); }));
    EXPECT_TRUE(game.state.PeerSeedReady == False && game.state.RandomSeed == seed);
    peer.say("continue");
    ASSERT_TRUE(until([&] { return !game.Frame3.visible(); }));
    // The joiner's "bullfired" waits for the wind the host draws right after it.
    peer.say("bullfired");
    ASSERT_TRUE(until([&] { return game.state.SendText == "bullfired"; }));
    EXPECT_TRUE(game.state.PeerBonusKind == 0 && game.state.PeerShotDone == False);
    for (auto [text, wind] : {std::pair{"W4", 4}, {"bullfiredW12", 12}}) {  // the wind alone, or both in one
        if (wind == 12) game.state.PeerShotDone = False;
        peer.say(text);
        ASSERT_TRUE(until([&] { return game.state.PeerShotDone == True; })) << text;
        EXPECT_EQ(game.state.Wind, wind);
    }
    // E123 only stores the seed and marks it ready.
    const auto ground = game.state.Ground.rows();
    peer.say("E123");
    ASSERT_TRUE(until([&] { return game.state.PeerSeedReady == True; }));
    EXPECT_TRUE(game.state.RandomSeed == "123" && game.state.Ground.rows() == ground &&
                game.tcpcontrol.state() == TcpSocket::Connected);
}

TEST_F(NetParsing, ShotsFireThePeersPlayerWithTheTextsAsSent) {
    ASSERT_NO_FATAL_FAILURE(battleFromPeer("4711"));
    // Three turns, each a shot of the host's (its text, force and angle) and one back.
    for (auto [text, force, angle] :
         {std::array<std::string, 3>{"S100U45", "100", "45"}, {"S5U0", "5", "0"}, {"S45.5U30", "45.5", "30"}}) {
        ASSERT_EQ(game.state.TurnPlayer, 1);
        peer.say(text);
        ASSERT_TRUE(until([&] { return game.hideit.enabled() || game.bullettimer.enabled(); })) << text;
        EXPECT_EQ(game.sila1.text() + " " + game.uhel1.text(), force + " " + angle);
        // Firing the peer's shot sends nothing back.
        EXPECT_TRUE(game.state.TurnPlayer == 2 && game.state.SendText == text) << text;
        // Through the hand-over to our own player, who shoots back.
        ASSERT_TRUE(until([&] { return idle(game) && game.Command2.enabled(); })) << text;
        EXPECT_FALSE(game.Command1.enabled());
        game.sila2.setText("30");
        // The box keeps at most six decimals, so the longest angle typed still makes a shot that fits.
        game.uhel2.setText("0." + std::string(57, '0') + "1");
        EXPECT_EQ(game.uhel2.text(), "0");
        game.uhel2.setText("60.98765432");
        EXPECT_EQ(game.uhel2.text(), "60.987654");  // cut, not rounded: the whole part is what flies
        game.click(game.Command2);
        ASSERT_TRUE(until([&] { return peer.heardLine("S30U60.987654"); }));
        ASSERT_TRUE(until([&] { return idle(game) && game.state.TurnPlayer == 1; })) << text;
    }
    EXPECT_TRUE(game.tcpcontrol.state() == TcpSocket::Connected && peer.count("bullfired") == 2 * 3);
}

TEST_F(NetParsing, CratesAsTheHostSendsThem) {
    ASSERT_NO_FATAL_FAILURE(battleFromPeer("2024"));
    // Two digits of kind, one of shots, and the left edge as it comes; each field at both ends of its range,
    // any left edge on the field, though no host of ours draws one so near the edge.
    for (auto [text, kind, shots, x] : {std::tuple{"B074123", 7, 4, 123},
                                        {"B13635", 13, 6, 35},
                                        {"B07412", 7, 4, 12},
                                        {"B0120", 1, 2, 0},
                                        {"B137799", 13, 7, 799}}) {
        game.state.PeerBonusKind = 0;
        peer.say(text);
        ASSERT_TRUE(until([&] { return game.state.PeerBonusKind != 0; }));
        EXPECT_TRUE(game.state.PeerBonusKind == kind && game.state.PeerBonusShots == shots && game.state.PeerBonusX == x) << text;
    }
    // At the hand-over the joiner drops the crate the host sent.
    game.state.PeerBonusKind = 0;
    crate = "B053321";
    peer.say("S50U45");
    ASSERT_TRUE(until([&] { return idle(game) && game.state.TurnPlayer == 2 && game.state.BonusActive == True; }));
    EXPECT_TRUE(game.state.CrateKind == 5 && game.state.CrateLeft == 321 && game.state.BonusShotsLeft == 3);
    EXPECT_EQ(game.bonuspic.picture(), game.bonusvzor(5).picture());
    // What no reader takes is never written: a kind, a count of shots or a wind out of range, a hash point or a
    // link's name one past its range; at the ends of their ranges they are.
    // clang-format off
    for (const auto& [m, text] : std::vector<std::pair<NetMessage, std::string>>{
             {netmsg::crate(14, 4, 100), ""}, {netmsg::crate(5, 8, 100), ""}, {netmsg::crate(5, 4, 800), ""}, {netmsg::wind(30), ""},
             {netmsg::hash(9007199254740991, kHashMask), "H9007199254740991:281474976710655"}, {netmsg::hash(9007199254740992, 0), ""},
             {netmsg::linkName(kHashMask), "L281474976710655"}, {netmsg::linkName(0), ""}, {netmsg::crate(13, 7, 799), "B137799"}})
        // clang-format on
        EXPECT_EQ(WriteNetMessage(m), text) << m.key << " " << text;
}

TEST_F(NetParsing, MessagesSplitOverSeveralSendsOrSeveralInOne) {
    ASSERT_NO_FATAL_FAILURE(battleFromPeer("0"));                     // the first seed of a day
    ASSERT_TRUE(until([&] { return game.state.SendText == "W0"; }));  // the host's first wind
    for (const char* part : {"W", "-", "7"}) {
        peer.send(part);
        loop.runFor(50);
        EXPECT_EQ(game.state.Wind, 0) << part;
    }
    // Winds at both ends of their range, the first as long as a message may be, and the day's last seed.
    peer.send("\nW-" + std::string(60, '0') + "30\nexit\ncontinue\nE86399\nW29\n");
    ASSERT_TRUE(until([&] { return game.state.SendText == "W29"; }));
    EXPECT_TRUE(game.state.Wind == 29 && game.state.RandomSeed == "86399" && game.state.PeerSeedReady == True);
    EXPECT_FALSE(game.Frame3.visible());  // "exit" came before "continue"
}

TEST_F(NetParsing, ABattleAndTheHostsDrawingokInOneRead) {
    ASSERT_NO_FATAL_FAILURE(joinPeer());
    EXPECT_EQ(game.Label8(1).caption(), "Connected; waiting for the host to start");
    // The host was quick: its seed, its "drawingok" and its wind arrive together, before we built anything.
    peer.send("R4242\ndrawingok\nW3\n");
    ASSERT_TRUE(until([&] { return game.state.WorldBusy == False && game.tank1.visible() && game.state.Wind == 3; }));
    EXPECT_TRUE(peer.heardLine("drawingok") && game.state.RandomSeed == "4242" && game.world.enabled());
    EXPECT_TRUE(!game.Label8(1).visible() && game.Label8(1).top() == Banner::kBannerTop);  // the battle took the banner
    EXPECT_FALSE(game.Command1.enabled());                                                 // player 1 is the host's
    // The same battlefield as any copy of the game builds from that seed.
    testing::Headless alone;
    alone.start(), alone.newBattle(4242);  // the intro leaves a pen of one pixel, as it did here
    EXPECT_TRUE(alone.game.state.Ground.rows() == game.state.Ground.rows() && alone.game.world.pixels() == game.world.pixels());
    // The host's player thinks and neither side has anything to say: a keep-alive every two seconds.
    std::vector<double> keptAt;
    peer.onLine([&](const std::string& line) {
        if (line == "K") keptAt.push_back(loop.now());
    });
    loop.runFor(10000);
    ASSERT_GE(keptAt.size(), 4u);
    for (std::size_t i = 1; i < keptAt.size(); ++i) EXPECT_NEAR(keptAt[i] - keptAt[i - 1], 2000, 20);
}

TEST_F(NetParsing, UnknownMessagesChangeNothing) {
    ASSERT_NO_FATAL_FAILURE(battleFromPeer("1234"));
    const std::uint64_t before = game.netplay().SharedStateHash();
    const GameState s = game.state;
    for (const std::string& text : std::vector<std::string>{
             "hello", "Disconnect", "Connectok", "exit ", " exit", "continue!", "disconnect ", "drawingo", "bullfire", "X12",
             "s100U45", "w5", "b07412", "e5", "r9", "", std::string("\x01\x02\xff", 3), "Zprávy", "connectok\r"})
        peer.say(text);
    peer.say("W2");  // the link is still there and takes what follows
    ASSERT_TRUE(until([&] { return game.state.Wind == 2; }));
    EXPECT_TRUE(game.tcpcontrol.state() == TcpSocket::Connected && game.state.GameMode == mode::Joiner &&
                !game.hideit.enabled() && game.netplay().SharedStateHash() == before &&
                game.state.PeerShotDone == s.PeerShotDone && game.state.PeerSeedReady == s.PeerSeedReady &&
                game.state.BattleNumber == s.BattleNumber);
}

TEST_F(NetParsing, APeersShotWaitsForOurTurnToStartAndComesOncePerTurn) {
    ASSERT_NO_FATAL_FAILURE(battleFromPeer("5150"));
    // Player 2's turn belongs to the joiner: a shot for it from the host is not taken.
    peer.say("S100U45");
    ASSERT_TRUE(until([&] { return game.hideit.enabled(); }));
    ASSERT_TRUE(until([&] { return idle(game) && game.state.TurnPlayer == 2; }));
    peer.say("S20U20");
    loop.runFor(500);
    EXPECT_TRUE(game.sila1.text() == "100" && game.state.TurnPlayer == 2);
    // A host that passed the hand-over first sends its next shot while our panels still slide in.
    bool sentEarly = false, heldSeen = false, firedDuringHandOver = false;
    peerPlaysHost([&] {
        if (!sentEarly) peer.say("S60U50"), peer.say("S61U51");  // one shot a turn: the second is not taken
        sentEarly = true;
    });
    testing::Every watch(loop, "watch", 5, [&] {
        if (game.net().shotHeld) heldSeen = true;
        if ((game.showit.enabled() || game.showit.interval() != 1) && game.hideit.enabled()) firedDuringHandOver = true;
    });
    game.click(game.Command2);
    ASSERT_TRUE(until([&] { return sentEarly && game.sila1.text() == "60"; }));
    ASSERT_TRUE(until([&] { return idle(game) && game.state.TurnPlayer == 2; }));
    EXPECT_TRUE(heldSeen && !firedDuringHandOver && game.uhel1.text() == "50" && game.Command2.enabled());
    loop.runFor(3000);
    EXPECT_EQ(game.state.TurnPlayer, 2);  // "S61U51" never became a shot
}

// A peer's chat as it may come: in pieces, with bytes that are no text, too long, spoilt, in a flood. What
// is shown is clean, cut to 200 characters and limited in number; the battle and the link stay as they were.
TEST_F(NetParsing, ChatFromThePeerIsCheckedCutAndLimitedAndNeverHarmsTheBattle) {
    ASSERT_NO_FATAL_FAILURE(battleFromPeer("1234"));
    const std::uint64_t before = game.netplay().SharedStateHash();
    auto shown = [&](std::size_t n) { return until([&] { return game.chat().ShownLines().size() == n; }, 2000); };
    for (const std::string& p : chat::Pieces(std::string(61, 'x') + "řeka")) peer.say(p);  // "ř" would straddle the cut
    peer.say(std::string("C.bad \xff\xc3 byte\x01\x1b[31m \xed\xa0\x80 red\t "));
    std::string many;
    for (int i = 0; i < 4; ++i) many += "C+" + std::string(62, 'a') + "\n";
    peer.send(many + "C.b\n");  // 249 characters: cut to 200
    ASSERT_TRUE(shown(3));
    EXPECT_EQ(game.chat().ShownLines(), (std::vector<std::string>{"1: " + std::string(61, 'x') + "řeka",
                                                                  "1: bad ?? byte[31m ??? red", "1: " + std::string(200, 'a')}));
    std::string garbage;
    for (int i = 0; i < 13; ++i) garbage += "C+" + std::string(62, 'y') + "\n";  // past 800 bytes: none of it
    peer.send(garbage + "C.y\nC+abc\nCx\nC\nC.def\nC.\nC.   \n");                // a piece with no mark spoils its line
    for (int i = 0; i < 10; ++i) peer.say("C.flood " + std::to_string(i));
    peer.say("W2");  // the link is still there and takes what follows
    ASSERT_TRUE(until([&] { return game.state.Wind == 2; }));
    EXPECT_EQ(game.chat().ShownLines().back(), "1: flood 2") << "six lines in five seconds";
    EXPECT_TRUE(game.tcpcontrol.state() == TcpSocket::Connected && game.netplay().SharedStateHash() == before &&
                !game.hideit.enabled());
    loop.runFor(ChatBox::kShownMs + 500);
    EXPECT_TRUE(game.chat().ShownLines().empty());
    peer.say("C.later");  // a new period
    EXPECT_TRUE(shown(1) && game.chat().ShownLines()[0] == "1: later");
}

// The link's own rules, with no socket and no window: framing, the host's door, signs of life, resuming.
TEST(Link, FramesJudgesCallersKeepsAliveAndResendsWhatThePeerMissed) {
    EventLoop loop;
    Link link(loop);
    std::string text;
    EXPECT_TRUE(link.takeBytes("W-", 0) && link.takeBytes("7\nK\nY1:2\nL5\ncontinue\nH1:2\nexit", 10) && !link.unframed(2009));
    EXPECT_TRUE(link.nextMessage(text) && text == "W-7" && link.unframed(2010) && link.countedWaiting() == 1);
    EXPECT_EQ(link.taken, 2);  // keep-alives, the link's own messages and the pause are not counted
    EXPECT_FALSE(link.takeBytes(std::string(kMaxPending + 1, 'x'), 20));
    link.clearReceived();
    EXPECT_FALSE(link.takeBytes(std::string(kMaxQueued + 1, '\n'), 30)) << "a flood of empty lines";
    link.clearReceived();
    std::string longest;  // fewer messages than may wait, but more bytes
    for (std::size_t i = 0; i < kMaxQueuedBytes / (kMaxMessage + 1); ++i) longest += std::string(kMaxMessage, 'x') + "\n";
    EXPECT_TRUE(link.takeBytes(longest, 31) && !link.takeBytes(longest.substr(0, kMaxMessage + 1), 32));

    const std::string hello = WriteNetMessage(netmsg::greeting()) + "\n";
    // clang-format off
    for (auto [bytes, door] : {std::pair{hello + "W3\n", Link::Door::Seat}, {std::string("G999\n"), Link::Door::OtherVersion},
                               {hello + "disconnect\n", Link::Door::Drop}, {std::string("GET / HTTP/1.1\n"), Link::Door::Drop},
                               {WriteNetMessage(netmsg::resume(5, 3)) + "\n", Link::Door::Return},
                               {std::string("G1"), Link::Door::Wait},
                               {std::string(kMaxMessage + 1, 'G'), Link::Door::Drop}}) {
        // clang-format on
        NetCaller c(loop), later(loop);
        NetMessage m;
        std::string rest;
        EXPECT_EQ(link.judgeCaller(c, bytes, 0, m, rest), door) << bytes;
        // While the seat is kept for a player whose link broke, a new one is told so.
        link.resuming = true;
        EXPECT_EQ(link.judgeCaller(later, bytes, 0, m, rest), door == Link::Door::Seat ? Link::Door::SeatKept : door) << bytes;
        link.resuming = false;
    }
    NetCaller quiet(loop);
    EXPECT_TRUE(!Link::callerLate(quiet, 4999) && Link::callerLate(quiet, 5000));

    link.linkUp = true, link.lastSent = link.lastHeard = 1000;
    EXPECT_TRUE(!link.keepAliveDue(2999) && link.keepAliveDue(3000) && !link.peerSilent(30999) && link.peerSilent(31000));
    link.waitingForPeer = 1, link.waitSince = 1000, link.lastMessage = 4000;  // a message during the wait
    EXPECT_TRUE(!link.waitingTextDue(8999) && link.waitingTextDue(9000) && !link.waitTooLong(33999) && link.waitTooLong(34000));

    for (int i = 0; i < 2050; ++i) link.noteSent(std::to_string(i));
    EXPECT_TRUE(link.missedBy(2048, text) && text == "2048\n2049\n" && link.missedBy(2050, text) && text.empty());
    EXPECT_TRUE(!link.missedBy(1, text) && !link.missedBy(2051, text)) << "more than was kept, or than was sent";
    EXPECT_TRUE(!link.resumable(2051) && !link.resumeFrom(2051, text) && link.resumable(2050) && link.peerHas == 0);
    // Restarted from its record, a copy may be up to eight messages short of what the peer took: those it
    // computes again are not sent twice.
    link.restarted = true;
    EXPECT_TRUE(link.resumeFrom(2058, text) && text.empty() && link.peerHas == 8 && !link.resumable(2059));
    EXPECT_TRUE(HashPoint(1, 1000) > HashPoint(0, 4294967295) && HashPoint(1, 1000) < HashPoint(2, 0))
        << "battles never share a point";
}

// A line's pieces: each fits the longest message any copy takes, whole characters only, and is nothing an
// older copy acts on or counts; put together again they give the line, cleaned.
TEST(Link, ChatLinesTravelInPiecesThatOlderCopiesPassOver) {
    const std::string czech = "Příliš žluťoučký kůň úpěl ďábelské ódy 🐎 ";
    std::string line = "xx";  // so that some cuts at 62 bytes fall inside a character
    while (chat::Characters(line) < 250) line += czech;
    const std::vector<std::string> pieces = chat::Pieces(line);
    chat::Assembler together;
    std::optional<std::string> whole;
    for (const std::string& p : pieces) {
        const NetMessage m = ReadNetMessage(p);
        EXPECT_TRUE(p.size() <= kMaxMessage && m.key == NetMessage::Chat && !m.malformed && !Link::counted(p) &&
                    chat::Clean("<" + m.piece + ">") == "<" + m.piece + ">")
            << p;
        for (std::string_view word : NetMessageWords()) EXPECT_TRUE(word == "C" || !p.starts_with(word)) << p;
        EXPECT_FALSE(whole.has_value());
        whole = together.take(m);
    }
    EXPECT_TRUE(whole && chat::Characters(*whole) == chat::kMaxChars && line.starts_with(*whole));
    EXPECT_TRUE(chat::Pieces(" \t\x7f ").empty() && chat::Clean("\xc0\xafok\xf4\x90\x80\x80") == "??ok????");
    chat::RateLimit limit(2, 1000);
    EXPECT_TRUE(limit.allow(0) && limit.allow(10) && !limit.allow(999) && limit.allow(1000) && !limit.allow(1005));
}

// ---- Invite codes: the text two players pass by chat to find each other through their routers.
using Kind = Invite::Kind;
using Cand = IceCandidate;

// ICE characters, n of them.
std::string iceText(std::size_t n) {
    const std::string_view chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += chars[(i * 7) % chars.size()];
    return s;
}

// A host behind a home router with four IPv4 candidates, as libnice would gather them.
Invite homeOffer() {
    return {Kind::Offer,
            3141592653U,
            "x4Qb",
            "Zk8dP0q+W3mT7vYs1LcR9e",
            {{Cand::Type::Host, Cand::Transport::Udp, "192.168.1.23", 51234, 2130706431, 1, "1"},
             {Cand::Type::Host, Cand::Transport::Udp, "10.8.0.6", 51236, 2130705919, 1, "2"},
             {Cand::Type::ServerReflexive, Cand::Transport::Udp, "203.0.113.77", 61021, 1694498815, 1, "3"},
             {Cand::Type::Relayed, Cand::Transport::Udp, "198.51.100.9", 3478, 16777215, 1, "4"}}};
}

TEST(InviteCodes, ReadBackAsWrittenHoweverAChatPassesThemOn) {
    Invite everyKind{Kind::Answer, 7, "abcd", iceText(22), {}}, longest{Kind::Offer, 0xffffffffU, iceText(256), iceText(256), {}};
    // clang-format off
    const char* v6[] = {"2001:db8:85a3::8a2e:370:7334", "::", "::1", "fe80::", "1::2:0:0:3:4", "1:0:2:0:3:0:4:0", "::ffff:10.0.0.1",
                        "::1.2.3.4", "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"};
    // clang-format on
    for (int i = 0; i < 16; ++i) {
        everyKind.candidates.push_back({Cand::Type(i % 4), Cand::Transport(i / 4), i % 2 ? v6[i % 9] : "0.0.0.0",
                                        std::uint16_t(i + 1), std::uint32_t(i) << 28, std::uint8_t(1 + i % 2),
                                        std::to_string(i)});
        longest.candidates.push_back(
            {Cand::Type::PeerReflexive, Cand::Transport::TcpSo, v6[8], 65535, 0xffffffffU, 2, iceText(32)});
    }
    for (const Invite& invite : {homeOffer(), everyKind, longest, Invite{Kind::Answer, 0, "abcd", iceText(22), {}}}) {
        const std::string code = WriteInvite(invite);
        const InviteRead read = ReadInvite(code, invite.kind);
        ASSERT_TRUE(read.problem == InviteProblem::None && read.invite == invite) << code;
        EXPECT_EQ(WriteInvite(*read.invite), code);
        for (std::size_t i = 9; i < code.size(); i += 6) EXPECT_EQ(code[i], '-') << code;  // "GV1-" and groups of five
        EXPECT_EQ(code.find_first_not_of("GV-0123456789ABCDEFHJKMNPQRSTWXYZ"), std::string::npos) << code;
    }
    EXPECT_LE(WriteInvite(homeOffer()).size(), 160U);  // about 150
    // A machine on many networks: a code carries its relay and public address, and local ones to fill it.
    std::vector<Cand> many(2, homeOffer().candidates[0]);
    for (const Cand& c : homeOffer().candidates) many.insert(many.end(), 5, c);
    const std::vector<Cand> carried = InviteCandidates(many);
    EXPECT_TRUE(carried.size() == kMaxInviteCandidates && carried[0].type == Cand::Type::Relayed &&
                carried[5].type == Cand::Type::ServerReflexive && carried[15].address == "192.168.1.23");
    EXPECT_EQ(InviteCandidates(homeOffer().candidates), homeOffer().candidates);  // all of a few, as gathered

    // What chats and people do to a code: whitespace and line breaks around and inside it, lower case, look-alikes.
    const std::string code = WriteInvite(homeOffer());
    std::string spaced = code, lower = code, alike = code, wrapped = " \r\n\t" + code + " \n";
    std::replace(spaced.begin(), spaced.end(), '-', ' ');
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    for (std::size_t i = 4; i < alike.size(); ++i) alike[i] = alike[i] == '0' ? 'O' : alike[i] != '1' ? alike[i] : "IlL"[i % 3];
    for (std::size_t i = 40; i < wrapped.size(); i += 41) wrapped.insert(i, "\r\n");
    for (const std::string& text : {spaced, lower, alike, wrapped})
        EXPECT_EQ(ReadInvite(text, Kind::Offer).invite, homeOffer()) << text;
    // What cannot be written: an address not in inet_ntop's form, a character ICE does not use.
    for (auto change : {+[](Invite& i) { i.candidates[0].address = "192.168.01.23"; },
                        +[](Invite& i) { i.candidates[0].address = "::FFFF:1.2.3.4"; },
                        +[](Invite& i) { i.candidates[0].address = "1::2:3:4:5:6:7"; }, +[](Invite& i) { i.ufrag = "x4-b"; }}) {
        Invite invite = homeOffer();
        change(invite);
        EXPECT_EQ(WriteInvite(invite), "") << invite.candidates[0].address << " " << invite.ufrag;
    }
}

TEST(InviteCodes, RefusedWithTheirReason) {
    const std::string code = WriteInvite(homeOffer()), payload = InvitePayload(homeOffer()), body = code.substr(4);
    auto with = [](void (*change)(Invite&)) {
        Invite invite = homeOffer();
        change(invite);
        return WriteInvite(invite);
    };
    using P = InviteProblem;
    // clang-format off
    const std::pair<std::string, P> cases[] = {
        {"", P::Empty}, {" \r\n ", P::Empty}, {"see you at eight", P::Foreign}, {"XY1-" + body, P::Foreign}, {"GV-" + body, P::Foreign},
        {"GV2-" + body, P::NewerVersion}, {InviteCode("\x02" + payload.substr(1)), P::NewerVersion},
        {code.substr(0, code.size() / 2), P::Damaged}, {code + "-ABCDE", P::Damaged}, {code + "U", P::Damaged},
        {InviteCode(payload.substr(0, payload.size() - 9)), P::Truncated}, {InviteCode(payload + '\0'), P::Damaged},
        {with([](Invite& i) { i.candidates.resize(17, IceCandidate(i.candidates[0])); }), P::Damaged},
        {with([](Invite& i) { i.ufrag = iceText(3); }), P::Damaged}, {with([](Invite& i) { i.ufrag = iceText(257); }), P::Damaged},
        {with([](Invite& i) { i.password = iceText(21); }), P::Damaged}, {with([](Invite& i) { i.password = iceText(257); }), P::Damaged},
        {with([](Invite& i) { i.candidates[1].component = 0; }), P::Damaged}, {with([](Invite& i) { i.candidates[1].component = 3; }), P::Damaged},
        {with([](Invite& i) { i.candidates[2].port = 0; }), P::Damaged}, {with([](Invite& i) { i.candidates[3].foundation = ""; }), P::Damaged},
        {with([](Invite& i) { i.candidates[3].foundation = iceText(33); }), P::Damaged},
        {with([](Invite& i) { i.kind = Kind::Answer; }), P::WrongKind}, {"GV1-" + std::string(kMaxInviteChars, '0'), P::Damaged},
    };
    // clang-format on
    for (const auto& [text, problem] : cases) {
        const InviteRead read = ReadInvite(text, Kind::Offer);
        EXPECT_TRUE(read.problem == problem && !read.invite) << int(read.problem) << " for " << text;
    }
    EXPECT_EQ(ReadInvite(code, Kind::Answer).problem, P::WrongKind) << "the host pasted its own offer";
    // Any one character changed or left out: the checksum finds it.
    for (std::size_t i = 4; i < code.size(); ++i) {
        if (code[i] == '-') continue;
        std::string changed = code, removed = code;
        changed[i] = changed[i] == 'Z' ? 'Y' : 'Z';
        removed.erase(i, 1);
        EXPECT_EQ(ReadInvite(changed, Kind::Offer).problem, P::Damaged) << changed;
        EXPECT_EQ(ReadInvite(removed, Kind::Offer).problem, P::Damaged) << removed;
    }
}

// The servers a player names for invites: several of either kind, a TURN password with colons and '@' in
// it, a transport chosen; and a setting with anything that cannot be read refused whole.
TEST(InviteCodes, ServersFromTheSettings) {
    using S = std::vector<IceServer>;
    // clang-format off
    const std::tuple<std::string, bool, std::optional<S>> cases[] = {
        {"", false, S{}}, {" , ", true, S{}},
        {"stun.example.org", false, S{{"stun.example.org", 3478, "", "", true, true}}},
        {"203.0.113.1:19302, [2001:db8::1]:3479", false, S{{"203.0.113.1", 19302, "", "", true, true}, {"2001:db8::1", 3479, "", "", true, true}}},
        {"turn:gv:p:a@ss@turn.example.org:5349?transport=tcp turn:u:v@[::1]", true,
         S{{"turn.example.org", 5349, "gv", "p:a@ss", false, true}, {"::1", 3478, "u", "v", true, true}}},
        {"turn:u:v@h?transport=udp", true, S{{"h", 3478, "u", "v", true, false}}},
        {"stun.example.org:0", false, std::nullopt}, {"good.example.org :3478", false, std::nullopt},
        {"turn.example.org", true, std::nullopt}, {"turn::v@h", true, std::nullopt}, {"turn:u:@h", true, std::nullopt},
        {"turn:u:v@", true, std::nullopt}, {"turn:u:v@h?transport=sctp", true, std::nullopt}, {"turn:uv@h", true, std::nullopt},
    };
    // clang-format on
    for (const auto& [text, turn, servers] : cases) EXPECT_EQ(ReadIceServers(text, turn), servers) << text;
}

}  // namespace
}  // namespace gv::nettest
