#pragma once
// The one rounding of the program: canvas coordinates and the simulation's [v] alike.
#include <algorithm>
#include <cfloat>
#include <cmath>

namespace gv {

// Rounds to the nearest whole number, halves to the even one: exactly std::nearbyint (the same rounding
// mode, the same signed zeros) without its library call. Adding and taking away 2^52 leaves no room for
// a fraction, so the addition does the rounding; values that large are whole already.
static_assert(FLT_EVAL_METHOD == 0, "sums of doubles are rounded to double at once");
inline double roundHalfEven(double v) {
    constexpr double kNoFraction = 0x1p52;
    if (!(std::fabs(v) < kNoFraction)) return v;  // also NaN
    const double r = v >= 0 ? (v + kNoFraction) - kNoFraction : (v - kNoFraction) + kNoFraction;
    return std::copysign(r, v);
}

// Places on the window are kept in fifteenths of a pixel (twips): the controls' boxes, and the places of
// the tanks and the crate on the battlefield, which the battle's rules read.
inline double twips(double v) {
    if (!std::isfinite(v)) return 0;
    v = std::clamp(v, -1e7, 1e7);
    return std::nearbyint(v * 15) / 15;
}

}  // namespace gv
