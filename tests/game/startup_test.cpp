// Start-up, the language, the intro, the menu, the pause key and New Game over a running hand-over.
#include <algorithm>

#include "../support/game_fixture.h"

namespace gv {
namespace {

using testing::GameTest;

TEST(Language, CzechOrSlovakAnywhereGivesTheCzechInterface) {
    struct Case {
        LanguageSettings s;
        bool czech;
    };
    for (const auto& [s, czech] : std::vector<Case>{
             {{{"en_US.UTF-8"}, "en_US.UTF-8", {"us"}}, false},
             {{{"en_GB.UTF-8"}, "en_GB.UTF-8", {"sk"}}, true},  // a Slovak keyboard on an English system
             {{{"cs_CZ.UTF-8"}, "en_US.UTF-8", {"de"}}, true},  // a Czech user with any keyboard
             {{{"sk_SK"}, "", {}}, true},
             {{{}, "cs_CZ.UTF-8", {"us"}}, true},                // the system's language
             {{{"en_US"}, "C.UTF-8", {"us", "cz"}}, true},       // a second layout
             {{{"C"}, "POSIX", {}}, false},
             {{{}, "", {}}, false},
             {{{"csb_PL"}, "", {"ch"}}, false},  // Kashubian and Swiss are neither
         })
        EXPECT_EQ(czechInterface(s), czech) << (s.userLanguages.empty() ? "" : s.userLanguages[0]);
}

struct StartUp : GameTest {};

TEST_F(StartUp, EnglishSystemGetsTheEnglishCaptions) {
    game.Form_Load();
    EXPECT_EQ(game.state.CzechUi, False);
    EXPECT_EQ(game.novahra.caption(), "New Game");
    EXPECT_EQ(game.continue_.caption(), "Continue");
    EXPECT_EQ(game.endgame.caption(), "Exit");
    EXPECT_EQ(game.Option1.caption(), "2 players");
    EXPECT_EQ(game.Option2.caption(), "1 vs. AI");
    EXPECT_EQ(game.Option3.caption(), "2 overnet");
    EXPECT_EQ(game.Command3.caption(), "Host game");
    EXPECT_EQ(game.Command4.caption(), "Join");
    EXPECT_EQ(game.Command5.caption(), "Back");
    EXPECT_EQ(game.Command6.caption(), "Back");
    EXPECT_EQ(game.compname.text(), "Network name of hosting computer?");
    EXPECT_EQ(game.Label17.caption(), "old as PC itself");
    EXPECT_EQ(game.Label14.caption(), "Programming...");
    EXPECT_EQ(game.Label15.caption(), "Artwork...");
    EXPECT_EQ(game.Label16.caption(), "Sounds...");
    EXPECT_EQ(game.Label13.caption(), "Idea...");
    EXPECT_EQ(game.Label8(0).caption(), "Creating game...");
    EXPECT_EQ(game.Label8(1).caption(), "Creating game...");
    EXPECT_EQ(game.wind.caption(), "Wind");
    EXPECT_EQ(game.Label1.caption(), "Force:");
    EXPECT_EQ(game.Label4.caption(), "Angle:");
    EXPECT_EQ(game.Label10.caption(), "Weapon:");
    EXPECT_EQ(game.credits.caption(), "Credits");
    EXPECT_EQ(game.state.HellMode, False);
}

TEST_F(StartUp, CzechSystemKeepsTheLayoutTexts) {
    game.desktop.languageSettings = [] { return LanguageSettings{{"cs_CZ.UTF-8"}, "", {}}; };
    game.Form_Load();
    EXPECT_EQ(game.state.CzechUi, True);
    EXPECT_EQ(game.novahra.caption(), "Nová Hra");
    EXPECT_EQ(game.Label1.caption(), "Síla:");
}

TEST_F(StartUp, IntroDrawsItsSkyHillAndSixRingsAwayFromTheMenu) {
    game.Form_Load();
    EXPECT_GE(game.state.IntroY, 0);
    EXPECT_LE(game.state.IntroY, 400);
    EXPECT_EQ(game.world.drawWidth(), 5);
    // The hill line stays in rows 200..600: nothing green above row 197 (the pen is 5 wide).
    for (int y = 0; y < 197; ++y)
        for (int x = 0; x <= 800; x += 4) ASSERT_NE(game.world.point(x, y), rgb(0, 255, 0)) << x << "," << y;
    EXPECT_TRUE(game.startuptimer.enabled());
    loop.runFor(999);
    EXPECT_TRUE(game.effectLog.empty());
    loop.runFor(1);
    EXPECT_EQ(game.effectLog, std::vector<int>{32});
    int x = game.state.IntroX, y = game.state.IntroY;
    EXPECT_TRUE(x <= 240 || x >= 561 || y <= 136 || y >= 457) << x << "," << y;
    loop.runFor(6 * 40);
    EXPECT_FALSE(game.startuptimer.enabled());
    EXPECT_EQ(game.startuptimer.tag, "36");
    EXPECT_EQ(game.world.drawWidth(), 1);
    EXPECT_EQ(game.world.point(x + 36, y), rgb(0, 255, 0));
}

TEST_F(StartUp, NewGameDuringTheIntroStopsItAndLeavesAOnePixelPen) {
    game.Form_Load();
    loop.runFor(1000 + 80);  // two rings drawn
    ASSERT_TRUE(game.startuptimer.enabled());
    newBattle(3);
    EXPECT_FALSE(game.startuptimer.enabled());
    EXPECT_EQ(game.world.drawWidth(), 1);
    EXPECT_EQ(game.state.WorldBusy, False);
}

TEST_F(StartUp, EscPausesARunningBattleOnlyAndContinueResumesIt) {
    start();
    game.keyDown(Key::Escape);  // the menu is already in front: nothing happens
    EXPECT_FALSE(game.continue_.enabled());
    newBattle(8);
    game.keyDown(Key::Escape);
    EXPECT_TRUE(game.Frame3.visible());
    EXPECT_TRUE(game.continue_.enabled());
    EXPECT_FALSE(game.world.enabled());
    game.keyDown(Key::Escape);  // again while paused: still paused
    EXPECT_TRUE(game.continue_.enabled());
    game.state.SendText.clear();
    game.click(game.continue_);
    EXPECT_FALSE(game.Frame3.visible());
    EXPECT_FALSE(game.continue_.enabled());
    EXPECT_TRUE(game.world.enabled());
    EXPECT_TRUE(game.state.SendText.empty());  // a local game tells nobody
}

TEST_F(StartUp, EscIsIgnoredWhileABattlefieldIsBeingBuilt) {
    start();
    bool triedDuringBuild = false;
    Timer probe(loop, "probe", 500);
    probe.onTimer = [&] {
        if (game.state.WorldBusy != True) return;
        triedDuringBuild = true;
        game.world.setEnabled(true);  // even with the canvas taking input
        game.keyDown(Key::Escape);
        EXPECT_FALSE(game.continue_.enabled());
        EXPECT_FALSE(game.Frame3.visible());
    };
    probe.setEnabled(true);
    newBattle(4);
    EXPECT_TRUE(triedDuringBuild);
}

TEST_F(StartUp, CreditsPanelAndTheLink) {
    start();
    std::vector<std::string> opened;
    game.desktop.openUrl = [&](const std::string& u) { opened.push_back(u); };
    game.click(game.credits);
    EXPECT_TRUE(game.Frame5.visible());
    EXPECT_TRUE(game.Command6.isDefault());
    game.keyDown(Key::Enter);  // Back is the default button
    EXPECT_FALSE(game.Frame5.visible());
    game.effectLog.clear();
    game.click(game.Label7);
    EXPECT_EQ(game.effectLog, std::vector<int>{14});
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].rfind("https://", 0), 0u);
}

