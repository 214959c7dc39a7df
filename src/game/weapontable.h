#pragma once
// What sets each kind of shell apart, in one table (`Mainfrm::Weapon`): its contact with the ground, its
// crater, what a direct hit does, its launch and how often crates hold it.
#include "game/kinds.h"

namespace gv {

class Mainfrm;

struct WeaponTraits {
    bool (Mainfrm::*contact)(int kind, double x, double y);  // what it does where it meets the ground
    double craterRadius;  // how far its contact reaches into the ground, and the size of its flash
    bool hitsTanks;       // it can hit the opponent's tank directly
    double hitLoss;       // the health a direct hit takes
    effect::Id hitSound, launchSound;
    int crates;  // how many of the 25 equally likely crate draws give it
};

}  // namespace gv
