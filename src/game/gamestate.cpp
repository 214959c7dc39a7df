#include "game/gamestate.h"

#include <algorithm>
#include <cmath>

namespace gv {

int GroundArray::column(double x) {
    if (!(x == x)) return kFirst;  // NaN reads the edge column rather than anything outside
    if (x <= kFirst) return kFirst;
    if (x >= kLast) return kLast;
    return std::clamp(static_cast<int>(std::nearbyint(x)), kFirst, kLast);
}

std::int16_t GroundArray::at(double x) const { return (*this)(column(x)); }
std::int16_t& GroundArray::at(double x) { return (*this)(column(x)); }

}  // namespace gv
