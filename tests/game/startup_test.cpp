// Start-up, the language, the intro, the menu, the pause key and New Game over a running hand-over.
#include "../support/game_fixture.h"
#include "../support/ports.h"

namespace gv {
namespace {

using testing::freePorts;
using testing::GameTest;

TEST(Language, CzechOrSlovakLanguageOrKeyboardInUseGivesTheCzechInterface) {
    // A Slovak keyboard on an English system, a Czech user with any keyboard, the system's language, a
    // second layout only while it is switched to; Kashubian and Swiss are neither.
    // clang-format off
    struct Case { LanguageSettings s; bool czech; };
    for (const auto& [s, czech] : std::vector<Case>{
             {{{"en_US.UTF-8"}, "en_US.UTF-8", {"us"}}, false}, {{{"en_GB.UTF-8"}, "en_GB.UTF-8", {"sk"}}, true},
             {{{"cs_CZ.UTF-8"}, "en_US.UTF-8", {"us", "de"}, 1}, true}, {{{"sk_SK"}, "", {}}, true},
             {{{}, "cs_CZ.UTF-8", {"us"}}, true},               {{{"en_US"}, "C.UTF-8", {"us", "cz"}, 0}, false},
             {{{"en_US"}, "C.UTF-8", {"us", "cz"}, 1}, true},   {{{"en_US"}, "", {"cz", "us"}, 7}, true},
             {{{"C"}, "POSIX", {}}, false}, {{{}, "", {}}, false}, {{{"csb_PL"}, "", {"ch"}}, false}})
        EXPECT_EQ(czechInterface(s), czech) << (s.userLanguages.empty() ? "" : s.userLanguages[0]) << " "
                                            << s.keyboardLayout();
    // clang-format on
}

struct StartUp : GameTest {};

TEST_F(StartUp, EnglishSystemGetsEnglishCaptionsAndACzechOneKeepsTheLayoutTexts) {
    game.Form_Load();
    EXPECT_EQ(game.state.CzechUi, False);
    EXPECT_EQ(game.novahra.caption() + "|" + game.Option2.caption() + "|" + game.Command3.caption() + "|" + game.compname.text() +
                  "|" + game.Label1.caption(),
              "New Game|1 vs. AI|Host game|Network name of hosting computer?|Force:");
    Mainfrm czech{loop, testing::englishDesktop()};
    czech.desktop.languageSettings = [] { return LanguageSettings{{"cs_CZ.UTF-8"}, "", {}}; };
    czech.Form_Load();
    EXPECT_TRUE(czech.state.CzechUi == True && czech.novahra.caption() + czech.Label1.caption() == "Nová HraSíla:");
    // And the network panel's status texts.
    czech.hostPort = freePorts(), czech.joinPort = czech.hostPort + 1;
    czech.click(czech.Option3);
    EXPECT_EQ(czech.Label11.caption(), "Vaše síťové jméno: " + TcpSocket::localHostName());
    czech.click(czech.Command3);
    EXPECT_EQ(czech.Label11.caption(), "Čekám na připojení protihráče...");
}

TEST_F(StartUp, IntroDrawsSixRingsAwayFromTheMenuWithAWidePenAndNewGameStopsIt) {
    Headless other;
    for (Mainfrm* g : {&game, &other.game}) g->Form_Load();
    EXPECT_EQ(game.world.drawWidth(), 5);
    loop.runFor(999);
    EXPECT_TRUE(effectLog.empty());
    loop.runFor(1);
    EXPECT_EQ(effectLog, std::vector<int>{effect::Boing});
    const int x = game.state.IntroX, y = game.state.IntroY;
    loop.runFor(6 * 40);
    EXPECT_TRUE(!game.startuptimer.enabled() && game.startuptimer.tag == "36" && game.world.drawWidth() == 1);
    EXPECT_EQ(game.world.point(x + 36, y), rgb(0, 255, 0));
    // Wherever its draws carry it (each try starts from the last one's row, so it may sink below the
    // hills), no burst lands behind the menu, down to its last row.
    for (int seed = 0; seed < 100; ++seed) {
        if (seed) game.random.reset(), game.random.seed(seed), game.state.IntroY = 480;
        game.startuptimer.setInterval(1000), game.startuptimer.setEnabled(true), loop.runFor(1000);
        const int bx = game.state.IntroX, by = game.state.IntroY, l = 240, t = 136;
        EXPECT_TRUE(bx <= l || bx >= l + game.Frame3.width() || by <= t || by > t + game.Frame3.height()) << bx << "," << by;
    }
    other.loop.runFor(1000 + 80);  // two rings drawn, then New Game: the pen is one pixel again
    ASSERT_TRUE(other.game.startuptimer.enabled());
    other.newBattle(3);
    EXPECT_TRUE(!other.game.startuptimer.enabled() && other.game.world.drawWidth() == 1 && other.game.state.WorldBusy == False);
}

TEST_F(StartUp, EscPausesOnlyARunningBattleAndContinueResumesIt) {
    start();
    game.keyDown(Key::Escape);  // the menu is already in front: nothing happens
    EXPECT_FALSE(game.continue_.enabled());
    bool triedDuringBuild = false;
    testing::Every probe(loop, "probe", 500, [&] {
        if (game.state.WorldBusy != True) return;
        triedDuringBuild = true;
        game.world.setEnabled(true);  // even with the canvas taking input, a field being built is not paused
        game.keyDown(Key::Escape);
        EXPECT_FALSE(game.continue_.enabled() || game.Frame3.visible());
    });
    newBattle(8);
    probe.setEnabled(false);
    EXPECT_TRUE(triedDuringBuild);
    game.keyDown(Key::Escape), game.keyDown(Key::Escape);  // again while paused: still paused
    EXPECT_TRUE(game.Frame3.visible() && game.continue_.enabled() && !game.world.enabled());
    game.state.SendText.clear();
    game.click(game.continue_);
    // A local game tells nobody.
    EXPECT_TRUE(!game.Frame3.visible() && !game.continue_.enabled() && game.world.enabled() && game.state.SendText.empty());
}

// The help from the menu and over a battle: the battle waits behind it exactly as it was.
TEST_F(StartUp, HelpOpensFromTheMenuAndOverABattleWhichWaitsUnchanged) {
    start();
    Panel& help = static_cast<Panel&>(*game.find("Frame7"));
    game.click(*static_cast<Button*>(game.find("helpbutton")));
    EXPECT_TRUE(help.shownOnScreen() && static_cast<Label*>(game.find("helpline", 7))->caption().rfind("Teleport", 0) == 0);
    // Its title is its own, in the language of the help; the options' labels keep theirs.
    EXPECT_TRUE(static_cast<Label*>(game.find("helptitle"))->caption() == "Help" &&
                game.Label24.caption() == "Ask the router to open the port:");
    game.keyDown(Key::Enter);  // closes it; nothing behind is pressed
    EXPECT_TRUE(!help.visible() && game.state.GameMode == 0);
    newBattle(3);
    loop.waitUntil([&] { return game.Frame1.enabledOnScreen(); });
    const std::uint64_t before = game.netplay().SharedStateHash();
    for (int key : {Key::F1, Key::Up, Key::Left, Key::Space}) game.keyDown(key);  // the help, then keys that reach no battle
    loop.runFor(3000);
    EXPECT_TRUE(help.visible() && game.netplay().SharedStateHash() == before && game.sila1.text() == "100" &&
                !game.hideit.enabled());
    game.keyDown(Key::Escape);
    EXPECT_TRUE(!help.visible() && !game.Frame3.visible() && game.world.enabled());
    game.keyDown(Key::Space);
    EXPECT_TRUE(game.hideit.enabled());  // the battle goes on where it was
}

// The credits and the network panel lie over the menu's last row but for the link: Help and Exit are hidden
// and a click there does nothing, while the link below still answers.
TEST_F(StartUp, CreditsLinkAndExit) {
    start();
    std::vector<std::string> opened;
    game.desktop.openUrl = [&](const std::string& u) { opened.push_back(u); };
    for (Control* open : {static_cast<Control*>(&game.credits), static_cast<Control*>(&game.Option3)}) {
        game.click(*open);
        game.mouseDown(330, 445), game.mouseDown(460, 445);  // Help, Exit
        EXPECT_TRUE(!game.unloaded() && !game.find("Frame7")->visible() && !game.endgame.shownOnScreen());
        effectLog.clear(), game.mouseDown(400, 488);  // the link
        EXPECT_TRUE(effectLog == std::vector<int>{effect::Bell} && opened.back().rfind("https://", 0) == 0);
        open == &game.credits ? game.keyDown(Key::Enter) : game.click(game.Command5);  // Back, the default in the credits
    }
    EXPECT_FALSE(game.Frame5.visible() || game.Frame4.visible());
    game.mouseDown(460, 445), game.click(game.novahra);  // Exit: nothing answers any more
    EXPECT_TRUE(game.unloaded() && game.state.GameMode == 0);
}

// What a game keeps between starts: each start is a new window on the same settings folder.
TEST(Settings, KeptBetweenStartsAndADamagedFileLosesOnlyWhatIsBadAndIsKeptAside) {
    // In a folder whose name has letters of no single code page, as a user's own may have.
    testing::TempFolder folder("settings-Jiří");
    const std::string file = folder.path + "/settings.ini";
    const std::string host = "127.0.0.1:" + std::to_string(freePorts(1));
    {
        testing::Started first(testing::englishDesktop("", folder.path));
        Mainfrm& g = first.game;
        // "1 vs. AI" only chooses the mode; the computer's level is the options' (its row opens the levels).
        g.click(g.Option2);
        EXPECT_TRUE(g.controlAt(400, 228) == &g.novahra && !g.muted);
        g.click(g.options), g.click(*g.find("optlevel")), g.click(*g.find("lvlexpert"));
        EXPECT_EQ(g.defaultButton()->caption(), "1 vs. AI: Expert");
        g.keyDown(Key::Escape), g.keyDown(Key::M);  // the sound off, said on the banner for a moment
        EXPECT_TRUE(g.muted && g.Label8(1).visible() && g.Label8(1).caption() == "Sound off (M)");
        first.loop.runFor(2000);
        EXPECT_FALSE(g.Label8(1).visible());
        g.click(g.Option3), g.compname.setText(host), g.click(g.Command4);
    }
    // Edited on another system (CRLF line ends), with a key given twice: the last one holds.
    std::string edited =
        testing::readText(file) + "future.key = kept\nlanguage = cs\nnet.port = 7800\nnet.port = 7900\nsound.volume = 50\n";
    for (std::size_t at = 0; (at = edited.find('\n', at)) != std::string::npos; at += 2) edited.insert(at, 1, '\r');
    testing::writeText(file, edited);
    {
        testing::Started second(testing::englishDesktop("", folder.path));
        const Mainfrm& g = second.game;
        EXPECT_TRUE(g.muted && g.state.CzechUi == True && g.hostPort == 7900 && g.sound.volume() == 50 &&
                    g.ComputerLevel(2) == level::Expert && g.compname.text() == host);
        second.game.keyDown(Key::M);  // written again: what this copy does not know stays
        const std::string text = testing::readText(file);
        EXPECT_TRUE(text.find("future.key = kept\n") != std::string::npos && text.find("sound.mute = no\n") != std::string::npos)
            << text;
    }
    // Random bytes, another program's settings, a file over its limit: the defaults, a word on stderr, the file
    // kept. Half a line, a DEL in a value, and each limit one past its edge: only that line is dropped (named on
    // stderr), the good ones hold and are written back. At the edge the file is read.
    const std::string head = "gorvath-settings 1\n", mute = "sound.mute = yes\n";
    enum How { Read, Line, Whole };
    // clang-format off
    for (const auto& [text, how] : std::vector<std::pair<std::string, How>>{
             {"\x01\xff\x7fjunk\n", Whole}, {"someone-settings 1\n" + mute, Whole}, {head + mute + "sound.vol", Line},
             {head + mute + "future.key = a\x7f" "b\n", Line}, {head + mute + "sound.volume = 55\n", Line}, {head + "sound.volume = 0\nsound.volume = 100\n", Read},
             {head + "window.width = 16384\nwindow.height = 1\n", Read}, {head + "window.width = 16385\n", Line}, {head + "window.height = 0\n", Line},
             {head + "window.x = -32768\nwindow.y = 32767\n", Read}, {head + "window.x = -32769\n", Line}, {head + "window.y = 32768\n", Line},
             {head + "net.port = 65535\n", Read}, {head + "net.port = 65536\n", Line}, {head + "net.port = 0\n", Line},
             {head + std::string(64, 'k') + " = v\n", Read}, {head + std::string(65, 'k') + " = v\n", Line},
             {head + "net.host = " + std::string(256, 'h') + "\n", Read}, {head + "net.host = " + std::string(257, 'h') + "\n", Line},
             {head + std::string(65536 - head.size(), '#'), Read}, {head + mute + std::string(65537 - head.size() - mute.size(), '#'), Whole}}) {
        // clang-format on
        testing::writeText(file, text);
        ::testing::internal::CaptureStderr();
        testing::Started g(testing::englishDesktop("", folder.path));
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(said.find("is damaged") == std::string::npos, how == Read) << text.substr(0, 60);
        EXPECT_EQ(g.game.muted, how != Whole && text.find(mute) != std::string::npos) << text.substr(0, 60);
        if (how == Read) continue;
        EXPECT_TRUE(how == Whole || said.find("(line ") != std::string::npos) << said;
        EXPECT_TRUE(how == Line || (g.game.sound.volume() == 100 && g.game.state.CzechUi == False && g.game.hostPort == 7701));
        EXPECT_TRUE(testing::readText(file + ".bad") == text && std::filesystem::exists(testing::onDisk(file)) == (how == Line));
    }
    // A folder that cannot be made: the game plays on, says so once, and remembers within the run.
    ::testing::internal::CaptureStderr();
    testing::Started nowhere(testing::englishDesktop("", file + ".bad/gorvath"));
    nowhere.game.keyDown(Key::M), nowhere.game.keyDown(Key::M), nowhere.game.keyDown(Key::M);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(nowhere.game.muted && said.find("cannot be saved") != std::string::npos &&
                said.find("cannot be saved") == said.rfind("cannot be saved"))
        << said;
}

// Every text a player sees, by control, so a switched window can be held against one started that way.
std::map<std::string, std::string> shownTexts(const Mainfrm& g) {
    std::map<std::string, std::string> texts;
    std::function<void(const Control&)> walk = [&](const Control& c) {
        if (!c.visible()) return;
        if (auto* l = dynamic_cast<const Label*>(&c)) texts[c.name() + std::to_string(c.index())] = l->caption();
        if (auto* b = dynamic_cast<const Button*>(&c)) texts[c.name()] = b->caption();
        if (auto* o = dynamic_cast<const OptionButton*>(&c)) texts[c.name()] = o->caption();
        if (auto* t = dynamic_cast<const TextBox*>(&c)) texts[c.name()] = t->text();
        for (const Control* k : c.children()) walk(*k);
    };
    for (const Control* c : g.topLevel()) walk(*c);
    return texts;
}

// The options panel by keyboard alone: each row changes what it names at once and keeps it.
TEST(Settings, TheOptionsPanelChangesEachSettingAtOnceAndTheLanguageSwitchesEveryText) {
    testing::TempFolder folder("options");
    struct Screen : ScreenControl {
        bool full = false, smooth = true;
        bool fullScreen() const override { return full; }
        void setFullScreen(bool on) override { full = on; }
        void setSmooth(bool s) override { smooth = s; }
    } screen;
    Desktop d = testing::englishDesktop("", folder.path);
    d.mapPorts = true;
    testing::Started h(d);
    Mainfrm& g = h.game;
    g.optionsPanel().attachScreen(&screen);
    g.click(g.options);
    ASSERT_TRUE(g.Frame6.visible());
    g.click(*g.find("optvolume")), g.click(*g.find("optvolume"));  // a click at 100 goes round to 0, then 10
    EXPECT_EQ(g.sound.volume(), 10);
    g.keyDown(Key::Up), g.keyDown(Key::Down), g.keyDown(Key::Down), g.keyDown(Key::Up);  // round to Back and back
    for (int i = 0; i < 9; ++i) g.keyDown(Key::Right);                                   // 100
    g.keyDown(Key::Left);                                                                // volume 90, with a sample
    for (int i = 0; i < 10; ++i) g.keyDown(Key::Left);  // ten steps down stop at 0, nine up come back
    EXPECT_EQ(g.sound.volume(), 0);
    for (int i = 0; i < 9; ++i) g.keyDown(Key::Right);
    EXPECT_TRUE(g.sound.volume() == 90 && h.effectLog.back() == effect::Bell);
    g.keyDown(Key::Down), g.keyDown(Key::Enter);  // mute: nothing more sounds, and the note shows below the panel
    g.PlayEffect(effect::Bell);
    EXPECT_EQ(g.controlAt(400, int(g.Label8(1).top()) + 20), &g.Label8(1));
    g.keyDown(Key::Down), g.keyDown(Key::Right);  // Čeština: the banner's own words, back after the note, too
    h.loop.runFor(2000);
    EXPECT_TRUE(g.sound.playingId() == 0 && g.state.CzechUi == True && g.Label8(1).caption() == "Vytvářím hru..." &&
                g.Label8(1).top() == Banner::kBannerTop);
    // Each next row: full screen, whole multiples, numbers, shot trace, the expert computer, hosting leaves the
    // router alone; the port.
    for (int key : {Key::Enter, Key::Right, Key::Enter, Key::Enter, Key::Right, Key::Enter}) g.keyDown(Key::Tab), g.keyDown(key);
    g.keyDown(Key::Tab);
    for (char c : std::string("8123")) g.typeChar(c);
    // M in a box types, only; F11 gives back the window, as the row says at once and the file keeps.
    g.keyDown(Key::M), g.typeChar('m'), g.keyDown(Key::F11);
    EXPECT_TRUE(!screen.full && static_cast<Button*>(g.find("optfull"))->caption() == "Celá obrazovka: ne" &&
                testing::readText(folder.path + "/settings.ini").find("window.fullscreen = no\n") != std::string::npos);
    g.keyDown(Key::F11);
    EXPECT_TRUE(g.muted && screen.full && !screen.smooth && g.hostPort == 8123 && !g.desktop.mapPorts &&
                static_cast<TextBox*>(g.find("optport"))->text() == "8123m");
    const std::string file = testing::readText(folder.path + "/settings.ini");
    for (const char* kept :
         {"sound.volume = 90\n", "sound.mute = yes\n", "language = cs\n", "window.fullscreen = yes\n", "window.scaling = whole\n",
          "view.numbers = yes\n", "view.trace = yes\n", "computer.level = expert\n", "net.router = no\n", "net.port = 8123\n"})
        EXPECT_NE(file.find(kept), std::string::npos) << kept << file;
    // Switched while running, every text reads as in a window that started in that language.
    auto started = [&](const char* language) {
        g.keyDown(Key::Escape);
        h.loop.runFor(2000);  // the note on the banner is gone
        testing::Started fresh(d);
        fresh.game.click(fresh.game.options);
        g.click(g.options);
        EXPECT_EQ(shownTexts(g), shownTexts(fresh.game)) << language;
    };
    started("cs");
    g.keyDown(Key::Down), g.keyDown(Key::Down), g.keyDown(Key::Right);  // English
    started("en");
    g.keyDown(Key::Escape);
    EXPECT_TRUE(g.options.caption() == "Options" && !g.Frame6.visible());
    // The pad alone: down the menu to Options, A opens it, Right turns the volume up and stops at 100, B goes back.
    const int pad = g.pads().plug();
    auto tap = [&](PadButton b) { g.pads().press(pad, b), g.pads().release(pad, b); };
    for (int i = 0; i < 8 && g.defaultButton() != &g.options; ++i) tap(PadButton::Down);
    tap(PadButton::A);
    tap(PadButton::Right), tap(PadButton::Right);
    EXPECT_TRUE(g.Frame6.visible() && g.sound.volume() == 100);
    tap(PadButton::B);
    EXPECT_FALSE(g.Frame6.visible());
}

}  // namespace
}  // namespace gv
