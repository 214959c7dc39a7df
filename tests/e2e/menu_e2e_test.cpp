// The real program in a real window: its menu, a battle, and the window at any size.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "assets/pictures.h"
#include "desktop.h"
#include "game/language.h"
#include "platform/locale.h"

// Xlib's macros after every header of ours.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace gv::e2e {
namespace {

TEST(DesktopE2E, TheMenuOpensAndNewGameBuildsTheBattlefieldInView) {
    Game g;
    if (!g.start(GORVATH_BINARY)) GTEST_SKIP() << "Xvfb is not available";
    // The window fills the 800 x 600 screen; the green title and the rule under it are drawn once the menu
    // is up, and around it the intro sky has been drawn over the grey canvas.
    Screenshot menu = g.waitMenu();
    EXPECT_TRUE(atMenu(menu) && menu.at(750, 5) != 0x808080u) << "the title \"Gorvath\" in green is not on a drawn sky";
    EXPECT_GE(menu.count(0x00FF00, 240, 184, 560, 186), 300);
    // A second copy while the first runs ends at once, with status 0 and no window.
    Process second({GORVATH_BINARY}, {"DISPLAY=" + g.desk.display(), "SDL_AUDIODRIVER=dummy", "XDG_RUNTIME_DIR=" + g.runtime});
    EXPECT_EQ(second.waitExit(3000), 0);

    g.desk.click(400, 228);  // New Game
    Screenshot building = g.waitFor([](const Screenshot& s) { return s.count(0x00FF00, 240, 136, 561, 180) < 200; }, 10);
    Screenshot shot = g.waitArmed(1);
    ASSERT_TRUE(g.process->running());
    EXPECT_GT(shown(shot, *assets::picture("fbutt1"), 224, 8), 0.95) << "player 1's fire button is not armed";
    EXPECT_GT(shown(shot, *assets::picture("fbutt2"), 504 + 8, 8), 0.95) << "player 2's fire button is missing";
    // The player watched it being built: as the menu went, much of the lower half was still to come.
    EXPECT_GT(building.differs(shot, 0, 300, 800, 600, 3), 500) << "the battlefield appeared all at once";
}

// The Windows program under Wine opens the same menu at the same size as the Linux program (its intro sky is
// its own draw), and New Game builds a battlefield there. The panel and the link under it are the same pixel
// for pixel.
TEST(DesktopE2E, TheWindowsProgramUnderWineShowsTheSameMenu) {
    if (!WindowsGame::program()) GTEST_SKIP() << "GORVATH_WINDOWS_PROGRAM names no Windows build to run under Wine";
    Game onLinux;
    WindowsGame windows;
    if (!onLinux.start(GORVATH_BINARY) || !windows.start(WindowsGame::program())) GTEST_SKIP() << "no display";
    const Screenshot a = onLinux.waitMenu(), b = windows.waitMenu(60);
    ASSERT_TRUE(atMenu(b)) << "the Windows program shows no menu";
    const bool same = a.differs(b, 240, 136, 561, 487) == 0;
    if (!same) a.savePng(GORVATH_SHOTS "/menu-linux.png"), b.savePng(GORVATH_SHOTS "/menu-windows.png");
    EXPECT_TRUE(same) << "the menus differ: " GORVATH_SHOTS "/menu-linux.png and menu-windows.png";
    windows.desk.click(400, 228);  // New Game
    EXPECT_TRUE(armed(windows.waitArmed(1, 60), 1)) << "no battle on Windows";
}

// The display's keyboard layouts are read in their order, through the same desktop parts the program loads,
// as the desktop publishes them (rules, model, layouts, variants, options): a Czech layout first on an
// English system gives the Czech interface.
TEST(DesktopE2E, TheDisplaysKeyboardLayoutsAreReadInTheirOrder) {
    Desktop desk;
    if (!desk.ok()) GTEST_SKIP() << "Xvfb is not available";
    Display* x = XOpenDisplay(desk.display().c_str());
    ASSERT_NE(x, nullptr);
    const char* before = std::getenv("DISPLAY");
    const std::string kept = before ? before : "";
    setenv("DISPLAY", desk.display().c_str(), 1);
    for (const std::string layouts : {"us,cz", "cz,,us"}) {
        const std::string names = std::string("evdev\0pc105\0", 12) + layouts + std::string("\0\0\0", 3);
        XChangeProperty(x, DefaultRootWindow(x), XInternAtom(x, "_XKB_RULES_NAMES", False), XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(names.data()), int(names.size()));
        XSync(x, False);
        LanguageSettings s = readLanguageSettings();
        const bool czech = layouts[0] == 'c';
        EXPECT_EQ(s.keyboardLayouts, (std::vector<std::string>{czech ? "cz" : "us", czech ? "us" : "cz"})) << layouts;
        s.userLanguages = {"en_US.UTF-8"}, s.systemLanguage = "en_US.UTF-8";
        EXPECT_EQ(czechInterface(s), czech) << layouts;
    }
    before ? setenv("DISPLAY", kept.c_str(), 1) : unsetenv("DISPLAY");
    XCloseDisplay(x);
}

// The game window's size, or with `place` where it is on the screen.
std::pair<int, int> windowSize(const Desktop& d, bool place = false) {
    std::string g = d.window("getwindowgeometry --shell");
    auto field = [&g](const char* name) {
        auto at = g.find(name);
        return at == std::string::npos ? -1 : std::atoi(g.c_str() + at + std::strlen(name));
    };
    return place ? std::pair{field("X="), field("Y=")} : std::pair{field("WIDTH="), field("HEIGHT=")};
}

// The menu at `scale` times its size, `left` pixels from the screen's edge: its green title is up.
bool menuAt(const Screenshot& s, int scale, int left = 0) {
    return s.count(0x00FF00, left + 240 * scale, 136 * scale, left + 561 * scale, 180 * scale) >= 200 * scale * scale;
}

// Asks the X server for a window size and waits until the game shows `ready` in two screenshots alike (a
// busy machine may show a frame scaled for the old size first); a request that a busy server dropped is
// asked again.
Screenshot resize(Game& g, const std::string& geometry, const std::function<bool(const Screenshot&)>& ready) {
    Screenshot s, last;
    auto settled = [&](const Screenshot& now) { return ready(now) && std::exchange(last, now).rgb == now.rgb; };
    for (int attempt = 0; attempt < 3; ++attempt) {
        g.desk.window(geometry);
        s = g.waitFor(settled, 10);
        if (ready(s)) break;
    }
    return s;
}

// The menu at 800 x 600 and then at twice that: the same picture, and its buttons still work.
void expectTwiceTheSize(Game& g) {
    Screenshot small =
        resize(g, "windowmove 0 0 windowsize 800 600", [](const Screenshot& s) { return menuAt(s, 1) && s.at(900, 100) == 0; });
    ASSERT_TRUE(menuAt(small, 1)) << "the window did not shrink to 800 x 600";
    Screenshot big = resize(g, "windowsize 1600 1200", [](const Screenshot& s) { return menuAt(s, 2); });
    ASSERT_TRUE(menuAt(big, 2)) << "the window did not grow to 1600 x 1200";
    // At twice the size every pixel of the menu panel is a 2 x 2 block of the small one's, but for the
    // texts, which are drawn anew at the larger size (about a sixth of the panel).
    int same = 0, all = 0;
    for (int y = 136; y < 449; ++y)
        for (int x = 240; x < 561; ++x, ++all)
            same += big.at(2 * x, 2 * y) == small.at(x, y) && big.at(2 * x + 1, 2 * y + 1) == small.at(x, y);
    EXPECT_GT(same, all * 3 / 4);
    // The scaled Credits button opens the credits.
    auto creditsOpen = [&big](const Screenshot& s) { return s.differs(big, 2 * 240, 2 * 192, 2 * 560, 2 * 432, 4) > 3000; };
    g.desk.click(660, 696);
    EXPECT_TRUE(creditsOpen(g.waitFor(creditsOpen, 10))) << "the credits did not open";
    g.desk.click(800, 800);  // Back
}

// A key to the game's window, focused: F11 for full screen or back.
void press(Game& g, const char* key) {
    g.desk.window("windowactivate --sync");
    g.desk.key(key);
}

// Openbox on the game's screen, once it runs the desktop and has framed the game's window (moved it down
// under a title bar). A busy machine may take a while to start it; one that dies young is started again.
// Nothing when it never did; its log is kept.
std::unique_ptr<Process> startWindowManager(Game& g) {
    const std::string onScreen = "DISPLAY=" + g.desk.display() + " ";
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto wm =
            std::make_unique<Process>(std::vector<std::string>{"openbox"},
                                      std::vector<std::string>{"DISPLAY=" + g.desk.display()}, GORVATH_SHOTS "/openbox.log");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(45);
        while (wm->running() && std::chrono::steady_clock::now() < deadline) {
            if (run(onScreen + "xdotool get_desktop >/dev/null 2>&1").first == 0 && windowSize(g.desk, true).second > 0)
                return wm;
            sleepMs(100);
        }
    }
    return nullptr;
}

