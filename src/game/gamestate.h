#pragma once
// Every variable of the game besides what the controls hold. One record, owned by the window.
#include <cstdint>
#include <string>
#include <vector>

#include "battle/ground.h"

namespace gv {

namespace mode {
// The value of `GameState::GameMode`; 0 before the first game.
enum Id : int { HotSeat = 1, Computer = 2, Host = 3, Joiner = 4 };
}  // namespace mode

struct GameState {
    // Mode and players
    std::uint8_t GameMode = 0;  // a `mode::Id`: hot-seat, against the computer, network host or joiner
    double TurnPlayer = 0;      // the player (1 or 2) whose turn comes next
    Flag WorldBusy = False;     // a battlefield is being built
    Flag CzechUi = False;

    // Battlefield
    GroundArray Ground;
    Flag HellMode = False;
    Flag HellVariant = False;
    double MoonFallTime = 0;
    std::string RandomSeed;

    // Shell in flight
    std::int32_t Gravity = 0;
    float ShotX0 = 0, ShotY0 = 0;
    double ShotVx = 0, ShotVy = 0;
    double ShotTime = 0;
    double ShellX = 0, ShellY = 0;
    std::int16_t ShellDir = 0;
    Flag RollDownhill = False;
    Flag RollUphill = False;
    std::uint8_t RollTicks = 0;
    std::uint8_t BounceCount = 0;

    // Health
    double Health1 = 0, Health2 = 0;

    // Wind
    float Wind = 0;
    std::string PeerWind;

    // Bonus crate
    Flag BonusActive = False;
    double BonusShotsLeft = 0;
    double BonusFallTime = 0;

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
    // The battle is over (a tank was destroyed); set once, cleared by the next battlefield.
    Flag BattleOver = False;
    // Each tank's explosion frame counter, started from `ShellDir` when its health drops below 1, and the
    // tanks that have begun to explode (a tank can drop there later in the shot that ended the battle).
    int ExplosionFrame1 = 0;
    int ExplosionFrame2 = 0;
    Flag Exploding1 = False;
    Flag Exploding2 = False;
};

}  // namespace gv
