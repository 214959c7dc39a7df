// A playable battle: aiming, firing, flight, impacts, damage and the end of a battle, through the window
// model and the virtual clock.
#include <algorithm>
#include <cmath>

#include "../support/game_fixture.h"

namespace gv {
namespace {

using testing::BattleTest;

struct Aiming : BattleTest {};

TEST_F(Aiming, BoxesNormaliseAndWrapTheirValues) {
    struct Case {
        const char* typed;
        const char* force;
        const char* angle;
    };
    for (auto [typed, force, angle] : std::vector<Case>{{"250", "0", "0"},
                                                          {"-5", "200", "180"},
                                                          {"", "0", "0"},
                                                          {"abc", "0", "0"},
                                                          {"181", "181" /*unused*/, "0"},
                                                          {"-1", "200", "180"},
                                                          {"1000", "0", "0"},
                                                          {"12abc", "12", "12"},
                                                          {"45.5", "45.5", "45.5"},
                                                          {"inf", "0", "0"},
                                                          {"1e5", "1", "1"}}) {
        game.sila1.setText(typed);
        if (std::string(typed) != "181") {
            EXPECT_EQ(game.sila1.text(), force) << typed;
        }
        game.uhel1.setText(typed);
        EXPECT_EQ(game.uhel1.text(), angle) << typed;
    }
    game.sila2.setText("181");
    EXPECT_EQ(game.sila2.text(), "181");  // within the force's range
}

TEST_F(Aiming, SpinImagesStepAndWrap) {
    game.sila1.setText("200");
    game.click(game.s1up);
    EXPECT_EQ(game.sila1.text(), "0");
    game.click(game.s1down);
    EXPECT_EQ(game.sila1.text(), "200");
    game.sila1.setText("195");
    game.doubleClick(game.s1up);
    EXPECT_EQ(game.sila1.text(), "0");
    game.uhel1.setText("45");
    game.mouseDown(int(game.u1up.absLeft()) + 3, int(game.u1up.absTop()) + 3);
    game.mouseDown(int(game.u1up.absLeft()) + 3, int(game.u1up.absTop()) + 3, true);
    EXPECT_EQ(game.uhel1.text(), "56");  // a double-click: 1 for its first press, 10 for the second
}

TEST_F(Aiming, TankFacesTheWayTheBarrelPoints) {
    game.uhel1.setText("90");
    EXPECT_EQ(game.tank1.picture(), game.tankright.picture());
    game.uhel1.setText("91");
    EXPECT_EQ(game.tank1.picture(), game.tankleft.picture());
    game.uhel2.setText("90");
    EXPECT_EQ(game.tank2.picture(), game.tankleft.picture());
    game.uhel2.setText("91");
    EXPECT_EQ(game.tank2.picture(), game.tankright.picture());
    // 181 wraps to 0, and the tank faces the way 0 points.
    game.uhel2.setText("181");
    EXPECT_EQ(game.uhel2.text(), "0");
    EXPECT_EQ(game.tank2.picture(), game.tankleft.picture());
    game.uhel1.setText("181");
    EXPECT_EQ(game.tank1.picture(), game.tankright.picture());
}

TEST_F(Aiming, ArrowKeysMoveTheArmedPlayersAimOnly) {
    game.keyDown(Key::Up);
    EXPECT_EQ(game.sila1.text(), "101");
    game.keyDown(Key::Down);
    game.keyDown(Key::Down);
    EXPECT_EQ(game.sila1.text(), "99");
    game.keyDown(Key::Left);
    EXPECT_EQ(game.uhel1.text(), "46");
    game.keyDown(Key::Right);
    game.keyDown(Key::Right);
    EXPECT_EQ(game.uhel1.text(), "44");
    EXPECT_EQ(game.sila2.text(), "100");  // player 2's panel is not armed
    EXPECT_EQ(game.uhel2.text(), "45");
}

TEST_F(Aiming, KeysDoNothingInThePauseAndAfterTheBattle) {
    game.keyDown(Key::Escape);
    game.keyDown(Key::Up);
    game.keyDown(Key::Space);
    EXPECT_EQ(game.sila1.text(), "100");
    EXPECT_FALSE(game.hideit.enabled());
    game.click(game.continue_);
    game.state.Health2 = 0.5;
    game.CheckBattleEnd();
    game.keyDown(Key::Space);
    game.click(game.Command1);
    EXPECT_FALSE(game.hideit.enabled());
    EXPECT_FALSE(game.continue_.enabled());  // a finished battle cannot be resumed
}

struct Firing : BattleTest {};

TEST_F(Firing, StartVelocityUsesTheGamesOwnPi) {
    aim(1, "100", "0");
    game.FireTank1();
    EXPECT_NEAR(game.state.ShotVx, 100, 1e-12);
    EXPECT_NEAR(game.state.ShotVy, 0, 1e-12);
    EXPECT_EQ(game.state.ShotX0, float(game.tank1.left() + 20));
    EXPECT_EQ(game.state.ShotY0, float(game.tank1.top() + 15));
    EXPECT_EQ(game.state.TurnPlayer, 2);
    aim(2, "100", "0");
    game.FireTank2();
    EXPECT_NEAR(game.state.ShotVx, -99.99999999999986, 1e-12);
    EXPECT_NEAR(game.state.ShotVy, 0.0000053589793, 1e-12);
    aim(1, "100", "90");
    game.FireTank1();
    EXPECT_NEAR(game.state.ShotVx, 0.0000026794897, 1e-12);
    aim(2, "100", "90");
    game.FireTank2();
    EXPECT_NEAR(game.state.ShotVx, 0.0000026794897, 1e-12);
    // Fractions are cut before use; for player 2 after mirroring.
    aim(2, "100", "44.5");
    game.FireTank2();
    EXPECT_NEAR(game.state.ShotVx, 100 * std::cos(135 / 180.0 * 3.1415926), 1e-12);
}

TEST_F(Firing, FiringSlidesThePanelsOutAndHandsTheTurnOver) {
    game.effectLog.clear();
    game.keyDown(Key::Space);
    EXPECT_FALSE(game.Frame1.enabled());
    EXPECT_FALSE(game.arrow.visible());
    EXPECT_EQ(game.Command2.tag, "1");
    EXPECT_EQ(game.effectLog, std::vector<int>{11});
    loop.waitUntil([&] { return game.bullettimer.enabled(); });
    EXPECT_EQ(game.Frame1.left(), -300);
    EXPECT_EQ(game.Frame2.left(), 804);
    EXPECT_EQ(game.wind.top(), -22);
    EXPECT_EQ(game.effectLog.back(), 10);
    waitHandOver();
    EXPECT_EQ(game.Frame1.left(), 0);
    EXPECT_EQ(game.Frame2.left(), 504);
    EXPECT_EQ(game.wind.top(), 8);
    EXPECT_TRUE(game.Frame2.enabled());
    EXPECT_TRUE(game.Command2.enabled());
    EXPECT_FALSE(game.Frame1.enabled());
    EXPECT_EQ(game.Command2.picture(), game.fbutt1.picture());
    EXPECT_EQ(game.Command1.picture(), game.fbutt2.picture());
    EXPECT_TRUE(game.arrow.visible());
    EXPECT_EQ(game.arrow.left(), game.tank2.left() + 4);
    // Now space fires for player 2.
    game.keyDown(Key::Space);
    EXPECT_EQ(game.state.TurnPlayer, 1);
}

struct Flight : BattleTest {};

TEST_F(Flight, FirstTickAtFortyFiveDegrees) {
    aim(1, "100", "45");
    game.state.Wind = 0;
    fireAndTick(1);
    const GameState& s = game.state;
    EXPECT_NEAR(s.ShotTime, 0.2, 1e-12);
    EXPECT_NEAR(s.ShellX - s.ShotX0, 14.142135, 1e-5);
    EXPECT_NEAR(s.ShotY0 - s.ShellY, 13.942135, 1e-5);
    EXPECT_NEAR(s.ShotVx, 70.00357, 1e-4);
    EXPECT_NEAR(s.ShotVy, 70.00357, 1e-4);
    EXPECT_EQ(game.bullet.left(), Control::twips(s.ShellX - 4));
}

TEST_F(Flight, AShotStraightUpFallsThroughItsOwnTank) {
    aim(1, "60", "90");
    double top = game.tank1.top();
    fireAndWait();
    EXPECT_GT(game.state.Ground(40), 400);  // the crater is under its own middle
    // No direct hit on itself: it only pays for sinking into its crater.
    EXPECT_GT(game.tank1.top(), top);
    EXPECT_EQ(game.state.Health1, 1000 - 2 * (game.tank1.top() - top));
}

TEST_F(Flight, ForceZeroWithNoWindEndsItsShot) {
    aim(1, "0", "45");
    fireAndWait();
    EXPECT_TRUE(game.Frame2.enabled());
}

TEST_F(Flight, ShellLeavingTheFieldEndsTheShotWithNoEffect) {
    aim(1, "200", "30");
    auto ground = game.state.Ground.rows();
    fireAndWait();
    EXPECT_EQ(game.state.Ground.rows(), ground);
    EXPECT_FALSE(game.bullet.visible());
    EXPECT_EQ(game.state.Health2, 1000);
}

TEST_F(Flight, WindOfMinusThirtyTurnsARightwardShellAround) {
    aim(1, "100", "85");
    fireAndTick(1);
    game.state.Wind = -30;
    double furthest = game.state.ShellX;
    while (game.bullettimer.enabled()) {
        loop.runFor(40);
        furthest = std::max(furthest, game.state.ShellX);
    }
    EXPECT_LT(game.state.ShotVx, 0);
    EXPECT_LT(game.state.ShellX, furthest);
}

struct Impacts : BattleTest {};

TEST_F(Impacts, StandardCraterOnFlatGround) {
    game.Crater(400, 8);
    EXPECT_EQ(game.state.Ground(400), 408);
    EXPECT_EQ(game.state.Ground(392), 400);
    EXPECT_EQ(game.state.Ground(408), 400);
    EXPECT_EQ(game.state.Ground(404), 400 + int(std::nearbyint(std::sqrt(64 - 16))));
    // A column whose surface lies far above the circle loses exactly the chord.
    for (int x = 480; x <= 520; ++x) game.state.Ground(x) = 100;
    game.state.Ground(500) = 400;
    game.Crater(500, 8);
    EXPECT_EQ(game.state.Ground(504), 100 + int(std::nearbyint(2 * std::sqrt(48.0))));
}

TEST_F(Impacts, CraterNeverGoesBelowTheBottomRow) {
    for (int x = -1; x <= 800; ++x) game.state.Ground(x) = 595;
    game.Crater(300, 24);
    for (int x = 270; x <= 330; ++x) EXPECT_LE(game.state.Ground(x), 600);
    EXPECT_EQ(game.state.Ground(300), 600);
}

TEST_F(Impacts, TankLeftInTheAirFallsAndPays) {
    double h = game.state.Health1;
    game.tank1.setTop(game.tank1.top() - 10);
    game.SettleTanks(true, false);
    EXPECT_EQ(game.state.Health1, h - 20);
    EXPECT_EQ(game.tank1.top(), 400 - 40);
}

TEST_F(Impacts, TreesBreakOnlyNearTheGround) {
    Image& low = game.strom(0);
    low.move(300, 400 - 30, 17, 30);
    low.tag = "0";
    low.setVisible(true);
    Image& high = game.loadElement(game.strom, 1);
    high.move(500, 300, 17, 30);
    high.tag = "2";
    high.setVisible(true);
    game.state.TurnPlayer = 2;
    game.ColumnTest(308, 390);  // 10 above the ground
    game.ColumnTest(508, 310);  // 90 above the ground
    EXPECT_EQ(low.tag, "4");
    EXPECT_EQ(low.picture(), game.treeb(0).picture());
    EXPECT_EQ(high.tag, "2");
}

TEST_F(Impacts, MoonIsGrazedButTheSunSwallows) {
    game.state.TurnPlayer = 2;
    game.moon.move(300, 100, 72, 72);
    game.moon.setVisible(true);
    EXPECT_EQ(game.ColumnTest(336, 136), Mainfrm::Walk::Continue);
    EXPECT_TRUE(game.moonfalltimer.enabled());
    game.moon.setVisible(false);
    game.sun.move(300, 100, 72, 72);
    game.sun.setVisible(true);
    game.effectLog.clear();
    EXPECT_EQ(game.ColumnTest(336, 136), Mainfrm::Walk::Stop);
    EXPECT_EQ(game.effectLog, std::vector<int>{12});
    EXPECT_TRUE(game.showit.enabled());
}

TEST_F(Impacts, TankBlownUpAtTheEdgeIsSettledWithinTheField) {
    game.tank1.move(-30, 300, 40, 40);
    game.SettleTanks(true, false);
    EXPECT_EQ(game.tank1.top(), 360);
    game.tank2.move(795, 300, 40, 40);
    game.SettleTanks(false, false);
    EXPECT_EQ(game.tank2.top(), 360);
}

struct Damage : BattleTest {};

TEST_F(Damage, DirectHitOfTheStandardShell) {
    game.state.TurnPlayer = 2;
    game.DirectHit(game.tank2, 0);
    EXPECT_EQ(game.state.Health2, 925);
    game.DirectHit(game.tank1, 0);
    EXPECT_EQ(game.health1(0).x2 * 15, 4005);
    EXPECT_EQ(game.health1(2).foreColour, rgb(int(std::nearbyint(75 * 0.255)), int(std::nearbyint(925 * 0.255)), 0));
}

TEST_F(Damage, HealthOneSurvivesAndHalfIsDestroyedWithASliver) {
    game.state.Health1 = 1;
    game.CheckBattleEnd();
    EXPECT_EQ(game.state.BattleOver, False);
    game.state.Health1 = 0.5;
    game.ShowHealth1();
    EXPECT_EQ(game.health1(0).x2 * 15, 122);
    game.CheckBattleEnd();
    EXPECT_EQ(game.state.BattleOver, True);
    EXPECT_TRUE(game.tankexpl.enabled());
    EXPECT_TRUE(game.Frame3.visible());
    EXPECT_FALSE(game.world.enabled());
}

TEST_F(Damage, BothTanksDestroyedInOneShotBothAnimateAndTheMenuReturns) {
    game.state.Health1 = 0;
    game.state.Health2 = -50;
    game.state.ShellDir = 1;
    game.effectLog.clear();
    game.CheckBattleEnd();
    double grew = 0;
    int ticks = 0;
    while (game.tankexpl.enabled()) {
        loop.runFor(40);
        ++ticks;
        if (ticks == 30) grew = game.tank2.width();
    }
    EXPECT_GT(grew, 40);
    EXPECT_FALSE(game.tank1.visible());
    EXPECT_FALSE(game.tank2.visible());
    EXPECT_EQ(game.effectLog, (std::vector<int>{15, 16}));
    EXPECT_GT(ticks, 60);
    EXPECT_LT(ticks, 140);
    EXPECT_TRUE(game.Frame3.visible());
    // A second end check changes nothing and does not restart the animation.
    game.CheckBattleEnd();
    EXPECT_FALSE(game.tankexpl.enabled());
}

TEST_F(Damage, ExplosionSoundsFallOnTheirFramesFromTheShellsDirection) {
    game.state.ShellDir = -1;
    game.state.Health2 = 0;
    game.effectLog.clear();
    game.CheckBattleEnd();
    loop.runFor(40 * 10);
    EXPECT_TRUE(game.effectLog.empty());  // frame 9 after ten ticks from -1
    loop.runFor(40);
    EXPECT_EQ(game.effectLog, std::vector<int>{15});
}

// A whole battle at one computer, with fixed aims: the same end every run.
struct ScriptedBattle {
    testing::QuietAudio quiet;
    VirtualDriver clock{12 * 3600.0};
    EventLoop loop{&clock};
    Mainfrm game{loop, testing::englishDesktop()};
    std::vector<double> trace;
    int shots = 0;

