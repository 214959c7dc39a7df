#pragma once
// Every sine, cosine and square root of the simulation goes through here, so that both copies of a network
// game compute the same battle and a portable implementation can take over in one place.
#include <cmath>

#include "platform/rounding.h"

namespace gv::simmath {

inline double Sin(double x) { return std::sin(x); }
inline double Cos(double x) { return std::cos(x); }
inline double Sqrt(double x) { return std::sqrt(x); }

// [v]: the nearest whole number, halves to the even one.
inline double Round(double v) { return roundHalfEven(v); }
// Int(v): cut toward minus infinity.
inline double Int(double v) { return std::floor(v); }

}  // namespace gv::simmath
