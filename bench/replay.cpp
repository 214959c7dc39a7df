// Prints how fast recorded battles are computed again headless (`--verify-replay`): battles against the
// computer, played to their end by a player of random aims, recorded, then verified all at once.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "game/mainfrm.h"
#include "replay/playback.h"

int main() {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    using clock = std::chrono::steady_clock;
    const std::string folder = (std::filesystem::temp_directory_path() / "gorvath-bench-replay").string();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);

    const int battles = 100;
    std::vector<std::string> files;
    long shots = 0;
    for (int b = 0; b < battles; ++b) {
        gv::Desktop desktop;
        desktop.languageSettings = [] { return gv::LanguageSettings{{"en_US"}, "", {}}; };
        gv::EventLoop loop;
        gv::Mainfrm game(loop, desktop);
        game.sound.setSilent(true);
        game.Form_Load();
        game.Option2.setValue(true);
        game.random.reset();
        game.random.seed(b);
        game.novahra_Click();
        gv::Random aims;
        aims.seed(b + 1000);
        while (game.state.BattleOver == gv::False) {
            loop.waitUntil([&] { return game.state.BattleOver == gv::True || (game.Frame1.enabled() && !game.showit.enabled()); });
            if (game.state.BattleOver == gv::True) break;
            game.sila1.setText(std::to_string(int(aims.Rnd() * 110) + 50));
            game.uhel1.setText(std::to_string(int(aims.Rnd() * 70) + 10));
            game.keyDown(gv::Key::Space);
            loop.waitUntil([&] { return !game.hideit.enabled(); });
        }
        loop.waitUntil([&] { return !game.showit.enabled(); });
        const gv::replay::Record& r = game.recorder().current();
        shots += gv::replay::TurnOf(r, r.events.size());
        files.push_back(folder + "/" + std::to_string(b) + ".replay");
        std::ofstream(files.back()) << r.text();
    }

    FILE* quiet = std::freopen("/dev/null", "w", stdout);
    auto t0 = clock::now();
    int status = gv::replay::VerifyFiles(files);
    double s = std::chrono::duration<double>(clock::now() - t0).count();
    if (quiet) std::freopen("/dev/tty", "w", stdout);
    std::fprintf(stderr, "verify: %.0f battles per second headless (%d battles against the computer, %.0f shots each, "
                 "%.2f s on %u threads%s)\n", battles / s, battles, double(shots) / battles, s,
                 std::max(1u, std::thread::hardware_concurrency()), status == 0 ? "" : "; SOME DIFFERED");
    std::filesystem::remove_all(folder);
    return status;
}