TEST(DesktopE2E, WindowScalesToAnySizeAndGoesFullScreen) {
    Game g(2000, 1600);
    if (!g.start(GORVATH_BINARY)) GTEST_SKIP() << "Xvfb is not available";
    // Two whole multiples fit in 85 % of a 2000 x 1600 desktop: the window opens at 1600 x 1200.
    EXPECT_EQ(windowSize(g.desk), std::make_pair(1600, 1200));
    expectTwiceTheSize(g);

    // 1000 x 600: the picture at its own size between black bars; New Game starts a battle.
    resize(g, "windowsize 1000 600",
           [](const Screenshot& s) { return menuAt(s, 1, 100) && s.at(50, 300) == 0 && s.at(950, 300) == 0; });
    g.desk.click(500, 228);
    Screenshot battle = g.waitArmed(1, 30, 100);
    EXPECT_GT(shown(battle, *assets::picture("fbutt1"), 324, 8), 0.95) << "no battle after New Game";
    EXPECT_EQ(battle.at(50, 300), 0u);

    // F11: the whole screen, the picture 2.5 times its size between bars above and below; F11 again: back.
    // Full screen is the window manager's to give.
    const auto wm = startWindowManager(g);
    ASSERT_TRUE(wm) << "openbox did not frame the window; its log: " GORVATH_SHOTS "/openbox.log";
    auto fullScreen = [](const Screenshot& s) { return s.at(1000, 25) == 0 && s.at(1000, 800) != 0; };
    auto windowed = [](const Screenshot& s) { return s.at(1500, 800) == 0; };
    // The window's size once the screen shows it full screen or windowed.
    auto sizeWhen = [&](bool (*shown)(const Screenshot&)) { return g.waitFor(shown, 10), windowSize(g.desk); };
    press(g, "F11");
    EXPECT_EQ(sizeWhen(fullScreen), std::make_pair(2000, 1600));
    press(g, "F11");
    EXPECT_TRUE(sizeWhen(windowed) == std::make_pair(1000, 600) && g.process->running());

    // The volume down a step in the options; the panel as it shows then must come back after a restart,
    // and the window in the same place. Places are the window's own: a window manager frames it.
    const auto place = windowSize(g.desk, true);
    auto panelPixels = [&place](const Screenshot& s, int top = 188, int bottom = 420) {  // its rows
        return s.region(place.first + 380, place.second + top, place.first + 620, place.second + bottom);
    };
    auto optionsPanel = [&](const Screenshot& menu) {  // the volume's row differs from the menu's picture
        g.desk.click(place.first + 566, place.second + 348);
        return g.waitFor([&](const Screenshot& s) { return panelPixels(s, 188, 221) != panelPixels(menu, 188, 221); }, 10);
    };
    auto menuShown = [&place](const Screenshot& s) { return menuAt(s, 1, place.first + 100); };
    g.desk.key("Escape");
    const Screenshot opened = optionsPanel(g.waitFor(menuShown, 10));
    g.desk.key("Left");
    const Screenshot quieter =
        g.waitFor([&](const Screenshot& s) { return panelPixels(s, 188, 221) != panelPixels(opened, 188, 221); }, 5);
    g.desk.key("Escape");
    // Full screen once more, closed by the window manager, and started again: full screen it opens, and
    // F11 gives back the window as it was.
    for (int attempt = 0; attempt < 3 && !fullScreen(g.desk.screenshot()); ++attempt)  // a busy WM may drop a key
        press(g, "F11"), g.waitFor(fullScreen, 5);
    press(g, "alt+F4");
    ASSERT_EQ(g.process->waitExit(10000), 0) << "the game did not close";
    ASSERT_TRUE(g.start(GORVATH_BINARY));
    EXPECT_EQ(sizeWhen(fullScreen), std::make_pair(2000, 1600)) << "not full screen again";
    press(g, "F11");
    EXPECT_TRUE(sizeWhen(windowed) == std::make_pair(1000, 600) && windowSize(g.desk, true) == place)
        << "the window's size was not kept, or it moved";
    EXPECT_TRUE(panelPixels(optionsPanel(g.waitFor(menuShown, 10))) == panelPixels(quieter))
        << "the options do not show the volume set before the restart";
}

