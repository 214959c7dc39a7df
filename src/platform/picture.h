#pragma once
// A picture as the controls hold it: plain pixels, shared between sprites.
#include <cstdint>
#include <memory>
#include <vector>

namespace gv {

// A colour is one integer, red + 256 x green + 65536 x blue (red in the low byte).
using Colour = std::int32_t;

constexpr Colour rgb(int r, int g, int b) { return r + 256 * g + 65536 * b; }
constexpr int redOf(Colour c) { return c & 255; }
constexpr int greenOf(Colour c) { return (c >> 8) & 255; }
constexpr int blueOf(Colour c) { return (c >> 16) & 255; }

struct Picture {
    int width = 0;
    int height = 0;
    // Row-major, one value per pixel: colour | alpha << 24. Alpha 0 is fully transparent, 255 opaque.
    std::vector<std::uint32_t> pixels;

    Picture() = default;
    Picture(int w, int h, std::uint32_t fill = 0) : width(w), height(h), pixels(std::size_t(w) * std::size_t(h), fill) {}

    std::uint32_t at(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    std::uint32_t& at(int x, int y) { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    static std::uint32_t opaque(Colour c) { return std::uint32_t(c) | 0xFF000000u; }
    static int alphaOf(std::uint32_t px) { return int(px >> 24); }
};

using PictureRef = std::shared_ptr<const Picture>;

}  // namespace gv
