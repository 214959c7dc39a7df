// Prints how long the computer thinks (median and worst ComputerTurn over 200 seeded battlefields,
// headless) and how strong it is: over 200 seeded battles against a player who never moves and only
// fires off the field, the shots it needs to destroy the tank (median, 90th percentile) and how often
// its first shot hits.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <vector>

#include "game/mainfrm.h"

namespace {

gv::Desktop quietDesktop() {
    gv::Desktop d;
    d.languageSettings = [] { return gv::LanguageSettings{{"en_US"}, "", {}}; };
    return d;
}

template <class T>
T at(std::vector<T> v, double fraction) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(fraction * double(v.size())))];
}

void newBattle(gv::Mainfrm& game, int seed) {
    game.random.reset();
    game.random.seed(seed);
    game.Frame3.setVisible(true);
    game.novahra_Click();
}

}  // namespace

int main() {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    using clock = std::chrono::steady_clock;
    constexpr int kRuns = 200;

    // Thinking time: the computer's turn on fresh battlefields, as the first hand-over gives it.
    {
        gv::EventLoop loop;
        gv::Mainfrm game(loop, quietDesktop());
        game.Form_Load();
        loop.runFor(1500);
        game.Option2.setValue(true);
        std::vector<double> ms;
        std::vector<int> attempts;
        int worstSeed = 0, gaveUp = 0;
        for (int seed = 1; seed <= kRuns; ++seed) {
            newBattle(game, seed);
            game.state.TurnPlayer = 2;
            game.Command1.tag.assign(1, '0');
            game.Command2.tag.assign(1, '1');
            auto t0 = clock::now();
            game.ComputerTurn();
            ms.push_back(std::chrono::duration<double, std::milli>(clock::now() - t0).count());
            if (ms.back() >= *std::max_element(ms.begin(), ms.end())) worstSeed = seed;
            attempts.push_back(game.computerThought().attempts);
            gaveUp += game.computerThought().gaveUp;
            game.ResetHandOver();
        }
        std::printf("ComputerTurn headless: median %.2f ms, worst %.2f ms (seed %d) over %d battlefields\n",
                    at(ms, 0.5), at(ms, 1.0), worstSeed, kRuns);
        std::printf("  searches per turn: median %d, worst %d; gave up in %d of %d turns\n", at(attempts, 0.5),
                    at(attempts, 1.0), gaveUp, kRuns);
    }

    // Strength: whole battles under the virtual clock against a player who fires off the field every turn.
    {
        gv::EventLoop loop;
        gv::Mainfrm game(loop, quietDesktop());
        game.Form_Load();
        loop.runFor(1500);
        game.Option2.setValue(true);
        std::vector<int> shots;
        int firstHits = 0, unfinished = 0, selfDestroyed = 0;
        for (int seed = 1; seed <= kRuns; ++seed) {
            newBattle(game, seed);
            int fired = 0;
            try {
                while (game.state.BattleOver == gv::False && fired < 300) {
                    // The player stays put and shoots straight out of the field to the left.
                    game.sila1.setText("200");
                    game.uhel1.setText("180");
                    game.FireTank1();
                    loop.waitUntil([&] { return game.state.BattleOver == gv::True || game.state.TurnPlayer == 1; });
                    if (game.state.BattleOver == gv::True) break;
                    ++fired;
                    loop.waitUntil([&] {
                        return game.state.BattleOver == gv::True || (game.Frame1.enabled() && !game.showit.enabled());
                    });
                    if (fired == 1 && game.state.Health1 <= 925) ++firstHits;  // a direct hit costs 75
                }
                loop.waitUntil([&] { return !game.tankexpl.enabled(); });
            } catch (const std::exception& e) {
                std::printf("  seed %d: %s\n", seed, e.what());
            }
            if (game.state.Health1 < 1)
                shots.push_back(fired);
            else if (game.state.Health2 < 1)
                ++selfDestroyed;
            else
                ++unfinished;
        }
        if (shots.empty()) {
            std::printf("strength: the computer destroyed no tank in %d battles\n", kRuns);
            return 0;
        }
        std::printf("strength over %d battles against a player who never moves:\n", kRuns);
        std::printf("  shots to destroy the tank: median %d, 90th percentile %d, worst %d (%zu battles won)\n",
                    at(shots, 0.5), at(shots, 0.9), at(shots, 1.0), shots.size());
        std::printf("  first shot hits: %d of %d (%.0f %%)\n", firstHits, kRuns, 100.0 * firstHits / kRuns);
        std::printf("  destroyed itself: %d; not over after 300 shots: %d\n", selfDestroyed, unfinished);
    }
    return 0;
}
