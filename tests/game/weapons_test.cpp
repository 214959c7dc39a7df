// The special shells, the rolling and bouncing shells, and the bonus crates.
#include <algorithm>
#include <cmath>

#include "../support/game_fixture.h"

namespace gv {
namespace {

using testing::BattleTest;

struct Weapons : BattleTest {
    // Player 1 holds `kind` for the next shot (as if won from a crate).
    void arm(int kind, int player = 1) {
        Image& slot = player == 1 ? game.weapon1 : game.weapon2;
        slot.tag = std::to_string(kind);
        slot.setPicture(game.bonusvzor(kind).picture());
    }
    // The shot of player 1 is in flight (the shooter is player 1 while TurnPlayer is 2).
    void asShooter1() { game.state.TurnPlayer = 2; }
    int darkPixelsInColumn(int x, Colour before) const {
        int n = 0;
        for (int y = 0; y <= 600; ++y) n += game.world.point(x, y) != before && game.world.point(x, y) != -1;
        return n;
    }
};

TEST_F(Weapons, WeaponTeleportJumpsTheShootersTankWithinTheField) {
    arm(1);
    asShooter1();
    game.WeaponContact(1, 790, 401);
    EXPECT_EQ(game.tank1.left(), 760);
    game.WeaponContact(1, 5, 401);
    EXPECT_EQ(game.tank1.left(), 0);
    // The jump costs no health: the shooter's tank skips the settling with damage.
    game.tank1.setTop(100);
    game.Aftermath();
    EXPECT_EQ(game.state.Health1, 1000);
    EXPECT_EQ(game.tank1.top(), 360);
}

TEST_F(Weapons, WeaponPitDigsAFlatBottomedHole) {
    asShooter1();
    Colour before = game.world.point(300, 450);
    game.WeaponContact(3, 300, 401);
    for (int x = 280; x <= 320; ++x) EXPECT_EQ(game.state.Ground(x), 501) << x;
    EXPECT_EQ(game.state.Ground(279), 400);
    EXPECT_EQ(game.state.Ground(321), 400);
    Colour p = game.world.point(300, 450);
    EXPECT_EQ(p, rgb(redOf(before) / 2, greenOf(before) / 2, blueOf(before) / 2));
    EXPECT_NE(game.world.point(300, 500), game.world.point(300, 501) == -1 ? 0 : -2);
}

TEST_F(Weapons, WeaponMoundRaisesTheGround) {
    asShooter1();
    game.WeaponContact(4, 400, 401);
    EXPECT_EQ(game.state.Ground(400), 349);
    EXPECT_EQ(game.state.Ground(360), 392);
    EXPECT_EQ(game.state.Ground(440), 392);
    EXPECT_EQ(game.state.Ground(359), 400);
    // Earth-coloured pixels from the old surface up to the new one.
    Colour c = game.world.point(400, 360);
    EXPECT_GE(redOf(c), 100);
    EXPECT_LT(redOf(c), 150);
    EXPECT_GE(blueOf(c), 25);
    EXPECT_LT(blueOf(c), 75);
}

TEST_F(Weapons, WeaponLevellerCutsBothSidesToTheLandingHeight) {
    for (int x = -1; x <= 800; ++x) game.state.Ground(x) = std::int16_t(x < 300 ? 350 : (x < 500 ? 420 : 380));
    asShooter1();
    game.WeaponContact(5, 320.5, 421);
    // Right: raised columns are cut down to 420 as far as the ground stays above it, to the edge.
    for (int x = 320; x <= 800; ++x) EXPECT_EQ(game.state.Ground(x), 420) << x;
    // Left: everything above the level is cut too.
    for (int x = -1; x < 300; ++x) EXPECT_EQ(game.state.Ground(x), 420) << x;
}

TEST_F(Weapons, WeaponArmourPiercingBesideATankOnlyDarkensOnePixel) {
    asShooter1();
    auto ground = game.state.Ground.rows();
    auto pixels = game.world.pixels();
    double h1 = game.state.Health1, h2 = game.state.Health2;
    game.effectLog.clear();
    game.WeaponContact(6, 700, 401);
    EXPECT_EQ(game.state.Ground.rows(), ground);
    int changed = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) changed += pixels[i] != game.world.pixels()[i];
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(game.state.Health1, h1);
    EXPECT_EQ(game.state.Health2, h2);
    EXPECT_EQ(game.effectLog, std::vector<int>{26});
}

TEST_F(Weapons, WeaponArmourPiercingWhistlesInFlightAndHitsHard) {
    arm(6);
    aim(1, "10", "45");
    game.effectLog.clear();
    fireAndWait();
    EXPECT_EQ(game.effectLog[1], 13);  // its own flight sound
    EXPECT_EQ(game.weapon1.tag, "0");  // used up
    asShooter1();
    arm(6);
    game.DirectHit(game.tank2, 6);
    EXPECT_EQ(game.state.Health2, 600);
}

TEST_F(Weapons, WeaponNukeFiftyPixelsFromATankTakesOneHundredAndFifty) {
    asShooter1();
    // The tank's reference point is its left + 20, top + 20; the explosion point is (x, ground at x).
    double refX = game.tank2.left() + 20, refY = game.tank2.top() + 20;
    game.state.Ground.at(refX - 30) = std::int16_t(refY + 40);  // (30, 40) away: 50
    game.WeaponContact(8, refX - 30, refY + 41);
    EXPECT_NEAR(game.state.Health2, 1000 - 150, 1e-9);
}

TEST_F(Weapons, WeaponDrillBoresATunnelAndFliesOnUntilItLeavesSideways) {
    // A hill in front of the tank, higher than the shell's path.
    for (int x = 100; x <= 700; ++x) game.state.Ground(x) = 300;
    arm(7);
    aim(1, "50", "0");  // straight into the hill, forced to force 100
    game.keyDown(Key::Space);
    EXPECT_NEAR(std::hypot(game.state.ShotVx, game.state.ShotVy), 100, 1e-9);
    auto before = game.state.Ground.rows();
    int ticks = 0;
    loop.waitUntil([&] { return game.bullettimer.enabled(); });
    while (game.bullettimer.enabled() && ticks < 2000) {
        loop.runFor(40);
        ++ticks;
    }
    EXPECT_LT(ticks, 2000);
    int bored = 0;
    for (int x = 0; x <= 799; ++x) {
        int deeper = game.state.Ground(x) - before[std::size_t(x + 1)];
        EXPECT_GE(deeper, 0);
        EXPECT_LE(deeper, 4) << x;  // at most four rows a column
        bored += deeper > 0;
    }
    EXPECT_GT(bored, 100);
    EXPECT_EQ(game.weapon1.tag, "0");
}

TEST_F(Weapons, WeaponDrillAtAFractionalNinetyLeansAwayAndEnds) {
    arm(7);
    aim(1, "100", "90.5");
    game.keyDown(Key::Space);
    EXPECT_LT(game.state.ShotVx, 0);  // player 1's drill leans left, away from the opponent
    int ticks = 0;
    loop.waitUntil([&] { return game.bullettimer.enabled(); });
    while (game.bullettimer.enabled() && ticks < 5000) loop.runFor(40), ++ticks;
    EXPECT_FALSE(game.bullettimer.enabled());
    arm(7, 2);
    for (const char* angle : {"90", "89.5"}) {  // mirrored and cut, both are 90 for player 2
        aim(2, "100", angle);
        game.FireTank2();
        EXPECT_GT(game.state.ShotVx, 0) << angle;  // player 2's drill leans right
    }
}

TEST_F(Weapons, WeaponQuakeGivesTheSameTerrainFromTheSameSeedAndStaysFinite) {
    asShooter1();
    game.random.reset();
    game.random.seed(5);
    game.WeaponContact(9, 400, 401);
    auto first = game.state.Ground.rows();
    flatten(400);
    game.random.reset();
    game.random.seed(5);
    game.WeaponContact(9, 400, 401);
    EXPECT_EQ(game.state.Ground.rows(), first);
    EXPECT_GT(game.state.Ground(400), 400);
    EXPECT_EQ(game.state.Ground(249), 400);
    // A landing at a fractional column leaves every column a real row.
    flatten(400);
    game.WeaponContact(9, 245.21274955323187, 401);
    for (int x = -1; x <= 800; ++x) {
        EXPECT_GE(game.state.Ground(x), 400);
        EXPECT_LE(game.state.Ground(x), 600);
    }
}

struct Roll : Weapons {
    // A V valley with its bottom at column 400.
    void valley() {
        for (int x = -1; x <= 800; ++x) game.state.Ground(x) = std::int16_t(500 - std::abs(x - 400) / 2);
    }
    int rollFrom(int kind, double x) {
        asShooter1();
        arm(kind);
        game.state.RollDownhill = game.state.RollUphill = False;
        game.bullettimer.setEnabled(true);
        game.WeaponContact(kind, x, game.state.Ground.at(x) + 1);
        int ticks = 0;
        game.effectLog.clear();
        while (game.bullettimer.enabled() && ticks < 400) loop.runFor(40), ++ticks;
        return ticks;
    }
};

TEST_F(Roll, RollerRollsToTheBottomOfAValleyAndExplodes) {
    valley();
    int ticks = rollFrom(10, 330);
    EXPECT_NEAR(game.state.ShellX, 400, 3);
    EXPECT_GE(ticks, 60);
    EXPECT_EQ(game.effectLog.front(), 22);
    EXPECT_GT(game.state.Ground(400), 500);  // its crater
}

TEST_F(Roll, ClimberCrawlsToTheNearestPeak) {
    for (int x = -1; x <= 800; ++x) game.state.Ground(x) = std::int16_t(300 + std::abs(x - 450) / 2);
    rollFrom(11, 420);
    EXPECT_NEAR(game.state.ShellX, 450, 3);
}

TEST_F(Roll, RollerAndClimberExplodeAtOnceOnFlatGround) {
    EXPECT_EQ(rollFrom(10, 300), 1);
    EXPECT_EQ(rollFrom(11, 500), 1);
    EXPECT_EQ(game.effectLog.front(), 22);
}

TEST_F(Roll, RollerVanishesAtTheEdgesWithoutACrater) {
    for (int x = -1; x <= 800; ++x) game.state.Ground(x) = std::int16_t(300 + x / 2);  // falls to the right
    rollFrom(11, 4);  // climbs left, towards column 2
    EXPECT_LT(game.state.ShellX, 3);
    EXPECT_TRUE(game.effectLog.empty());  // no explosion
    for (int x = -1; x <= 800; ++x) game.state.Ground(x) = std::int16_t(300 + x / 2);
    rollFrom(10, 790);  // rolls right, to column 797
    EXPECT_GE(game.state.ShellX, 797);
    EXPECT_TRUE(game.effectLog.empty());
    EXPECT_FALSE(game.bullettimer.enabled());
    EXPECT_TRUE(game.showit.enabled());
}

TEST_F(Roll, RollingShellExplodesAfterOneHundredAndFiftyTicks) {
    // A saw-tooth that keeps the roller stepping right and left without resting.
    for (int x = -1; x <= 800; ++x) game.state.Ground(x) = std::int16_t(400 + (x % 2) * 3);
    game.state.Ground(400) = 402;
    int ticks = rollFrom(10, 400);
    EXPECT_FALSE(game.bullettimer.enabled());
    if (ticks > 2) {
        EXPECT_EQ(ticks, 151);
    }
}

struct Bounce : Weapons {};

TEST_F(Bounce, BouncerMakesFiveContactsAndTheFifthEndsTheShot) {
    arm(12);
    aim(1, "100", "60");
    game.effectLog.clear();
    fireAndWait();
    int boings = int(std::count(game.effectLog.begin(), game.effectLog.end(), 32));
    EXPECT_TRUE(boings == 5 || game.state.BounceCount < 5) << boings;
    if (game.state.BounceCount == 5) {
        EXPECT_EQ(boings, 5);
    }
    EXPECT_EQ(game.weapon1.tag, "0");
}

TEST_F(Bounce, BouncerWhoseContactKillsATankKeepsASaneExplosion) {
    arm(12);
    game.state.Health2 = 60;  // one nearby bounce is enough
    aim(1, "100", "45");
    // Put the opponent right where the first bounce lands: fire, find the contact, rebuild and repeat.
    game.keyDown(Key::Space);
    loop.waitUntil([&] { return game.state.BounceCount >= 1 || (!game.bullettimer.enabled() && !game.hideit.enabled()); });
    double contact = game.state.ShellX;
    // Start again with the tank there.
    flatten(400);
    game.state.Health2 = 60;
    game.tank2.setLeft(contact - 20);
    game.SeatTank(game.tank2, int(contact - 20));
    game.state.BattleOver = False;
    game.state.TurnPlayer = 2;
    arm(12);
    game.state.BounceCount = 1;  // later contacts still follow
    game.bullettimer.setEnabled(true);
    game.state.ShellX = contact, game.state.ShellY = 401;
    game.WeaponContact(12, contact, 401);
    EXPECT_EQ(game.state.BattleOver, True);
    EXPECT_EQ(game.state.Exploding2, True);
    int frame = game.state.ExplosionFrame;
    // The shell flies on and touches again: the explosion carries on undisturbed.
    for (int i = 0; i < 400 && (game.bullettimer.enabled() || game.tankexpl.enabled()); ++i) loop.runFor(40);
    EXPECT_FALSE(game.tankexpl.enabled());
    EXPECT_FALSE(game.tank2.visible());
    EXPECT_GT(game.state.ExplosionFrame, frame + 50);
    EXPECT_TRUE(game.tank1.visible());
}

struct Crate : Weapons {
    // Fires and runs until the shot has ended (before the hand-over drops a new crate).
    void fireAndLand() {
        game.keyDown(Key::Space);
        loop.waitUntil([&] { return game.showit.enabled(); });
    }
    void dropCrate(int kind, double left, double shots) {
        game.state.BonusActive = True;
        game.bonuspic.setPicture(game.bonusvzor(kind).picture());
        game.bonuspic.tag = std::to_string(kind);
        game.bonuspic.move(left, 400 - 32, 32, 32);
        game.bonuspic.setVisible(true);
        game.state.BonusShotsLeft = shots;
    }
};

TEST_F(Crate, CrateDropsAtAHandOverAwayFromBothTanksAndLands) {
    for (int seed = 1; seed <= 20; ++seed) {
        game.state.BonusActive = False;
        game.random.reset();
        game.random.seed(seed);
        game.state.Gravity = 10;
        game.PlaceBonus();
        EXPECT_EQ(game.state.BonusActive, True);
        double left = game.bonuspic.left();
        EXPECT_GE(left, 16);
        EXPECT_LE(left, 783);
        EXPECT_GT(std::fabs(left - game.tank1.left() - 4), 70);
        EXPECT_GT(std::fabs(left - game.tank2.left() - 4), 70);
        EXPECT_GE(game.state.BonusShotsLeft, 2);
        EXPECT_LE(game.state.BonusShotsLeft, 7);
        int kind = Mainfrm::WeaponKind(game.bonuspic);
        EXPECT_EQ(game.bonuspic.picture(), game.bonusvzor(kind).picture());
        loop.waitUntil([&] { return !game.bonusfalltimer.enabled(); });
        EXPECT_EQ(game.bonuspic.top(), 400 - 32);
    }
    game.PlaceBonus();  // one at a time
    EXPECT_FALSE(game.bonusfalltimer.enabled());
}

TEST_F(Crate, CrateKindsFollowTheDrawTable) {
    EXPECT_EQ(Mainfrm::CrateKind(0.0), 1);
    EXPECT_EQ(Mainfrm::CrateKind(13.0 / 25), 1);   // r = 14
    EXPECT_EQ(Mainfrm::CrateKind(15.0 / 25), 2);   // r = 16
    EXPECT_EQ(Mainfrm::CrateKind(21.5 / 25), 9);   // r = 22
    EXPECT_EQ(Mainfrm::CrateKind(24.99 / 25), 13); // r = 25
    EXPECT_EQ(Mainfrm::CrateKind(7.0 / 25), 8);
}

TEST_F(Crate, HellCratesAreNukes) {
    game.state.HellMode = True;
    for (int seed = 0; seed < 10; ++seed) {
        game.state.BonusActive = False;
        game.PlaceBonus();
        EXPECT_EQ(game.bonuspic.tag, "8");
        EXPECT_EQ(game.bonuspic.picture(), game.bonusvzor(8).picture());
    }
}

TEST_F(Crate, CrateWithLifetimeTwoSurvivesOneShot) {
    dropCrate(2, 400, 2);
    aim(1, "0", "90");  // shots that do not reach the crate
    fireAndLand();
    EXPECT_EQ(game.state.BonusActive, True);
    waitHandOver();
    aim(2, "0", "90");
    fireAndLand();
    EXPECT_EQ(game.state.BonusActive, False);
    EXPECT_FALSE(game.bonuspic.visible());
}

TEST_F(Crate, AFallingCrateCannotBeHit) {
    dropCrate(4, 300, 5);
    game.bonusfalltimer.setEnabled(true);
    asShooter1();
    EXPECT_EQ(game.ColumnTest(316, 384), Mainfrm::Walk::Continue);
    EXPECT_EQ(game.state.BonusActive, True);
    game.bonusfalltimer.setEnabled(false);
    game.effectLog.clear();
    EXPECT_EQ(game.ColumnTest(316, 384), Mainfrm::Walk::Stop);
    EXPECT_EQ(game.state.BonusActive, False);
    EXPECT_EQ(game.weapon1.tag, "4");  // the weapon goes into the shooter's slot
    EXPECT_EQ(game.weapon1.picture(), game.bonusvzor(4).picture());
    EXPECT_EQ(game.effectLog, std::vector<int>{14});
}

TEST_F(Crate, HealthCrateCapsAtAThousandAndEmptiesTheSlot) {
    dropCrate(13, 300, 5);
    asShooter1();
    arm(8);
    game.state.Health1 = 900;
    game.effectLog.clear();
    game.ColumnTest(316, 384);
    EXPECT_EQ(game.state.Health1, 1000);
    EXPECT_EQ(game.weapon1.tag, "0");
    EXPECT_EQ(game.weapon1.picture(), nullptr);
    EXPECT_TRUE(game.effectLog.empty());  // no sound
    dropCrate(13, 300, 5);
    game.state.Health1 = 500;
    game.ColumnTest(316, 384);
    EXPECT_EQ(game.state.Health1, 750);
}

TEST_F(Crate, WeaponWonFromACrateIsFiredWithTheNextShot) {
    dropCrate(3, 300, 5);
    asShooter1();
    game.ColumnTest(316, 384);
    ASSERT_EQ(game.weapon1.tag, "3");
    game.showit.setEnabled(false);
    game.state.TurnPlayer = 1;  // player 1's next turn
    aim(1, "30", "45");
    game.effectLog.clear();
    fireAndLand();
    EXPECT_NE(std::find(game.effectLog.begin(), game.effectLog.end(), 23), game.effectLog.end());
    EXPECT_EQ(game.weapon1.tag, "0");
    EXPECT_EQ(game.weapon1.picture(), nullptr);
}

}  // namespace
}  // namespace gv
