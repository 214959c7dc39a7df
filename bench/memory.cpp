// Prints the game's resident memory (VmRSS, and VmHWM, its peak so far) in a real SDL window on a screen of
// its own under Xvfb: at the idle menu, in a battle waiting for player 1's shot at 800x600, and after
// battles 5 and 30 of an evening of expert duels, each played again from the menu in the same window. The
// evening runs on a virtual clock, every frame still drawn in the window, so it takes a minute or so rather
// than an hour. This program is the game built as the real one is, with the bench around it. First, the
// peak memory of the real program checking the golden battles (--verify-replay, no window). Usage:
// bench_memory [battles, 30 by default]. Prints; never fails on a figure.
#include <malloc.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "desktop.h"
#include "game/levelspanel.h"
#include "game/mainfrm.h"
#include "platform/sdl/sdlbackend.h"

namespace {

std::string statusField(pid_t pid, const char* name) {
    std::ifstream in(pid ? "/proc/" + std::to_string(pid) + "/status" : std::string("/proc/self/status"));
    for (std::string line; std::getline(in, line);)
        if (line.rfind(name, 0) == 0) {
            std::string v = line.substr(std::strlen(name));
            return v.substr(v.find_first_not_of(" \t"));
        }
    return "?";
}

void report(const std::string& state, const gv::SdlDriver& screen) {
    const gv::SdlDriver::TextCache texts = screen.textCache();
    // The heap's blocks in use, and what it holds free between them (the price of its fragments).
    const struct mallinfo2 heap = mallinfo2();
    std::printf("%s: resident %s, peak %s; heap %.2f MB in use, %.2f MB free in it; %zu texts kept in %.2f MB\n", state.c_str(),
                statusField(0, "VmRSS:").c_str(), statusField(0, "VmHWM:").c_str(), double(heap.uordblks) / (1 << 20),
                double(heap.fordblks) / (1 << 20), texts.texts, double(texts.bytes) / (1 << 20));
    std::fflush(stdout);
}

// The real program checking every golden battle without a window: its peak resident memory, read the
// moment it exits (a child's figure from wait4 would also count the pages this bench had before the exec).
void verifyPeak() {
    std::vector<std::string> args{GORVATH_BINARY, "--verify-replay"};
    std::error_code ec;
    for (const auto& f : std::filesystem::directory_iterator(GORVATH_REPLAYS, ec))
        if (f.path().extension() == ".replay") args.push_back(f.path().string());
    std::sort(args.begin() + 2, args.end());
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (!std::freopen("/dev/null", "w", stdout) || ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
    std::string peak = "?";
    int status = 0;
    bool first = true;
    while (pid > 0 && waitpid(pid, &status, 0) == pid && WIFSTOPPED(status)) {
        int signal = WSTOPSIG(status) == SIGTRAP ? 0 : WSTOPSIG(status);
        if (first) ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACEEXIT), first = false;  // stopped at the exec
        if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) peak = statusField(pid, "VmHWM:");
        ptrace(PTRACE_CONT, pid, nullptr, reinterpret_cast<void*>(std::intptr_t(signal)));
    }
    std::printf("checking the %zu golden battles without a window (--verify-replay): peak %s, exit %d\n", args.size() - 2,
                peak.c_str(), WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    std::fflush(stdout);
}

// The window with a clock that jumps to whatever is due next: the loop takes it for a real one, so every
// frame that is due is drawn in the window, whose input is still taken.
struct VirtualWindow : gv::VirtualDriver {
    gv::SdlDriver& screen;
    explicit VirtualWindow(gv::SdlDriver& s) : screen(s) {}
    void collectInput() override { screen.collectInput(); }
    void present() override {
        VirtualDriver::present();
        screen.present();
    }
    bool isVirtual() const override { return false; }
};

// Runs the game until `done` or for `seconds` of its time at most; whether `done` came.
bool runUntil(gv::EventLoop& loop, const std::function<bool()>& done, double seconds) {
    gv::Timer look(loop, "bench look", 50);  // wakes the real clock's sleep now and then to look
    look.onTimer = [] {};
    look.setEnabled(true);
    const double end = loop.now() + seconds * 1000;
    try {
        loop.waitUntil([&] { return done() || loop.now() >= end; });
    } catch (const gv::WaitStalled&) {
        return false;
    }
    return done();
}

}  // namespace

int main(int argc, char** argv) {
    const int battles = argc > 1 ? std::atoi(argv[1]) : 30;
    verifyPeak();
    gv::e2e::Desktop desk(800, 600);
    if (!desk.ok()) {
        std::printf("memory bench skipped: no Xvfb\n");
        return 0;
    }
    const std::string home = gv::e2e::tempDir("gv-bench-memory");
    setenv("DISPLAY", desk.display().c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("LANG", "en_US.UTF-8", 1);
    for (const char* dir : {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) setenv(dir, home.c_str(), 1);
    {
        // As the program builds its window, at the window's first size of 800 x 600.
        gv::SdlSession sdl(GORVATH_APP_ID);
        gv::EventLoop loop;
        gv::Desktop desktop;
        desktop.replayFolder = home + "/replays";
        desktop.settingsFolder = home + "/gorvath";
        desktop.mapPorts = false;
        gv::Mainfrm game(loop, desktop);
        gv::SdlDriver screen(game);
        loop.setDriver(&screen);
        game.Form_Load();
        screen.setPlace(gv::SdlDriver::Place{0, 0, 800, 600, false});
        screen.show();
        runUntil(
            loop, [] { return false; }, 4);  // the intro is over
        report("idle menu", screen);
        game.click(game.novahra);
        const bool waiting = runUntil(
            loop, [&] { return game.state.WorldBusy == gv::False && game.Command1.enabledOnScreen() && !game.showit.enabled(); },
            30);
        runUntil(
            loop, [] { return false; }, 2);
        report(waiting ? "waiting battle at 800x600" : "the battle never waited for player 1", screen);

        VirtualWindow clock(screen);
        loop.setDriver(&clock);
        const auto t0 = std::chrono::steady_clock::now();
        game.keyDown(gv::Key::Escape);  // the menu, then an evening of duels
        game.levelsPanel().StartDuel(gv::level::Expert, gv::level::Expert);
        for (int battle = 1; battle <= battles; ++battle) {
            const bool over = runUntil(
                loop,
                [&] { return game.state.BattleOver == gv::True && game.Frame3.visible() && game.novahra.enabledOnScreen(); },
                3600);
            if (!over) {
                std::printf("battle %d never ended\n", battle);
                break;
            }
            if (battle == 5 || battle == battles)
                report("after battle " + std::to_string(battle) + " of the evening (" +
                           std::to_string(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count()) + " s)",
                       screen);
            if (battle < battles) game.click(game.novahra);  // Play again
        }
        loop.setDriver(&screen);
    }
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
    return 0;
}
