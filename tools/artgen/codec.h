#pragma once
// How a picture is packed into the program: a palette of its colours, then the palette indices
// squeezed by a small LZ77 (runs of one colour and repeated dither patterns both become short copies).
//
// Layout: varint width, varint height, varint colour count, 4 bytes per colour (little endian,
// colour | alpha << 24), then tokens until width x height indices (1 byte each, or 2 when there are
// more than 256 colours) are out:
//   0lllllll             literal: the next l + 1 bytes as they are
//   1lllllll [varint] D  copy: l + 3 bytes (l = 127: 130 + the varint) from D + 1 bytes back
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace gv::artcodec {

struct Decoded {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

std::vector<std::uint8_t> encode(int width, int height, const std::vector<std::uint32_t>& pixels);

// nullopt when the data is cut short or does not add up.
std::optional<Decoded> decode(const std::uint8_t* data, std::size_t size);
// Only the width and height, without unpacking (no pixels); nullopt as for decode when they cannot be read.
std::optional<Decoded> measure(const std::uint8_t* data, std::size_t size);

}  // namespace gv::artcodec
