// Whole network battles between two complete games over a real loopback connection, each game on its
// own thread and loop, taking turns on one virtual clock.
#include "net_support.h"

namespace gv::nettest {
namespace {

struct NetBattle : ::testing::Test {
    NetDuel duel;
    Mainfrm& H = duel.host.game;
    Mainfrm& J = duel.joiner.game;

    static bool settled(const Mainfrm& g) {
        return g.state.WorldBusy == False && !g.hideit.enabled() && !g.showit.enabled() &&
               g.showit.interval() == 1 && !g.bullettimer.enabled() && !g.tankexpl.enabled() && !g.net().shotHeld;
    }
    // Both copies have been through `handOvers` hand-overs of this battle and wait for the next shot.
    bool bothAt(long long handOvers) const {
        return settled(H) && settled(J) && H.net().handOvers == handOvers && J.net().handOvers == handOvers &&
               H.state.TurnPlayer == J.state.TurnPlayer && H.net().battles == J.net().battles && H.net().battles > 0;
    }
    // New Game on the host with the seed the time of day gives.
    void newBattle(double timeOfDay) {
        duel.clock.dayBase = timeOfDay + 0.25 - duel.clock.nowMs / 1000.0;
        const long long battles = H.net().battles;
        ASSERT_TRUE(duel.on(duel.host, [&] {
            if (!H.Frame3.visible()) H.keyDown(Key::Escape);
            H.click(H.novahra);
        }));
        ASSERT_TRUE(duel.until([&] {
            return H.net().battles == battles + 1 && bothAt(0) && J.tank1.visible() &&
                   J.state.Wind == H.state.Wind;  // the host's first wind follows its "drawingok"
        }));
        EXPECT_EQ(H.state.RandomSeed, formatNumber(std::floor(timeOfDay)));
        EXPECT_EQ(J.state.RandomSeed, H.state.RandomSeed);
    }
    // Everything both copies must hold alike, and no hash pair that disagreed.
    void expectSame() {
        EXPECT_EQ(H.SharedStateHash(), J.SharedStateHash());
        EXPECT_EQ(H.state.Ground.rows(), J.state.Ground.rows());
        EXPECT_EQ(H.state.Health1, J.state.Health1);
        EXPECT_EQ(H.state.Health2, J.state.Health2);
        if (H.state.BattleOver == False) {
            EXPECT_EQ(H.tank1.left(), J.tank1.left());
            EXPECT_EQ(H.tank1.top(), J.tank1.top());
            EXPECT_EQ(H.tank2.left(), J.tank2.left());
            EXPECT_EQ(H.tank2.top(), J.tank2.top());
        }
        EXPECT_EQ(H.weapon1.tag, J.weapon1.tag);
        EXPECT_EQ(H.weapon2.tag, J.weapon2.tag);
        EXPECT_EQ(H.state.BonusActive, J.state.BonusActive);
        if (H.state.BonusActive == True) {
            EXPECT_EQ(H.bonuspic.tag, J.bonuspic.tag);
            EXPECT_EQ(H.bonuspic.left(), J.bonuspic.left());
            EXPECT_EQ(H.state.BonusShotsLeft, J.state.BonusShotsLeft);
        }
        EXPECT_EQ(H.state.Wind, J.state.Wind);
        EXPECT_EQ(H.state.TurnPlayer, J.state.TurnPlayer);
        EXPECT_EQ(H.state.BattleOver, J.state.BattleOver);
        ASSERT_EQ(H.strom.count(), J.strom.count());
        for (auto& [i, tree] : H.strom.elements()) {
            EXPECT_EQ(tree->visible(), J.strom(i).visible()) << "tree " << i;
            if (tree->visible()) {
                EXPECT_EQ(tree->tag, J.strom(i).tag) << "tree " << i;
                EXPECT_EQ(tree->top(), J.strom(i).top()) << "tree " << i;
            }
        }
        EXPECT_EQ(duel.host.hashMismatches, 0);
        EXPECT_EQ(duel.joiner.hashMismatches, 0);
        EXPECT_EQ(H.state.GameMode, 3);
        EXPECT_EQ(J.state.GameMode, 4);
    }
    // The player whose turn it is fires `kind` (set alike in both copies) toward column `target`.
    void shoot(int kind, double target, double angle = 45) {
        const int player = int(H.state.TurnPlayer);
        Seat& seat = player == 1 ? duel.host : duel.joiner;
        Mainfrm& g = seat.game;
        for (Mainfrm* m : {&H, &J}) (player == 1 ? m->weapon1 : m->weapon2).tag = std::to_string(kind);
        const int force = forceToward(g, player, target, angle);
        fire(player, force, angle);
    }
    void fire(int player, int force, double angle) {
        Seat& seat = player == 1 ? duel.host : duel.joiner;
        Mainfrm& g = seat.game;
        const long long n = H.net().handOvers;
        ASSERT_TRUE((player == 1 ? g.Command1 : g.Command2).enabledOnScreen()) << "player " << player << " is not armed";
        ASSERT_TRUE(duel.on(seat, [&] {
            (player == 1 ? g.sila1 : g.sila2).setText(std::to_string(force));
            (player == 1 ? g.uhel1 : g.uhel2).setText(formatNumber(angle));
            g.click(player == 1 ? g.Command1 : g.Command2);
        }));
        ASSERT_TRUE(duel.until([&] { return bothAt(n + 1); })) << "the hand-over did not finish on both sides";
    }
    // The healths both copies keep alike, topped up so the script plays to its end.
    void keepAlive() {
        if (H.state.Health1 > 400 && H.state.Health2 > 400) return;
        for (Mainfrm* m : {&H, &J}) m->state.Health1 = m->state.Health2 = 1000;
    }
};

TEST_F(NetBattle, AWholeBattleWithEveryWeaponStaysInStep) {
    duel.start();
    ASSERT_NO_FATAL_FAILURE(duel.connect(kDuelBattle));
    ASSERT_NO_FATAL_FAILURE(newBattle(45296));
    ASSERT_NO_FATAL_FAILURE(expectSame());
    EXPECT_TRUE(H.Command1.enabled());
    EXPECT_FALSE(J.Command1.enabled());

    struct Shot {
        int kind;
        double target, angle;
    };
    // Player 1 and player 2 by turns: every special shell, then a crate, then the end.
    const std::vector<Shot> script = {{0, 300, 45}, {2, 500, 45}, {3, 250, 45},  {4, 550, 45}, {5, 300, 45},
                                      {6, 450, 45}, {7, 0, 20},   {8, 400, 45},  {9, 350, 45}, {10, 450, 45},
                                      {11, 300, 45}, {12, 500, 45}, {1, 150, 45}};
    int turn = 0;
    for (const Shot& s : script) {
        SCOPED_TRACE("turn " + std::to_string(turn) + ", weapon " + std::to_string(s.kind));
        ASSERT_EQ(int(H.state.TurnPlayer), turn % 2 + 1);
        keepAlive();
        ASSERT_NO_FATAL_FAILURE(shoot(s.kind, s.target, s.angle));
        ASSERT_NO_FATAL_FAILURE(expectSame());
        EXPECT_EQ(H.state.BonusActive, True);  // every hand-over drops a crate when none is there
        ++turn;
    }
    // Player 2 shoots a crate, put alike in both copies right across its shell's way.
    {
        SCOPED_TRACE("the crate");
        ASSERT_EQ(H.state.TurnPlayer, 2);
        keepAlive();
        const int force = 60;
        const double angle = 60, a = (180 - angle) / 180 * 3.1415926;
        double x0 = J.tank2.left() + 20, y0 = J.tank2.top() + 15, x = x0, y = y0;
        double vx = std::cos(a) * force, vy = std::sin(a) * force;
        for (double t = 0.2; t < 0.7; t += 0.2) Mainfrm::FlightStep(x, y, vx, vy, t, x0, y0, 10, J.state.Wind, false);
        const std::string kind = J.bonuspic.tag;
        for (Mainfrm* m : {&H, &J}) {
            m->weapon2.tag = "0";
            m->bonusfalltimer.setEnabled(false);
            m->bonuspic.setLeft(std::round(x) - 16);
            m->bonuspic.setTop(std::round(y) - 16);
        }
        ASSERT_NO_FATAL_FAILURE(fire(2, force, angle));
        ASSERT_NO_FATAL_FAILURE(expectSame());
        EXPECT_TRUE(H.weapon2.tag == kind || (kind == "13" && H.weapon2.tag == "0")) << "crate " << kind;
        EXPECT_EQ(H.state.BonusActive, True);  // a new one dropped at the hand-over
        ++turn;
    }
    // The end: player 1's nuke next to player 2's tank.
    {
        SCOPED_TRACE("the end");
        for (Mainfrm* m : {&H, &J}) m->state.Health2 = 10;
        ASSERT_NO_FATAL_FAILURE(shoot(8, H.tank2.left() - 60));  // short: a nuke reaches far, the edge does not
        ASSERT_NO_FATAL_FAILURE(expectSame());
        EXPECT_EQ(H.state.BattleOver, True);
        EXPECT_LT(J.state.Health2, 1);
        EXPECT_TRUE(H.Frame3.visible());
        EXPECT_TRUE(J.Frame3.visible());
        ++turn;
    }
    // Every hash point was compared on both sides, and all agreed.
    ASSERT_TRUE(duel.until([&] { return duel.host.hashesCompared == turn + 1 && duel.joiner.hashesCompared == turn + 1; }));
    EXPECT_EQ(duel.host.hashMismatches + duel.joiner.hashMismatches, 0);
    EXPECT_EQ(H.tcpcontrol.state(), TcpSocket::Connected);
}

TEST_F(NetBattle, NewGameOnTheHostDuringTheLastHandOverGivesACleanBattleOnBothSides) {
    duel.start();
    ASSERT_NO_FATAL_FAILURE(duel.connect(kDuelNewGame));
    ASSERT_NO_FATAL_FAILURE(newBattle(3600));
    for (Mainfrm* m : {&H, &J}) {
        m->state.Health2 = 10;
        m->weapon1.tag = "8";
        for (auto& [i, tree] : m->strom.elements()) tree->setVisible(false);  // a clear line to the tank
    }
    const int force = forceToward(H, 1, H.tank2.left() - 60);  // short: a nuke reaches far, the edge does not
    ASSERT_TRUE(duel.on(duel.host, [&] {
        H.sila1.setText(std::to_string(force));
        H.click(H.Command1);
    }));
    // The host is past the barrier and pauses before the crate; the joiner is somewhere behind it.
    ASSERT_TRUE(duel.until([&] { return H.state.BattleOver == True && H.showit.enabled() && H.showit.interval() == 1000; }));
    ASSERT_NO_FATAL_FAILURE(newBattle(7200));
    ASSERT_NO_FATAL_FAILURE(expectSame());
    for (Mainfrm* m : {&H, &J}) {
        EXPECT_EQ(m->state.BattleOver, False);
        EXPECT_EQ(m->state.Health1, 1000);
        EXPECT_EQ(m->state.Health2, 1000);
        EXPECT_EQ(m->state.TurnPlayer, 1);
        EXPECT_EQ(m->Frame1.left(), 0);
        EXPECT_EQ(m->Frame2.left(), 504);
        EXPECT_EQ(m->state.PeerShotDone, False);
        EXPECT_EQ(m->state.PeerSeedReady, False);
        EXPECT_EQ(m->state.BonusActive, False);
        EXPECT_FALSE(m->bonuspic.visible());
        EXPECT_FALSE(m->Frame3.visible());
        EXPECT_TRUE(m->world.enabled());
        EXPECT_EQ(m->weapon1.tag, "0");
    }
    EXPECT_TRUE(H.Command1.enabled());
    EXPECT_FALSE(J.Command1.enabled());
    duel.runFor(3000);  // nothing of the old hand-over comes back
    EXPECT_TRUE(bothAt(0));
    EXPECT_EQ(H.Frame1.left(), 0);
    EXPECT_EQ(J.Frame2.left(), 504);
    // And the new battle plays on in step.
    ASSERT_NO_FATAL_FAILURE(shoot(0, 400));
    ASSERT_NO_FATAL_FAILURE(expectSame());
    ASSERT_NO_FATAL_FAILURE(shoot(0, 400));
    ASSERT_NO_FATAL_FAILURE(expectSame());
}

TEST_F(NetBattle, AKilledJoinerSendsTheHostBackToTheMenu) {
    duel.start();
    ASSERT_NO_FATAL_FAILURE(duel.connect(kDuelKilled));
    ASSERT_NO_FATAL_FAILURE(newBattle(50000));
    ASSERT_TRUE(duel.on(duel.host, [&] { H.click(H.Command1); }));
    ASSERT_TRUE(duel.until([&] { return J.hideit.enabled() || J.bullettimer.enabled(); }));
    duel.kill(duel.joiner);
    ASSERT_TRUE(duel.until([&] { return H.state.GameMode == 1; }));
    EXPECT_EQ(H.Label8(1).caption(), "The other player left the game");
    // The abandoned battle stops where it was: no turn passes, no wind is drawn, no crate drops.
    const auto wind = H.state.Wind;
    const auto turn = H.state.TurnPlayer;
    const auto bullet = std::make_pair(H.bullet.left(), H.bullet.top());
    duel.runFor(8000);
    EXPECT_EQ(H.state.Wind, wind);
    EXPECT_EQ(H.state.TurnPlayer, turn);
    EXPECT_EQ(std::make_pair(H.bullet.left(), H.bullet.top()), bullet);
    EXPECT_EQ(H.state.BonusActive, False);
    for (Timer* t : {&H.showit, &H.hideit, &H.bullettimer, &H.bonusfalltimer, &H.aitimer, &H.tankexpl, &H.moonfalltimer})
        EXPECT_FALSE(t->enabled()) << t->name();
    EXPECT_TRUE(H.Frame3.visible());
    EXPECT_TRUE(H.Option1.value());
    EXPECT_TRUE(H.novahra.enabled());
    EXPECT_FALSE(H.world.enabled());
    EXPECT_EQ(H.tcpcontrol.state(), TcpSocket::Closed);
    ASSERT_TRUE(duel.on(duel.host, [&] { H.click(H.novahra); }));
    EXPECT_EQ(H.state.GameMode, 1);
    EXPECT_TRUE(H.world.enabled());
    EXPECT_TRUE(H.Command1.enabled());
}

TEST_F(NetBattle, CopiesThatDriftApartEndTheLink) {
    duel.start();
    ASSERT_NO_FATAL_FAILURE(duel.connect(kDuelDrift));
    ASSERT_NO_FATAL_FAILURE(newBattle(20000));
    // Something only one copy knows: the joiner's ground has a dent the host's has not.
    J.state.Ground(3) = std::int16_t(J.state.Ground(3) + 1);  // behind the host's tank, where no shell lands
    ASSERT_TRUE(duel.on(duel.host, [&] { H.click(H.Command1); }));
    ASSERT_TRUE(duel.until([&] { return H.state.GameMode == 1 && J.state.GameMode == 1; }));
    EXPECT_GE(duel.host.hashMismatches + duel.joiner.hashMismatches, 1);
    // The copy that found it says so; the other heard its "disconnect".
    const std::string h = H.Label8(1).caption(), j = J.Label8(1).caption();
    EXPECT_TRUE(h == "Games out of step" || j == "Games out of step") << h << " / " << j;
    for (Mainfrm* m : {&H, &J}) {
        EXPECT_TRUE(m->Frame3.visible());
        EXPECT_TRUE(m->novahra.enabled());
        EXPECT_EQ(m->tcpcontrol.state(), TcpSocket::Closed);
    }
}

}  // namespace
}  // namespace gv::nettest
