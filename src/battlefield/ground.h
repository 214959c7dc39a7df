#pragma once
// The battlefield's ground: its profile, drawn from the battle's generator, and the colours it is painted
// in, whose draws from the same generator come in a fixed order, so one seed fixes the whole field.
#include <array>
#include <cstdint>

#include "battle/ground.h"
#include "battle/random.h"
#include "battle/simmath.h"
#include "battlefield/sky.h"
#include "platform/controls.h"

namespace gv::battlefield {

// The ground's palette of one battle: grass, snow or hell.
enum class Palette { Grass, Snow, Hell };

// The terrain profile: straight slopes with kinks at random places, between a floor and a ceiling.
void ShapeTerrain(GroundArray& ground, Random& random);

// The ground's colours. With G = Ground(x) and the depth 600 - y, each gradient term is a / (600 - G) x depth;
// the quotient is taken once per column and multiplied by the depth per pixel, the same arithmetic in the
// same order as taking it afresh for every pixel. A column whose ground moved gets its quotients again.
class GroundPaint {
public:
    GroundPaint(Palette palette, std::array<double, 3> base, Random& random) : palette_(palette), base_(base), random_(random) {
        ground_.fill(-1);
    }

    Colour at(int x, double G, double depth, double hellDraw) {
        auto& q = quotients_[std::size_t(x)];
        if (ground_[std::size_t(x)] != G) {
            ground_[std::size_t(x)] = G;
            const double below = 600 - G;
            switch (palette_) {
                case Palette::Grass: q = {120 / below, 0}; break;
                case Palette::Snow: q = {(200 - base_[0]) / below, (200 - base_[1]) / below}; break;
                case Palette::Hell: q = {220 / below, 60 / below}; break;
            }
        }
        switch (palette_) {
            case Palette::Grass: {
                // Green, lightest at the surface; the red and blue bases are whole numbers in range.
                const double g = base_[1] + simmath::Int(random_.Rnd() * 40) + q[0] * depth;
                return rgb(int(base_[0]), ColourComponent(g), int(base_[2]));
            }
            case Palette::Snow: {
                // The blue term uses the red base: the surface often tints blue.
                const double b = base_[2] + simmath::Int(random_.Rnd() * 50) + q[0] * depth;
                return ComponentsToColour(base_[0] + q[0] * depth, base_[1] + q[1] * depth, b);
            }
            case Palette::Hell:
                return rgb(ColourComponent(255 - q[0] * depth - hellDraw), ColourComponent(85 - q[1] * depth - hellDraw), 0);
        }
        return 0;
    }

private:
    Palette palette_;
    std::array<double, 3> base_;
    Random& random_;
    std::array<double, Canvas::kWidth> ground_;
    std::array<std::array<double, 2>, Canvas::kWidth> quotients_{};
};

// The draws painting the ground takes, row by row as the window paints it: one for each column of a row
// in hell, otherwise one for each column whose ground is at or above the row.
std::uint64_t GroundDraws(const GroundArray& ground, bool hell);

}  // namespace gv::battlefield