// The players line of the newest battle record: who the battle was against.
std::string newestPlayers(const std::string& dataHome) {
    const auto newest = std::ranges::max(std::filesystem::directory_iterator(dataHome + "/gorvath/replays"), {},
                                         [](const auto& f) { return f.path().filename(); });
    std::ifstream in(newest.path());
    std::string line, players = "players human normal";  // not written for the usual opponent
    while (std::getline(in, line))
        if (line.rfind("players ", 0) == 0) players = line;
    return players;
}

// "1 vs. AI" only chooses the mode; each level chosen in the options is the opponent then (kept in the
// settings: the settings test keeps the level, the window test keeps them across a restart).
TEST(DesktopE2E, EachLevelChosenInTheOptionsIsTheOpponent) {
    Game g;
    if (!g.start(GORVATH_BINARY)) GTEST_SKIP() << "Xvfb is not available";
    const Screenshot menu = g.waitMenu();
    // The menu's buttons, where the options and the levels' panel lie over them; the mode buttons' row.
    auto region = [](const Screenshot& s, int y0 = 190, int y1 = 300) { return s.region(280, y0, 520, y1, 2); };
    g.desk.click(400, 260);  // 1 vs. AI
    const Screenshot chosen = g.waitFor([&](const Screenshot& s) { return region(s, 248, 274) != region(menu, 248, 274); }, 10);
    EXPECT_EQ(region(chosen, 190, 246), region(menu, 190, 246)) << "more than the mode changed";
    const char* names[] = {"practice", "beginner", "normal", "expert"};
    for (int level = 0; level < 4; ++level) {
        const Screenshot before = g.waitFor([&](const Screenshot& s) { return atMenu(s); }, 10);
        g.desk.click(466, 348);  // Options
        const Screenshot options = g.waitFor([&](const Screenshot& s) { return region(s) != region(before); }, 10);
        g.desk.click(400, 372);  // its row "1 vs. AI: ...", which opens the levels
        g.waitFor([&](const Screenshot& s) { return region(s) != region(options); }, 10);
        g.desk.click(400, 204 + 46 * level);
        g.desk.key("Escape");  // the options closed
        g.waitFor([&](const Screenshot& s) { return region(s) == region(before); }, 10);
        g.desk.click(400, 228);  // New Game
        g.waitArmed(1);
        EXPECT_EQ(newestPlayers(g.dataHome.empty() ? g.runtime : g.dataHome), std::string("players human ") + names[level]);
        g.desk.key("Escape");
    }
}

}  // namespace
}  // namespace gv::e2e
