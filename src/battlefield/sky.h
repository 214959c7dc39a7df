#pragma once
// The battlefield sky. It is drawn as 1401 shades, one for each radius from 1500 down to 800 in steps of
// half a pixel, each shade as two circle outlines, around (400, 1441) and then around (400, 1440), every
// later circle over the earlier ones (the intro's sky is the same around (400, 1401) and (400, 1400)). A pixel thus shows the
// shade of the last circle that covers it, and that follows from its distances to the two centres alone: the sky is filled row by
// row, in runs of one shade, with exactly the pixels the circles would give, at the cost of the pixels instead of the circles.
#include <algorithm>
#include <cstddef>
#include <vector>

#include "battle/simmath.h"
#include "platform/controls.h"

namespace gv {

// A computed colour component: rounded half to even, then held within 0..255.
inline int ColourComponent(double v) { return int(std::clamp(roundHalfEven(v), 0.0, 255.0)); }
inline Colour ComponentsToColour(double r, double g, double b) {
    return rgb(ColourComponent(r), ColourComponent(g), ColourComponent(b));
}

// The 1401 shades, outermost circle first: the day sky from its base colour, or the red hell sky.
std::vector<Colour> DaySkyShades(double R0, double G0, double B0);
std::vector<Colour> HellSkyShades();

class SkyFill {
public:
    static constexpr double kCentreX = 400, kFirstCentreY = 1441;
    static constexpr double kOuterRadius = 1500, kInnerRadius = 800;
    static constexpr double kIntroFirstCentreY = 1401;

    // The circles are as wide as the canvas's pen is now (the start-up may leave it wider than 1). Each
    // shade's second circle is centred a row above its first, and both centres lie below the canvas.
    SkyFill(Canvas& canvas, std::vector<Colour> shades, double firstCentreY = kFirstCentreY);

    std::size_t shades() const { return shades_.size(); }
    // Paints every pixel whose last circle belongs to one of the first `count` shades, the same as drawing
    // those circles would leave it once the rest are drawn too. Calls with a growing count reveal the sky
    // from the outermost circles inwards, in the order the circles appear.
    void paintTo(std::size_t count);

private:
    Canvas& canvas_;
    std::vector<Colour> shades_;
    int pen_;
    double firstCentreY_;
    std::vector<int> reach_;  // per row: the columns painted so far from each side towards the middle
};

}  // namespace gv