    // A gunner who knows the ground and the wind: the force whose shell comes down nearest the target.
    int bestForce(int player) {
        Image& me = player == 1 ? game.tank1 : game.tank2;
        Image& them = player == 1 ? game.tank2 : game.tank1;
        double a = (player == 1 ? 50 : 130) / 180.0 * 3.1415926;
        int best = 100;
        double bestMiss = 1e9;
        for (int f = 20; f <= 200; ++f) {
            double x0 = float(me.left() + 20), y0 = float(me.top() + 15), x = x0, y = y0;
            double vx = std::cos(a) * f, vy = std::sin(a) * f;
            for (double t = 0.2; t < 200; t += 0.2) {
                Mainfrm::FlightStep(x, y, vx, vy, t, x0, y0, 10, game.state.Wind, false);
                if (x < 0 || x > 799) break;
                if (y > game.state.Ground.at(x) || y > them.top() + 20) {
                    double miss = std::fabs(x - (them.left() + 20));
                    if (miss < bestMiss) bestMiss = miss, best = f;
                    break;
                }
            }
        }
        return best;
    }

    void play() {
        game.Form_Load();
        loop.runFor(1500);
        game.random.reset();
        game.random.seed(99);
        game.click(game.novahra);
        for (; shots < 200 && game.state.BattleOver == False; ++shots) {
            int player = game.Frame1.enabled() ? 1 : 2;
            (player == 1 ? game.sila1 : game.sila2).setText(std::to_string(bestForce(player)));
            (player == 1 ? game.uhel1 : game.uhel2).setText("50");
            game.keyDown(Key::Space);
            loop.waitUntil([&] {
                return game.state.BattleOver == True ||
                       (!game.hideit.enabled() && !game.bullettimer.enabled() && !game.showit.enabled());
            });
            trace.push_back(game.state.Health1);
            trace.push_back(game.state.Health2);
        }
        loop.waitUntil([&] { return !game.tankexpl.enabled(); });
    }
};

TEST(WholeBattle, ScriptedBattleEndsInADestroyedTankTheSameWayEveryRun) {
    ScriptedBattle one;
    one.play();
    Mainfrm& game = one.game;
    EXPECT_EQ(game.state.BattleOver, True) << one.shots << " shots";
    EXPECT_TRUE(game.Frame3.visible());
    EXPECT_TRUE(game.state.Health1 < 1 || game.state.Health2 < 1);
    one.loop.runFor(5000);  // the last hand-over arms nobody
    EXPECT_FALSE(game.Frame1.enabled() || game.Frame2.enabled());
    EXPECT_FALSE(game.continue_.enabled());
    ScriptedBattle two;
    two.play();
    EXPECT_EQ(two.trace, one.trace);
    EXPECT_EQ(two.game.state.Ground.rows(), game.state.Ground.rows());
}

}  // namespace
}  // namespace gv