TEST_F(StartUp, ExitUnloadsTheWindow) {
    start();
    game.click(game.endgame);
    EXPECT_TRUE(game.unloaded());
    game.click(game.novahra);  // nothing answers any more
    EXPECT_EQ(game.state.GameMode, 0);
}

TEST_F(StartUp, NewGameReadsTheModeOptions) {
    start();
    game.click(game.Option2);
    newBattle(1);
    EXPECT_EQ(game.state.GameMode, 2);
    EXPECT_TRUE(game.Option2.value());  // read, never changed
    game.keyDown(Key::Escape);
    game.click(game.Option1);
    newBattle(1);
    EXPECT_EQ(game.state.GameMode, 1);
}

TEST_F(StartUp, NewGameDuringTheLastHandOverGivesACleanBattle) {
    start();
    newBattle(2);
    // The end of a battle: the menu shows while the panels are still sliding back in.
    game.showit.setInterval(40);
    game.showit.setEnabled(true);
    game.hideit.setEnabled(true);
    game.Frame1.setLeft(-160);
    game.Frame2.setLeft(664);
    game.wind.setTop(-8);
    game.Frame3.setVisible(true);
    game.world.setEnabled(false);
    game.click(game.novahra);
    EXPECT_FALSE(game.showit.enabled());
    EXPECT_FALSE(game.hideit.enabled());
    EXPECT_EQ(game.showit.interval(), 1);
    EXPECT_EQ(game.Frame1.left(), 0);
    EXPECT_EQ(game.Frame2.left(), 504);
    EXPECT_EQ(game.wind.top(), 8);
    EXPECT_TRUE(game.Frame1.enabled());
    EXPECT_TRUE(game.Command1.enabled());
    EXPECT_EQ(game.state.TurnPlayer, 1);
    loop.runFor(3000);  // nothing of the old hand-over comes back
    EXPECT_EQ(game.Frame1.left(), 0);
    EXPECT_EQ(game.Frame2.left(), 504);
}

TEST_F(StartUp, WaitsOfAnOldBattleGiveUpWhenANewOneStarts) {
    start();
    newBattle(1);
    bool waited = true, acted = false;
    Timer waiter(loop, "waiter", 100);
    waiter.onTimer = [&] {
        waiter.setEnabled(false);
        waited = game.WaitInBattle([] { return false; });
        if (waited) acted = true;
    };
    waiter.setEnabled(true);
    Timer newGame(loop, "newgame", 300);
    newGame.onTimer = [&] {
        newGame.setEnabled(false);
        newBattle(2);
    };
    newGame.setEnabled(true);
    loop.runFor(10000);
    EXPECT_FALSE(waited);
    EXPECT_FALSE(acted);
}

}  // namespace
}  // namespace gv
