#pragma once
// A real X display (Xvfb) for end-to-end tests of the real binary: start it, run programs on it, take
// screenshots, click and type. Skips the test when Xvfb is not installed.
#include <sys/types.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/picture.h"

namespace gv::e2e {

struct Screenshot {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;  // 3 bytes a pixel
    std::uint32_t at(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return 0xFFFFFFFFu;  // no such pixel
        const std::uint8_t* p = &rgb[(std::size_t(y) * width + x) * 3];
        return p[0] | p[1] << 8 | p[2] << 16;
    }
    int count(std::uint32_t colour, int x0, int y0, int x1, int y1) const;
    // Every `step`-th pixel of every `step`-th row from (x0, y0) to before (x1, y1), row by row; how many of
    // them differ from those of `other`.
    std::vector<std::uint32_t> region(int x0, int y0, int x1, int y1, int step = 1) const;
    int differs(const Screenshot& other, int x0, int y0, int x1, int y1, int step = 1) const;
    bool savePng(const std::string& path) const;
};

class Desktop {
public:
    // A screen of its own; at 800 x 600 the game's window covers it exactly.
    explicit Desktop(int width = 800, int height = 600);
    ~Desktop();
    bool ok() const { return pid_ > 0; }
    const std::string& display() const { return display_; }
    Screenshot screenshot() const;
    void click(int x, int y) const;
    void key(const std::string& name) const;  // xdotool key names: "space", "Return", "Up"
    // xdotool commands on the game's window, found by its class; their output.
    std::string window(const std::string& commands, const std::string& windowClass = GORVATH_APP_ID) const;

private:
    int width_, height_;
    pid_t pid_ = -1;
    std::string display_;
};

class Process {
public:
    // Runs `argv` with `env` added to the environment; stdout and stderr go to `log` when given.
    Process(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& log = "");
    ~Process();
    bool running();
    // Waits up to `ms` for the process to end; its exit status, or -1 when it is still running.
    int waitExit(int ms);
    void kill();
    pid_t pid() const { return pid_; }  // for a signal of the test's own (SIGSTOP, SIGCONT)

private:
    pid_t pid_ = -1;
    int status_ = -1;
};

// One copy of the game on a screen of its own.
struct Game {
    Desktop desk;
    std::string runtime;
    std::string dataHome;           // $XDG_DATA_HOME, where it records its battles (`runtime` when empty)
    std::vector<std::string> args;  // its command line after the program's name
    std::unique_ptr<Process> process;
    // What runs the program (Wine for the Windows one), the environment it adds, and its window's class.
    std::vector<std::string> launcher, env;
    std::string windowClass = GORVATH_APP_ID;

    explicit Game(int screenWidth = 800, int screenHeight = 600);
    bool start(const char* binary);
    // Waits until `ready` holds for a screenshot; the last screenshot (saved when the wait timed out).
    Screenshot waitFor(const std::function<bool(const Screenshot&)>& ready, int seconds);
    // Waits until `player`'s fire button is armed (the picture `left` pixels from the screen's edge).
    Screenshot waitArmed(int player, int seconds = 30, int left = 0);
    // Waits until the menu's green title is on screen over a drawn sky; the last screenshot.
    Screenshot waitMenu(int seconds = 15);
};

// The Windows program under Wine in a fresh Wine prefix of its own (made at its first start), when
// GORVATH_WINDOWS_PROGRAM names it (scripts/windows builds it); its files are in the prefix's roaming
// application data.
struct WindowsGame : Game {
    std::string prefix;
    WindowsGame();
    static const char* program();  // nullptr when there is none to run
    std::string appData() const;   // its %APPDATA%\Gorvath
};

// The share of `pic`'s opaque pixels that the screen shows exactly when it is drawn at (left, top).
double shown(const Screenshot& shot, const Picture& pic, int left, int top);
// Whether `player`'s fire button shows armed; whether the menu's green title is over a drawn sky.
bool armed(const Screenshot& shot, int player, int left = 0);
bool atMenu(const Screenshot& shot);
// The share of the screen from row `top` down that two screenshots show alike (0 for different sizes).
double alike(const Screenshot& a, const Screenshot& b, int top);
// A shell command's exit status and what it wrote to its standard output.
std::pair<int, std::string> run(const std::string& command);

// Playing a battle to its end through the window. The expert's aim for the turn a battle's record has come
// to, worked out on the battle alone (the record computed again, then the expert's search on a copy of its
// battle), with the aim the player's boxes hold before it. Nothing while the record cannot be read (a line
// still being written), the battle is over or no one is armed in it.
struct PlannedShot {
    int player = 0;
    int force = 0, angle = 0;           // the expert's aim (only its whole part is ever fired)
    int boxForce = 100, boxAngle = 45;  // the boxes' aim now: the player's last shot, or the battle's first
};
std::optional<PlannedShot> ExpertShotAfter(const std::string& record);
// Plays the battle on to its end: player `keyed` fires the expert's aims, stepped into its boxes with the
// arrow keys as a player does, the other fires whatever its boxes hold. Player p fires on `copies[p - 1]`
// (the same game for a hot-seat battle), `record` gives the keyed copy's record. At most `shots` shots;
// the record's last line: "end ..." when the battle ended.
std::string PlayToTheEnd(const std::array<Game*, 2>& copies, int keyed, const std::function<std::string()>& record, int shots);

std::string tempDir(const std::string& prefix);
// The newest file in `folder` (records are named by their start): "" when there is none.
std::string newestIn(const std::string& folder);
std::string lastLineOf(const std::string& path);
// Moves this test's process into a network namespace of its own with only its loopback, which is up:
// what it and the programs it starts send stays in there. False when the system does not let it.
bool ownNetwork();
void sleepMs(int ms);

}  // namespace gv::e2e
