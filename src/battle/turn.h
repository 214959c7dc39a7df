#pragma once
// The turn around a shot: the shot fired, the wind drawn for the next one, the crate dropped at a
// hand-over and its fall, the battle's end and the wrecks of the tanks it destroyed. Each is one step on
// the state; the window paces them with its timers, a check of a record with its own clock.
#include <functional>

#include "battle/random.h"
#include "battle/state.h"

namespace gv::battle {

// The pace of a turn, which decides where a falling crate is when a shell meets it: the game's ticks;
// the players' panels sliding out of sight before the shell flies and back after it, 20 pixels a tick
// over their width; the hand-over's report at once, then the next turn's arrow a second later.
constexpr int kTickMs = 40;
constexpr int kPanelWidth = 297, kPanelStep = 20;
enum class HandOver { Report = 1, Arrow = 1000, Slide = kTickMs };  // each phase's interval
constexpr int kComputerWaitMs = 500;  // a computer's turn begins this long after its panels are back

// One step of the panels out of sight (true once they are), or back home (true once they are).
inline bool PanelsOut(State& s) {
    s.Panels -= kPanelStep;
    return s.Panels < -kPanelWidth;
}
inline bool PanelsHome(State& s) {
    s.Panels += kPanelStep;
    return s.Panels == 0;
}

// The wind of a shot: six draws of 0 to 10, summed and cut, less 30.
constexpr int kWindLow = -30, kWindHigh = 29;
// A crate lives for this many shots.
constexpr int kCrateShotsLow = 2, kCrateShotsHigh = 7;

// `player` fires: a crate counts the shot, and the shell leaves the tank.
void FireShell(State& s, int player, double force, double angle);
float DrawWind(Random& random);

// The shell a crate holds for a draw in [0, 1): every kind once, then the common ones again.
int CrateKind(double r);
struct Crate {
    int kind = 0;
    double left = 0;   // its box's left side
    double shots = 0;  // the shots it stays for
};
// A new crate's draws: what it holds (hell has only nukes, the draw is still made), where it falls (its
// middle more than 70 pixels from each tank's) and how long it stays.
Crate DrawCrate(const State& s, Random& random);
// The crate appears above the field and starts to fall.
void DropCrate(State& s, const Crate& c);
// One step of its fall; false once it lies on the ground (or was taken on the way).
bool CrateFall(State& s);

// A tank has lost its last health: the battle is over (once) and each such tank starts to explode, its
// wreck where the tank stands. Returns whether a tank started to explode now.
bool BattleEnds(State& s);
// One step of the wrecks' explosions; `sound` hears the blast and the debris. False once both are gone.
bool ExplosionTick(State& s, Random& random, const std::function<void(int effect)>& sound);

}  // namespace gv::battle
