// Prints how long the computer thinks, headless, for every kind of turn (the human's tank, a crate, each
// special shell, the drill's bounded search with the tanks level, turns that give up), median and worst
// over seeded battlefields; and how strong it is over 200 seeded battles against a player who never moves
// and only fires off the field: shots to destroy the tank, the hit rate of the shots aimed at the tank,
// the rate of crates taken, and shots per destroyed tank.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "computer/player.h"
#include "game/mainfrm.h"
#include "game/worldbuilder.h"

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

// What the computer thought in its last turn.
struct ThoughtWatch : gv::Mainfrm::Onlooker {
    gv::Mainfrm::ComputerThought last;
    void ComputerThinks(const gv::Mainfrm::ComputerThought& t) override { last = t; }
};

// A window on the virtual clock, past its start-up, set for a game against the computer.
struct Table {
    gv::EventLoop loop;
    ThoughtWatch watch;
    gv::Mainfrm game{loop, quietDesktop()};
    Table() {
        game.setOnlooker(&watch);
        game.world.setUnseen(true);  // nobody looks: no pixels to paint
        game.Form_Load();
        loop.runFor(1500);
        game.Option2.setValue(true);
    }
};

using clock = std::chrono::steady_clock;
constexpr int kRuns = 200;

// Thinking time, turn by turn kind. Each turn is the computer's first of a fresh battlefield, set up for
// its kind; its shot is left unflown.
void thinkingTimes() {
    {
        Table table;
        gv::Mainfrm& game = table.game;
        ThoughtWatch& watch = table.watch;
        auto timeTurn = [&](int seed, const std::function<void()>& setUp) {
            newBattle(game, seed);
            game.state.TurnPlayer = 2;
            game.Command1.tag.assign(1, '0');
            game.Command2.tag.assign(1, '1');
            setUp();
            auto t0 = clock::now();
            game.computer().ComputerTurn();
            double ms = std::chrono::duration<double, std::milli>(clock::now() - t0).count();
            game.ResetHandOver();
            return ms;
        };
        auto arm = [&](int kind) { game.state.Weapon2 = kind; };
        auto flat = [&] {
            for (int x = -1; x <= 800; ++x) game.state.Ground(x) = 400;
            game.builder().SeatTank(game.tank1, 20);
            game.builder().SeatTank(game.tank2, 740);
            game.sun.setVisible(false), game.state.SunUp = gv::False;
        };
        struct Kind {
            std::string name;
            std::function<void()> setUp;
        };
        std::vector<Kind> kinds = {{"the human's tank", [] {}}, {"a crate near the computer", [&] {
                                                                     game.state.CrateKind = 2;
                                                                     game.state.CrateLeft = 660;
                                                                     game.state.CrateTop = game.state.Ground.at(676) - 32;
                                                                     game.state.BonusActive = gv::True;
                                                                 }}};
        for (int kind = 1; kind <= 12; ++kind)
            kinds.push_back({"special shell " + std::to_string(kind), [&arm, kind] { arm(kind); }});
        kinds.push_back({"drill, tanks level (bounded search)", [&] { flat(), arm(7); }});
        kinds.push_back({"gives up (start point in the sun)", [&] {
                             flat();
                             game.sun.move(730, 340, 72, 72);
                             game.sun.setVisible(true);
                         }});
        kinds.push_back({"every path blocked by a ridge", [&] {
                             flat();
                             for (int x = 395; x <= 405; ++x) game.state.Ground(x) = -30000;
                         }});
        constexpr int kTurns = 40;
        double worstOfAll = 0;
        std::printf("ComputerTurn headless, %d turns of each kind (median / worst ms, searches median / worst):\n", kTurns);
        for (const Kind& k : kinds) {
            std::vector<double> ms;
            std::vector<int> attempts;
            int gaveUp = 0, crate = 0;
            for (int seed = 1; seed <= kTurns; ++seed) {
                ms.push_back(timeTurn(seed, k.setUp));
                attempts.push_back(watch.last.attempts);
                gaveUp += watch.last.gaveUp;
                crate += watch.last.crate;
            }
            worstOfAll = std::max(worstOfAll, at(ms, 1.0));
            std::printf("  %-38s %7.2f / %7.2f ms   %3d / %3d searches  (gave up %d, crate target %d)\n", k.name.c_str(),
                        at(ms, 0.5), at(ms, 1.0), at(attempts, 0.5), at(attempts, 1.0), gaveUp, crate);
        }
        std::printf("  worst over every kind of turn: %.2f ms\n", worstOfAll);
    }
}

// Strength: whole battles under the virtual clock against a player who fires off the field every turn.
void strength() {
    {
        Table table;
        gv::EventLoop& loop = table.loop;
        gv::Mainfrm& game = table.game;
        ThoughtWatch& watch = table.watch;
        std::vector<int> shots;
        int firstHits = 0, unfinished = 0, selfDestroyed = 0;
        int computerShots = 0, atTank = 0, tankHits = 0, atCrate = 0, cratesTaken = 0;
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
                    // The computer has just fired: what it aimed at, and how things stood.
                    const auto& thought = watch.last;
                    const bool crate = thought.crate, tank = !crate && thought.xL == game.tank1.left() + 5;
                    const double health1 = game.state.Health1, health2 = game.state.Health2;
                    loop.waitUntil(
                        [&] { return game.state.BattleOver == gv::True || (game.Frame1.enabled() && !game.showit.enabled()); });
                    ++computerShots;
                    atTank += tank, atCrate += crate;
                    tankHits += tank && game.state.Health1 < health1;
                    cratesTaken += crate && (game.state.Weapon2 != 0 || game.state.Health2 > health2);
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
            return;
        }
        std::printf("strength over %d battles against a player who never moves:\n", kRuns);
        std::printf("  shots to destroy the tank: median %d, 90th percentile %d, worst %d (%zu battles won)\n", at(shots, 0.5),
                    at(shots, 0.9), at(shots, 1.0), shots.size());
        std::printf("  first shot hits: %d of %d (%.0f %%)\n", firstHits, kRuns, 100.0 * firstHits / kRuns);
        std::printf("  destroyed itself: %d; not over after 300 shots: %d\n", selfDestroyed, unfinished);
        std::printf("  shots aimed at the tank: %d, of which %.1f %% took health from it\n", atTank,
                    100.0 * tankHits / std::max(1, atTank));
        std::printf("  shots aimed at a crate: %d, of which %.1f %% took it\n", atCrate,
                    100.0 * cratesTaken / std::max(1, atCrate));
        std::printf("  shots per destroyed tank: %.1f (%d shots, %zu tanks)\n",
                    double(computerShots) / double(std::max<std::size_t>(1, shots.size())), computerShots, shots.size());
    }
}

}  // namespace

int main() {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    thinkingTimes();
    strength();
    return 0;
}
