// Prints what the real game costs in a real window, on a screen of its own under Xvfb: the time from
// launch to the first painted frame (the median of several launches), the CPU it uses over 10 s at the idle menu, and over 10 s
// while a battle waits for player 1's shot (the turn arrow bobbing) in windows of 1x and 2x the picture and of two fractional
// sizes between, how often its threads wake, its resident memory (now and at its peak) and its threads. Usage: bench_window [path
// to gorvath] [seconds per state] [launches]. Prints; never fails on a figure.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <algorithm>
#include <string>
#include <vector>

#include "assets/pictures.h"
#include "desktop.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// The game with folder `home` for its settings, battles and runtime files, its window `width` x `height`
// in the screen's corner, as a player's settings would have it.
pid_t launch(const std::string& binary, const std::string& display, const std::string& home, int width, int height) {
    std::filesystem::create_directories(home + "/gorvath");
    std::ofstream(home + "/gorvath/settings.ini")
        << "gorvath-settings 1\nwindow.width = " << width << "\nwindow.height = " << height << "\n";
    std::fflush(stdout);  // or the child prints what is waiting in the buffer too
    pid_t pid = fork();
    if (pid != 0) return pid;
    setpgid(0, 0);
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    for (const char* dir : {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) setenv(dir, home.c_str(), 1);
    setenv("LANG", "en_US.UTF-8", 1);
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
    _exit(127);
}

// The process's CPU seconds (user and system, all threads) from /proc.
double cpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(in, stat);  // one line
    std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(stat.substr(close + 2));
    std::string f;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> f; ++i) {
        if (i == 14) utime = std::stoull(f);
        if (i == 15) stime = std::stoull(f);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

std::string statusField(pid_t pid, const char* name) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(name, 0) == 0) {
            std::string v = line.substr(std::strlen(name));
            return v.substr(v.find_first_not_of(" \t"));
        }
    return "?";
}

// Whether the screen's middle shows the game's picture: the bare screen is Xvfb's black and white weave,
// and a mapped window not yet painted is black. Six rows of the screen are read straight from the X
// server, a few milliseconds apart, so the figure is as fine as the polling.
bool painted(Display* x) {
    int coloured = 0;
    for (int y = 150; y < 450; y += 50) {
        XImage* row = XGetImage(x, DefaultRootWindow(x), 100, y, 600, 1, AllPlanes, ZPixmap);
        if (!row) return false;
        for (int i = 0; i < 600; i += 50) {
            const unsigned long px = XGetPixel(row, i, 0) & 0xFFFFFFul;
            coloured += px != 0 && px != 0xFFFFFFul;
        }
        XDestroyImage(row);
    }
    return coloured > 30;
}

// How often the process's threads went to sleep and woke again, all threads together.
long long wakeUps(pid_t pid) {
    long long n = 0;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task/";
    std::error_code ec;
    for (const auto& task : std::filesystem::directory_iterator(tasks, ec)) {
        std::ifstream in(task.path() / "status");
        for (std::string line; std::getline(in, line);)
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0) n += std::stoll(line.substr(24));
    }
    return n;
}

void report(const std::string& state, pid_t pid, double seconds) {
    double cpu0 = cpuSeconds(pid);
    const long long wakes0 = wakeUps(pid);
    auto t0 = Clock::now();
    while (secondsSince(t0) < seconds) gv::e2e::sleepMs(100);
    double cpu = cpuSeconds(pid) - cpu0, wall = secondsSince(t0);
    std::printf("%s: %.1f %% of a core (%.2f s CPU over %.1f s), %.0f wake-ups a second; resident %s (peak %s), %s threads\n",
                state.c_str(), 100.0 * cpu / wall, cpu, wall, double(wakeUps(pid) - wakes0) / wall,
                statusField(pid, "VmRSS:").c_str(), statusField(pid, "VmHWM:").c_str(), statusField(pid, "Threads:").c_str());
}

// The share of `pic`'s opaque pixels shown where the picture drawn at (left, top) lands at scale `k`, each
// looked at in the middle of its output pixels; a fractional scale may show a neighbour there instead.
double shownAt(const gv::e2e::Screenshot& shot, const gv::Picture& pic, int left, int top, double k) {
    int opaque = 0, same = 0;
    const gv::Picture::PixelsRef held = pic.pixels();  // unpacked once for all the looks below
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            if (gv::Picture::alphaOf(pic.at(x, y)) != 255) continue;
            ++opaque;
            const std::uint32_t seen = shot.at(int((left + x + 0.5) * k), int((top + y + 0.5) * k));
            bool found = false;
            for (int v = std::max(0, y - 1); v <= std::min(pic.height - 1, y + 1); ++v)
                for (int u = std::max(0, x - 1); u <= std::min(pic.width - 1, x + 1); ++u)
                    found = found || (pic.at(u, v) & 0xFFFFFF) == seen;
            same += found;
        }
    return opaque ? double(same) / opaque : 0;
}

