#pragma once
// The battlefield's ground as the rules see it, and the game's yes/no values.
#include <array>
#include <cstdint>

#include "battle/simmath.h"

namespace gv {

// Flags are 16-bit integers: True is -1, False is 0.
using Flag = std::int16_t;
constexpr Flag True = -1;
constexpr Flag False = 0;
constexpr Flag flag(bool b) { return b ? True : False; }

// The terrain: the row of the topmost ground pixel for every column -1..800.
class GroundArray {
public:
    static constexpr int kFirst = -1;
    static constexpr int kLast = 800;
    std::int16_t& operator()(int x) { return rows_[std::size_t(x - kFirst)]; }
    std::int16_t operator()(int x) const { return rows_[std::size_t(x - kFirst)]; }
    // The lookup every computed column goes through: rounded half to even and clamped to -1..800.
    std::int16_t at(double x) const { return (*this)(column(x)); }
    std::int16_t& at(double x) { return (*this)(column(x)); }
    static int column(double x) {
        if (!(x == x)) return kFirst;  // NaN reads the edge column rather than anything outside
        if (x <= kFirst) return kFirst;
        if (x >= kLast) return kLast;
        return static_cast<int>(simmath::Round(x));
    }
    const std::array<std::int16_t, 802>& rows() const { return rows_; }
    void fill(std::int16_t v) { rows_.fill(v); }

private:
    std::array<std::int16_t, 802> rows_{};
};

}  // namespace gv
