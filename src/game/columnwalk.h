#pragma once
// The walk over every column a shell crossed in one step, so a fast shell cannot jump over a tree, a tank
// or a thin ridge. The flying shell and the computer's trial shots both walk this way.
#include <cmath>

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

}  // namespace gv
