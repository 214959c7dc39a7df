// Prints headless battle throughput (whole scripted battles a second under the virtual clock) and the
// cost of one shell tick at its worst (a long walk of a fast, flat shot).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "game/mainfrm.h"

int main() {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    using clock = std::chrono::steady_clock;
    gv::Desktop desktop;
    desktop.languageSettings = [] { return gv::LanguageSettings{{"en_US"}, "", {}}; };
    gv::EventLoop loop;
    gv::Mainfrm game(loop, desktop);
    game.Form_Load();
    loop.runFor(1500);

    // Battles: worn tanks and random aims, until a tank is destroyed or 30 shots are fired.
    gv::Random aims;
    int shots = 0;
    const int battles = 40;
    auto t0 = clock::now();
    for (int b = 0; b < battles; ++b) {
        game.Frame3.setVisible(true);
        game.random.reset();
        game.random.seed(b);
        game.novahra_Click();
        game.state.Health1 = game.state.Health2 = 150;
        for (int s = 0; s < 30 && game.state.BattleOver == gv::False; ++s, ++shots) {
            bool one = game.Frame1.enabled();
            (one ? game.sila1 : game.sila2).setText(std::to_string(int(aims.Rnd() * 120) + 60));
            (one ? game.uhel1 : game.uhel2).setText(std::to_string(int(aims.Rnd() * 60) + 20));
            game.keyDown(gv::Key::Space);
            loop.waitUntil([&] {
                return game.state.BattleOver == gv::True ||
                       (!game.hideit.enabled() && !game.bullettimer.enabled() && !game.showit.enabled());
            });
        }
        loop.waitUntil([&] { return !game.tankexpl.enabled() && !game.showit.enabled(); });
    }
    double s = std::chrono::duration<double>(clock::now() - t0).count();
    std::printf("battles: %.1f whole battles per second headless (%d battles, %d shots, %.2f s)\n", battles / s, battles, shots,
                s);

    // The worst tick: a shot at force 200 straight across a flat field walks about 40 columns a tick.
    std::vector<double> ticks;
    for (int rep = 0; rep < 200; ++rep) {
        for (int x = -1; x <= 800; ++x) game.state.Ground(x) = 590;
        game.state.ShotX0 = 20, game.state.ShotY0 = 100, game.state.ShotTime = 0, game.state.Gravity = 10;
        game.state.ShotVx = 200, game.state.ShotVy = 0, game.state.ShellX = 20, game.state.ShellY = 100;
        game.state.TurnPlayer = 2;
        game.state.RollDownhill = game.state.RollUphill = gv::False;
        game.bullettimer.setEnabled(true);
        auto a = clock::now();
        game.bullettimer_Timer();
        ticks.push_back(std::chrono::duration<double, std::micro>(clock::now() - a).count());
        game.bullettimer.setEnabled(false);
        game.showit.setEnabled(false);
    }
    std::sort(ticks.begin(), ticks.end());
    std::printf("bullettimer tick with a 40-column walk past %zu trees: median %.1f us, worst %.1f us\n", game.state.Trees.size(),
                ticks[ticks.size() / 2], ticks.back());
    return 0;
}
