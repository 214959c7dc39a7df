#pragma once
// What the computer players work with: one search's values, and what a turn's thinking came to.
#include <array>
#include <vector>

namespace gv {

// What a computer made of its turn, told to the onlooker. Only the tests and the benchmarks look at it.
struct ComputerThought {
    int player = 2, level = 0;              // who thought, at which level
    double xL = 0, xR = 0, yT = 0, yB = 0;  // the target box
    bool crate = false;                     // the bonus crate was the target
    std::vector<int> angles;                // the angle of every search, in the order searched
    int attempts = 0;                       // searches begun
    bool gaveUp = false;                    // no aim found: a random shot
    int angle = 0;                          // the aim chosen, before the aiming errors (player 2's way round)
    double force = 0;
    bool hits = false;                          // its own flight of that aim reached the target box
    std::vector<std::array<double, 2>> flight;  // that flight: where its shell was after each tick
    std::array<double, 2> losses{};             // the expert's reckoning of what that shot costs its own tank and the other
    bool passed = false;                        // no shell at all: the practice target, or an expert with no safe shot
    bool fired = false;                         // false when the turn had passed by the time the aim was written
};

// The working values of one search: start point, target box, weapon, the wind as the computer reckons it.
struct AimSearch {
    int me = 2;  // the side searching
    double x0 = 0, y0 = 0;
    double xL = 0, xR = 0, yT = 0, yB = 0;
    float wind = 0;
    bool drill = false;
    bool humanLower = false;  // the opponent stands lower than the searching tank
    int attempts = 0;
};

}  // namespace gv
