#include "battlefield/world.h"

#include "battle/effects.h"
#include "battle/shot.h"

namespace gv::battlefield {

using simmath::Int;

SkyTone DrawSkyTone(const battle::State& s, Random& random) {
    SkyTone tone;
    if (s.HellMode == True) return tone;  // hell's sky is drawn without draws, and is a day sky
    tone.red = Int(random.Rnd() * 54) + 1;
    tone.green = Int(random.Rnd() * 104) + 1;
    tone.blue = Int(random.Rnd() * 154) + 1;
    tone.day = tone.red * tone.green * tone.blue > 80000;
    return tone;
}

double DrawCloudCount(Random& random) {
    const double first = random.Rnd();
    return Int(first * 15 + random.Rnd() * 15);
}

Cloud DrawCloud(Random& random) {
    Cloud c;
    c.x = Int(random.Rnd() * 800);
    c.y = Int(random.Rnd() * 600);
    for (int k = 0; k < 5; ++k) c.size += random.Rnd() * 25;
    c.points = Int(c.size * c.size) * 2 + 1;
    return c;
}

GroundLook DrawGroundLook(const battle::State& s, Random& random) {
    GroundLook look;
    if (s.HellMode == True) return look;
    if (Int(random.Rnd() * 2) == 1) {
        look.palette = Palette::Grass;
        look.base = {Int(random.Rnd() * 60), Int(random.Rnd() * 80), Int(random.Rnd() * 60)};
    } else {
        look.palette = Palette::Snow;
        look.base = {Int(random.Rnd() * 50), Int(random.Rnd() * 50), Int(random.Rnd() * 80)};
    }
    return look;
}

void PlantTrees(battle::State& s, Random& random, Palette palette) {
    using battle::TreeLook;
    battle::PlantTrees(s, random,
                       palette == Palette::Grass  ? TreeLook::Green
                       : palette == Palette::Snow ? TreeLook::Snowy
                                                  : TreeLook::Hell);
}

void PlaceSkyBody(battle::State& s, Random& random, bool sun) {
    battle::Place at = battle::SkyPlace(s, random);
    if (sun && s.HellVariant == True) at = {-100, 700};  // the variant's sky has its own sun painted in
    s.SunUp = flag(sun);
    s.MoonUp = flag(!sun);
    (sun ? s.Sun : s.Moon) = at;
    s.MoonFallTime = 0;
    s.MoonFalling = False;
}

void SkipSkyPainting(const battle::State& s, Random& random, bool day) {
    if (day && s.HellVariant == False) {
        const double n = DrawCloudCount(random);
        for (int cloud = 0; cloud <= n; ++cloud) random.discard(std::uint64_t(DrawCloud(random).points) * kDrawsPerCloudPoint);
    } else if (!day) {
        random.discard(std::uint64_t(kStarRows) * kStarColumns);
    }
}

void SkipGroundPainting(const battle::State& s, Random& random) { random.discard(GroundDraws(s.Ground, s.HellMode == True)); }

SkyTone BuildUnseen(battle::State& s, Random& random) {
    const SkyTone tone = DrawSkyTone(s, random);
    SkipSkyPainting(s, random, tone.day);
    ShapeTerrain(s.Ground, random);
    const GroundLook look = DrawGroundLook(s, random);
    SkipGroundPainting(s, random);
    PlantTrees(s, random, look.palette);
    PlaceSkyBody(s, random, tone.day);
    return tone;
}

void SeatAndArm(battle::State& s) {
    s.Health1 = s.Health2 = 1000;
    s.BonusActive = False;
    s.Weapon1 = s.Weapon2 = weapon::Standard;
    s.Tank1 = {20, battle::TankRestTop(s.Ground, 20)};
    s.Tank2 = {740, battle::TankRestTop(s.Ground, 740)};
    s.TurnPlayer = 1;
    s.ShellDir = True;
}

}  // namespace gv::battlefield
