#pragma once
// One battle as the rules see it, as plain data: the ground, the tanks, the shell in flight, the wind and
// the crate. The window keeps what it shows of it in its sprites and boxes; the rules read and change this.
#include <cstdint>
#include <vector>

#include "battle/ground.h"

namespace gv::battle {

// Where a tank, the sun, the moon or the crate is: the top left corner of its box (a tank's is 40 pixels, the sun's
// 72, the crate's 32).
struct Place {
    double left = 0, top = 0;
};

struct State {
    double TurnPlayer = 0;  // the player (1 or 2) whose turn comes next; the shooter of a shot in flight is the other

    // Battlefield
    GroundArray Ground;
    Flag HellMode = False;
    Flag HellVariant = False;
    // The sun, when the sky has it: a shell that enters its body is swallowed.
    Flag SunUp = False;
    Place Sun;
    // The moon, on a night sky: a shell that enters its body knocks it down and flies on.
    Flag MoonUp = False;
    Place Moon;
    double MoonFallTime = 0;
    Flag MoonFalling = False;
    // The trees: a shell near the ground burns a live one and flies on; the ground's blasts sweep them away.
    struct Tree {
        double left = 0, top = 0, width = 0, height = 0;
        int look = 0;          // 0 and 1 green, 2 and 3 snowy
        bool standing = true;  // false: swept away
        bool burnt = false;    // hell's trees are burnt from the start
    };
    std::vector<Tree> Trees;

    // The tanks
    Place Tank1, Tank2;
    double Health1 = 0, Health2 = 0;
    // The shell each holds for its next shot, won from a crate: a `weapon::Kind`, 0 (the standard shell)
    // when the slot is empty.
    int Weapon1 = 0, Weapon2 = 0;

    // Shell in flight
    std::int32_t Gravity = 0;
    float ShotX0 = 0, ShotY0 = 0;
    double ShotVx = 0, ShotVy = 0;
    double ShotTime = 0;
    double ShellX = 0, ShellY = 0;
    double ShellPrevX = 0, ShellPrevY = 0;  // where the shell was before this tick's step
    std::int16_t ShellDir = 0;
    Flag RollDownhill = False;
    Flag RollUphill = False;
    std::uint8_t RollTicks = 0;
    std::uint8_t BounceCount = 0;

    // Wind
    float Wind = 0;

    // Bonus crate
    Flag BonusActive = False;
    double BonusShotsLeft = 0;
    double BonusFallTime = 0;
    int CrateKind = 0;                   // what it holds
    double CrateLeft = 0, CrateTop = 0;  // its 32-pixel box
    Flag CrateFalling = False;           // still on its way down: it cannot be hit yet

    // Where player 1's panel stands in a hand-over: 0 at home, less while it slides out of sight (the
    // shell flies once it is out; the next turn begins once it is back).
    int Panels = 0;

    // The battle is over (a tank was destroyed); set once, cleared by the next battlefield.
    Flag BattleOver = False;
    // Each tank's explosion: its frame counter, started from `ShellDir` when its health drops below 1, and
    // its wreck's box as it swells and shakes away (a tank can drop there later in the shot that ended the
    // battle). A wreck stays where its tank settles.
    struct Wreck {
        double left = 0, top = 0, width = 40, height = 40;
        bool shown = true;
    };
    Flag Exploding1 = False, Exploding2 = False;
    int ExplosionFrame1 = 0, ExplosionFrame2 = 0;
    Wreck Wreck1, Wreck2;

    Place& tank(int player) { return player == 1 ? Tank1 : Tank2; }
    const Place& tank(int player) const { return player == 1 ? Tank1 : Tank2; }
    double& health(int player) { return player == 1 ? Health1 : Health2; }
    int& weapon(int player) { return player == 1 ? Weapon1 : Weapon2; }
    int weapon(int player) const { return player == 1 ? Weapon1 : Weapon2; }
    Flag& exploding(int player) { return player == 1 ? Exploding1 : Exploding2; }
    int& explosionFrame(int player) { return player == 1 ? ExplosionFrame1 : ExplosionFrame2; }
    Wreck& wreck(int player) { return player == 1 ? Wreck1 : Wreck2; }
    // The player whose shell flies (the turn has already passed to the other).
    int shooter() const { return TurnPlayer == 2 ? 1 : 2; }
};

}  // namespace gv::battle
