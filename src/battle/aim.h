#pragma once
// An aim as a player writes it: force and angle as text, the way the aim boxes keep them, record them and
// send them to the peer. The rule that keeps them in range is the one a shot fires by.
#include <string>

namespace gv::battle {

constexpr double kMaxForce = 200, kMaxAngle = 180;

// The leading number of `text`, wrapped into 0..limit (one past the top gives 0, below 0 gives the top),
// with at most six decimals, cut rather than rounded: only the whole part is ever fired, and it stays as it
// is. Every shot message then fits its 64 bytes, whatever was typed.
std::string NormalisedAim(const std::string& text, double limit);

struct Aim {
    std::string force, angle;  // each normalised
    Aim(const std::string& f, const std::string& a) : force(NormalisedAim(f, kMaxForce)), angle(NormalisedAim(a, kMaxAngle)) {}
    double forceValue() const;
    double angleValue() const;
};

}  // namespace gv::battle
