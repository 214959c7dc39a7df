// Prints what the real game costs in a real window, on a screen of its own under Xvfb: the time from
// launch to the first painted frame, the CPU it uses over 10 s at the idle menu and over 10 s while a
// battle waits for player 1's shot (the turn arrow bobbing), how often its threads wake, and its resident
// memory and threads in both states. Usage: bench_window [path to gorvath] [seconds per state]. Prints;
// never fails on a figure.
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
#include <string>
#include <vector>

#include "desktop.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

pid_t launch(const std::string& binary, const std::string& display, const std::string& runtime) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    setpgid(0, 0);
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("LANG", "en_US.UTF-8", 1);
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
    _exit(127);
}

// The process's CPU seconds (user and system, all threads) from /proc.
double cpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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

void report(const char* state, pid_t pid, double seconds) {
    double cpu0 = cpuSeconds(pid);
    const long long wakes0 = wakeUps(pid);
    auto t0 = Clock::now();
    while (secondsSince(t0) < seconds) gv::e2e::sleepMs(100);
    double cpu = cpuSeconds(pid) - cpu0, wall = secondsSince(t0);
    std::printf("%s: %.2f s CPU over %.1f s (%.1f %% of a core), %.0f wake-ups a second; resident %s, %s threads\n",
                state, cpu, wall, 100.0 * cpu / wall, double(wakeUps(pid) - wakes0) / wall,
                statusField(pid, "VmRSS:").c_str(), statusField(pid, "Threads:").c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const std::string binary = argc > 1 ? argv[1] : GORVATH_BINARY;
    const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
    gv::e2e::Game g;
    if (!g.desk.ok()) {
        std::printf("window bench skipped: no Xvfb\n");
        return 0;
    }
    Display* screen = XOpenDisplay(g.desk.display().c_str());
    if (!screen) {
        std::printf("window bench skipped: cannot read the Xvfb screen\n");
        return 0;
    }
    auto t0 = Clock::now();
    pid_t pid = launch(binary, g.desk.display(), g.runtime);
    double first = -1;
    int looks = 0;
    for (; secondsSince(t0) < 10 && first < 0; ++looks) {
        if (painted(screen)) first = secondsSince(t0);
        else gv::e2e::sleepMs(2);
    }
    XCloseDisplay(screen);
    if (first < 0)
        std::printf("launch to first painted frame: nothing painted in 10 s\n");
    else
        std::printf("launch to first painted frame: %.3f s (the screen looked at every %.1f ms)\n", first,
                    1000 * first / looks);

    g.waitMenu();
    report("idle menu", pid, seconds);
    g.desk.click(400, 228);  // New Game
    g.waitArmed(1);
    report("battle waiting for player 1", pid, seconds);

    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return 0;
}
