#pragma once
// What sets each kind of shell apart, in one table: what it does where it meets the ground, its crater,
// what a direct hit does, its launch, how often crates hold it, what the expert makes of one in a crate,
// and its name and what it does in both languages. A new kind is an entry here, its number in kinds.h and
// its crate's picture (tools/artgen/art_crates.cpp).
#include "battle/kinds.h"

namespace gv::battle {

// What a shell does where it meets the ground (see effects.h).
enum class Contact { Crater, Teleport, Pit, Mound, Leveller, Piercing, Drill, Nuke, Quake, Roll, Bounce };

struct ShellTraits {
    Contact contact;
    double craterRadius;  // how far its contact reaches into the ground, and the size of its flash
    bool hitsTanks;       // it can hit the opponent's tank directly
    double hitLoss;       // the health a direct hit takes
    effect::Id hitSound, launchSound;
    int crates;                           // how many of the 25 equally likely crate draws give it
    double expertWorth;                   // what the expert reckons it worth to win, in the opponent's health
    const char *czech, *english;          // its name, for the help and the weapon slot ("" for none)
    const char *czechWhat, *englishWhat;  // what it does, for the help
};

// A kind's traits; a kind the game does not know is a standard shell that cannot hit a tank.
const ShellTraits& Shell(int kind);

}  // namespace gv::battle
