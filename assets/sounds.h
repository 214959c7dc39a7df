#pragma once
// The game's sound effects: complete RIFF wave files embedded into the program, one per effect id.
#include <cstdint>
#include <span>
#include <vector>

namespace gv::assets {

// The wave file bytes of effect `id`; an empty span for an id that has no sound.
std::span<const std::uint8_t> sound(int id);

// The ids that have a sound, ascending.
const std::vector<int>& soundIds();

}  // namespace gv::assets
