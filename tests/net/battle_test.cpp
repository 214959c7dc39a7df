// Whole network battles between two complete games over a real loopback connection, each game on its
// own thread and loop, taking turns on one virtual clock.
#include "../replay/replay_support.h"
#include "net_support.h"
#ifdef GORVATH_ICE
#include "../support/natlab.h"
#endif
#include "game/chat.h"

namespace gv::nettest {
namespace {

struct NetBattle : ::testing::Test {
    testing::TempFolder replays{"netbattle"};
    NetDuel duel{testing::englishDesktop(replays.path)};
    Mainfrm& H = duel.host.game;
    Mainfrm& J = duel.joiner.game;

    // New Game on the host with the seed the time of day gives.
    void newBattle(double timeOfDay) {
        duel.clock.dayBase = timeOfDay + 0.25 - duel.clock.nowMs / 1000.0;
        const long long battles = H.net().battles;
        ASSERT_TRUE(duel.on(duel.host, [&] {
            if (!H.Frame3.visible()) H.keyDown(Key::Escape);
            H.click(H.novahra);
        }));
        ASSERT_TRUE(duel.until([&] {
            return H.net().battles == battles + 1 && duel.bothAt(0) && J.tank1.visible() &&
                   J.state.Wind == H.state.Wind;  // the host's first wind follows its "drawingok"
        }));
        EXPECT_TRUE(H.state.RandomSeed == formatNumber(std::floor(timeOfDay)) && J.state.RandomSeed == H.state.RandomSeed);
    }
    // Both games started and linked, and the first battle built.
    void begin(double timeOfDay) {
        duel.start();
        ASSERT_NO_FATAL_FAILURE(duel.connect());
        ASSERT_NO_FATAL_FAILURE(newBattle(timeOfDay));
    }
    // Which trees stand, and where and how: the trees of both copies alike.
    static std::vector<std::tuple<bool, bool, int, double, double>> trees(const Mainfrm& g) {
        std::vector<std::tuple<bool, bool, int, double, double>> v;
        for (const battle::State::Tree& t : g.state.Trees) v.emplace_back(t.standing, t.burnt, t.look, t.left, t.top);
        return v;
    }
    // Everything both copies must hold alike, and no hash pair that disagreed.
    void expectSame() { expectSame(H, J); }
    void expectSame(const Mainfrm& a, const Mainfrm& b) {
        auto common = [&](const Mainfrm& g) {
            const GameState& s = g.state;
            const bool on = s.BattleOver == False, crate = s.BonusActive == True;
            return std::tuple(g.netplay().SharedStateHash(), s.Ground.rows(), s.Health1, s.Health2, on ? s.Tank1.left : 0,
                              on ? s.Tank1.top : 0, on ? s.Tank2.left : 0, on ? s.Tank2.top : 0, s.Weapon1, s.Weapon2,
                              s.BonusActive, crate ? s.CrateKind : 0, crate ? s.CrateLeft : 0, crate ? s.BonusShotsLeft : 0,
                              s.Wind, s.TurnPlayer, s.BattleOver, trees(g));
        };
        EXPECT_TRUE(common(a) == common(b));
        EXPECT_EQ(duel.host.hashMismatches + duel.joiner.hashMismatches + (duel.again ? duel.again->hashMismatches.load() : 0),
                  0);
        EXPECT_TRUE(a.state.GameMode == mode::Host && b.state.GameMode == mode::Joiner);
    }
    // A copy started again after its program was killed, and the one that kept the battle: both past `n`
    // hand-overs, waiting for the same player's shot.
    static bool bothAt(const Mainfrm& a, const Mainfrm& b, long long n) {
        return idle(a) && idle(b) && a.net().handOvers == n && b.net().handOvers == n &&
               a.state.TurnPlayer == b.state.TurnPlayer && !a.net().resuming && !b.net().resuming;
    }
    Seat& seatOf(const Mainfrm& g) { return &g == &H ? duel.host : &g == &J ? duel.joiner : *duel.again; }
    // The player whose turn it is fires what the game gave them, on their copy; both copies (host `h`,
    // joiner `j`) finish the hand-over, or the battle, alike.
    void fireOn(Mainfrm& h, Mainfrm& j, const std::string& force, const std::string& angle = "45") {
        const long long n = h.net().handOvers;
        ASSERT_TRUE(duel.shoot(force, angle, seatOf(h), seatOf(j)));
        ASSERT_TRUE(
            duel.until([&] { return bothAt(h, j, n + 1) || (h.state.BattleOver == True && j.state.BattleOver == True); }));
        ASSERT_NO_FATAL_FAILURE(expectSame(h, j));
    }
    // A copy started again goes on with the battle from `n` hand-overs: in step with the other (host `h`,
    // joiner `j`) before and after a shot of `force`, its new record computing the same again; and then to the
    // battle's end: both tanks at their last point (alike in both copies), a nuke close by.
    void goOnToTheEnd(Mainfrm& h, Mainfrm& j, long long n, const std::string& force) {
        ASSERT_TRUE(duel.until([&] { return bothAt(h, j, n); }));
        ASSERT_NO_FATAL_FAILURE(expectSame(h, j));
        ASSERT_NO_FATAL_FAILURE(fireOn(h, j, force));
        EXPECT_EQ(replay::VerifyFile(duel.again->game.recorder().path()).kind, replay::Verdict::Same);
        for (Mainfrm* m : {&h, &j})
            m->state.Health1 = m->state.Health2 = 1, testing::arm(*m, weapon::Nuke, int(h.state.TurnPlayer));
        ASSERT_NO_FATAL_FAILURE(fireOn(h, j, "30"));
        EXPECT_TRUE(h.state.BattleOver == True && j.state.BattleOver == True);
    }
    // The player whose turn it is fires `kind` (armed alike in both copies) and both finish the hand-over alike.
    void fire(int kind, int force, double angle = 45) {
        const int player = int(H.state.TurnPlayer);
        for (Mainfrm* m : {&H, &J}) testing::arm(*m, kind, player);
        const long long n = H.net().handOvers;
        ASSERT_TRUE((player == 1 ? H.Command1 : J.Command2).enabledOnScreen()) << "player " << player << " is not armed";
        ASSERT_NO_FATAL_FAILURE(fireOn(H, J, std::to_string(force), formatNumber(angle)));
        ASSERT_TRUE(duel.until([&] { return duel.bothAt(n + 1); })) << "the hand-over did not finish on both sides";
    }
    // The healths both copies keep alike, topped up so the script plays to its end.
    void keepAlive() {
        if (H.state.Health1 > 400 && H.state.Health2 > 400) return;
        for (Mainfrm* m : {&H, &J}) m->state.Health1 = m->state.Health2 = 1000;
    }
};

TEST_F(NetBattle, AWholeBattleWithEveryWeaponStaysInStep) {
    ASSERT_NO_FATAL_FAILURE(begin(45296));
    ASSERT_NO_FATAL_FAILURE(expectSame());
    EXPECT_TRUE(H.Command1.enabled() && !J.Command1.enabled());

    // Player 1 and player 2 by turns: every special shell, then a crate, then the end. The forces land
    // each shell near a column of its own, over the ground and wind of this battle.
    using namespace weapon;
    // clang-format off
    struct Shot { int kind, force; double angle; };
    const std::vector<Shot> script = {
        {Standard, 75, 45}, {Heavy, 68, 45},   {Pit, 65, 45},     {Mound, 54, 45},   {Leveller, 69, 45},
        {Piercing, 63, 45}, {Drill, 10, 20},   {Nuke, 97, 45},    {Quake, 95, 45},   {Roller, 91, 45},
        {Climber, 68, 45},  {Bouncer, 78, 45}, {Teleport, 39, 45}};
    // clang-format on
    int turn = 0;
    for (const Shot& s : script) {
        SCOPED_TRACE("turn " + std::to_string(turn) + ", weapon " + std::to_string(s.kind));
        ASSERT_EQ(int(H.state.TurnPlayer), turn % 2 + 1);
        keepAlive();
        ASSERT_NO_FATAL_FAILURE(fire(s.kind, s.force, s.angle));
        EXPECT_EQ(H.state.BonusActive, True);  // every hand-over drops a crate when none is there
        ++turn;
    }
    // Player 2 shoots a crate, put alike in both copies right across its shell's way.
    {
        SCOPED_TRACE("the crate");
        ASSERT_EQ(H.state.TurnPlayer, 2);
        keepAlive();
        const int kind = J.state.CrateKind;
        for (Mainfrm* m : {&H, &J}) m->SetCrateFalling(false), m->state.CrateLeft = 726, m->state.CrateTop = 187;
        ASSERT_NO_FATAL_FAILURE(fire(weapon::Standard, 60, 60));
        EXPECT_TRUE(H.state.Weapon2 == kind || (kind == weapon::Health && H.state.Weapon2 == 0)) << "crate " << kind;
        EXPECT_EQ(H.state.BonusActive, True);  // a new one dropped at the hand-over
        ++turn;
    }
    // The end: player 1's nuke next to player 2's tank.
    {
        SCOPED_TRACE("the end");
        for (Mainfrm* m : {&H, &J}) m->state.Health2 = 10;
        ASSERT_NO_FATAL_FAILURE(fire(weapon::Nuke, 147));  // short: a nuke reaches far, the edge does not
        ASSERT_NO_FATAL_FAILURE(expectSame());
        EXPECT_TRUE(H.state.BattleOver == True && J.state.Health2 < 1 && H.Frame3.visible() && J.Frame3.visible());
        ++turn;
    }
    // Every hash point was compared on both sides, and all agreed.
    ASSERT_TRUE(duel.until([&] { return duel.host.hashesCompared == turn + 1 && duel.joiner.hashesCompared == turn + 1; }));
    EXPECT_TRUE(duel.host.hashMismatches + duel.joiner.hashMismatches == 0 && H.tcpcontrol.state() == TcpSocket::Connected);
}

// Chat over a battle: each line shows once, in order, on both screens with its writer's number; the keys
// that open the box leave the aim alone; a fourth line in five seconds waits; the battle goes on in step and
// both records, chat and all, compute the same again.
TEST_F(NetBattle, ChatLinesArriveOnceInOrderAndLeaveTheBattleInStep) {
    ASSERT_NO_FATAL_FAILURE(begin(45296));
    // Keys and letters as the window gives them: a key, then its letter (none for Enter and Esc).
    auto write = [&](Seat& s, int key, const std::string& text, int end = Key::Enter) {
        Mainfrm& g = s.game;
        return duel.on(s, [&g, key, text, end] {
            g.keyDown(key);
            if (key == Key::T) g.typeChar('t');
            for (char c : text) c == ' ' ? (g.keyDown(Key::Space), g.typeChar(' ')) : g.typeChar(c);
            g.keyDown(end);
        });
    };
    auto shows = [&](const Mainfrm& g, std::vector<std::string> lines) {
        return duel.until([&] { return g.chat().ShownLines() == lines; }, 5000);
    };
    // Player 1 has the caret in the force box: T types there, Enter opens the chat; Space writes, fires nothing.
    ASSERT_TRUE(duel.on(duel.host, [&] { H.setFocus(&H.sila1), H.keyDown(Key::T), H.typeChar('t'); }));
    EXPECT_TRUE(!H.chat().typing() && H.sila1.text() == "100");
    ASSERT_TRUE(write(duel.host, Key::Enter, "hello there"));
    ASSERT_TRUE(shows(J, {"1: hello there"}));
    EXPECT_TRUE(!H.hideit.enabled() && H.focus() == &H.sila1 && H.sila1.text() == "100");
    ASSERT_TRUE(write(duel.joiner, Key::T, "ahoj, žluťoučký kůň"));
    ASSERT_TRUE(shows(H, {"1: hello there", "2: ahoj, žluťoučký kůň"}));
    ASSERT_TRUE(write(duel.host, Key::Enter, "two") && write(duel.host, Key::Enter, "three"));
    const std::vector<std::string> all{"1: hello there", "2: ahoj, žluťoučký kůň", "1: two", "1: three"};
    ASSERT_TRUE(shows(J, all) && shows(H, all));
    ASSERT_TRUE(write(duel.host, Key::Enter, "four"));  // the fourth line in five seconds waits in the box
    EXPECT_TRUE(H.chat().typing() && static_cast<Label*>(H.find("chatprompt"))->caption() == "Wait:");
    ASSERT_TRUE(duel.on(duel.host, [&] { H.keyDown(Key::Escape); }));
    EXPECT_TRUE(!H.chat().typing() && !H.Frame3.visible());  // Esc closed the box, and paused nothing
    ASSERT_NO_FATAL_FAILURE(fireOn(H, J, "75"));
    EXPECT_EQ(J.chat().ShownLines(), all);  // once each
    // Gone after their time; Tab shows them again.
    ASSERT_TRUE(duel.until([&] { return J.chat().ShownLines().empty(); }));
    ASSERT_TRUE(duel.on(duel.joiner, [&] { J.keyDown(Key::Tab); }));
    EXPECT_EQ(J.chat().ShownLines(), all);
    for (const Mainfrm* g : {&H, &J}) {
        EXPECT_NE(
            testing::readText(g->recorder().path()).find("chat 2 C.ahoj,%20%C5%BElu%C5%A5ou%C4%8Dk%C3%BD%20k%C5%AF%C5%88 @"),
            std::string::npos);
        EXPECT_EQ(replay::VerifyFile(g->recorder().path()).kind, replay::Verdict::Same);
    }
}

TEST_F(NetBattle, NewGameOnTheHostDuringTheLastHandOverGivesACleanBattleOnBothSides) {
    ASSERT_NO_FATAL_FAILURE(begin(3600));
    for (Mainfrm* m : {&H, &J}) {
        m->state.Health2 = 10;
        testing::arm(*m, weapon::Nuke);
        m->state.Trees.clear(), m->ShowTrees();  // a clear line to the tank
    }
    ASSERT_TRUE(duel.shoot("125", "45"));  // short: a nuke reaches far, the edge does not
    // The host is past the barrier and pauses before the crate; the joiner is somewhere behind it.
    ASSERT_TRUE(duel.until([&] { return H.state.BattleOver == True && H.showit.enabled() && H.showit.interval() == 1000; }));
    ASSERT_NO_FATAL_FAILURE(newBattle(7200));
    ASSERT_NO_FATAL_FAILURE(expectSame());
    for (Mainfrm* m : {&H, &J}) {
        const GameState& s = m->state;
        EXPECT_TRUE(s.BattleOver == False && s.Health1 == 1000 && s.Health2 == 1000 && s.TurnPlayer == 1);
        EXPECT_TRUE(m->Frame1.left() == 0 && m->Frame2.left() == 504 && !m->Frame3.visible() && m->world.enabled());
        EXPECT_TRUE(s.PeerShotDone == False && s.PeerSeedReady == False && s.BonusActive == False && !m->bonuspic.visible() &&
                    s.Weapon1 == 0);
    }
    EXPECT_TRUE(H.Command1.enabled() && !J.Command1.enabled());
    duel.runFor(3000);  // nothing of the old hand-over comes back
    EXPECT_TRUE(duel.bothAt(0) && H.Frame1.left() == 0 && J.Frame2.left() == 504);
    // And the new battle plays on in step.
    for (int force : {89, 93}) ASSERT_NO_FATAL_FAILURE(fire(weapon::Standard, force));
}

TEST_F(NetBattle, ALinkCutMidBattleResumesAtTheSameTurn) {
    ASSERT_NO_FATAL_FAILURE(begin(30000));
    ASSERT_NO_FATAL_FAILURE(fire(weapon::Standard, 80));
    // The link breaks under both copies; the joiner cannot get back at first, and its player fires meanwhile.
    const int port = J.net().joinHostPort;
    ASSERT_TRUE(duel.on(duel.joiner, [&] { J.net().joinHostPort = port + 7, J.tcpcontrol.breakConnection(); }));
    auto told = [&](const Mainfrm& g) { return g.Label8(1).visible() && g.Label8(1).caption().rfind(kCountdown, 0) == 0; };
    ASSERT_TRUE(duel.until([&] { return H.net().resuming && J.net().resuming && told(H) && told(J); }));
    // Meanwhile one who knows the link's name claims more of its messages than the host ever sent, one
    // comes back to another link, and a new joiner greets: all are sent away, and the seat stays kept.
    std::unique_ptr<RawPeer> claims, other, greets;
    ASSERT_TRUE(duel.on(duel.host, [&] {
        for (auto* p : {&claims, &other, &greets}) *p = std::make_unique<RawPeer>(H.loop()), (*p)->connect(H.hostPort);
    }));
    ASSERT_TRUE(duel.until([&] { return claims->connected() && other->connected() && greets->connected(); }));
    claims->say(WriteNetMessage(netmsg::resume(H.net().linkName, 1000000000000000)));
    other->say(WriteNetMessage(netmsg::resume(H.net().linkName ^ 2, 1))), greets->say("G2");
    ASSERT_TRUE(duel.until([&] { return claims->closedByGame() && other->closedByGame() && greets->closedByGame(); }));
    EXPECT_TRUE(claims->heardLine("disconnect") && other->heardLine("disconnect") && greets->heardLine("seatkept") &&
                H.net().resuming && told(H));
    ASSERT_TRUE(duel.on(duel.joiner, [&] {
        testing::arm(J, weapon::Heavy, 2), testing::arm(H, weapon::Heavy, 2);
        J.sila2.setText("85"), J.click(J.Command2);
    }));
    duel.runFor(5000);
    EXPECT_TRUE(H.Label8(1).caption() == kCountdown + "55s)" || H.Label8(1).caption() == kCountdown + "56s)")
        << H.Label8(1).caption();
    EXPECT_TRUE(H.state.GameMode == mode::Host && J.state.GameMode == mode::Joiner && H.net().handOvers == 1);
    // It comes back: the shot the host missed comes again, and both finish the same hand-over.
    ASSERT_TRUE(duel.on(duel.joiner, [&] { J.net().joinHostPort = port; }));
    ASSERT_TRUE(duel.until([&] { return duel.bothAt(2); }));
    EXPECT_FALSE(told(H) || told(J));
    ASSERT_NO_FATAL_FAILURE(expectSame());
    ASSERT_NO_FATAL_FAILURE(fire(weapon::Standard, 90));
    ASSERT_TRUE(duel.until([&] { return duel.host.hashesCompared >= 3 && duel.joiner.hashesCompared >= 3; }));
    EXPECT_EQ(duel.host.hashMismatches + duel.joiner.hashMismatches, 0);
}

TEST_F(NetBattle, AKilledJoinerIsAwaitedAMinuteThenTheHostIsBackAtTheMenu) {
    ASSERT_NO_FATAL_FAILURE(begin(50000));
    ASSERT_TRUE(duel.on(duel.host, [&] { H.click(H.Command1); }));
    ASSERT_TRUE(duel.until([&] { return J.hideit.enabled() || J.bullettimer.enabled(); }));
    ASSERT_TRUE(duel.kill(duel.joiner));
    const double lost = duel.clock.nowMs;
    ASSERT_TRUE(duel.until([&] { return H.state.GameMode == mode::HotSeat; }));
    EXPECT_TRUE(std::fabs(duel.clock.nowMs - lost - 60000) <= 500 && H.Label8(1).caption() == "The other player left the game");
    // The abandoned battle stops where it was: no turn passes, no wind is drawn, no crate drops.
    auto frozen = [&] { return std::tuple(H.state.Wind, H.state.TurnPlayer, H.bullet.left(), H.bullet.top()); };
    const auto before = frozen();
    duel.runFor(8000);
    EXPECT_TRUE(frozen() == before);
    for (Timer* t : {&H.showit, &H.hideit, &H.bullettimer, &H.bonusfalltimer, &H.aitimer, &H.tankexpl, &H.moonfalltimer})
        EXPECT_FALSE(t->enabled()) << t->name();
    EXPECT_TRUE(backAtMenu(H));
    ASSERT_TRUE(duel.on(duel.host, [&] { H.click(H.novahra); }));
    EXPECT_TRUE(H.state.GameMode == mode::HotSeat && H.world.enabled() && H.Command1.enabled());
}

// A program killed in a battle and started again comes back to it from its battle record: the joiner's
// while its own shot flies, the host's while it waits for the joiner's shot.
TEST_F(NetBattle, AKilledJoinerStartedAgainComesBackToTheBattleFromItsRecord) {
    ASSERT_NO_FATAL_FAILURE(begin(41000));
    for (const char* force : {"80", "70", "75", "85"}) ASSERT_NO_FATAL_FAILURE(fireOn(H, J, force));
    ASSERT_TRUE(duel.shoot("90", "60"));  // the joiner's, in flight as its program is killed
    ASSERT_TRUE(duel.until([&] { return J.bullettimer.enabled(); }));
    ASSERT_TRUE(duel.kill(duel.joiner));
    Mainfrm& J2 = duel.restart(duel.joiner);
    // Joining the host under another name is no way back to that battle: the host keeps the seat, and says so.
    ASSERT_TRUE(duel.on(*duel.again, [&] { joinGame(J2, "localhost"); }));
    ASSERT_TRUE(duel.until([&] { return J2.Label11.caption() == "The host waits for its player to return"; }));
    EXPECT_TRUE(H.net().resuming && !J2.Networked() && J2.tcpcontrol.state() == TcpSocket::Closed);
    // Joined as before, it computes the battle again from its record and goes on with the host.
    ASSERT_TRUE(duel.on(*duel.again, [&] { joinGame(J2); }));
    ASSERT_NO_FATAL_FAILURE(goOnToTheEnd(H, J2, 5, "70"));
    ASSERT_TRUE(duel.until([&] { return duel.again->hashesCompared >= 2; }));
    // Its new record has the whole battle, computed again from its start.
    EXPECT_NE(testing::readText(J2.recorder().path()).find("\nlink "), std::string::npos);
}

TEST_F(NetBattle, AKilledHostIsAwaitedByTheJoinerAndStartedAgainComesBackToTheBattle) {
    ASSERT_NO_FATAL_FAILURE(begin(62000));
    ASSERT_NO_FATAL_FAILURE(fireOn(H, J, "80"));
    ASSERT_TRUE(duel.kill(duel.host));  // the joiner keeps calling for the whole countdown it shows
    duel.runFor(45000);
    EXPECT_TRUE(J.Label8(1).caption() == kCountdown + "15s)" || J.Label8(1).caption() == kCountdown + "16s)")
        << J.Label8(1).caption();
    Mainfrm& H2 = duel.restart(duel.host);
    ASSERT_TRUE(duel.on(*duel.again, [&] { hostGame(H2); }));
    ASSERT_NO_FATAL_FAILURE(goOnToTheEnd(H2, J, 1, "60"));
}

TEST_F(NetBattle, CopiesThatDriftApartEndTheLink) {
    ASSERT_NO_FATAL_FAILURE(begin(20000));
    // Something only one copy knows: the joiner's ground has a dent the host's has not.
    J.state.Ground(3) = std::int16_t(J.state.Ground(3) + 1);  // behind the host's tank, where no shell lands
    ASSERT_TRUE(duel.on(duel.host, [&] { H.click(H.Command1); }));
    ASSERT_TRUE(duel.until([&] { return H.state.GameMode == mode::HotSeat && J.state.GameMode == mode::HotSeat; }));
    EXPECT_GE(duel.host.hashMismatches + duel.joiner.hashMismatches, 1);
    // The copy that found it says so; the other heard its "disconnect".
    const std::string h = H.Label8(1).caption(), j = J.Label8(1).caption();
    ASSERT_TRUE(h.rfind("Games out of step", 0) == 0 || j.rfind("Games out of step", 0) == 0) << h << " / " << j;
    // It keeps the battle's record, both sides' hashes in it, for a bug report and says where. The host's
    // record computes the same again, out of step and all.
    Mainfrm& finder = h.rfind("Games out of step", 0) == 0 ? H : J;
    const std::string path = finder.recorder().path();
    EXPECT_EQ(finder.Label8(1).caption(), "Games out of step. Saved for a bug report: " + path);
    const std::string text = testing::readText(path);
    EXPECT_TRUE(text.find("\nend outofstep @") != std::string::npos && text.find("\nrecv H0:") != std::string::npos &&
                text.find("\nhash 1 ") != std::string::npos)
        << text;
    EXPECT_TRUE(&finder != &H || replay::VerifyFile(path).kind == replay::Verdict::Same);
    EXPECT_TRUE(backAtMenu(H) && backAtMenu(J));
}

#ifdef GORVATH_ICE
// Whole battles over an invite's ICE stream, each copy on a machine of its own in the NAT lab: behind one
// router, behind home routers, behind carrier-grade NATs, and behind a router that forwards no UDP. Where
// the path runs through a router, it goes down under the battle long enough for both copies to count down,
// and comes back; then the stream's path fails for good and the stream starts again: either way the battle
// goes on in step from the same turn.
using testing::NatLab;
struct RouterCase {
    const char* what;
    NatLab::Router a, b;
    const char* how;
};
struct NetBattleThroughNat : NetBattle, ::testing::WithParamInterface<RouterCase> {
    NatLab lab{GetParam().a, GetParam().b};
    NetBattleThroughNat() {
        duel.clock.speed = 10;  // the stream's checks and retransmissions run on the real clock
        duel.spawn = [this](int seat, std::function<void()> body) {
            return lab.runIn(seat == 1 ? NatLab::Player::A : NatLab::Player::B, std::move(body));
        };
    }
    void TearDown() override { duel.stop(); }
    // The path between the players goes down at player A's router, or comes back.
    void pathDown(bool down) {
        ASSERT_TRUE(lab.nft(NatLab::Player::A,
                            down ? "add table inet outage { chain cut { type filter hook forward priority -10; policy drop; }; }"
                                 : "delete table inet outage"));
    }
};

TEST_P(NetBattleThroughNat, InvitedCopiesPlayABattleToItsEndInStep) {
    if (!lab.ready()) GTEST_SKIP() << lab.why();
    const RouterCase& c = GetParam();
    duel.start();
    const std::string turn = std::string("turn:") + NatLab::kUser + ":" + NatLab::kPassword + "@" + NatLab::kServer;
    for (Seat* s : {&duel.host, &duel.joiner})
        ASSERT_TRUE(
            duel.on(*s, [&] { s->game.settings().set("net.stun", NatLab::kServer), s->game.settings().set("net.turn", turn); }));
    ASSERT_NO_FATAL_FAILURE(duel.connectByInvite());
    std::printf("[ NAT lab  ] %s: the battle's link is %s\n", c.what, H.net().iceHow.c_str());
    EXPECT_TRUE(H.net().iceHow == c.how && J.net().iceHow == c.how) << H.net().iceHow << " / " << J.net().iceHow;
    ASSERT_NO_FATAL_FAILURE(newBattle(30000));
    ASSERT_NO_FATAL_FAILURE(fire(weapon::Standard, 80));
    auto told = [&](const Mainfrm& g) { return g.Label8(1).visible() && g.Label8(1).caption().rfind(kCountdown, 0) == 0; };
    if (c.a != NatLab::Router::Shared && c.b != NatLab::Router::Shared) {
        // The path goes down and comes back before the stream gives it up: the battle waits and goes on.
        ASSERT_NO_FATAL_FAILURE(pathDown(true));
        ASSERT_TRUE(duel.until([&] { return H.net().iceHeld && J.net().iceHeld && told(H) && told(J); }, 90000));
        ASSERT_NO_FATAL_FAILURE(pathDown(false));
        ASSERT_TRUE(duel.until([&] { return !H.net().iceHeld && !J.net().iceHeld; }, 90000));
        EXPECT_FALSE(told(H) || told(J));
        ASSERT_NO_FATAL_FAILURE(pathDown(true));
    }
    // The stream finds its path failed on both sides (down, where there is a router to cut it): both copies
    // keep the battle and start the stream again, and the joiner's player fires meanwhile. Once a way is
    // found again the shot reaches the host, and both finish the same hand-over.
    for (Seat* s : {&duel.host, &duel.joiner}) ASSERT_TRUE(duel.on(*s, [&] { s->game.net().ice->breakConnection(); }));
    ASSERT_TRUE(duel.until([&] { return H.net().iceHeld && J.net().iceHeld && told(H) && told(J); }, 30000));
    ASSERT_TRUE(duel.on(duel.joiner, [&] {
        testing::arm(J, weapon::Heavy, 2), testing::arm(H, weapon::Heavy, 2);
        J.sila2.setText("85"), J.click(J.Command2);
    }));
    // A TURN server reached over TCP comes back as TCP retransmits, seconds later: the countdown runs nearer
    // real time meanwhile.
    duel.clock.speed = 2;
    if (c.a != NatLab::Router::Shared && c.b != NatLab::Router::Shared) {
        ASSERT_NO_FATAL_FAILURE(pathDown(false));
    }
    ASSERT_TRUE(duel.until([&] { return duel.bothAt(2) && !H.net().iceHeld && !J.net().iceHeld; }, 60000));
    duel.clock.speed = 10;
    EXPECT_FALSE(told(H) || told(J));
    EXPECT_TRUE(H.net().overIce && J.net().overIce && H.net().iceGeneration == 1 && J.net().iceGeneration == 1);
    ASSERT_NO_FATAL_FAILURE(expectSame());
    for (Mainfrm* m : {&H, &J}) m->state.Health1 = m->state.Health2 = 1, testing::arm(*m, weapon::Nuke, int(H.state.TurnPlayer));
    ASSERT_NO_FATAL_FAILURE(fireOn(H, J, "30"));
    EXPECT_TRUE(H.state.BattleOver == True && J.state.BattleOver == True);
    ASSERT_TRUE(duel.until([&] { return duel.host.hashesCompared >= 3 && duel.joiner.hashesCompared >= 3; }));
    EXPECT_EQ(duel.host.hashMismatches + duel.joiner.hashMismatches, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Routers, NetBattleThroughNat,
    ::testing::Values(RouterCase{"one LAN", NatLab::Router::Home, NatLab::Router::Shared, "direct"},
                      RouterCase{"home routers", NatLab::Router::Home, NatLab::Router::Home, "hole-punched"},
                      RouterCase{"carrier-grade NATs", NatLab::Router::CarrierGrade, NatLab::Router::CarrierGrade, "relayed"},
                      RouterCase{"UDP blocked", NatLab::Router::UdpBlocked, NatLab::Router::Home, "relayed"}),
    [](const ::testing::TestParamInfo<RouterCase>& i) {
        std::string name;
        for (const char* p = i.param.what; *p; ++p)
            if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
        return name;
    });
#endif

}  // namespace
}  // namespace gv::nettest
