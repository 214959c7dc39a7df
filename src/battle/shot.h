#pragma once
// A shot as the rules play it: one tick of the shell's flight and everything it meets on the way (the
// trees, the ground with each kind's own contact, the moon, the sun, the opponent's tank, the crate), the
// settling that follows, and the end of the shot. The rules change the state and tell a `ShotView` what
// happened, as it happens: the window shows it, a check of a record or a test only counts it. Trees, the
// sun and the moon are placed here too, from the battle's generator.
#include "battle/effects.h"
#include "battle/random.h"
#include "battle/state.h"

namespace gv::battle {

enum class ShotEnd {
    Spent,      // left the field, the sun, or any ground contact that ends the shot
    DirectHit,  // a tank
    CrateTaken
};

// What the one who shows the battle is told during a shot, in the order it happens.
class ShotView {
public:
    virtual ~ShotView() = default;
    virtual void Sound(int effect) = 0;
    // A short flash around (x, y), as wide as a crater of `radius`.
    virtual void Flash(double x, double y, double radius) = 0;
    virtual void ShellHidden() = 0;  // the shell went into the ground: it is no longer seen
    // The ground moved in column `c` from row `before` to `after`: a hole shows its earth darkened.
    virtual void Dug(double c, double before, double after) = 0;
    // One pixel's earth darkened by `q` (the piercing shell's mark, the drill's point).
    virtual void Marked(double x, double y, double q) = 0;
    virtual void Raised(double c, double y, const Earth& colour) = 0;  // a mound's new earth, pixel by pixel
    virtual void TreesChanged() = 0;
    virtual void TankJumped(int player) = 0;
    // Tanks, trees and the crate sit where the state has them, and the health bars say what it says.
    virtual void Settled() = 0;
    virtual void MoonStruck() = 0;
    // The crate was taken: its shell waits in the shooter's slot, or the health was added.
    virtual void CrateTaken(int kind) = 0;
    virtual void ShotOver(ShotEnd why) = 0;
    // A tank may have lost its last health: the battle ends (once), and each such tank explodes.
    virtual void BattleMayEnd() = 0;
    // Between the leveller's columns: the cut shows as it goes.
    virtual void Cutting() = 0;
    // The quake's seed, the same for both copies of a network battle, is in the generator. False when it
    // never came (the peer left): the quake does nothing.
    virtual bool QuakeSeeded() = 0;
    // The battle was left meanwhile (a new one began, the window closed): the rules stop at once.
    virtual bool Left() = 0;
};

enum class Tick {
    Moved,  // the shell is where the state says (or the shot ended on the way)
    Held,   // a bounce: the shell stays at its contact this tick
    Left    // the battle was left during the tick
};
// One tick of the shell in flight (or rolling): the step, then every column it crossed.
Tick ShellTick(State& s, Random& random, ShotView& view);

// Parts of a tick on their own: what the shell meets at one column of its path (true: it flies on), the
// contact of the shooter's weapon with the ground (true: the common aftermath follows), that aftermath,
// and a roller's blast where it comes to rest.
bool ColumnTest(State& s, Random& random, ShotView& view, double x, double y);
bool GroundContact(State& s, Random& random, ShotView& view, int kind, double x, double y);
void Aftermath(State& s, Random& random, ShotView& view);
void RollExplode(State& s, Random& random, ShotView& view, double x);

// A landed crate sits on the ground under its middle.
inline void SeatCrate(State& s) {
    if (s.CrateFalling == True) return;
    s.CrateTop = s.Ground.at(s.CrateLeft + 16) - 32;
}
// A shot is over (or a turn passed): a crate whose shots are used up goes.
inline void AgeCrate(State& s) {
    if (s.BonusActive == True && s.BonusShotsLeft < 1) s.BonusActive = False;
}
// Each tank within the blast's reach loses what it takes at its distance.
inline void Splash(State& s, double cx, double cy, const Blast& blast) {
    for (int p = 1; p <= 2; ++p) s.health(p) -= BlastLoss(blast, s.tank(p).left, s.tank(p).top, cx, cy);
}

// The trees of a new battlefield: how many, their sizes, places and kinds, in the order the generator
// gives them. `look`: green (0), snowy (2) or hell's burnt ones.
enum class TreeLook { Green, Snowy, Hell };
void PlantTrees(State& s, Random& random, TreeLook look);
// The sun's or the moon's place, somewhere more than 140 pixels above the ground under its middle.
Place SkyPlace(const State& s, Random& random);
// One step of the knocked moon's fall; false once it lies at the bottom.
bool MoonFall(State& s);

}  // namespace gv::battle
