// Prints how fast recorded battles are computed again headless (`--verify-replay`): battles of 85 shots
// between two players, and battles against the computer played to their end by a player of random aims
// (the computer's own search runs again for every one of its turns). Each set is recorded, then verified
// all at once. Then the golden network battles, shot by shot, on the battle alone and on a game window
// nobody sees.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "game/mainfrm.h"
#include "game/playback.h"

namespace {

// Records `battles` battles of `mode` into `folder`; returns the files and the shots in them.
std::vector<std::string> record(const std::string& folder, int mode, int battles, int maxShots, long& shots) {
    std::vector<std::string> files;
    for (int b = 0; b < battles; ++b) {
        gv::Desktop desktop;
        desktop.languageSettings = [] { return gv::LanguageSettings{{"en_US"}, "", {}}; };
        gv::EventLoop loop;
        gv::Mainfrm game(loop, desktop);
        game.sound.setSilent(true);
        game.world.setUnseen(true);  // nobody looks: no pixels to paint
        game.Form_Load();
        (mode == gv::mode::Computer ? game.Option2 : game.Option1).setValue(true);
        game.random.reset();
        game.random.seed(b);
        game.novahra_Click();
        gv::Random aims;
        aims.seed(b + 1000);
        auto armed = [&] { return (game.Frame1.enabled() || game.Frame2.enabled()) && !game.showit.enabled(); };
        for (int s = 0; s < maxShots && game.state.BattleOver == gv::False; ++s) {
            loop.waitUntil([&] { return game.state.BattleOver == gv::True || armed(); });
            if (game.state.BattleOver == gv::True) break;
            const bool one = game.Frame1.enabled();
            (one ? game.sila1 : game.sila2).setText(std::to_string(int(aims.Rnd() * 110) + 50));
            (one ? game.uhel1 : game.uhel2).setText(std::to_string(int(aims.Rnd() * 70) + 10));
            game.keyDown(gv::Key::Space);
            loop.waitUntil([&] { return !game.hideit.enabled(); });
        }
        loop.waitUntil([&] { return !game.showit.enabled(); });
        const gv::replay::Record& r = game.recorder().current();
        shots += gv::replay::TurnOf(r, r.events.size());
        files.push_back(folder + "/" + std::to_string(mode) + "-" + std::to_string(b) + ".replay");
        std::ofstream(files.back()) << r.text();
    }
    return files;
}

// The best of five rounds: one round is a fraction of a second, and the machine's other work shows in it.
void verify(const char* what, const std::vector<std::string>& files, long shots) {
    constexpr int kRounds = 5;
    std::fflush(stdout);
    FILE* quiet = std::freopen("/dev/null", "w", stdout);
    double best = 0;
    int status = 0;
    for (int round = 0; round < kRounds; ++round) {
        auto t0 = std::chrono::steady_clock::now();
        status = std::max(status, gv::replay::VerifyFiles(files));
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        best = round == 0 ? s : std::min(best, s);
    }
    if (quiet) std::freopen("/dev/tty", "w", stdout);
    const double n = double(files.size());
    std::fprintf(stderr,
                 "verify %s: %.0f battles per second headless (%zu battles of %.0f shots, best of %d rounds %.2f s on %u "
                 "threads)%s\n",
                 what, n / best, files.size(), double(shots) / n, kRounds, best,
                 std::max(1u, std::thread::hardware_concurrency()), status == 0 ? "" : "; SOME DIFFERED");
}

// The golden network battles, both sides, one after the other: on the battle alone, as --verify-replay
// computes them, and on a game window nobody sees.
void verifyNetwork() {
    std::vector<std::string> files;
    long shots = 0;
    for (const auto& e : std::filesystem::directory_iterator(GORVATH_REPLAYS)) {
        if (e.path().filename().string().rfind("network-", 0) != 0) continue;
        files.push_back(e.path().string());
        std::ifstream in(files.back());
        const gv::replay::ReadResult r = gv::replay::Read(in);
        if (r.record) shots += gv::replay::TurnOf(*r.record, r.record->events.size());
    }
    for (bool window : {false, true}) {
        double best = 0;
        bool same = true;
        for (int round = 0; round < 5; ++round) {
            auto t0 = std::chrono::steady_clock::now();
            for (const std::string& f : files)
                same = gv::replay::VerifyFile(f, window ? [](gv::Mainfrm&) {} : std::function<void(gv::Mainfrm&)>{}).kind ==
                           gv::replay::Verdict::Same &&
                       same;
            const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            best = round == 0 ? s : std::min(best, s);
        }
        std::fprintf(
            stderr,
            "verify network battles %s: %.0f shots per second (%zu records, %ld shots, best of 5 rounds %.3f s, one thread)%s\n",
            window ? "on a window" : "alone", double(shots) / best, files.size(), shots, best, same ? "" : "; SOME DIFFERED");
    }
}

}  // namespace

int main() {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const std::string folder = (std::filesystem::temp_directory_path() / "gorvath-bench-replay").string();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    long shots = 0;
    auto hotSeat = record(folder, gv::mode::HotSeat, 100, 85, shots);
    verify("two players", hotSeat, shots);
    shots = 0;
    auto computer = record(folder, gv::mode::Computer, 100, 100000, shots);
    verify("against the computer", computer, shots);
    verifyNetwork();
    if (!std::getenv("GORVATH_BENCH_KEEP")) std::filesystem::remove_all(folder);
    return 0;
}
