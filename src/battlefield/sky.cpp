#include "battlefield/sky.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace gv {

namespace {

static_assert(Canvas::kHeight < SkyFill::kIntroFirstCentreY - 1, "the sky's centres lie below the canvas");

// Radii are counted in half pixels, so every one is a whole number k = 2r: from 3000 (r = 1500) down.
constexpr long long kOuterK = 3000;
constexpr int kMiddle = 400;  // the centres' column; columns x and 800 - x see the same distances

long long FloorSqrt(long long v) {
    auto s = static_cast<long long>(std::sqrt(double(v)));
    while (s * s > v) --s;
    while ((s + 1) * (s + 1) <= v) ++s;
    return s;
}

// One centre's circles seen from the pixels of a row, walked from the left edge to the middle column.
// In half pixels the squared distance d4 = (2dx)^2 + (2dy)^2 is whole and only shrinks on the way, and
// its root with it. A circle of radius k/2 drawn with a pen w wide covers the pixel when
// (k - w)^2 <= d4 <= (k + w)^2, the inner bound falling away when k < w.
struct CentreWalk {
    long long dy2x4 = 0, dx = 0, d4 = 0, root = 0;

    CentreWalk(int x, int y, double centreY) {
        const auto dy = static_cast<long long>(y - centreY);
        dy2x4 = 4 * dy * dy;
        dx = kMiddle - x;
        d4 = 4 * dx * dx + dy2x4;
        root = FloorSqrt(d4);
    }
    void next() {
        d4 -= 4 * (2 * dx - 1);
        --dx;
        while (root * root > d4) --root;
    }
    // The shade of the last (smallest) of this centre's circles that covers the pixel, or -1.
    long long lastShade(long long pen, long long innerK) const {
        const long long ceilRoot = root + (root * root != d4);
        const long long k = std::max(ceilRoot - pen, innerK);
        return k <= std::min(root + pen, kOuterK) ? kOuterK - k : -1;
    }
};

}  // namespace

std::vector<Colour> DaySkyShades(double R0, double G0, double B0) {
    std::vector<Colour> shades;
    for (double i = 800; i <= 1500; i += 0.5)
        shades.push_back(ComponentsToColour(R0 + (i - 800) / 4, G0 + (i - 800) / 5, B0 + (i - 800) / 7));
    return shades;
}

std::vector<Colour> HellSkyShades() {
    std::vector<Colour> shades;
    for (double i = 800; i <= 1500; i += 0.5) shades.push_back(ComponentsToColour(50 + (i - 800) / 3.5, 0, 0));
    return shades;
}

SkyFill::SkyFill(Canvas& canvas, std::vector<Colour> shades, double firstCentreY)
    : canvas_(canvas),
      shades_(std::move(shades)),
      pen_(canvas.drawWidth()),
      firstCentreY_(std::max(firstCentreY, double(Canvas::kHeight + 1))),
      reach_(Canvas::kHeight, 0) {}

void SkyFill::paintTo(std::size_t count) {
    const long long limit = 2 * static_cast<long long>(std::min(count, shades_.size()));
    const long long innerK = kOuterK - static_cast<long long>(shades_.size()) + 1;
    std::array<Colour, kMiddle + 1> row;  // the shades found along a row, up to the middle column
    for (int y = 0; y < Canvas::kHeight; ++y) {
        const int from = reach_[std::size_t(y)];
        int x = from;
        CentreWalk second(x, y, firstCentreY_ - 1);
        for (; x <= kMiddle; ++x, second.next()) {
            // Every row lies above both centres, so the first centre is the farther one and its last
            // circle over a pixel is never smaller than the second's; of two the same size the second
            // centre's is drawn later. Its circles count only where the second centre's miss.
            long long order = 2 * second.lastShade(pen_, innerK) + 1;
            if (order < 0) {
                const long long a = CentreWalk(x, y, firstCentreY_).lastShade(pen_, innerK);
                order = a < 0 ? -1 : 2 * a;
            }
            if (order >= limit) break;
            row[std::size_t(x)] = order < 0 ? -1 : shades_[std::size_t(order / 2)];  // -1: no circle covers it
        }
        if (x == from) continue;
        reach_[std::size_t(y)] = x;
        canvas_.paintRow(y, from, x - 1, [&](int i) { return row[std::size_t(i)]; });
        canvas_.paintRow(y, 2 * kMiddle - x + 1, 2 * kMiddle - from, [&](int i) { return row[std::size_t(2 * kMiddle - i)]; });
    }
}

}  // namespace gv
