#pragma once
// A whole game in the headless window model under the virtual clock.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "game/battleview.h"
#include "game/mainfrm.h"
#include "platform/program.h"
#include "game/netplay.h"
#include "game/aimpanels.h"
#include "computer/player.h"
#include "game/gauges.h"
#include "game/helppanel.h"
#include "game/banner.h"
#include "game/levelspanel.h"
#include "game/records.h"
#include "game/worldbuilder.h"
#include "net/link.h"

namespace gv::testing {

// An English system's desktop; its battles recorded into `replays` and its settings kept in `settings`, when given.
inline Desktop englishDesktop(const std::string& replays = "", const std::string& settings = "") {
    Desktop d;
    d.languageSettings = [] { return LanguageSettings{{"en_GB.UTF-8"}, "en_US.UTF-8", {"us"}}; };
    d.openUrl = [](const std::string&) {};
    d.replayFolder = replays, d.settingsFolder = settings;
    return d;
}

// The turn is idle: nothing of a build-up, a shot, its hand-over or an explosion runs (a crate may
// still be falling: the player may fire meanwhile).
inline bool idle(const Mainfrm& g) {
    return g.state.WorldBusy == False && !g.hideit.enabled() && !g.showit.enabled() && g.showit.interval() == 1 &&
           !g.bullettimer.enabled() && !g.tankexpl.enabled() && !g.net().shotHeld;
}

// `player` holds weapon `kind` for the next shot, as if won from a crate (0 is the standard shell).
inline void arm(Mainfrm& g, int kind, int player = 1) {
    g.state.weapon(player) = kind;
    g.gauges().ShowSlots();
}

// A generator seeded with `seed` after its start state.
inline Random seeded(double seed) {
    Random r;
    r.seed(seed);
    return r;
}

// `player`'s boxes hold `force` and `angle`, as if typed.
inline void aim(Mainfrm& g, int player, const std::string& force, const std::string& angle) {
    (player == 1 ? g.sila1 : g.sila2).setText(force);
    (player == 1 ? g.uhel1 : g.uhel2).setText(angle);
}

// A timer that runs `onTimer` every `ms` from now on.
struct Every : Timer {
    Every(EventLoop& loop, std::string name, int ms, std::function<void()> f) : Timer(loop, std::move(name), ms) {
        onTimer = std::move(f);
        setEnabled(true);
    }
};

// The file a UTF-8 name names, whatever the system's code page (a test's own way to the disk, not the game's).
inline std::filesystem::path onDisk(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// A folder of its own under the system's temporary folder, removed with this; `path` is UTF-8.
struct TempFolder {
    std::string path;
    explicit TempFolder(const std::string& name) {
        const std::u8string text =
            (std::filesystem::temp_directory_path() / onDisk("gorvath-" + name + "-" + std::to_string(::getpid()))).u8string();
        path.assign(text.begin(), text.end());
        std::filesystem::remove_all(onDisk(path));
        std::filesystem::create_directories(onDisk(path));
    }
    ~TempFolder() { std::filesystem::remove_all(onDisk(path)); }
};

inline std::string readText(const std::string& path) {
    std::ifstream in(onDisk(path), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeText(const std::string& path, const std::string& text) { std::ofstream(onDisk(path), std::ios::binary) << text; }

struct QuietAudio {
    QuietAudio() { SetEnvironment("SDL_AUDIODRIVER", "dummy", false); }
};

// One game with its own clock; tests that compare two runs build two of these.
struct Headless : Mainfrm::Onlooker {
    QuietAudio quiet;
    VirtualDriver clock{12 * 3600.0};
    EventLoop loop{&clock};
    Mainfrm game;
    std::vector<int> effectLog;            // every effect the game asked for, in order
    Mainfrm::ComputerThought lastThought;  // what the computer thought in its last turn

    explicit Headless(Desktop desktop = englishDesktop()) : game(loop, std::move(desktop)) { game.setOnlooker(this); }
    void EffectPlayed(int id) override { effectLog.push_back(id); }
    void ComputerThinks(const Mainfrm::ComputerThought& t) override { lastThought = t; }

    // Start-up as the program does it, then let the intro finish.
    void start() { game.Form_Load(), loop.runFor(1500); }
    // New Game with the generator put into a known state first.
    void newBattle(double seed) {
        game.random.reset(), game.random.seed(seed);
        if (!game.Frame3.visible()) game.keyDown(Key::Escape);  // the menu, as a player gets it
        ASSERT_TRUE(game.novahra.enabledOnScreen());
        game.click(game.novahra);
    }
    // The turn's player presses space; the loop runs until the next player is armed (or the battle ended).
    void fireAndWait() {
        game.keyDown(Key::Space);
        waitHandOver();
    }
    void waitHandOver() {
        loop.waitUntil([&] { return idle(game) && !game.bonusfalltimer.enabled(); });
    }
};

// One already started, its intro over.
struct Started : Headless {
    explicit Started(Desktop desktop = englishDesktop()) : Headless(std::move(desktop)) { start(); }
};

struct GameTest : ::testing::Test, Headless {
    // A 64-bit FNV-1a hash of ground, canvas and sprite places, to pin a whole battlefield in one number.
    std::uint64_t battlefieldHash() const {
        std::uint64_t h = 1469598103934665603ULL;
        auto add = [&](std::uint64_t v) {
            for (int i = 0; i < 8; ++i) h = (h ^ ((v >> (8 * i)) & 255)) * 1099511628211ULL;
        };
        for (int x = -1; x <= 800; ++x) add(std::uint64_t(game.state.Ground(x)));
        for (Colour c : game.world.pixels()) add(std::uint64_t(c));
        for (const Control* c : game.world.children())
            if (c->visible()) add(std::uint64_t(c->left() * 15)), add(std::uint64_t(c->top() * 15));
        return h;
    }
};

// A battle on a flat, empty field, so a shot's result can be worked out by hand.
struct BattleTest : GameTest {
    void SetUp() override {
        start();
        newBattle(17);
        flatten(400);
    }
    void flatten(int row) {
        for (int x = -1; x <= 800; ++x) game.state.Ground(x) = std::int16_t(row);
        game.state.Trees.clear(), game.ShowTrees();
        game.sun.setVisible(false), game.moon.setVisible(false), game.state.SunUp = game.state.MoonUp = False;
        game.builder().SeatTank(game.tank1, 20), game.builder().SeatTank(game.tank2, 740);
        game.state.Wind = 0;
    }
    void arm(int kind, int player = 1) { testing::arm(game, kind, player); }
    // The rules' parts of a shot, played on this battle and shown in its window.
    bool column(double x, double y) {
        BattleView view(game);
        return battle::ColumnTest(game.state, game.random, view, x, y);
    }
    void contact(int kind, double x, double y) {
        BattleView view(game);
        battle::GroundContact(game.state, game.random, view, kind, x, y);
    }
    void aftermath() {
        BattleView view(game);
        battle::Aftermath(game.state, game.random, view);
    }
    void rollExplode(double x) {
        BattleView view(game);
        battle::RollExplode(game.state, game.random, view, x);
    }
    void aim(int player, const std::string& force, const std::string& angle) { testing::aim(game, player, force, angle); }
    // Fires and runs until the shell timer has ticked `ticks` times.
    void fireAndTick(int ticks) {
        game.keyDown(Key::Space);
        loop.waitUntil([&] { return game.bullettimer.enabled(); });
        for (int i = 0; i < ticks; ++i) loop.runFor(40);
    }
};

}  // namespace gv::testing
