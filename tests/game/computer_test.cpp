// The computer opponent: its target, its search, the aim it writes and its turn in the battle.
#include "../support/game_fixture.h"
#include "platform/numtext.h"

namespace gv {
namespace {

// A battle against the computer on the flat, empty field of the battle tests.
struct ComputerTest : testing::BattleTest {
    void SetUp() override {
        start();
        game.click(game.Option2);  // "1 vs. AI" against the normal computer, the level at start
        newBattle(17);
        flatten(400);
    }
    void crateAt(int kind, double left) {
        game.state.CrateKind = kind;
        game.state.CrateLeft = left, game.state.CrateTop = game.state.Ground.at(left + 16) - 32;
        game.state.BonusActive = True;
    }
    void sunAt(double left, double top) { game.state.Sun = {left, top}, game.state.SunUp = True; }
    void ground(int from, int to, int row) { std::fill(&game.state.Ground(from), &game.state.Ground(to) + 1, row); }
    // The human's tank at the left edge, on ground at `row`.
    void humanOn(int row) { ground(-1, 100, row), game.builder().SeatTank(game.tank1, 20); }
    // The computer's turn as the hand-over gives it, until its timer has ticked; the shot is left unflown.
    void computerTurn(double seed) {
        game.ResetHandOver();
        game.random.reset(), game.random.seed(seed);
        game.state.TurnPlayer = 2;
        game.gauges().ShowTurnArrow(), game.StartTurn();
        loop.runFor(500);
    }
    std::vector<double> landings;  // where each quake and each bounce met the ground
    void EffectPlayed(int id) override {
        Headless::EffectPlayed(id);
        if (id == effect::Quake || id == effect::Boing) landings.push_back(game.flash.left() + game.flash.width() / 2);
    }
    double box(const TextBox& b) const { return leadingNumber(b.text()); }
    bool fired() const { return game.state.TurnPlayer == 1 && game.hideit.enabled(); }
};

using ComputerTargets = ComputerTest;
using ComputerSearch = ComputerTest;
using ComputerAiming = ComputerTest;
using ComputerTurns = ComputerTest;
using ComputerLevels = ComputerTest;

TEST_F(ComputerTargets, TeleportKeepsAwayFromAHumanWhoIsNotWeaker) {
    for (int seed = 1; seed <= 4; ++seed) {
        newBattle(seed);
        for (int human : {20, 300, 700}) {
            game.builder().SeatTank(game.tank1, human), game.builder().SeatTank(game.tank2, human < 400 ? 740 : 30);
            game.state.Ground(human + 60) = 600;  // the deepest point lies beside the human
            game.state.Health2 = seed % 2 ? 1000 : 300;
            arm(weapon::Teleport, 2), computerTurn(seed * 1000 + human);
            EXPECT_GE(std::fabs((lastThought.xL + lastThought.xR) / 2 - human), 220) << seed << " " << human;
        }
    }
}

// A crate this close to the computer is its target whenever nothing rules it out, and taken when a flight
// of the computer's own reaches it. That flight ends where its rules end it: the normal computer's one column
// past the last the shell flies (800), the expert's where the real shell's does (799); either's at the sun's
// open box, here with the start point (760, 375) on its left or top edge, or just inside. With no aim that
// reaches it the normal computer gives up and fires at random; the expert holds a teleport and values the crate more.
TEST_F(ComputerTargets, CrateIsLeftAloneWithAWeaponInHandOrHealthToSpareAndTakenOnlyWithinReach) {
    using namespace weapon;
    using level::Normal, level::Expert;
    // clang-format off
    struct Case { int lvl, held, crate; double left; int health2, humanRow; double sunLeft, sunTop; bool taken; };
    for (auto [lvl, held, crate, left, health2, humanRow, sunLeft, sunTop, taken] : std::vector<Case>{
             {Normal, Standard, Heavy, 680, 1000, 400, 0, 0, true},      {Normal, Standard, Health, 680, 750, 400, 0, 0, true},
             {Normal, Standard, Health, 680, 751, 400, 0, 0, false},     {Normal, Standard, Leveller, 680, 1000, 400, 0, 0, true},
             {Normal, Standard, Leveller, 680, 1000, 500, 0, 0, false},  {Normal, Standard, Drill, 680, 1000, 400, 0, 0, true},
             {Normal, Standard, Drill, 680, 1000, 450, 0, 0, false},     {Normal, Teleport, Heavy, 680, 1000, 400, 0, 0, false},
             {Normal, Piercing, Health, 680, 500, 400, 0, 0, false},     {Normal, Bouncer, Heavy, 680, 1000, 400, 0, 0, false},
             {Normal, Standard, Nuke, 799, 1000, 400, 0, 0, true},       {Normal, Standard, Nuke, 800, 1000, 400, 0, 0, false},
             {Expert, Teleport, Nuke, 798, 1000, 400, 0, 0, true},       {Expert, Teleport, Nuke, 799, 1000, 400, 0, 0, false},
             {Normal, Standard, Nuke, 600, 1000, 400, 754, 340, true},   {Normal, Standard, Nuke, 600, 1000, 400, 753, 340, false},
             {Normal, Standard, Nuke, 600, 1000, 400, 730, 369, true},   {Normal, Standard, Nuke, 600, 1000, 400, 730, 368, false},
             {Expert, Teleport, Nuke, 600, 1000, 400, 754, 340, true},   {Expert, Teleport, Nuke, 600, 1000, 400, 753, 340, false},
             {Expert, Teleport, Nuke, 600, 1000, 400, 730, 369, true},   {Expert, Teleport, Nuke, 600, 1000, 400, 730, 368, false}}) {
        // clang-format on
        game.SetLevels(level::Human, lvl);
        flatten(400);
        humanOn(humanRow);
        if (sunLeft > 0) sunAt(sunLeft, sunTop);
        crateAt(crate, left);
        game.state.Health2 = health2;
        arm(held, 2), computerTurn(crate + held + left + sunTop);
        EXPECT_TRUE((lastThought.crate && !lastThought.gaveUp) == taken && fired())
            << lvl << " " << held << " " << crate << " " << left;
    }
}

TEST_F(ComputerSearch, AnglesPointAtTheHumanAndABlockedFieldStillEndsInAShot) {
    // Nothing gets over the ridge; with no wind a shell that misses falls straight through the field.
    ground(395, 405, -30000);
    for (bool humanLeft : {true, false}) {
        game.builder().SeatTank(game.tank1, humanLeft ? 20 : 740);
        game.builder().SeatTank(game.tank2, humanLeft ? 740 : 20);
        for (int seed = 1; seed <= 6; ++seed) {
            game.state.Wind = float(seed % 3 - 1);
            computerTurn(seed);
            for (int a : lastThought.angles) EXPECT_TRUE(humanLeft ? a <= 87 : a >= 93 && a <= 180) << a;
            EXPECT_TRUE(lastThought.attempts >= 25 && fired());
        }
    }
}

TEST_F(ComputerSearch, DrillsAndHopelessSearchesEndInAShot) {
    for (double seed : {5, 11}) {         // the drill never gives up; with level tanks only a flat line would do
        if (seed == 11) sunAt(300, 340);  // and the sun is in its way
        arm(weapon::Drill, 2), computerTurn(seed);
        EXPECT_TRUE(lastThought.attempts < 256 && !lastThought.gaveUp && fired());
    }
    EXPECT_LE(std::fabs(box(game.uhel2) - lastThought.angles.back()), 1);  // the last angle searched
}

TEST_F(ComputerAiming, WrittenAimsStayInTheirRangesAndAZeroForceIsReplaced) {
    // The beginner's angle misses by up to five degrees, as far one way as the other. (With a drill and the
    // human lower its first angle, searched alone, is its aim; on the human's turn the aim is written, not fired.)
    game.SetLevels(level::Human, level::Beginner);
    humanOn(500);
    game.state.TurnPlayer = 1;
    std::map<int, int> misses;
    double sum = 0;
    for (int draw = 0; draw < 300; ++draw) {
        arm(weapon::Drill, 2), game.computer().ComputerTurn();
        ASSERT_EQ(lastThought.angles.size(), 1u);
        const int miss = int(box(game.uhel2)) - lastThought.angle;
        ++misses[miss], sum += miss;
    }
    EXPECT_TRUE(misses.begin()->first == -5 && misses.rbegin()->first == 5 && std::fabs(sum / 300) < 0.5) << sum;
    game.SetLevels(level::Human, level::Normal);
    flatten(400);
    // The teleport's spot lies right under the start point, and the sun swallows whatever moves right.
    game.state.Ground(760) = 401;
    sunAt(754, 360);
    for (int seed = 1; seed <= 10; ++seed) {
        arm(weapon::Teleport, 2), computerTurn(seed);
        ASSERT_EQ(lastThought.force, 0);
        EXPECT_TRUE(box(game.sila2) >= 45 && box(game.sila2) <= 194 && fired()) << game.sila2.text();
    }
    for (int seed = 1; seed <= 40; ++seed) {
        if (seed % 4 == 1) newBattle(seed);
        // Anywhere on the field, either side of each other, any wind and weapon, sometimes a crate.
        game.builder().SeatTank(game.tank1, int(game.random.Rnd() * 761));
        game.builder().SeatTank(game.tank2, int(game.random.Rnd() * 761));
        game.state.Wind = float(int(game.random.Rnd() * 60) - 30);
        game.state.BonusActive = False;
        if (seed % 3 == 0) crateAt(seed % 13 + 1, int(game.random.Rnd() * 768) + 16);
        arm(seed % 13, 2), computerTurn(seed);
        const auto& t = lastThought;
        const double a = box(game.uhel2), f = box(game.sila2), spread = 0.025 * std::fabs(game.tank2.left() - t.xL) + 1;
        // The boxes show the computer's aim with its error, never a value the box had to wrap.
        EXPECT_TRUE(a >= 0 && a <= 180 && std::fabs(a - t.angle) <= 1) << t.angle;
        EXPECT_TRUE(f >= 0 && f <= 200 && (std::fabs(f - t.force) <= spread || (t.force <= spread && f >= 45)) && fired())
            << seed;
    }
}

TEST_F(ComputerTurns, StaleTurnWritesButDoesNotFire) {
    aim(2, "0", "45");  // a force the computer never leaves in its box
    effectLog.clear();
    // The turn passes while the computer thinks: player 2's shell goes off with the boxes as they stand.
    std::function<void()> passTurn = [&] { game.aitimer.running() ? game.FireTank2() : loop.post(passTurn); };
    loop.post(passTurn);
    computerTurn(9);
    EXPECT_TRUE(!lastThought.fired && game.state.ShotVx == 0 && game.sila2.text() != "0");
    EXPECT_EQ(std::ranges::count(effectLog, effect::Fire), 1);  // one shot only
}

TEST_F(ComputerTurns, TurnLeftWaitingWhenTheHumanWinsDoesNothingInTheNextBattle) {
    game.keyDown(Key::Escape);  // paused: the computer's turn begins behind the menu and waits
    testing::Every script(loop, "script", 40, [&] {
        if (!game.aitimer.running()) return;
        if (game.state.BattleOver == False) {
            game.state.Health2 = 0;  // the computer's tank is destroyed
            game.CheckBattleEnd();
        } else if (!game.tankexpl.enabled()) {
            script.setEnabled(false);
            game.click(game.novahra);
        }
    });
    computerTurn(1);
    loop.runFor(20000);
    ASSERT_FALSE(script.enabled());
    EXPECT_TRUE(game.state.TurnPlayer == 1 && game.Frame1.enabled() && !game.hideit.enabled());
    EXPECT_EQ(game.uhel2.text() + " " + game.sila2.text(), "45 100");  // no aim written into the new battle
    // Nor does a turn whose timer had yet to tick, when the new battle is built at once (nobody looks).
    game.world.setUnseen(true);
    game.state.TurnPlayer = 2;
    game.StartTurn();
    ASSERT_TRUE(game.aitimer.enabled());
    newBattle(2);
    loop.runFor(2000);
    EXPECT_EQ(game.uhel2.text() + " " + game.sila2.text(), "45 100");
}

// A computer's own flight of the aim it chose is the real shell's, tick by tick, to the same end: the
// expert's as it writes it, in the real wind, on real battlefields, now and then at a crate; the normal
// computer's as it found it, in the wind rounded down to even, and an aim it marks as a hit hits.
TEST_F(ComputerLevels, TheOwnFlightOfTheAimChosenIsTheRealFlightExactly) {
    for (int lvl : {level::Expert, level::Normal}) {
        game.SetLevels(level::Human, lvl);
        int hits = 0;
        for (int seed = 1; seed <= 12; ++seed) {
            newBattle(seed);
            game.state.BonusActive = False, game.bonuspic.setVisible(false);
            if (lvl == level::Expert && seed % 3 == 0) crateAt(weapon::Nuke, 400);  // worth more than a hit
            if (lvl == level::Normal) {
                // It starts its trial shells from the ground at its tank's middle, the real one from the
                // tank's top: on level ground the two are the same.
                const double left = game.tank2.left(), row = game.state.Ground.at(left + 20);
                ground(int(left), int(left) + 40, int(row));
                game.builder().SeatTank(game.tank2, static_cast<int>(left));
            }
            computerTurn(seed);
            const auto t = lastThought;
            if (t.flight.empty() || (lvl == level::Normal && t.attempts > 24)) continue;
            if (lvl == level::Normal) {
                // The aim before its errors, fired again in the wind it reckoned with: rounded down to even.
                game.state.Wind = float(2 * std::floor(game.state.Wind / 2));
                game.ResetHandOver();
                game.state.TurnPlayer = 2;
                aim(2, formatNumber(t.force), std::to_string(t.angle));
                game.FireTank2();
            }
            const double before = game.state.Health1;
            loop.waitUntil([&] { return game.bullettimer.enabled(); });
            for (const auto& [x, y] : t.flight) {
                ASSERT_TRUE(game.bullettimer.enabled()) << "level " << lvl << " seed " << seed;
                game.bullettimer_Timer();
                ASSERT_TRUE(game.state.ShellX == x && game.state.ShellY == y) << "level " << lvl << " seed " << seed;
            }
            EXPECT_FALSE(game.bullettimer.enabled());
            waitHandOver();
            EXPECT_TRUE(!t.hits || game.state.Health1 == before - 75) << "level " << lvl << " seed " << seed;
            hits += t.hits;
        }
        EXPECT_GE(hits, 4) << "level " << lvl;  // enough turns aimed at the tank to mean something
    }
}

// What the expert reckons its shot will cost each tank is what the shot then costs, for every shell whose
// effect is sure (not the quake's random depths, not the bouncer's later bounces), on 12 real battlefields.
TEST_F(ComputerLevels, TheExpertsReckoningOfEachShellIsWhatTheShotCosts) {
    game.SetLevels(level::Human, level::Expert);
    int costly = 0;
    for (int kind = weapon::Standard; kind <= weapon::Climber; ++kind) {
        if (kind == weapon::Quake) continue;
        for (int seed = 1; seed <= 12; ++seed) {
            newBattle(seed);
            game.state.BonusActive = False, game.bonuspic.setVisible(false);
            arm(kind, 2);
            const double own = game.state.Health2, foe = game.state.Health1;
            computerTurn(seed);
            waitHandOver();
            const auto [ownLoss, foeLoss] = lastThought.losses;
            EXPECT_NEAR(own - game.state.Health2, ownLoss, 1e-9) << "shell " << kind << " seed " << seed;
            EXPECT_NEAR(foe - game.state.Health1, foeLoss, 1e-9) << "shell " << kind << " seed " << seed;
            costly += foeLoss > 0;
        }
    }
    EXPECT_GE(costly, 60);  // most of them cost the opponent something
}

// Whatever special shell the expert holds, it never hurts itself: not on the flat, not beside a cliff that
// rises between the tanks (where the normal computer buries itself), not with the opponent close by.
TEST_F(ComputerLevels, ExpertNeverHurtsItselfWithAnyShell) {
    game.SetLevels(level::Human, level::Expert);
    int hurtFoe = 0;
    for (int kind = weapon::Standard; kind <= weapon::Bouncer; ++kind)
        for (int setting = 0; setting < 3; ++setting) {
            flatten(400);
            if (setting == 1) ground(600, 700, 150);  // a cliff beside the expert, towards the opponent
            if (setting == 2) game.builder().SeatTank(game.tank1, 560);
            arm(kind, 2);
            const double own = game.state.Health2, foe = game.state.Health1;
            computerTurn(kind * 10 + setting);
            waitHandOver();
            EXPECT_EQ(game.state.Health2, own) << "shell " << kind << " setting " << setting;
            hurtFoe += game.state.Health1 < foe;
            game.state.Health1 = game.state.Health2 = 1000;
        }
    EXPECT_GE(hurtFoe, 18);  // and it still makes most of them count
    // Neither a quake nor a bouncer stays where it lands: with the opponent close by, either lands 180
    // columns away at least. And resting on its last column alone, its nuke still finds a safe shot.
    for (int kind : {weapon::Quake, weapon::Bouncer, weapon::Nuke}) {
        flatten(400);
        kind == weapon::Nuke ? ground(755, 764, 420) : game.builder().SeatTank(game.tank1, 640);
        landings.clear(), game.state.BonusActive = False;
        arm(kind, 2), computerTurn(kind), waitHandOver();
        if (kind == weapon::Nuke)
            EXPECT_TRUE(game.state.Health2 == 1000 && game.state.Health1 < 1000);
        else
            EXPECT_TRUE(!landings.empty() && std::fabs(landings[0] - 760) >= 180) << kind;
        game.state.Health1 = game.state.Health2 = 1000;
    }
}

// The practice target never fires: its turn passes, with a note, the trace on and no shell.
// And on fixed battlefields each level beats the one below it, from either side of the field.
TEST_F(ComputerLevels, PracticePassesAndEachLevelBeatsTheOneBelow) {
    game.SetLevels(level::Human, level::Practice);
    newBattle(5);
    aim(1, "60", "45");
    game.keyDown(Key::Space);
    loop.waitUntil([&] { return game.state.TurnPlayer == 2 && game.hmm.visible(); });
    EXPECT_TRUE(game.find("trace1", 0) && game.find("trace1", 0)->visible());
    effectLog.clear();
    loop.waitUntil([&] { return game.Label8(1).caption() == "The practice target holds its fire"; });
    waitHandOver();
    EXPECT_TRUE(game.state.Health1 == 1000 && std::ranges::count(effectLog, effect::Launch) == 0 && game.state.TurnPlayer == 1 &&
                game.Frame1.enabled());

    for (int weaker : {level::Practice, level::Beginner, level::Normal}) {
        int wins = 0;
        for (int seed : {3, 4})
            for (int strongerSide : {1, 2}) {
                game.SetLevels(strongerSide == 1 ? weaker + 1 : weaker, strongerSide == 1 ? weaker : weaker + 1);
                newBattle(seed);
                loop.waitUntil([&] { return game.state.BattleOver == True; });
                wins += (strongerSide == 1 ? game.state.Health2 : game.state.Health1) < 1 &&
                        (strongerSide == 1 ? game.state.Health1 : game.state.Health2) >= 1;
                loop.waitUntil([&] { return !game.tankexpl.enabled(); });
            }
        EXPECT_GE(wins, 3) << "level " << weaker + 1 << " against " << weaker;
    }
}

}  // namespace
}  // namespace gv
