#pragma once
// Every variable of the game besides what the controls hold. One record, owned by the window.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "game/simmath.h"

namespace gv {

// Flags are 16-bit integers: True is -1, False is 0.
using Flag = std::int16_t;
constexpr Flag True = -1;
constexpr Flag False = 0;
constexpr Flag flag(bool b) { return b ? True : False; }

// The terrain: the row of the topmost ground pixel for every column -1..800.
class GroundArray {
public:
    static constexpr int kFirst = -1;
    static constexpr int kLast = 800;
    std::int16_t& operator()(int x) { return rows_[std::size_t(x - kFirst)]; }
    std::int16_t operator()(int x) const { return rows_[std::size_t(x - kFirst)]; }
    // The lookup every computed column goes through: rounded half to even and clamped to -1..800.
    std::int16_t at(double x) const { return (*this)(column(x)); }
    std::int16_t& at(double x) { return (*this)(column(x)); }
    static int column(double x) {
        if (!(x == x)) return kFirst;  // NaN reads the edge column rather than anything outside
        if (x <= kFirst) return kFirst;
        if (x >= kLast) return kLast;
        return static_cast<int>(simmath::Round(x));
    }
    const std::array<std::int16_t, 802>& rows() const { return rows_; }
    void fill(std::int16_t v) { rows_.fill(v); }

private:
    std::array<std::int16_t, 802> rows_{};
};

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
