#include "battlefield/ground.h"

#include <algorithm>

namespace gv::battlefield {

using simmath::Int;
using simmath::Round;

void ShapeTerrain(GroundArray& ground, Random& random) {
    double h = Int(random.Rnd() * 399) + 1;
    double period = Int(random.Rnd() * 50 + 15);
    double amp = Int(random.Rnd() * 10) + 6;
    double slope = 0;
    for (int x = -1; x <= 800; ++x) {
        ground(x) = std::int16_t(Round(600 - h));
        double r = random.Rnd();
        if (Int(r * period) == period - 1) {
            double magnitude = random.Rnd();
            slope = (magnitude * amp / 8) * (Int(random.Rnd() * 5) - 2);
        }
        h += slope;
        if (h < 1) h = 1, slope = -slope;
        if (h > 400) h = 400, slope = -slope;
    }
}

std::uint64_t GroundDraws(const GroundArray& ground, bool hell) {
    // For each row, the painted rows at or below it: 600 down to 190 in steps of two, each with the row
    // five below it where that is on the canvas. The last entry is for ground below the canvas.
    static const auto paintedBelow = [] {
        std::array<std::uint64_t, Canvas::kHeight + 1> n{};
        for (int y = 600; y >= 190; y -= 2) {
            ++n[std::size_t(y)];
            if (y + 5 <= 600) ++n[std::size_t(y) + 5];
        }
        for (std::size_t y = Canvas::kHeight; y-- > 0;) n[y] += n[y + 1];
        return n;
    }();
    if (hell) return paintedBelow[0] * Canvas::kWidth;
    std::uint64_t draws = 0;
    for (int x = 0; x < Canvas::kWidth; ++x) draws += paintedBelow[std::size_t(std::clamp<int>(ground(x), 0, Canvas::kHeight))];
    return draws;
}

}  // namespace gv::battlefield
