// The weapons won from crates, the rolling and bouncing shells, and the crates themselves.
#include "../support/game_fixture.h"

namespace gv {
namespace {

struct Weapons : testing::BattleTest {
    // The shot of player 1 is in flight (the shooter is player 1 while TurnPlayer is 2).
    void asShooter1() { game.state.TurnPlayer = 2; }
    // Runs the shell timer until it stops, at most `limit` ticks; returns the ticks it took.
    int flyOut(int limit) {
        loop.waitUntil([&] { return game.bullettimer.enabled(); });
        int ticks = 0;
        while (game.bullettimer.enabled() && ticks < limit) loop.runFor(40), ++ticks;
        return ticks;
    }
};

TEST_F(Weapons, TeleportJumpsTheShootersTankAtNoCostAndTheOtherPaysTwoForEachPixelTheGroundMovedIt) {
    arm(weapon::Teleport), asShooter1();
    for (auto [x, left] : {std::pair{790, 760}, {5, 0}}) {
        contact(weapon::Teleport, x, 401);
        EXPECT_EQ(game.tank1.left(), left);
    }
    for (double top : {380.0, 345.0}) {  // the other tank lifted by 20 (a mound), then dropped by 15 (a crater)
        arm(weapon::Teleport), game.state.Tank1.top = 100, game.state.Tank2.top = top;
        aftermath();  // the shooter's tank skips the damage
        EXPECT_TRUE(game.state.Health1 == 1000 && game.tank1.top() == 360 && game.tank2.top() == 360);
    }
    EXPECT_EQ(game.state.Health2, 1000 - 40 - 30);
}

// (The shapes they give the ground are pinned by the golden battles; the colours only here.)
TEST_F(Weapons, APitDarkensItsEarthAndAMoundIsEarthColoured) {
    asShooter1();
    Colour before = game.world.point(300, 450);
    contact(weapon::Pit, 300, 401);
    EXPECT_EQ(game.world.point(300, 450), rgb(redOf(before) / 2, greenOf(before) / 2, blueOf(before) / 2));
    contact(weapon::Mound, 450, 401);
    Colour c = game.world.point(450, 360);
    EXPECT_TRUE(game.state.Ground(450) < 360 && redOf(c) >= 100 && redOf(c) < 150 && blueOf(c) >= 25 && blueOf(c) < 75) << c;
}

TEST_F(Weapons, ArmourPiercingWhistlesAndOnlyDarkensAPixel) {
    arm(weapon::Piercing), aim(1, "10", "45"), effectLog.clear(), fireAndWait();
    EXPECT_TRUE(effectLog[1] == effect::PiercingLaunch && game.state.Weapon1 == 0);  // its own flight sound; used up
    const auto ground = game.state.Ground.rows();
    const auto pixels = game.world.pixels();
    asShooter1(), effectLog.clear(), contact(weapon::Piercing, 700, 401);  // beside the opponent
    int changed = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) changed += pixels[i] != game.world.pixels()[i];
    EXPECT_TRUE(changed == 1 && game.state.Ground.rows() == ground && game.state.Health2 == 1000 &&
                effectLog == std::vector<int>{effect::Piercing});
}

TEST_F(Weapons, DrillBoresATunnelFliesOnUntilItLeavesAndAtNinetyLeansAwayFromTheOpponent) {
    for (int x = 100; x <= 700; ++x) game.state.Ground(x) = 300;      // a hill higher than the shell's path
    arm(weapon::Drill), aim(1, "50", "0"), game.keyDown(Key::Space);  // straight into the hill, forced to force 100
    EXPECT_NEAR(std::hypot(game.state.ShotVx, game.state.ShotVy), 100, 1e-9);
    auto before = game.state.Ground.rows();
    EXPECT_LT(flyOut(2000), 2000);
    // Four rows each time the walk crosses a column under the surface: a column where one tick ends and the
    // next begins (the shell flies 20 columns a tick) is crossed twice.
    int twice = 0;
    for (int x = 100; x <= 700; ++x) {
        const int deeper = game.state.Ground(x) - before[std::size_t(x) + 1];
        EXPECT_TRUE(deeper == 4 || (deeper == 8 && x % 20 == 0)) << x << ": " << deeper;
        twice += deeper == 8;
    }
    EXPECT_TRUE(twice > 25 && game.state.Weapon1 == 0) << twice;
    waitHandOver(), arm(weapon::Drill, 2), aim(2, "100", "90"), game.keyDown(Key::Space);
    EXPECT_GT(game.state.ShotVx, 0);  // player 2's drill leans right
    EXPECT_LT(flyOut(5000), 5000);
    arm(weapon::Drill), aim(1, "100", "90.5"), game.FireTank1();  // cut to 90
    EXPECT_LT(game.state.ShotVx, 0);                              // player 1's leans left
}

// A blast costs each tank in its reach its base less its factor times the distance to the tank's middle:
// the nuke 200 - d within 200, a roller at rest 180 - 3d within 60, a bounce 80 - 2d within 40.
TEST_F(Weapons, BlastsCostLessWithDistanceAndNothingPastTheirReach) {
    using namespace weapon;
    // clang-format off
    for (auto [kind, away, lost] : {std::tuple{Nuke, 0, 200}, {Nuke, 50, 150}, {Nuke, 199, 1}, {Nuke, 201, 0},
                                    {Roller, 45, 45}, {Roller, 59, 3}, {Roller, 61, 0}, {Bouncer, 25, 30}, {Bouncer, 39, 2}, {Bouncer, 41, 0}}) {
        // clang-format on
        flatten(400);
        game.state.Ground(400) = 380;  // the blast's row is the row of the tank's middle
        game.state.Tank2 = {380.0 + away, 360};
        game.state.Health2 = 1000, game.state.BounceCount = 4;
        kind == Roller ? rollExplode(400) : contact(kind, 400, 381);
        EXPECT_EQ(1000 - game.state.Health2, lost) << kind << " " << away;
        game.ResetHandOver();
    }
}

struct Roll : Weapons {
    void slope(int (*row)(int)) {
        for (int x = -1; x <= 800; ++x) game.state.Ground(x) = std::int16_t(row(x));
    }
    int rollFrom(int kind, double x) {
        game.ResetHandOver();  // no hand-over of an earlier roll runs alongside
        asShooter1();
        arm(kind);
        game.state.RollDownhill = game.state.RollUphill = False;
        game.bullettimer.setEnabled(true);
        contact(kind, x, game.state.Ground.at(x) + 1);
        effectLog.clear();
        return flyOut(400);
    }
};

TEST_F(Roll, RollerFindsTheValleyTheClimberThePeakAndBothExplodeThere) {
    // clang-format off
    struct Case { int kind; double from; int (*row)(int); double to; };
    // clang-format on
    for (auto [kind, from, row, to] : std::vector<Case>{
             {weapon::Roller, 330, [](int x) { return 500 - std::abs(x - 400) / 2; }, 400},      // down into a V valley
             {weapon::Climber, 420, [](int x) { return 300 + std::abs(x - 450) / 2; }, 450}}) {  // up to the nearest peak
        slope(row);
        const int ticks = rollFrom(kind, from), x = int(game.state.ShellX);
        EXPECT_NEAR(x, to, 3) << kind << " from " << from;
        EXPECT_EQ(ticks, std::max(1.0, std::fabs(to - from)));  // one column a tick
        EXPECT_TRUE(effectLog.front() == effect::HeavyBlast && game.state.Ground(x) > row(x)) << "no explosion or crater";
    }
}

TEST_F(Roll, RollersNeverRollForeverAndVanishAtTheEdgesWithoutACrater) {
    // A step the roller takes right and undoes left in every tick, on a spot neither peak nor pit.
    game.state.Ground(398) = 405, game.state.Ground(401) = 401, game.state.Ground(402) = 395;
    EXPECT_TRUE(rollFrom(weapon::Roller, 400) == 151 && effectLog.front() == effect::HeavyBlast);
    for (auto [kind, from, to] :
         {std::tuple{weapon::Climber, 4.0, 2.0}, std::tuple{weapon::Roller, 790.0, 797.0}}) {  // climbs left, rolls right
        slope([](int x) { return 300 + x / 2; });
        rollFrom(kind, from);
        EXPECT_EQ(game.state.ShellX, to);
        EXPECT_TRUE(effectLog.empty() && !game.bullettimer.enabled() && game.showit.enabled());  // no explosion
    }
}

struct Bounce : Weapons {};

TEST_F(Bounce, FiveContactsEachWithItsCraterAndOneThatDestroysATankFliesOn) {
    arm(weapon::Bouncer), aim(1, "100", "45"), effectLog.clear(), game.keyDown(Key::Space);
    double landed = 0;              // where the first bounce lands
    for (int n = 1; n <= 5; ++n) {  // each contact digs a crater of 15 where it met the ground
        loop.waitUntil([&] { return game.state.BounceCount == n || game.showit.enabled(); });
        ASSERT_EQ(game.state.BounceCount, n);
        EXPECT_EQ(game.state.Ground.at(game.state.ShellX), game.state.ShellY + 15) << n;
        landed = n == 1 ? game.state.ShellX : landed;
    }
    waitHandOver();
    EXPECT_TRUE(game.state.BounceCount == 5 && std::ranges::count(effectLog, effect::Boing) == 5);
    // Again, with a weak opponent right where the first bounce lands.
    flatten(400);
    game.state.Health2 = 60;  // one nearby bounce is enough
    game.builder().SeatTank(game.tank2, int(landed - 20));
    game.state.TurnPlayer = 2;
    arm(weapon::Bouncer);
    game.state.BounceCount = 1;  // later contacts still follow
    game.bullettimer.setEnabled(true);
    game.state.ShellX = landed, game.state.ShellY = 401;
    contact(weapon::Bouncer, landed, 401);
    EXPECT_TRUE(game.state.BattleOver == True && game.state.Exploding2 == True);
    int frame = game.state.ExplosionFrame2;
    // The shell flies on and touches again: the explosion carries on undisturbed.
    for (int i = 0; i < 400 && (game.bullettimer.enabled() || game.tankexpl.enabled()); ++i) loop.runFor(40);
    EXPECT_TRUE(!game.tankexpl.enabled() && !game.tank2.visible() && game.tank1.visible() &&
                game.state.ExplosionFrame2 > frame + 50);
}

struct Crate : Weapons {
    // Fires and runs until the shot has ended (before the hand-over drops a new crate).
    void fireAndLand() {
        game.keyDown(Key::Space);
        loop.waitUntil([&] { return game.showit.enabled(); });
    }
    void dropCrate(int kind, double shots = 5) {
        game.state.BonusActive = True, game.state.BonusShotsLeft = shots;
        game.state.CrateKind = kind, game.state.CrateLeft = 300, game.state.CrateTop = 400 - 32;
        game.bonuspic.setVisible(true);
    }
};

// A bouncer's first contacts end their tick early, yet a landed crate drops into each of their craters.
TEST_F(Crate, ALandedCrateDropsIntoEveryCraterOfABouncer) {
    dropCrate(weapon::Pit);
    asShooter1(), arm(weapon::Bouncer);
    game.bullettimer.setEnabled(true);
    game.state.ShellX = 310, game.state.ShellY = 400;
    contact(weapon::Bouncer, 310, 400);
    EXPECT_TRUE(game.state.BounceCount == 1 && game.bullettimer.enabled() && game.state.Ground(316) > 400);
    EXPECT_TRUE(game.state.CrateTop == game.state.Ground(316) - 32 && game.bonuspic.top() == game.state.CrateTop);
}

TEST_F(Crate, CratesDropAwayFromBothTanksAndLandAndInHellTheyAreNukes) {
    game.state.Gravity = 10;
    for (int seed = 1; seed <= 20; ++seed) {
        game.state.BonusActive = False;
        game.state.HellMode = seed > 15 ? True : False;
        game.random.reset(), game.random.seed(seed);
        game.PlaceBonus();
        double left = game.state.CrateLeft;
        EXPECT_TRUE(game.state.BonusActive == True && left >= 16 && left <= 783) << left;
        EXPECT_TRUE(std::fabs(left - game.state.Tank1.left - 4) > 70 && std::fabs(left - game.state.Tank2.left - 4) > 70);
        EXPECT_TRUE(game.state.BonusShotsLeft >= 2 && game.state.BonusShotsLeft <= 7);
        const int kind = game.state.CrateKind;
        EXPECT_TRUE(game.bonuspic.picture() == game.bonusvzor(kind).picture() && game.bonuspic.left() == left);
        EXPECT_EQ(kind, seed > 15 ? 8 : battle::CrateKind(testing::seeded(seed).Rnd()));
        loop.waitUntil([&] { return !game.bonusfalltimer.enabled(); });
        EXPECT_TRUE(game.state.CrateTop == 400 - 32 && game.bonuspic.top() == 400 - 32);
    }
    game.PlaceBonus();  // one at a time
    EXPECT_FALSE(game.bonusfalltimer.enabled());
    // Each of the 25 equal ranges of that draw, at both ends, gives its kind: each once, the common ones again.
    const int kinds[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 1, 1, 2, 2, 2, 3, 4, 4, 9, 12, 13, 13};
    for (int r = 0; r < 25; ++r)
        for (double draw : {(r + 1e-9) / 25, (r + 1 - 1e-9) / 25}) EXPECT_EQ(battle::CrateKind(draw), kinds[r]) << draw;
}

TEST_F(Crate, CrateWithLifetimeTwoSurvivesOneShotAndADirectHitUsesUpTheLast) {
    dropCrate(weapon::Heavy, 2), aim(1, "0", "90"), fireAndLand();  // shots that do not reach the crate
    EXPECT_EQ(game.state.BonusActive, True);
    waitHandOver(), aim(2, "0", "90"), fireAndLand();
    EXPECT_TRUE(game.state.BonusActive == False && !game.bonuspic.visible());
    // A shell that ends in the opponent's tank uses up a crate's last shot all the same.
    dropCrate(weapon::Heavy, 0), asShooter1(), column(game.tank2.left() + 20, game.tank2.top() + 20);
    EXPECT_TRUE(game.state.Health2 < 1000 && game.state.BonusActive == False && !game.bonuspic.visible());
}

TEST_F(Crate, OnlyALandedCrateIsTakenAndItsWeaponGoesWithTheShootersNextShot) {
    dropCrate(weapon::Pit), game.SetCrateFalling(true), asShooter1();
    EXPECT_TRUE(column(316, 384) && game.state.BonusActive == True);
    game.SetCrateFalling(false), effectLog.clear();
    EXPECT_TRUE(!column(316, 384) && game.state.BonusActive == False);
    EXPECT_TRUE(game.state.Weapon1 == weapon::Pit && game.weapon1.picture() == game.bonusvzor(3).picture() &&
                effectLog == std::vector<int>{effect::Bell});
    // The shell won is named on the banner for two seconds, with the numbers on only.
    EXPECT_FALSE(game.Label8(1).visible());
    game.gauges().SetNumbers(true), dropCrate(weapon::Pit), column(316, 384);
    EXPECT_TRUE(game.Label8(1).visible() && game.Label8(1).caption() == "Pit");
    loop.runFor(2100);
    EXPECT_FALSE(game.Label8(1).visible());
    game.showit.setEnabled(false), game.state.TurnPlayer = 1;  // player 1's next turn
    aim(1, "30", "45"), effectLog.clear(), fireAndLand();
    EXPECT_TRUE(std::ranges::count(effectLog, effect::Dig) && game.state.Weapon1 == 0 && game.weapon1.picture() == nullptr);
}

TEST_F(Crate, HealthCrateCapsAtAThousandAndEmptiesTheSlot) {
    asShooter1(), arm(weapon::Nuke);
    for (auto [health, healed] : {std::pair{900, 1000}, std::pair{500, 750}}) {
        dropCrate(weapon::Health), game.state.Health1 = health, effectLog.clear(), column(316, 384);
        EXPECT_TRUE(game.state.Health1 == healed && game.state.Weapon1 == 0 && game.weapon1.picture() == nullptr &&
                    effectLog.empty());
    }
}

}  // namespace
}  // namespace gv
