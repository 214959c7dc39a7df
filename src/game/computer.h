#pragma once
// The window's onlooker, which hears what the game does that nothing in it reads back.
#include "computer/thought.h"

namespace gv {

// Told what the window does that nothing in the game reads back: only tests and benchmarks watch it.
struct Onlooker {
    virtual ~Onlooker() = default;
    virtual void EffectPlayed(int /*id*/) {}  // every effect the game asks for, in order
    // Each time a computer's turn ends (fired, or given up when the battle ended): what it thought.
    virtual void ComputerThinks(const ComputerThought& /*thought*/) {}
    // Each battle hash point both sides have: whether the two copies agree.
    virtual void HashesCompared(bool /*same*/) {}
};

}  // namespace gv
