// Prints how long GenerateWorld takes headless (median and worst over 100 seeds) and, with a display
// (run under xvfb-run), how long the visible build-up of a battlefield lasts on screen.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <vector>

#include "game/mainfrm.h"
#include "game/worldbuilder.h"
#include "platform/sdl/sdlbackend.h"

namespace {
gv::Desktop quietDesktop() {
    gv::Desktop d;
    d.languageSettings = [] { return gv::LanguageSettings{{"en_US"}, "", {}}; };
    return d;
}
}  // namespace

int main() {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    using clock = std::chrono::steady_clock;
    {
        gv::EventLoop loop;
        gv::Mainfrm game(loop, quietDesktop());
        game.Form_Load();
        loop.runFor(1500);
        std::vector<double> ms;
        for (int seed = 1; seed <= 100; ++seed) {
            game.random.reset();
            game.random.seed(seed);
            game.Frame3.setVisible(true);
            auto t0 = clock::now();
            game.novahra_Click();
            ms.push_back(std::chrono::duration<double, std::milli>(clock::now() - t0).count());
        }
        std::sort(ms.begin(), ms.end());
        std::printf("GenerateWorld headless: median %.1f ms, worst %.1f ms over 100 seeds\n", ms[50], ms.back());
    }
    if (!std::getenv("DISPLAY")) {
        std::printf("on-screen build-up: skipped (no DISPLAY; run under xvfb-run)\n");
        return 0;
    }
    try {
        gv::EventLoop loop;
        gv::Mainfrm game(loop, quietDesktop());
        gv::SdlDriver screen(game);
        loop.setDriver(&screen);
        game.Form_Load();
        loop.runFor(1500);
        for (int seed : {1, 2, 3}) {
            game.random.reset();
            game.random.seed(seed);
            game.Frame3.setVisible(true);
            auto t0 = clock::now();
            game.novahra_Click();
            double s = std::chrono::duration<double>(clock::now() - t0).count();
            std::printf("on-screen build-up, seed %d: %.2f s (%ld frames presented so far)\n", seed, s, loop.framesPresented());
        }
        loop.setDriver(nullptr);
    } catch (const std::exception& e) {
        std::printf("on-screen build-up: skipped (%s)\n", e.what());
    }
    return 0;
}
