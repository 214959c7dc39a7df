#pragma once
// The places a shell can meet, shared by the flying shell and the computers that fly trial shells: a
// tank's box, the sun's (and the moon's), a crate's, and the game's own pi.
namespace gv::geometry {

// The pi every copy of the game turns degrees with, so the simulated and the real shell agree.
constexpr double kPi = 3.1415926;

// An open box: a point on its edge is outside.
struct Box {
    double left, top, right, bottom;
    bool holds(double x, double y) const { return left < x && x < right && top < y && y < bottom; }
};

// The hull of a 40-pixel tank sprite at (left, top), without its barrel and tracks.
inline Box TankBox(double left, double top) { return {left + 5, top + 10, left + 35, top + 40}; }
// The round body inside a 72-pixel sun or moon sprite.
inline Box BodyBox(double left, double top) { return {left + 6, top + 6, left + 64, top + 64}; }
// A 32-pixel crate.
inline Box CrateBox(double left, double top) { return {left, top, left + 32, top + 32}; }

}  // namespace gv::geometry