// Launches the game in a window of `width` x `height` and waits for its first painted frame: the seconds
// from the launch, or -1 when nothing was painted in 10 s; the polls of the screen in `looks`.
double firstFrame(const gv::e2e::Game& g, const std::string& binary, const std::string& home, int width, int height, pid_t& pid,
                  int& looks) {
    Display* screen = XOpenDisplay(g.desk.display().c_str());
    if (!screen) return -1;
    const auto t0 = Clock::now();
    pid = launch(binary, g.desk.display(), home, width, height);
    double first = -1;
    for (looks = 0; secondsSince(t0) < 10 && first < 0; ++looks) {
        if (painted(screen))
            first = secondsSince(t0);
        else
            gv::e2e::sleepMs(2);
    }
    XCloseDisplay(screen);
    return first;
}

void stop(pid_t pid) {
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// The first painted frame of `launches` launches at 800x600, one after another: its median, least and most.
void startUps(gv::e2e::Game& g, const std::string& binary, int launches) {
    std::vector<double> times;
    int looks = 0;
    for (int i = 0; i < launches; ++i) {
        const std::string home = gv::e2e::tempDir("gv-bench");
        pid_t pid = -1;
        const double first = firstFrame(g, binary, home, 800, 600, pid, looks);
        if (pid > 0) stop(pid);
        std::error_code ec;
        std::filesystem::remove_all(home, ec);
        if (first < 0) {
            std::printf("launch to first painted frame: nothing painted in 10 s\n");
            return;
        }
        times.push_back(first);
        gv::e2e::sleepMs(200);  // the display forgets the last window
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "launch to first painted frame, %d launches: median %.3f s, least %.3f s, most %.3f s (the screen looked "
        "at every %.1f ms)\n",
        launches, times[times.size() / 2], times.front(), times.back(), 1000 * times.back() / looks);
}

// The game in a window of `width` x `height`: its battle waiting for player 1, and first its menu when
// `menuToo`. False when it did not get that far.
bool measure(gv::e2e::Game& g, const std::string& binary, double seconds, int width, int height, bool menuToo) {
    const double k = width / 800.0;
    const std::string home = gv::e2e::tempDir("gv-bench");
    pid_t pid = -1;
    int looks = 0;
    if (firstFrame(g, binary, home, width, height, pid, looks) < 0) {
        std::printf("window bench at %dx%d: nothing painted in 10 s\n", width, height);
        if (pid > 0) stop(pid);
        return false;
    }
    // The menu's green title over a drawn sky, then player 1's armed fire button, wherever the scale puts them.
    g.waitFor(
        [k](const gv::e2e::Screenshot& s) {
            return s.count(0x00FF00, int(240 * k), int(136 * k), int(561 * k), int(180 * k)) >= 200 &&
                   s.at(int(50 * k), int(5 * k)) != 0x808080u;
        },
        15);
    if (menuToo) report("idle menu", pid, seconds);
    g.desk.click(int(400.5 * k), int(228.5 * k));  // New Game
    const gv::Picture& armed = *gv::assets::picture("fbutt1");
    const bool ok = shownAt(g.waitFor([&](const gv::e2e::Screenshot& s) { return shownAt(s, armed, 224, 8, k) > 0.8; }, 30),
                            armed, 224, 8, k) > 0.8;
    if (ok)
        report("waiting battle at " + std::to_string(width) + "x" + std::to_string(height), pid, seconds);
    else
        std::printf("waiting battle at %dx%d: the battle never waited for player 1\n", width, height);
    stop(pid);
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string binary = argc > 1 ? argv[1] : GORVATH_BINARY;
    const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
    const int launches = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;
    gv::e2e::Game g(1700, 1300);  // room for a window twice the picture's size
    if (!g.desk.ok()) {
        std::printf("window bench skipped: no Xvfb\n");
        return 0;
    }
    // Whole multiples draw each pixel as a square of pixels; the sizes between scale by fractions.
    startUps(g, binary, launches);
    const int sizes[][2] = {{800, 600}, {1600, 1200}, {1000, 750}, {1224, 918}};
    for (const auto& s : sizes) measure(g, binary, seconds, s[0], s[1], &s == &sizes[0]);
    return 0;
}
