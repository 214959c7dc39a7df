// The computer opponent: what it aims at, how it searches, the aim it writes and fires, and its turn
// within the battle, through the window model and the virtual clock.
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "../support/game_fixture.h"
#include "game/numtext.h"

namespace gv {
namespace {

using testing::BattleTest;

// A battle against the computer on the flat, empty field of the battle tests.
struct ComputerTest : BattleTest {
    void SetUp() override {
        start();
        game.click(game.Option2);  // "1 vs. AI"
        newBattle(17);
        flatten(400);
    }
    void hold(int kind) {
        game.weapon2.tag = std::to_string(kind);
        game.weapon2.setPicture(kind == 0 ? nullptr : game.bonusvzor(kind).picture());
    }
    void crateAt(int kind, double left) {
        game.bonuspic.tag = std::to_string(kind);
        game.bonuspic.setPicture(game.bonusvzor(kind).picture());
        game.bonuspic.setLeft(left);
        game.bonuspic.setTop(game.state.Ground.at(left + 16) - 32);
        game.bonuspic.setVisible(true);
        game.state.BonusActive = True;
        game.state.BonusShotsLeft = 5;
    }
    void ground(int from, int to, int row) {
        for (int x = from; x <= to; ++x) game.state.Ground(x) = std::int16_t(row);
    }
    // The computer's turn as the hand-over hands it over: player 2 is armed, the thinking marker shows and
    // the computer's timer runs. Returns once the timer has ticked (the computer has fired, if it did).
    void computerTurn(double seed) {
        game.random.reset();
        game.random.seed(seed);
        game.state.TurnPlayer = 2;
        game.Command1.tag.assign(1, '0');
        game.Command2.tag.assign(1, '1');
        game.Frame1.setEnabled(false);
        game.Command1.setEnabled(false);
        game.ShowTurnArrow();
        game.StartTurn();
        ASSERT_TRUE(game.aitimer.enabled());
        loop.runFor(500);
    }
    // The computer's shot is left unflown, so the next turn sees the same field.
    void forgetShot() {
        game.ResetHandOver();
        game.bullet.setVisible(false);
    }
    const Mainfrm::ComputerThought& thought() const { return game.computerThought(); }
    double angleBox() const { return leadingNumber(game.uhel2.text()); }
    double forceBox() const { return leadingNumber(game.sila2.text()); }
    bool computerFired() const { return game.state.TurnPlayer == 1 && game.hideit.enabled(); }
};

// ---- What it aims at

struct ComputerTargets : ComputerTest {};

TEST_F(ComputerTargets, TeleportSpotKeepsAwayFromAHumanWhoIsNotWeaker) {
    int turns = 0;
    for (int seed = 1; seed <= 6; ++seed) {
        newBattle(seed);
        for (int human : {20, 250, 560, 700}) {
            game.SeatTank(game.tank1, human);
            game.SeatTank(game.tank2, human < 400 ? 740 : 30);
            // The deepest point of the field lies right beside the human.
            const std::int16_t before = game.state.Ground(human + 60);
            game.state.Ground(human + 60) = 600;
            for (double health2 : {1000.0, 300.0}) {
                game.state.Health1 = 1000;
                game.state.Health2 = health2;
                hold(1);
                computerTurn(seed * 10 + human);
                const double spot = (thought().xL + thought().xR) / 2;
                EXPECT_GE(std::fabs(spot - game.tank1.left()), 220) << seed << " " << human;
                EXPECT_TRUE(spot >= 0 && spot <= 800) << spot;
                EXPECT_TRUE(computerFired());
                forgetShot();
                ++turns;
            }
            // A weaker human may be jumped at: then the deepest point of all is the spot.
            game.state.Health1 = 500;
            game.state.Health2 = 1000;
            hold(1);
            computerTurn(seed);
            EXPECT_EQ((thought().xL + thought().xR) / 2, human + 60);
            forgetShot();
            game.state.Ground(human + 60) = before;
        }
    }
    EXPECT_EQ(turns, 48);
}

TEST_F(ComputerTargets, MoundStripBesideAHumanAtTheEdgeReadsTheEdgeColumn) {
    // After a teleport the human may stand so far right that the strip lies past the last column.
    game.SeatTank(game.tank1, 720);
    game.SeatTank(game.tank2, 760);
    game.state.Ground(800) = 450;
    hold(4);
    computerTurn(3);
    EXPECT_EQ(thought().xL, 795);
    EXPECT_EQ(thought().xR, 810);
    EXPECT_EQ(thought().yT, 395);  // column 795: row 400
    EXPECT_EQ(thought().yB, 455);  // column 810 reads column 800
    EXPECT_TRUE(computerFired());
}

TEST_F(ComputerTargets, CrateIsLeftAloneWithAWeaponInHandOrHealthToSpare) {
    // A crate this close to the computer is its target whenever nothing rules it out.
    struct Case {
        int held, crate;
        double health2;
        int humanRow;  // the ground under the human
        bool target;
    };
    const std::vector<Case> cases{
        {0, 2, 1000, 400, true},  {0, 13, 750, 400, true},  {0, 13, 751, 400, false},
        {0, 5, 1000, 400, true},  {0, 5, 1000, 500, false}, {0, 7, 1000, 400, true},
        {0, 7, 1000, 450, false},
    };
    for (const Case& c : cases) {
        flatten(400);
        ground(-1, 100, c.humanRow);
        game.SeatTank(game.tank1, 20);
        crateAt(c.crate, 680);
        game.state.Health2 = c.health2;
        hold(c.held);
        computerTurn(c.crate);
        EXPECT_EQ(thought().crate, c.target) << "crate " << c.crate << " health " << c.health2;
        if (c.target) {
            EXPECT_EQ(thought().xL, 680);
            EXPECT_EQ(thought().yT, game.bonuspic.top());
        }
        forgetShot();
    }
    // With any special shell in hand the crate is never the target, whatever the draws.
    for (int held = 1; held <= 12; ++held) {
        for (int seed = 1; seed <= 4; ++seed) {
            flatten(400);
            crateAt(2, 680);
            hold(held);
            computerTurn(held * 100 + seed);
            EXPECT_FALSE(thought().crate) << "holding " << held;
            forgetShot();
        }
    }
}

// ---- How it searches

struct ComputerSearch : ComputerTest {};

TEST_F(ComputerSearch, AnglesPointAtTheHumansSideAndNeverStraightUp) {
    // A ridge nothing can pass keeps the computer searching until it ignores the hills.
    ground(395, 405, -30000);
    std::size_t searched = 0;
    for (bool humanLeft : {true, false}) {
        game.SeatTank(game.tank1, humanLeft ? 20 : 740);
        game.SeatTank(game.tank2, humanLeft ? 740 : 20);
        for (int seed = 1; seed <= 8; ++seed) {
            computerTurn(seed);
            for (int a : thought().angles) {
                if (humanLeft)
                    EXPECT_TRUE(a >= 0 && a <= 87) << a;
                else
                    EXPECT_TRUE(a >= 93 && a <= 180) << a;
            }
            searched += thought().angles.size();
            forgetShot();
        }
    }
    EXPECT_GE(searched, 16u * 25);
}

TEST_F(ComputerSearch, EveryPathBlockedStillEndsInAShot) {
    // Nothing gets over the ridge, and with no wind a shell that misses falls straight through the field.
    ground(395, 405, -30000);
    for (float wind : {0.0f, 1.0f, -30.0f, 29.0f}) {
        game.state.Wind = wind;
        computerTurn(7);
        EXPECT_GE(thought().attempts, 25) << wind;
        EXPECT_TRUE(computerFired()) << wind;
        forgetShot();
    }
}

TEST_F(ComputerSearch, StartPointInsideTheSunStillEndsInAShot) {
    game.sun.setLeft(730);
    game.sun.setTop(340);
    game.sun.setVisible(true);
    computerTurn(5);
    EXPECT_TRUE(thought().gaveUp);
    EXPECT_TRUE(computerFired());
    EXPECT_LT(angleBox(), 91);  // the random shot goes the human's way
    forgetShot();
    // The drill never gives up; its search is bounded all the same.
    hold(7);
    computerTurn(5);
    EXPECT_TRUE(computerFired());
    EXPECT_LT(thought().attempts, 256);
}

TEST_F(ComputerSearch, DrillFiresItsFirstAngleWhenTheHumanStandsLower) {
    ground(-1, 100, 500);
    game.SeatTank(game.tank1, 20);
    for (int seed = 1; seed <= 10; ++seed) {
        hold(7);
        computerTurn(seed);
        ASSERT_EQ(thought().angles.size(), 1u);
        EXPECT_LE(std::fabs(angleBox() - thought().angles[0]), 1);
        EXPECT_TRUE(computerFired());
        forgetShot();
    }
}

TEST_F(ComputerSearch, DrillWithNoStraightLineToTheHumanStillFires) {
    // Level tanks: only a flat line would do, and the sun stands in its way.
    game.sun.setLeft(300);
    game.sun.setTop(340);
    game.sun.setVisible(true);
    hold(7);
    computerTurn(11);
    EXPECT_FALSE(thought().gaveUp);
    EXPECT_LT(thought().attempts, 256);
    EXPECT_EQ(thought().angles.size(), std::size_t(thought().attempts));
    EXPECT_LE(std::fabs(angleBox() - thought().angles.back()), 1);  // the last angle searched
    EXPECT_TRUE(computerFired());
}

TEST_F(ComputerSearch, SameSeedSameChoiceEveryRun) {
    // Two whole games from the same seed on the same hilly field: the computer answers alike.
    struct Game {
        testing::QuietAudio quiet;
        VirtualDriver clock{12 * 3600.0};
        EventLoop loop{&clock};
        Mainfrm game{loop, testing::englishDesktop()};
        std::vector<std::string> choices;
        void play() {
            game.Form_Load();
            loop.runFor(1500);
            game.click(game.Option2);
            game.random.reset();
            game.random.seed(4242);
            game.click(game.novahra);
            for (int turn = 0; turn < 6 && game.state.BattleOver == False; ++turn) {
                game.sila1.setText(std::to_string(60 + 7 * turn));
                game.keyDown(Key::Space);
                loop.waitUntil([&] { return game.state.BattleOver == True || game.state.TurnPlayer == 1; });
                const auto& t = game.computerThought();
                std::string c = std::to_string(t.attempts) + " " + std::to_string(t.xL) + " " +
                                std::to_string(t.yT) + " " + game.uhel2.text() + " " + game.sila2.text();
                for (int a : t.angles) c.append(" ").append(std::to_string(a));
                choices.push_back(c);
                loop.waitUntil([&] { return game.state.BattleOver == True || game.Frame1.enabled(); });
            }
        }
    };
    Game one, two;
    one.play();
    two.play();
    EXPECT_GE(one.choices.size(), 3u);
    EXPECT_EQ(one.choices, two.choices);
}

// ---- The aim it writes

struct ComputerAiming : ComputerTest {};

TEST_F(ComputerAiming, ZeroForceBecomesARandomForce) {
    // The only way down to the spot is to drop the shell: the sun swallows anything that moves right.
    game.state.Ground(760) = 401;
    game.sun.setLeft(754);
    game.sun.setTop(360);
    game.sun.setVisible(true);
    for (int seed = 1; seed <= 12; ++seed) {
        hold(1);
        computerTurn(seed);
        ASSERT_EQ(thought().force, 0) << seed;
        EXPECT_TRUE(forceBox() >= 45 && forceBox() <= 194) << game.sila2.text();
        EXPECT_TRUE(computerFired());
        forgetShot();
    }
}

TEST_F(ComputerAiming, WrittenAimsStayInTheirRanges) {
    int turns = 0;
    for (int seed = 1; seed <= 10; ++seed) {
        newBattle(seed);
        for (int kind = 0; kind <= 12; kind += 3) {
            game.random.reset();
            game.random.seed(seed * 13 + kind);
            // Anywhere on the field, either side of each other, any wind, sometimes a crate.
            int human = int(game.random.Rnd() * 760), computer = int(game.random.Rnd() * 760);
            game.SeatTank(game.tank1, human);
            game.SeatTank(game.tank2, computer);
            game.state.Wind = float(int(game.random.Rnd() * 60) - 30);
            game.state.Health2 = 500 + game.random.Rnd() * 500;
            if (kind == 0) crateAt(int(game.random.Rnd() * 13) + 1, int(game.random.Rnd() * 768) + 16);
            hold(kind);
            computerTurn(seed * 31 + kind);
            const auto& t = thought();
            const double angle = angleBox(), force = forceBox();
            EXPECT_TRUE(angle >= 0 && angle <= 180) << game.uhel2.text();
            EXPECT_TRUE(force >= 0 && force <= 200) << game.sila2.text();
            // What the boxes show is the computer's own aim with its error, not a value the box wrapped.
            EXPECT_LE(std::fabs(angle - t.angle), 1) << t.angle;
            const bool near = std::fabs(force - t.force) <= 0.025 * std::fabs(game.tank2.left() - t.xL) + 1;
            const bool dropped = force >= 45 && force <= 194 && t.force <= 0.025 * std::fabs(game.tank2.left() - t.xL) + 1;
            EXPECT_TRUE(near || dropped) << force << " for " << t.force;
            EXPECT_TRUE(computerFired());
            forgetShot();
            ++turns;
            game.bonuspic.setVisible(false);
            game.state.BonusActive = False;
        }
    }
    EXPECT_EQ(turns, 50);
}

// ---- Its turn in the battle

struct ComputerTurns : ComputerTest {};

TEST_F(ComputerTurns, StaleTurnWritesButDoesNotFire) {
    // A force of 0 is one the computer never leaves in its box.
    aim(2, "0", "45");
    game.effectLog.clear();
    // The turn passes while the computer thinks: player 2's shell goes off with the boxes as they stand.
    std::function<void()> passTurn = [&] {
        if (game.aitimer.running())
            game.FireTank2();
        else
            loop.post(passTurn);
    };
    loop.post(passTurn);
    computerTurn(9);
    EXPECT_FALSE(thought().fired);
    EXPECT_EQ(game.state.TurnPlayer, 1);
    EXPECT_EQ(std::count(game.effectLog.begin(), game.effectLog.end(), 11), 1);  // one shot only
    // The shell flying is the one of force 0; the boxes show the computer's aim.
    EXPECT_EQ(game.state.ShotVx, 0);
    EXPECT_NE(game.sila2.text(), "0");
    EXPECT_LE(std::fabs(angleBox() - thought().angle), 1);
}

TEST_F(ComputerTurns, TurnLeftWaitingWhenTheHumanWinsDoesNothingInTheNextBattle) {
    // The player pauses during the hand-over; the computer's turn begins behind the menu and waits.
    game.keyDown(Key::Escape);
    ASSERT_FALSE(game.world.enabled());
    // Meanwhile the battle ends with the computer's tank destroyed, and the player starts the next one.
    Timer script(loop, "script", 40);
    int step = 0;
    script.onTimer = [&] {
        if (!game.aitimer.running()) return;  // the computer's turn is not waiting yet
        if (step == 0) {
            EXPECT_TRUE(game.hmm.visible());
            game.state.Health2 = 0;
            game.CheckBattleEnd();
            step = 1;
        } else if (step == 1 && !game.tankexpl.enabled()) {
            step = 2;
            script.setEnabled(false);
            game.random.reset();
            game.random.seed(23);
            game.click(game.novahra);
        }
    };
    script.setEnabled(true);
    computerTurn(1);
    loop.runFor(20000);
    ASSERT_EQ(step, 2);
    EXPECT_FALSE(game.aitimer.running());
    // The new battle is the player's: nothing was written into the computer's boxes, nothing fired.
    EXPECT_EQ(game.state.BattleOver, False);
    EXPECT_EQ(game.state.TurnPlayer, 1);
    EXPECT_TRUE(game.Frame1.enabled());
    EXPECT_FALSE(game.hideit.enabled() || game.bullettimer.enabled());
    EXPECT_EQ(game.uhel2.text(), "45");
    EXPECT_EQ(game.sila2.text(), "100");
    EXPECT_EQ(thought().attempts, 0);
}

TEST_F(ComputerTurns, PausedTurnGoesOnWhenThePlayerContinues) {
    game.keyDown(Key::Escape);
    Timer script(loop, "script", 40);
    script.onTimer = [&] {
        if (!game.aitimer.running()) return;
        script.setEnabled(false);
        game.click(game.continue_);
    };
    script.setEnabled(true);
    computerTurn(2);
    loop.runFor(1000);
    EXPECT_TRUE(thought().fired);
    EXPECT_EQ(game.state.TurnPlayer, 1);
}

// A whole game against the computer: the player fires a fixed script, the computer answers every turn,
// and the battle ends.
TEST(ComputerGame, WholeBattleAgainstTheComputerEnds) {
    testing::QuietAudio quiet;
    VirtualDriver clock{12 * 3600.0};
    EventLoop loop{&clock};
    Mainfrm game{loop, testing::englishDesktop()};
    game.Form_Load();
    loop.runFor(1500);
    game.click(game.Option2);
    game.random.reset();
    game.random.seed(31);
    game.click(game.novahra);
    ASSERT_EQ(game.state.GameMode, 2);
    int humanShots = 0, answers = 0;
    const char* forces[] = {"90", "110", "130", "70", "150"};
    const char* angles[] = {"45", "50", "40", "55", "35"};
    while (game.state.BattleOver == False && humanShots < 400) {
        ASSERT_TRUE(game.Frame1.enabled());
        game.sila1.setText(forces[humanShots % 5]);
        game.uhel1.setText(angles[humanShots % 3]);
        game.keyDown(Key::Space);
        ++humanShots;
        ASSERT_EQ(game.state.TurnPlayer, 2);
        // The computer thinks and fires; then its shell flies and the turn comes back.
        loop.waitUntil([&] { return game.state.BattleOver == True || game.state.TurnPlayer == 1; });
        if (game.state.TurnPlayer == 1) {
            ++answers;
            EXPECT_TRUE(game.computerThought().fired);
        }
        loop.waitUntil([&] {
            return game.state.BattleOver == True || (game.Frame1.enabled() && !game.showit.enabled());
        });
    }
    EXPECT_EQ(game.state.BattleOver, True) << humanShots << " shots";
    EXPECT_GE(answers, humanShots - 1);
    EXPECT_TRUE(game.state.Health1 < 1 || game.state.Health2 < 1);
    loop.waitUntil([&] { return !game.tankexpl.enabled(); });
    EXPECT_TRUE(game.Frame3.visible());
}

}  // namespace
}  // namespace gv
