#pragma once
// Every variable of the game besides what the controls hold: the battle's own state and what the window, the
// link and the sound keep around it. One record, owned by the window.
#include <cstdint>
#include <string>
#include <vector>

#include "battle/kinds.h"
#include "battle/state.h"

namespace gv {

struct GameState : battle::State {
    // Mode and players
    std::uint8_t GameMode = 0;  // a `mode::Id`: hot-seat, against the computer, network host or joiner
    Flag WorldBusy = False;     // a battlefield is being built
    Flag CzechUi = False;

    // Battlefield
    std::string RandomSeed;

    // Wind
    std::string PeerWind;

    // Network
    std::string SendText;
    Flag PeerDrawn = False;
    Flag PeerShotDone = False;
    Flag PeerSeedReady = False;
    std::uint8_t PeerBonusKind = 0;
    std::int16_t PeerBonusX = 0;
    std::uint8_t PeerBonusShots = 0;

    // User interface and sound
    // (The bytes of the sound that plays, `SoundBuffer`, are kept by the sound output itself.)
    double ArrowPhase = 0;
    std::int16_t IntroX = 0, IntroY = 0;

    // Raised by every New Game: a handler that waited in an older battle returns without acting.
    std::uint32_t BattleNumber = 0;
};

}  // namespace gv
