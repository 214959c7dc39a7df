// The computer's levels measured against each other: every pair plays headless on the same fixed
// battlefields, each level on both sides of the field; a table of win rates, an Elo rating for each level
// (the normal computer at 1500) with its 95 % interval, and each level against a tank that never moves:
// the median number of shots to destroy it and how often the first shot hits. Then the worst time one
// turn took at each level, in wall-clock time and in the thinking thread's processor time, with the
// machine's load.
//   bench_ladder [battlefields per pair, 200 by default]
#include <time.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "game/mainfrm.h"

namespace {

constexpr int kLevels = 4;
constexpr const char* kTitle[kLevels] = {"Practice", "Beginner", "Normal", "Expert"};
constexpr int kMaxTurns = 400;  // a battle still on after this many shots is a draw

gv::Desktop quietDesktop() {
    gv::Desktop d;
    d.languageSettings = [] { return gv::LanguageSettings{{"en_US"}, "", {}}; };
    return d;
}

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The machine's load over the last minute.
std::string loadNow() {
    std::FILE* f = std::fopen("/proc/loadavg", "r");
    double one = -1;
    if (f) {
        if (std::fscanf(f, "%lf", &one) != 1) one = -1;
        std::fclose(f);
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", one);
    return text;
}

template <class T>
T median(std::vector<T> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? T{} : v[v.size() / 2];
}

// One game window for every battle, with the worst thinking time of each level.
struct Arena {
    gv::EventLoop loop;
    gv::Mainfrm game{loop, quietDesktop()};
    // Each level's turns: wall-clock time, and the processor time of the thread that thought (which a
    // pause of the machine, another program's work, does not lengthen).
    std::array<std::vector<double>, kLevels> wallMs, cpuMs;

    Arena() {
        game.world.setUnseen(true);  // nobody looks: no pixels to paint
        game.Form_Load();
        loop.runFor(1500);
        game.Option2.setValue(true);
        auto think = game.aitimer.onTimer;
        game.aitimer.onTimer = [this, think] {
            const int level = game.ComputerLevel(int(game.state.TurnPlayer));
            const auto t0 = std::chrono::steady_clock::now();
            const double c0 = threadCpuMs();
            think();
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            if (level < 0) return;
            wallMs[std::size_t(level)].push_back(ms);
            cpuMs[std::size_t(level)].push_back(threadCpuMs() - c0);
        };
    }
    void begin(int player1, int player2, int seed) {
        game.SetLevels(player1, player2);
        game.random.reset();
        game.random.seed(seed);
        game.Frame3.setVisible(true);
        game.novahra_Click();
    }
    bool over() const { return game.state.BattleOver == gv::True; }
    // Waits for the next turn to be armed; false when the battle ended.
    bool nextTurn(int& turns) {
        const double before = game.state.TurnPlayer;
        loop.waitUntil([&] { return over() || game.state.TurnPlayer != before; });
        ++turns;
        return !over() && turns < kMaxTurns;
    }
    // The winner of a battle between two computers: 1, 2, or 0 for a draw.
    int duel(int player1, int player2, int seed) {
        begin(player1, player2, seed);
        loop.waitUntil([&] { return game.state.WorldBusy == gv::False; });
        int turns = 0;
        while (nextTurn(turns)) {}
        loop.waitUntil([&] { return !game.tankexpl.enabled(); });
        const bool dead1 = game.state.Health1 < 1, dead2 = game.state.Health2 < 1;
        return dead1 == dead2 ? 0 : dead2 ? 1 : 2;
    }
    // A level against a player who never moves and fires off the field: shots until the tank is
    // destroyed (-1 when it never is), and whether the first shot hit.
    int stillTank(int level, int seed, bool& firstHit) {
        begin(gv::level::Human, level, seed);
        loop.waitUntil([&] { return game.state.WorldBusy == gv::False; });
        int fired = 0;
        firstHit = false;
        while (!over() && fired < 300) {
            loop.waitUntil([&] { return over() || (game.state.TurnPlayer == 1 && game.Command1.enabled()); });
            if (over()) break;
            game.sila1.setText("200");
            game.uhel1.setText("180");
            game.FireTank1();
            loop.waitUntil([&] { return over() || (game.state.TurnPlayer == 1 && game.Frame1.enabled()); });
            ++fired;
            if (fired == 1) firstHit = game.state.Health1 <= 925;  // a direct hit takes 75
        }
        loop.waitUntil([&] { return !game.tankexpl.enabled(); });
        return game.state.Health1 < 1 ? fired : -1;
    }
};

// Scores (1 a win, 0.5 a draw) of level i against level j.
struct Results {
    std::array<std::array<std::vector<double>, kLevels>, kLevels> games;
};

// Elo ratings by maximum likelihood with the normal level at 1500; one drawn game between every pair is
// added so a level that never wins still has a finite rating.
std::array<double, kLevels> Ratings(const Results& r) {
    std::array<double, kLevels> elo{1500, 1500, 1500, 1500};
    for (int round = 0; round < 2000; ++round) {
        for (int i = 0; i < kLevels; ++i) {
            double got = 0, expected = 0;
            for (int j = 0; j < kLevels; ++j) {
                if (i == j) continue;
                const auto& g = r.games[std::size_t(i)][std::size_t(j)];
                const double e = 1 / (1 + std::pow(10, (elo[std::size_t(j)] - elo[std::size_t(i)]) / 400));
                for (double s : g) got += s, expected += e;
                got += 0.5, expected += e;
            }
            elo[std::size_t(i)] += 20 * (got - expected) / std::max(1.0, expected);
        }
        const double shift = 1500 - elo[gv::level::Normal];
        for (double& e : elo) e += shift;
    }
    return elo;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const int fields = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const std::string loadAtStart = loadNow();
    Arena arena;
    Results results;
    std::printf("Each pair of levels on %d battlefields, each level on both sides (%d battles a pair):\n", fields, 2 * fields);
    std::printf("  %-10s %-10s %8s %8s %6s\n", "level", "against", "wins", "losses", "draws");
    for (int a = 0; a < kLevels; ++a)
        for (int b = a + 1; b < kLevels; ++b) {
            int wins = 0, losses = 0, draws = 0;
            for (int seed = 1; seed <= fields; ++seed)
                for (bool aFirst : {true, false}) {
                    const int w = aFirst ? arena.duel(a, b, seed) : arena.duel(b, a, seed);
                    const double scoreA = w == 0 ? 0.5 : ((w == 1) == aFirst ? 1 : 0);
                    results.games[std::size_t(a)][std::size_t(b)].push_back(scoreA);
                    results.games[std::size_t(b)][std::size_t(a)].push_back(1 - scoreA);
                    wins += scoreA == 1, losses += scoreA == 0, draws += scoreA == 0.5;
                }
            std::printf("  %-10s %-10s %7.1f%% %7.1f%% %5.1f%%\n", kTitle[b], kTitle[a], 100.0 * losses / (2 * fields),
                        100.0 * wins / (2 * fields), 100.0 * draws / (2 * fields));
            std::fflush(stdout);
        }

    // The interval: the ratings again over battles drawn at random, with replacement, from those played.
    const std::array<double, kLevels> elo = Ratings(results);
    std::array<std::vector<double>, kLevels> again;
    std::mt19937 pick(12345);  // the bench's own; the game's generator is not touched
    for (int n = 0; n < 200; ++n) {
        Results resampled;
        for (int i = 0; i < kLevels; ++i)
            for (int j = i + 1; j < kLevels; ++j) {
                const auto& g = results.games[std::size_t(i)][std::size_t(j)];
                std::uniform_int_distribution<std::size_t> any(0, g.size() - 1);
                for (std::size_t k = 0; k < g.size(); ++k) {
                    const double s = g[any(pick)];
                    resampled.games[std::size_t(i)][std::size_t(j)].push_back(s);
                    resampled.games[std::size_t(j)][std::size_t(i)].push_back(1 - s);
                }
            }
        const auto e = Ratings(resampled);
        for (int i = 0; i < kLevels; ++i) again[std::size_t(i)].push_back(e[std::size_t(i)]);
    }

    std::printf("\nAgainst a tank that never moves, %d battlefields:\n", fields);
    for (int level = 0; level < kLevels; ++level) {
        std::vector<double>& spread = again[std::size_t(level)];
        std::sort(spread.begin(), spread.end());
        const double low = spread[spread.size() * 25 / 1000], high = spread[spread.size() * 975 / 1000];
        const double plusMinus = std::max(elo[std::size_t(level)] - low, high - elo[std::size_t(level)]);
        if (level == gv::level::Practice) {
            std::printf("level %s: elo %.0f ± %.0f\n", kTitle[level], elo[std::size_t(level)], plusMinus);
            continue;
        }
        std::vector<int> shots;
        int firstHits = 0, never = 0;
        for (int seed = 1; seed <= fields; ++seed) {
            bool first = false;
            const int n = arena.stillTank(level, seed, first);
            firstHits += first;
            if (n < 0)
                ++never;
            else
                shots.push_back(n);
        }
        std::printf("level %s: elo %.0f ± %.0f, still tank destroyed in median %d shots, first-shot hits %.0f %%%s\n",
                    kTitle[level], elo[std::size_t(level)], plusMinus, median(shots), 100.0 * firstHits / fields,
                    never ? (" (not destroyed in 300 shots: " + std::to_string(never) + ")").c_str() : "");
        std::fflush(stdout);
    }
    std::printf("\nThe turns, from the computer's timer to its shot (load %s from %s at the start):\n", loadNow().c_str(),
                loadAtStart.c_str());
    std::printf("  %-10s %7s %10s %10s %10s %10s\n", "", "turns", "median", "worst", "median CPU", "worst CPU");
    for (int level = 0; level < kLevels; ++level) {
        const auto& wall = arena.wallMs[std::size_t(level)];
        const auto& cpu = arena.cpuMs[std::size_t(level)];
        std::printf("  %-10s %7zu %7.2f ms %7.2f ms %7.2f ms %7.2f ms\n", kTitle[level], wall.size(), median(wall),
                    wall.empty() ? 0.0 : *std::max_element(wall.begin(), wall.end()), median(cpu),
                    cpu.empty() ? 0.0 : *std::max_element(cpu.begin(), cpu.end()));
    }
    return 0;
}
