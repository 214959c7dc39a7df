#pragma once
// Battles played headless by a scripted player, for the records they leave.
#include <regex>

#include "../support/game_fixture.h"
#include "game/playback.h"

namespace gv::testing {

// The file with the first match of `pattern` changed to `replacement`.
inline std::string changed(const std::string& text, const std::string& pattern, const std::string& replacement) {
    return std::regex_replace(text, std::regex(pattern), replacement, std::regex_constants::format_first_only);
}

// The player whose turn it is fires a random aim; now and then while a crate still falls. `shots` turns at
// the most; returns when the battle is over or the turns are used up, with nothing of a shot running.
// `beforeShot` sees the game just before each of the script's shots.
inline void playScripted(Headless& h, Random& aims, int shots, const std::function<void()>& beforeShot = {}) {
    Mainfrm& g = h.game;
    auto turnReady = [&] { return g.state.BattleOver == True || (idle(g) && (g.Frame1.enabled() || g.Frame2.enabled())); };
    for (int s = 0; s < shots; ++s) {
        h.loop.waitUntil(turnReady);
        if (g.state.BattleOver == True) break;
        if (g.bonusfalltimer.enabled() && aims.Rnd() < 0.5) h.loop.waitUntil([&] { return !g.bonusfalltimer.enabled(); });
        const bool one = g.Frame1.enabled();
        (one ? g.sila1 : g.sila2).setText(std::to_string(int(aims.Rnd() * 110) + 50));
        (one ? g.uhel1 : g.uhel2).setText(std::to_string(int(aims.Rnd() * 70) + 10));
        if (beforeShot) beforeShot();
        g.keyDown(Key::Space);
        h.loop.waitUntil([&] { return !g.hideit.enabled(); });
    }
    h.loop.waitUntil([&] { return g.state.BattleOver == True ? !g.tankexpl.enabled() && !g.showit.enabled() : turnReady(); });
}

}  // namespace gv::testing
