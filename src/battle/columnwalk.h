#pragma once
// The walk over every column a shell crossed in one step, so a fast shell cannot jump over a tree, a tank
// or a thin ridge. The flying shell and the computer's trial shots both walk this way.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

#include "battle/geometry.h"
#include "battle/ground.h"

namespace gv {

// -1, 0 or +1.
inline int sign(double v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

enum class ColumnWalkEnd { Crossed, Stopped, LeftField };

// How the height at a column is interpolated along the step: the flying shell divides by the sideways
// distance before it multiplies by the fall, the computer's simulation multiplies first. The two round
// differently and each must keep its own results.
enum class SweepOrder { DivideFirst, MultiplyFirst };

// Walks from column `x0` to `x1` in whole steps (always at least the first column; +1 when the shell did not
// move sideways), with the height on the straight line from (x0, y0) to (x1, y1); a step without sideways
// movement takes the end height. A column left of 0 or right of `rightEdge` ends the walk: the shell left the
// field. `visit(x, y)` returns false to stop the walk.
template <class Visit>
ColumnWalkEnd WalkColumns(double x0, double y0, double x1, double y1, double rightEdge, SweepOrder order, Visit&& visit) {
    const int step = x1 < x0 ? -1 : 1;
    const double dx = x1 - x0, dy = y1 - y0;
    for (double x = x0; x == x0 || (step > 0 ? x <= x1 : x >= x1); x += step) {
        double y = y0;
        if (dy != 0) {
            if (dx == 0)
                y = y1;
            else if (order == SweepOrder::DivideFirst)
                y = y0 + sign(dy) * std::fabs(x - x0) / std::fabs(dx) * std::fabs(dy);
            else
                y = y0 + sign(dy) * std::fabs(x - x0) * std::fabs(dy) / std::fabs(dx);
        }
        if (x < 0 || x > rightEdge) return ColumnWalkEnd::LeftField;
        if (!visit(x, y)) return ColumnWalkEnd::Stopped;
    }
    return ColumnWalkEnd::Crossed;
}

// The highest ground (the smallest row) over any run of columns, in two lookups: for every column and
// every power of two, the highest ground of the run of that length starting there. It follows the ground
// it was last given, and is built again only when that has changed.
class HighestGround {
public:
    void follow(const GroundArray& G) {
        if (built_ && G.rows() == runs_[0]) return;
        built_ = true;
        runs_[0] = G.rows();
        for (std::size_t k = 1; k < kPowers; ++k)
            for (std::size_t c = 0; c + (std::size_t(1) << k) <= kColumns; ++c)
                runs_[k][c] = std::min(runs_[k - 1][c], runs_[k - 1][c + (std::size_t(1) << (k - 1))]);
        top_ = over(GroundArray::kFirst, GroundArray::kLast);
    }
    // The highest ground of the whole field.
    double top() const { return top_; }
    // Over the columns the ground lookup reads from `first` to `last` (rounded and clamped), `first` <= `last`.
    double over(double first, double last) const {
        const auto a = std::size_t(GroundArray::column(first) - GroundArray::kFirst);
        const auto b = std::size_t(GroundArray::column(last) - GroundArray::kFirst);
        // The longest power of two in the run of b - a + 1 columns (bit_width(n >> 1) is bit_width(n) - 1
        // for n >= 1, and cannot wrap).
        const auto k = std::min(std::size_t(std::bit_width((b - a + 1) >> 1)), kPowers - 1);
        return std::min(runs_[k][a], runs_[k][b + 1 - (std::size_t(1) << k)]);
    }

private:
    static constexpr std::size_t kColumns = GroundArray::kLast - GroundArray::kFirst + 1;
    static constexpr std::size_t kPowers = 10;  // the longest run a lookup needs, 802 columns, is under 2^10
    bool built_ = false;
    double top_ = 0;
    std::array<std::array<std::int16_t, kColumns>, kPowers> runs_{};
};

// The box one step of a flight stays in, a little generous for the rounding of the walk's heights: a
// walk over the step cannot meet what lies outside it. Most steps of a flight pass high over everything
// and need no walk column by column.
struct StepBounds {
    static constexpr double kSlack = 0.001;
    double left, top, right, bottom;
    StepBounds(double x0, double y0, double x1, double y1)
        : left(std::min(x0, x1)),
          top(std::min(y0, y1) - kSlack),
          right(std::max(x0, x1)),
          bottom(std::max(y0, y1) + kSlack) {}
    // The walk stays on the field (see `WalkColumns`).
    bool onField(double rightEdge) const { return left >= 0 && right <= rightEdge; }
    bool above(const HighestGround& ground) const { return bottom <= ground.top() || bottom <= ground.over(left, right); }
    bool reaches(const geometry::Box& b) const {
        return left - kSlack < b.right && right + kSlack > b.left && top < b.bottom && bottom > b.top;
    }
};

}  // namespace gv
