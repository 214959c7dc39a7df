#pragma once
// What the window shows beyond the battle itself: the session's score, the help, the numbers and the shot
// trace. Nothing here is read by a battle.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/eventloop.h"

namespace gv {

struct ViewExtras {
    std::map<std::string, std::array<int, 2>> scores;  // wins of players 1 and 2, by mode and peer
    std::uint32_t scoredBattle = 0;
    std::string scoredKey;
    int scoredWinner = 0;
    std::unique_ptr<Timer> noteTimer;  // takes a short note off the banner again
    std::string note, noteBefore[2];
    std::string resultLine[2];  // the last battle's result, in English and in Czech
    bool noteVisibleBefore = false;
    bool noteBelow = false;  // a panel covered the banner: the note went below the menu
    ControlArray<Label> helpLines;
    bool helpHeldBattle = false;  // the help holds a battle that took input
    Button* helpDefaultBefore = nullptr;
    bool numbers = false;
    std::array<double, 2> shownHealth{1000, 1000};
    std::array<int, 2> floatTicks{};
    std::unique_ptr<Timer> damageTimer;
    Label* windNumber = nullptr;  // under the wind's arrow, sliding out and back with it
    bool trace = false;
    int tracePlayer = 0, traceTick = 0;
    std::array<int, 2> traceShown{};
    std::array<std::vector<Image*>, 2> traceDots;
};

}  // namespace gv
