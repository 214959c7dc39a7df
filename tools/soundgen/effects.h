#pragma once
// The game's sound effects: which ids exist, their wave formats, and how each one is made.
#include <cstdint>
#include <vector>

#include "synth.h"

namespace soundgen {

struct EffectInfo {
    int id;
    int rate;        // samples per second
    int bits;        // 8 (unsigned) or 16 (signed)
    double seconds;  // nominal length
    const char* what;
};

// Every effect, ascending by id.
const std::vector<EffectInfo>& effectTable();

// The finished samples of one effect (normalised, faded, DC free), before quantising.
Signal renderEffect(const EffectInfo& effect);

// The complete wave file of one effect.
std::vector<std::uint8_t> effectWave(const EffectInfo& effect);

}  // namespace soundgen
