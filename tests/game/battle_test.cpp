// A playable battle: aiming, firing, flight, impacts, damage and the end of a battle, through the window
// model and the virtual clock.
#include "../support/game_fixture.h"
#include "platform/numtext.h"

namespace gv {
namespace {

using testing::BattleTest;

struct Aiming : BattleTest {};

TEST_F(Aiming, BoxesNormaliseAndWrapWhatIsTypedAndTheTankFacesItsBarrel) {
    // clang-format off
    struct Case { const char *typed, *force, *angle; };
    for (auto [typed, force, angle] : std::vector<Case>{
             {"250", "0", "0"}, {"1000", "0", "0"}, {"-5", "200", "180"}, {"-1", "200", "180"}, {"181", "181", "0"},
             {"", "0", "0"}, {"abc", "0", "0"}, {"inf", "0", "0"}, {"12abc", "12", "12"}, {"1e5", "1", "1"},
             {"45.5", "45.5", "45.5"}, {"90", "90", "90"}, {"91", "91", "91"}}) {
        // clang-format on
        for (TextBox* box : {&game.sila1, &game.uhel1, &game.uhel2}) box->setText(typed);
        EXPECT_EQ(game.sila1.text() + " " + game.uhel1.text(), std::string(force) + " " + angle) << typed;
        // Player 2's angles are mirrored: both tanks look the same way at one angle.
        bool right = leadingNumber(angle) <= 90;
        EXPECT_EQ(game.tank1.picture(), (right ? game.tankright : game.tankleft).picture()) << typed;
        EXPECT_EQ(game.tank2.picture(), (right ? game.tankleft : game.tankright).picture()) << typed;
    }
}

TEST_F(Aiming, TypingWithMouseAndKeysGivesTheValuesThePlayerMeant) {
    // '@n' clicks at the boundary after n characters, '*n' double-clicks there, '<' Backspace, '^' Ctrl+A,
    // '(' Shift+Home, '{' Shift+Left; anything else is typed.
    // clang-format off
    const std::map<char, std::pair<int, int>> keyOf = {
        {'<', {Key::Backspace, 0}}, {'^', {Key::A, Key::CtrlMask}}, {'(', {Key::Home, Key::ShiftMask}}, {'{', {Key::Left, Key::ShiftMask}}};
    // clang-format on
    auto play = [&](TextBox& box, const char* start, const std::string& keys) {
        box.setText(start);
        game.click(box);
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const char k = keys[i];
            if (k == '@' || k == '*') {
                const int x = box.textLeft() + box.widthOf(keys[++i] - '0'), y = int(box.absTop()) + 5;
                game.mouseDown(x, y);
                if (k == '*') game.mouseDown(x, y, true);
            } else if (keyOf.count(k)) {
                game.keyDown(keyOf.at(k).first, keyOf.at(k).second);
            } else {
                game.typeChar(k);
            }
        }
        return box.text();
    };
    // clang-format off
    struct Case { TextBox* box; const char *start, *keys, *want; };
    for (auto [box, start, keys, want] : std::vector<Case>{
             {&game.uhel1, "45", "@2<<60", "60"},   // the emptied box's "0" is selected and replaced
             {&game.sila1, "100", "^125", "125"},   // select all, type over it
             {&game.sila1, "125", "@2<3", "135"},   // Backspace in the middle, the caret stays there
             {&game.uhel1, "45", "@01", "145"},     // a click at a character puts the caret there
             {&game.sila1, "100", "^1234", "123"},  // ... also when typing over a selection
             {&game.uhel1, "5", "@001", "15"},      // "05" becomes "5" with the caret still in front of the 5
             {&game.uhel1, "145", "*290", "90"},    // a double-click selects the number
             {&game.uhel1, "145", "@2(3", "35"},    // Shift+Home
             {&game.sila1, "125", "@3{{0", "10"},   // Shift+Left twice
             {&game.sila1, "100", "^2507", "7"}}) { // 250 wraps to 0, the game's rule; the next digit replaces it
        // clang-format on
        EXPECT_EQ(play(*box, start, keys), want) << start << " " << keys;
    }
    EXPECT_EQ(game.uhel1.text(), "35");  // Shift with the arrows edits the box and turns no barrel
}

TEST_F(Aiming, SpinImagesAndArrowKeysStepTheArmedPlayersAim) {
    for (int key : {Key::Up, Key::Left, Key::Left, Key::Right}) game.keyDown(key);
    EXPECT_EQ(game.sila1.text() + " " + game.uhel1.text(), "101 46");
    EXPECT_EQ(game.sila2.text() + " " + game.uhel2.text(), "100 45");  // player 2's panel is not armed
    game.sila1.setText("200");
    game.click(game.s1up);
    const std::string wrapped = game.sila1.text();
    game.click(game.s1down);
    EXPECT_EQ(wrapped + " " + game.sila1.text(), "0 200");  // the spins wrap at both ends
    game.uhel1.setText("45");
    const int x = int(game.u1up.absLeft()) + 3, y = int(game.u1up.absTop()) + 3;
    game.mouseDown(x, y), game.mouseDown(x, y, true);
    EXPECT_EQ(game.uhel1.text(), "56");  // a double-click: 1 for its first press, 10 for the second
    // Held for a second, an arrow steps on its own (after half a second, then 25 times a second); the
    // release that ends a hold adds no step of its own.
    game.holdStart(x, y);
    loop.runFor(1000);
    game.holdEnd();
    game.mouseDown(x, y);
    EXPECT_EQ(game.uhel1.text(), "69");
    // The wheel over a box steps it by one a notch.
    game.wheel(int(game.uhel1.absLeft()) + 5, int(game.uhel1.absTop()) + 5, -3);
    EXPECT_EQ(game.uhel1.text(), "66");
    // While a box has the caret, Left and Right move within its text and the barrel stays.
    game.click(game.uhel1);
    game.keyDown(Key::Left);
    EXPECT_EQ(game.uhel1.text(), "66");
    game.setFocus(nullptr);
    game.keyDown(Key::Left);
    EXPECT_EQ(game.uhel1.text(), "67");
}

// Two pads at one computer: each plays its own tank, and only on its turn; a single pad plays whoever's
// turn it is, a whole battle long.
TEST_F(Aiming, PadsPlayTheirOwnTankAndOnePadPlaysAWholeBattle) {
    Pads& pads = game.pads();
    auto tap = [&](int pad, PadButton b, int times = 1) {
        for (int i = 0; i < times; ++i) pads.press(pad, b), pads.release(pad, b);
    };
    const int first = pads.plug(), second = pads.plug();
    tap(second, PadButton::Up);  // player 2's pad on player 1's turn
    tap(first, PadButton::Up);
    EXPECT_EQ(game.sila1.text() + " " + game.sila2.text(), "101 100");
    tap(first, PadButton::A);
    waitHandOver();
    tap(first, PadButton::Down), tap(second, PadButton::Down, 2);
    EXPECT_EQ(game.sila1.text() + " " + game.sila2.text(), "101 98");
    // Unplugged mid-turn: the other pad now plays whoever's turn it is; nothing held goes on stepping.
    pads.press(second, PadButton::Left);
    pads.unplug(second);
    loop.runFor(1000);
    EXPECT_EQ(game.uhel2.text(), "44");
    tap(first, PadButton::A);
    waitHandOver();
    // Straight up onto its own nearly dead tank, aimed with the pad alone: held, then tapped.
    game.state.Health1 = 5, game.state.Wind = 0;
    pads.press(first, PadButton::Left);
    loop.runFor(1000);
    pads.release(first, PadButton::Left);
    tap(first, PadButton::Left, 90 - int(leadingNumber(game.uhel1.text())));
    tap(first, PadButton::Down, 41);
    EXPECT_EQ(game.sila1.text() + " " + game.uhel1.text(), "60 90");
    tap(first, PadButton::A);
    waitHandOver();
    // Its own shell destroyed it: the battle is over, and its last hand-over arms nobody.
    EXPECT_TRUE(game.state.BattleOver == True && game.state.Exploding1 == True && !game.tank1.visible());
    EXPECT_EQ(game.Label8(1).caption(), "Player 2 wins, 0 : 1");
    loop.runFor(5000);
    EXPECT_FALSE(game.Frame1.enabled() || game.Frame2.enabled() || game.continue_.enabled());
}

TEST_F(Aiming, KeysDoNothingInThePauseAndAfterTheBattle) {
    for (int key : {Key::Escape, Key::Up, Key::Space}) game.keyDown(key);
    EXPECT_TRUE(game.sila1.text() == "100" && !game.hideit.enabled());
    game.click(game.continue_);
    game.state.Health2 = 0.5;
    game.CheckBattleEnd();
    game.keyDown(Key::Space);
    game.click(game.Command1);
    EXPECT_FALSE(game.hideit.enabled() || game.continue_.enabled());  // a finished battle cannot be resumed
}

struct Firing : BattleTest {};

TEST_F(Firing, FiringSlidesThePanelsOutAndHandsTheTurnOver) {
    effectLog.clear();
    game.gauges().SetNumbers(true);  // the wind's number under the wind goes and comes back with it
    const Control& number = *game.find("windnum");
    game.keyDown(Key::Space);
    EXPECT_TRUE(!game.Frame1.enabled() && !game.arrow.visible() && effectLog == std::vector<int>{effect::Fire});
    loop.waitUntil([&] { return game.bullettimer.enabled(); });
    EXPECT_TRUE(game.Frame1.left() == -300 && game.Frame2.left() == 804 && game.wind.top() == -22 &&
                number.top() + number.height() <= 0);
    EXPECT_EQ(effectLog.back(), effect::Launch);  // the shell's whistle
    waitHandOver();
    EXPECT_TRUE(game.Frame1.left() == 0 && game.Frame2.left() == 504 && game.wind.top() == 8 && number.top() == 25 &&
                number.visible() && game.Frame2.enabled() && game.Command2.enabled() && !game.Frame1.enabled() &&
                game.arrow.visible() && game.arrow.left() == game.tank2.left() + 4);
    EXPECT_TRUE(game.Command2.picture() == game.fbutt1.picture() && game.Command1.picture() == game.fbutt2.picture());
    game.keyDown(Key::Space);  // now space fires for player 2
    EXPECT_EQ(game.state.TurnPlayer, 1);
}

// What the two copies of a network battle compare: each part of it changed alone changes the hash.
TEST_F(Firing, EachPartOfTheSharedStateChangesItsHash) {
    Mainfrm& g = game;
    GameState& s = g.state;
    s.BonusActive = True, s.BonusShotsLeft = 3, s.CrateKind = 2;
    const std::uint64_t base = g.netplay().SharedStateHash();
    // clang-format off
    const std::function<void(int)> parts[] = {
        [&](int d) { s.Ground(400) = std::int16_t(s.Ground(400) + d); }, [&](int d) { s.Health1 += d; },
        [&](int d) { s.Health2 += d; }, [&](int d) { s.Tank1.left += d; },
        [&](int d) { s.Tank1.top += d; }, [&](int d) { s.Tank2.left += d; }, [&](int d) { s.Tank2.top += d; }, [&](int d) { s.Weapon1 += 3 * d; },
        [&](int d) { s.Weapon2 += 3 * d; }, [&](int d) { s.BonusActive = flag(d < 0); },
        [&](int d) { s.CrateKind += 3 * d; }, [&](int d) { s.CrateLeft += d; },
        [&](int d) { s.BonusShotsLeft += d; }, [&](int d) { g.net().shotWind += float(d); }};
    // clang-format on
    for (std::size_t i = 0; i < std::size(parts); ++i) {
        parts[i](1);
        EXPECT_NE(g.netplay().SharedStateHash(), base) << "part " << i;
        parts[i](-1);
        ASSERT_EQ(g.netplay().SharedStateHash(), base) << "part " << i;
    }
}

struct Flight : BattleTest {};

TEST_F(Flight, FirstTickAtFortyFiveDegreesAndPlayer2sAngleMirroredBeforeItsFractionIsCut) {
    aim(1, "100", "45.7");  // flies at 45
    fireAndTick(0);
    const GameState& s = game.state;
    const double pi = 3.1415926, a = 45 / 180.0 * pi, b = 135 / 180.0 * pi;  // the game's own pi is a little short
    EXPECT_TRUE(s.ShotVx == std::cos(a) * 100 && s.ShotVy == std::sin(a) * 100);
    loop.runFor(40);
    EXPECT_EQ(game.bullet.left(), Control::twips(s.ShellX - 4));
    // Player 2 at 44.5 is 135.5 mirrored, cut to 135: the same shot to the left.
    aim(2, "100", "44.5");
    game.FireTank2();
    EXPECT_TRUE(s.ShotVx == std::cos(b) * 100 && s.ShotVy == std::sin(b) * 100);
}

TEST_F(Flight, AShotStraightUpFallsThroughItsOwnTankAndOneOffTheFieldDoesNothing) {
    aim(1, "60", "90");
    double top = game.tank1.top();
    fireAndWait();
    EXPECT_GT(game.state.Ground(40), 400);  // the crater is under its own middle
    // No direct hit on itself: it only pays for sinking into its crater.
    EXPECT_TRUE(game.tank1.top() > top && game.state.Health1 == 1000 - 2 * (game.tank1.top() - top));
    aim(2, "200", "150");  // player 2's mirrored angle: off to the right
    auto ground = game.state.Ground.rows();
    double h1 = game.state.Health1;
    fireAndWait();
    EXPECT_EQ(game.state.Ground.rows(), ground);
    EXPECT_TRUE(!game.bullet.visible() && game.state.Health1 == h1 && game.state.Health2 == 1000);
    aim(1, "0", "45");  // force zero with no wind ends its shot too
    fireAndWait();
    EXPECT_TRUE(game.Frame2.enabled());
}

// With the trace and the numbers on, each player's last shot stays dotted until that player fires again,
// and the battle is the same as one played without them, pixel for pixel.
TEST_F(Flight, TheTraceDotsEachPlayersLastShotAndTheOptionsChangeNothingOfTheBattle) {
    testing::Started plain;
    plain.newBattle(17);
    game.gauges().SetTrace(true), game.gauges().SetNumbers(true);
    newBattle(17);
    auto dots = [&](const char* name) {
        int n = 0;
        for (const Control* c : game.world.children()) n += c->name() == name && c->visible();
        return n;
    };
    std::vector<std::array<int, 2>> counts;
    for (auto [force, angle] : {std::pair{"100", "60"}, {"90", "50"}, {"120", "70"}}) {
        for (Headless* h : {static_cast<Headless*>(this), static_cast<Headless*>(&plain)})
            testing::aim(h->game, h->game.state.TurnPlayer == 2 ? 1 : 2, force, angle), h->fireAndWait();
        EXPECT_TRUE(game.netplay().SharedStateHash() == plain.game.netplay().SharedStateHash() &&
                    game.world.pixels() == plain.game.world.pixels());
        counts.push_back({dots("trace1"), dots("trace2")});
    }
    // Player 2's shot leaves player 1's dots as they were; each shot leaves a path of dots.
    EXPECT_TRUE(counts[0][0] > 10 && counts[0][1] == 0 && counts[1][0] == counts[0][0] && counts[1][1] > 10 &&
                counts[2][1] == counts[1][1] && counts[2][0] > 10);
    game.gauges().SetTrace(false);
    EXPECT_EQ(dots("trace1") + dots("trace2"), 0);
}

// One tick of a shell from (x0, y0) to (x0 + dx, y0 + dy) over flat ground, and the crater it digs. The walk
// divides before it multiplies and ends at column 799. The crater sinks each column by the lower half of its
// circle below the surface at its middle, to the nearest row; a column high above the circle by its whole
// chord; nothing below row 600 or off the field. A middle between two columns rounds each to the even one.
TEST_F(Flight, TheWalkMeetsTheGroundWhereItShouldAndTheCraterRoundsEachColumnsCut) {
    const std::vector<int> crater{0, 0, 4, 5, 6, 7, 7, 8, 8, 8, 8, 8, 7, 7, 6, 5, 4, 0, 0};
    // clang-format off
    struct Case { double x0, y0, dx, dy; int flat, high, middle; std::vector<int> sunk; };  // `high`: the row of column middle + 3; `sunk`: middle - 9 .. middle + 9
    for (auto [x0, y0, dx, dy, flat, high, middle, sunk] : std::vector<Case>{
             // At column 101 the line is at 400 exactly when the sideways distance is divided first (multiplied
             // first it is a hair below the ground): the shell meets the ground one column later.
             {100, 300, 3, 300.0000000000001, 400, 0, 102, crater},
             // Below the ground at column 799.6: the field ends at 799, the shell has left it.
             {798.6, 399, 1.1, 3, 400, 0, 799, std::vector<int>(19, 0)},
             {300, 399, 0, 2, 400, 300, 300, {0, 0, 4, 5, 6, 7, 7, 8, 8, 8, 8, 8, 15, 7, 6, 5, 4, 0, 0}},
             {300, 594, 0, 2, 595, 0, 300, {0, 0, 4, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 4, 0, 0}},
             {799, 399, 0, 2, 400, 0, 799, {0, 0, 4, 5, 6, 7, 7, 8, 8, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
             {0, 399, 0, 2, 400, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 8, 8, 7, 7, 6, 5, 4, 0, 0}},
             {300.5, 399, 0, 2, 400, 0, 300, {0, 0, 0, 5, 0, 7, 0, 8, 0, 8, 0, 8, 0, 7, 0, 6, 0, 4, 0}}}) {
        // clang-format on
        flatten(flat);
        GameState& s = game.state;
        if (high) s.Ground(middle + 3) = std::int16_t(high);
        const GroundArray before = s.Ground;
        s.TurnPlayer = 2, s.Gravity = 0, s.ShotTime = 0.8;  // the tick's time is 1: the step is the velocity
        s.ShotX0 = float(x0), s.ShotY0 = float(y0), s.ShellX = x0, s.ShellY = y0, s.ShotVx = dx, s.ShotVy = -dy;
        game.bullettimer.setEnabled(true);
        game.bullettimer_Timer();
        ASSERT_TRUE(s.ShellY == y0 + dy && !game.bullettimer.enabled());
        for (int k = -9; k <= 9; ++k)
            EXPECT_EQ(s.Ground.at(middle + k) - before.at(middle + k), sunk[std::size_t(k + 9)]) << x0 << " " << k;
        game.ResetHandOver();  // the panels never slid out: no hand-over to wait for
    }
}

TEST_F(Flight, AShellAboveTheWindowIsMarkedAtTheTopEdgeAndItsImpactFlashes) {
    aim(1, "200", "88");
    fireAndTick(1);
    bool marked = false;
    for (; game.bullettimer.enabled(); loop.runFor(40))
        if (game.state.ShellY < 0) {
            marked = true;
            ASSERT_TRUE(game.topmark.visible() && game.topmark.top() == 0);
            EXPECT_NEAR(game.topmark.left() + game.topmark.width() / 2, game.state.ShellX, 1);
        }
    EXPECT_TRUE(marked && !game.topmark.visible());
    // A standard shell's crater of 8 flashes 28 across about its contact, briefly, and only on the screen.
    EXPECT_TRUE(game.flash.visible() && game.flash.width() == 28 && game.flash.top() + 14 == 400);  // on the flat ground
    loop.runFor(200);
    EXPECT_FALSE(game.flash.visible());
}

struct Impacts : BattleTest {};

// (Which trees burn, the moon and the sun are the rules' own, tested without a window: what the window shows
// of them is tested here.)
TEST_F(Impacts, ABurntTreeShowsBurntTheKnockedMoonFallsOnScreenAndABumpUnderTheHullIsGround) {
    game.state.TurnPlayer = 2;
    game.state.Trees = {{300, 370, 17, 30, 0}, {500, 370, 17, 30, 2}};
    game.ShowTrees();
    column(308, 390), column(508, 390);
    EXPECT_TRUE(game.strom(0).picture() == game.treeb(0).picture() && game.strom(1).picture() == game.snowb(0).picture());
    game.state.Moon = {300, 100}, game.state.MoonUp = True, game.state.Gravity = 10, game.moon.setTop(100);
    EXPECT_TRUE(column(336, 136) && game.moonfalltimer.enabled());
    loop.waitUntil([&] { return !game.moonfalltimer.enabled(); });
    EXPECT_EQ(game.moon.top(), 564);
    // A bump under the opponent's hull: a shell below the ground there and inside the hull meets the ground.
    game.state.Ground(750) = 390;
    effectLog.clear();
    column(750, 395);
    EXPECT_TRUE(effectLog.front() == effect::ShellPop && game.state.Health2 == 1000);
}

struct Damage : BattleTest {};

TEST_F(Damage, DirectHitsTakeWhatTheShellTakesAndEveryTankBelowOneExplodesWheneverInTheShot) {
    game.state.TurnPlayer = 2;
    game.gauges().SetNumbers(true);  // shown as labels only: the battle itself is the same either way
    // A shell in the opponent's hull: what it takes and how it sounds, by kind; the others fly through. The
    // hull is an open box from (left + 5, top + 10) to (left + 35, top + 40): a point on its edge misses.
    using namespace weapon;
    // clang-format off
    struct Hit { int kind; double x, y; int lost, sound; };
    for (auto [kind, x, y, lost, sound] : std::vector<Hit>{
             {Teleport, 760, 380, 0, 0}, {Heavy, 760, 380, 250, effect::HeavyBlast}, {Pit, 760, 380, 0, 0}, {Mound, 760, 380, 0, 0},
             {Leveller, 760, 380, 0, 0}, {Piercing, 760, 380, 400, effect::Piercing}, {Drill, 760, 380, 150, effect::HeavyBlast},
             {Nuke, 760, 380, 0, 0}, {Quake, 760, 380, 0, 0}, {Roller, 760, 380, 0, 0}, {Climber, 760, 380, 0, 0}, {Bouncer, 760, 380, 0, 0},
             {Standard, 745, 385, 0, 0}, {Standard, 745.001, 385, 75, effect::DirectHit}, {Standard, 775, 385, 0, 0},
             {Standard, 774.999, 385, 75, effect::DirectHit}, {Standard, 760, 370, 0, 0}, {Standard, 760, 370.001, 75, effect::DirectHit},
             {Standard, 760, 400, 0, 0}, {Standard, 760, 399.999, 75, effect::DirectHit}}) {
        // clang-format on
        game.state.Health2 = 1000, game.gauges().ShowHealth2(), effectLog.clear();
        arm(kind);
        EXPECT_EQ(!column(x, y), lost > 0) << kind << " " << x << " " << y;
        EXPECT_TRUE(1000 - game.state.Health2 == lost && effectLog == (lost ? std::vector<int>{sound} : std::vector<int>{}))
            << kind << " " << x << " " << y;
        game.ResetHandOver();
    }
    const Label& loss = *static_cast<Label*>(game.find("damage2"));
    EXPECT_TRUE(loss.visible() && loss.caption() == "-75" && static_cast<Label*>(game.find("healthnum2"))->caption() == "925");
    loop.runFor(1100);
    EXPECT_FALSE(loss.visible());
    game.state.Wind = -12;
    game.gauges().ShowWind();
    EXPECT_EQ(game.wind.caption() + "|" + static_cast<Label*>(game.find("windnum"))->caption(), "<------- Wind |-12");
    battle::DirectHit(game.state, 1, weapon::Standard), game.gauges().ShowHealth1();
    EXPECT_TRUE(game.state.Health2 == 925 &&
                game.health1(2).foreColour == rgb(int(std::nearbyint(75 * 0.255)), int(std::nearbyint(925 * 0.255)), 0));
    game.state.Health1 = 1;
    game.CheckBattleEnd();
    EXPECT_EQ(game.state.BattleOver, False);
    game.state.Health2 = 0.5;
    effectLog.clear();
    game.CheckBattleEnd();
    EXPECT_TRUE(game.state.BattleOver == True && game.Frame3.visible() && !game.world.enabled());
    EXPECT_TRUE(game.Label8(1).visible() && game.Label8(1).caption() == "Player 1 wins, 1 : 0");
    loop.runFor(40 * 30);
    game.state.Health1 = -3;  // a later bounce in the same shot takes the shooter too
    game.CheckBattleEnd();
    EXPECT_EQ(game.Label8(1).caption(), "Both tanks destroyed, 0 : 0");  // counted once, as it ended
    double biggest = 0;
    for (int ticks = 0; game.tankexpl.enabled() && ticks < 400; ++ticks, loop.runFor(40))
        biggest = std::max(biggest, game.tank1.width());
    EXPECT_TRUE(biggest > 150 && !game.tank1.visible() && !game.tank2.visible());  // it swelled through its whole animation
    EXPECT_EQ(effectLog, (std::vector<int>{effect::Explosion, effect::Explosion, effect::Debris, effect::Debris}));
    game.CheckBattleEnd();  // a second end check does not restart the animation
    EXPECT_FALSE(game.tankexpl.enabled());
    // Both below one at once share one explosion, sounds and all, and the first to finish takes the other
    // along (player 1's, blown up from high, leaves the window first).
    newBattle(17);
    flatten(400);
    game.state.Tank1.top = 0;
    game.state.Health1 = game.state.Health2 = 0;
    effectLog.clear();
    game.CheckBattleEnd();
    for (int ticks = 0; game.tankexpl.enabled() && ticks < 400; ++ticks, loop.runFor(40))
        ASSERT_EQ(game.tank1.visible(), game.tank2.visible()) << ticks;
    EXPECT_EQ(effectLog, std::vector<int>{effect::Explosion});
}

// Against the computer its level follows the score; a duel of two computers names the winning level.
TEST_F(Damage, TheResultLineNamesTheWinnerByModeInBothLanguagesAndFollowsALanguageSwitch) {
    using namespace mode;
    const int Duel = 9;                                                  // expert against beginner
    for (int i : {0, 1}) game.Label8(i).setCaption("Hell on Earth...");  // as New Game last set it
    game.keyDown(Key::M);                                                // a note on the banner as the battle ends
    auto banner = [&] { return game.Label8(1).caption() + " " + std::to_string(game.Label8(1).font.points); };
    // clang-format off
    struct Case { int mode; double h1, h2; const char *english, *czech; };
    for (auto [mode, h1, h2, english, czech] : std::vector<Case>{
             {HotSeat, 10, 0, "Player 1 wins, 1 : 0", "Vyhrál hráč 1, 1 : 0"},  {HotSeat, 0, 10, "Player 2 wins, 0 : 1", "Vyhrál hráč 2, 0 : 1"},
             {Computer, 10, 0, "You win, 1 : 0 vs. Normal", "Vyhrál jsi, 1 : 0 vs. Normální"},
             {Computer, 0, 10, "The computer wins, 0 : 1 vs. Normal", "Vyhrál počítač, 0 : 1 vs. Normální"},
             {Host, 10, 0, "You win, 1 : 0", "Vyhrál jsi, 1 : 0"},      {Host, 0, 10, "You lose, 0 : 1", "Prohrál jsi, 0 : 1"},
             {Joiner, 10, 0, "You lose, 0 : 1", "Prohrál jsi, 0 : 1"},  {Joiner, 0, 10, "You win, 1 : 0", "Vyhrál jsi, 1 : 0"},
             {Computer, 0, 0, "Both tanks destroyed, 0 : 0 vs. Normal", "Oba tanky zničeny, 0 : 0 vs. Normální"},
             {Duel, 10, 0, "Expert wins, 1 : 0", "Vítěz: Expert, 1 : 0"}, {Duel, 0, 10, "Beginner wins, 0 : 1", "Vítěz: Začátečník, 0 : 1"}}) {
        // clang-format on
        game.state.GameMode = std::uint8_t(mode == Duel ? Computer : mode), game.state.Health1 = h1, game.state.Health2 = h2;
        game.SetLevels(mode == Duel ? level::Expert : level::Human, mode == Duel ? level::Beginner : level::Normal);
        std::string shown[2], switched[2];
        for (bool cz : {true, false}) {
            game.SetLanguage(cz ? "cs" : "en");
            game.banner().ShowBattleResult();
            EXPECT_EQ(game.Label8(1).caption(), cz ? czech : english) << mode;
            shown[cz] = banner();
            game.SetLanguage(cz ? "en" : "cs");  // switched while it shows: the line, in its size, and Play again follow
            switched[!cz] = banner() + " / " + game.novahra.caption();
        }
        EXPECT_TRUE(switched[0] == shown[0] + " / Play again" && switched[1] == shown[1] + " / Hrát znovu")
            << switched[0] << " | " << switched[1];
    }
    game.SetLanguage("en");
    loop.runFor(2000);              // the note long gone
    game.banner().RestoreBanner();  // as the joiner's next battle does, which no New Game of its own starts
    EXPECT_EQ(game.Label8(1).caption(), "Hell on Earth...");
    newBattle(5);  // New Game takes the word away
    EXPECT_EQ(game.Label8(1).caption(), "Creating game...");
}

// The session's score, by mode and by peer; after a result Enter plays the next battle in the same mode.
TEST_F(Damage, TheScoreCountsEachModeAndPlayAgainStartsTheNextBattle) {
    for (OptionButton* mode : {&game.Option2, &game.Option1}) {
        game.keyDown(Key::Escape);
        game.click(*mode);
        newBattle(7);
        for (const char* score : {"1 : 0", "1 : 1", "2 : 1"}) {
            waitHandOver();
            (score[4] == '1' && score[0] == '1' ? game.state.Health1 : game.state.Health2) = 0;
            game.CheckBattleEnd();
            const std::string line = game.Label8(1).caption();
            EXPECT_TRUE(line.find(score) != std::string::npos && game.novahra.caption() == "Play again") << line;
            const std::uint8_t was = game.state.GameMode;
            const std::uint32_t battle = game.state.BattleNumber;
            game.keyDown(Key::Enter);
            EXPECT_TRUE(game.state.GameMode == was && game.state.BattleNumber == battle + 1 &&
                        game.novahra.caption() == "New Game");
        }
    }
    // Each network peer starts at 0 : 0; a link that came back keeps its score.
    for (auto [link, score] : {std::pair{11u, "1 : 0"}, {11u, "2 : 0"}, {12u, "1 : 0"}}) {
        waitHandOver();
        game.state.GameMode = mode::Host, game.net().linkName = link;
        game.state.Health2 = 0;
        game.CheckBattleEnd();
        EXPECT_EQ(game.Label8(1).caption(), std::string("You win, ") + score);
        game.keyDown(Key::Enter);
    }
}

}  // namespace
}  // namespace gv
