#pragma once
// The battle's hash after a hand-over: what both copies of a network battle must agree on, and what a
// record keeps to check a battle computed again. It reads the ground, the health, the tanks' places while
// the battle lasts, the slots, the crate (not its height while it falls: that follows each machine's
// clock) and the wind the last shot flew with.
#include <cstdint>

#include "battle/state.h"

namespace gv::battle {

std::uint64_t Hash(const State& s, float shotWind);

}  // namespace gv::battle
