#pragma once
// A new battlefield as the rules need it: the sky's tone (day or night), the terrain, the ground's
// palette, the trees, the sun or the moon, then the tanks seated and the first turn armed. Every draw the
// painting of a shown battlefield makes is made here too, in the same order, so one seed fixes the field
// whether anyone looks or not.
#include <array>

#include "battle/random.h"
#include "battle/state.h"
#include "battlefield/ground.h"

namespace gv::battlefield {

// The sky's three base components: a day sky in hell or when their product is above 80000.
struct SkyTone {
    double red = 0, green = 0, blue = 0;
    bool day = true;
};
SkyTone DrawSkyTone(const battle::State& s, Random& random);
// The ground's palette and base colour (hell has no draws for them).
struct GroundLook {
    Palette palette = Palette::Hell;
    std::array<double, 3> base{0, 0, 0};
};
GroundLook DrawGroundLook(const battle::State& s, Random& random);
// The trees of the palette, and the sun by day or the moon by night.
void PlantTrees(battle::State& s, Random& random, Palette palette);
void PlaceSkyBody(battle::State& s, Random& random, bool sun);

// A day sky's clouds: how many (one more than the draw), and each one's centre, size and points.
double DrawCloudCount(Random& random);
struct Cloud {
    double x = 0, y = 0, size = 0, points = 0;
};
Cloud DrawCloud(Random& random);
// Each point of a cloud takes this many draws, and a night sky one for each pixel above the ground's ceiling.
constexpr int kDrawsPerCloudPoint = 8;
constexpr int kStarRows = 401, kStarColumns = 802;

// The draws of the clouds or the stars, and of painting the ground, made without painting anything.
void SkipSkyPainting(const battle::State& s, Random& random, bool day);
void SkipGroundPainting(const battle::State& s, Random& random);

// The whole battlefield nobody looks at, up to the tanks: sky, terrain, ground, trees, the sun or moon.
SkyTone BuildUnseen(battle::State& s, Random& random);
// Full health, empty slots, no crate, the tanks on the ground at their corners, player 1 to shoot first.
// The wind is the caller's (over the network the host draws it).
void SeatAndArm(battle::State& s);

}  // namespace gv::battlefield
