// The pictures the game is built with: all there, the right sizes, see-through where sprites need it,
// and packed so that they come back exactly as drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "assets/pictures.h"
#include "tools/artgen/art.h"
#include "tools/artgen/canvas.h"
#include "tools/artgen/codec.h"

namespace {

using gv::Picture;
using gv::PictureRef;
using gv::assets::picture;

struct Expected {
    std::string name;
    int w, h;
};

std::vector<Expected> expectedPictures() {
    std::vector<Expected> v = {
        {"tankleft", 40, 40}, {"tankright", 40, 40}, {"tank1", 40, 40},  {"tank2", 40, 40},   {"hmm", 40, 40},
        {"arrow", 32, 32},    {"bullet", 8, 8},      {"sunn", 72, 72},   {"sunh", 72, 72},    {"moon", 72, 72},
        {"tree0", 17, 28},    {"tree1", 17, 28},     {"treeb0", 17, 28}, {"treeb1", 17, 28},  {"snow0", 17, 28},
        {"snow1", 17, 28},    {"snowb0", 17, 28},    {"snowb1", 17, 28}, {"fbutt1", 65, 45},  {"fbutt2", 65, 45},
        {"spinup", 16, 16},   {"spindown", 16, 16},  {"Image1", 297, 73}, {"Image2", 297, 73}, {"Image3", 200, 200},
        {"Image4", 200, 200}, {"Image5", 200, 200},  {"tdd", 800, 600},  {"icon", 64, 64},    {"handcursor", 32, 32},
    };
    for (int i = 1; i <= 13; ++i) v.push_back({"bonusvzor" + std::to_string(i), 32, 32});
    return v;
}

std::vector<std::string> crateNames() {
    std::vector<std::string> v;
    for (int i = 1; i <= 13; ++i) v.push_back("bonusvzor" + std::to_string(i));
    return v;
}

// Everything that is drawn over the battlefield and must let it show through.
const std::vector<std::string> kSprites = {"tankleft", "tankright", "tank1", "tank2",  "hmm",    "arrow",  "bullet",
                                           "sunn",     "sunh",      "moon",  "tree0",  "tree1",  "treeb0", "treeb1",
                                           "snow0",    "snow1",     "snowb0", "snowb1", "handcursor"};
const std::vector<std::string> kOpaque = {"fbutt1", "fbutt2", "spinup", "spindown", "Image1", "Image2",
                                          "Image3", "Image4", "Image5", "tdd"};
const std::vector<std::string> kTrees = {"tree0", "tree1", "treeb0", "treeb1", "snow0", "snow1", "snowb0", "snowb1"};

const Picture& get(const std::string& name) {
    PictureRef p = picture(name);
    if (!p) throw std::runtime_error("missing picture " + name);
    return *p;
}

bool solid(const Picture& p, int x, int y) { return Picture::alphaOf(p.at(x, y)) != 0; }
int red(std::uint32_t px) { return int(px & 255); }
int green(std::uint32_t px) { return int((px >> 8) & 255); }
int blue(std::uint32_t px) { return int((px >> 16) & 255); }

int countSolid(const Picture& p, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += solid(p, x, y);
    return n;
}

double meanBrightness(const Picture& p, int y) {
    double sum = 0;
    for (int x = 0; x < p.width; ++x) sum += red(p.at(x, y)) + green(p.at(x, y)) + blue(p.at(x, y));
    return sum / p.width;
}

// ---- the catalogue

TEST(PictureCatalogue, EveryPictureIsThereAtItsSize) {
    for (const auto& e : expectedPictures()) {
        PictureRef p = picture(e.name);
        ASSERT_NE(p, nullptr) << e.name;
        EXPECT_EQ(p->width, e.w) << e.name;
        EXPECT_EQ(p->height, e.h) << e.name;
        EXPECT_EQ(p->pixels.size(), std::size_t(e.w) * std::size_t(e.h)) << e.name;
    }
}

TEST(PictureCatalogue, NamesListsExactlyThePictures) {
    const auto& names = gv::assets::pictureNames();
    std::set<std::string> listed(names.begin(), names.end());
    EXPECT_EQ(listed.size(), names.size()) << "a name is listed twice";
    std::set<std::string> wanted;
    for (const auto& e : expectedPictures()) wanted.insert(e.name);
    EXPECT_EQ(listed, wanted);
    for (const auto& n : names) EXPECT_NE(picture(n), nullptr) << n;
    EXPECT_EQ(&names, &gv::assets::pictureNames());
}

TEST(PictureCatalogue, UnknownNamesGiveNothing) {
    for (const char* n : {"", "tank", "Tankleft", "TANKRIGHT", "image1", "bonusvzor0", "bonusvzor14", "bonusvzor", "tree2",
                          "tankleft ", " tankleft", "tdd.png"})
        EXPECT_EQ(picture(n), nullptr) << '"' << n << '"';
}

TEST(PictureCatalogue, SameNameGivesTheSameSharedPicture) {
    for (const auto& e : expectedPictures()) {
        std::string copy = e.name;  // a different buffer with the same letters
        EXPECT_EQ(picture(e.name).get(), picture(std::string_view(copy)).get()) << e.name;
    }
    EXPECT_NE(picture("tree0").get(), picture("tree1").get());
}

// ---- transparency

TEST(PictureTransparency, SpritesHaveClearCorners) {
    for (const auto& name : kSprites) {
        const Picture& p = get(name);
        EXPECT_FALSE(solid(p, 0, 0)) << name;
        EXPECT_FALSE(solid(p, p.width - 1, 0)) << name;
        EXPECT_FALSE(solid(p, 0, p.height - 1)) << name;
        EXPECT_FALSE(solid(p, p.width - 1, p.height - 1)) << name;
        int body = countSolid(p, 0, 0, p.width, p.height);
        EXPECT_GT(body, p.width * p.height / 8) << name << " is almost empty";
        EXPECT_LT(body, p.width * p.height) << name << " has no see-through part";
    }
}

TEST(PictureTransparency, CratesHaveClearCornersAndSolidFaces) {
    for (const auto& name : crateNames()) {
        const Picture& p = get(name);
        EXPECT_FALSE(solid(p, 0, 0)) << name;
        EXPECT_FALSE(solid(p, 31, 31)) << name;
        EXPECT_EQ(countSolid(p, 2, 2, 30, 30), 28 * 28) << name << " has holes in its face";
    }
}

TEST(PictureTransparency, PanelsAndButtonsAreFullyOpaque) {
    for (const auto& name : kOpaque) {
        const Picture& p = get(name);
        EXPECT_TRUE(std::all_of(p.pixels.begin(), p.pixels.end(), [](std::uint32_t v) { return (v >> 24) == 255; })) << name;
    }
}

TEST(PictureTransparency, EdgesAreCrispNotHalfSeeThrough) {
    // Sprites are drawn with hard edges: a half see-through pixel would show as a fringe on other skies.
    for (const auto& e : expectedPictures()) {
        const Picture& p = get(e.name);
        EXPECT_TRUE(std::all_of(p.pixels.begin(), p.pixels.end(), [](std::uint32_t v) {
            int a = int(v >> 24);
            return a == 0 || a == 255;
        })) << e.name;
    }
}

// ---- tanks and other sprites

TEST(PictureSprites, TanksSitOnTheirTracks) {
    for (const char* name : {"tankleft", "tankright", "tank1", "tank2"}) {
        const Picture& p = get(name);
        EXPECT_GE(countSolid(p, 0, 39, 40, 40), 24) << name << ": the track should rest on the bottom row";
        EXPECT_GE(countSolid(p, 0, 34, 40, 36), 2 * 32) << name << ": the track should be solid above it";
        // The track is dark grey, not the colour of the hull.
        std::uint32_t px = p.at(20, 39);
        EXPECT_LT(red(px) + green(px) + blue(px), 3 * 110) << name;
        EXPECT_LT(std::abs(red(px) - blue(px)), 40) << name;
    }
}

TEST(PictureSprites, BarrelsPointTheWayTheTankFaces) {
    const Picture& left = get("tankleft");
    const Picture& right = get("tankright");
    int leftUL = countSolid(left, 0, 0, 20, 20), leftUR = countSolid(left, 20, 0, 40, 20);
    int rightUL = countSolid(right, 0, 0, 20, 20), rightUR = countSolid(right, 20, 0, 40, 20);
    EXPECT_GT(leftUL, leftUR + 25);
    EXPECT_GT(rightUR, rightUL + 25);
    // The barrel reaches well up, about 45 degrees: solid pixels high up near the outer side.
    EXPECT_GT(countSolid(right, 28, 4, 38, 14), 15);
    EXPECT_GT(countSolid(left, 2, 4, 12, 14), 15);
}

TEST(PictureSprites, LeftTankIsTheRightTankTurnedRound) {
    const Picture& left = get("tankleft");
    const Picture& right = get("tankright");
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(solid(left, x, y), solid(right, 39 - x, y)) << x << "," << y;
}

TEST(PictureSprites, StartTanksLookLikeTheTurningOnes) {
    // The game swaps in tankleft or tankright as a player turns the barrel; the tank must not change colour.
    EXPECT_EQ(get("tank1").pixels, get("tankright").pixels);
    EXPECT_EQ(get("tank2").pixels, get("tankleft").pixels);
}

TEST(PictureSprites, TreesStandOnATrunkAtTheBottomMiddle) {
    for (const auto& name : kTrees) {
        const Picture& p = get(name);
        EXPECT_TRUE(solid(p, 8, 27)) << name;
        EXPECT_TRUE(solid(p, 8, 24)) << name;
        EXPECT_EQ(countSolid(p, 0, 26, 2, 28) + countSolid(p, 15, 26, 17, 28), 0) << name << ": too wide at the foot";
        EXPECT_GT(countSolid(p, 0, 0, 17, 14), 12) << name << ": nothing up top";
    }
}

TEST(PictureSprites, BurntTreesAreDarkerThanGreenOnes) {
    auto brightness = [](const Picture& p) {
        double sum = 0;
        int n = 0;
        for (auto v : p.pixels)
            if (v >> 24) {
                sum += red(v) + green(v) + blue(v);
                ++n;
            }
        return sum / n;
    };
    for (auto [green, burnt] : {std::pair{"tree0", "treeb0"}, std::pair{"tree1", "treeb1"}, std::pair{"snow0", "snowb0"},
                                std::pair{"snow1", "snowb1"}})
        EXPECT_LT(brightness(get(burnt)) * 1.5, brightness(get(green))) << burnt << " vs " << green;
}

TEST(PictureSprites, CursorPointsWithItsFingertip) {
    const Picture& p = get("handcursor");
    // The hot spot is at (5, 0): the finger's tip is there and nothing else is that high.
    EXPECT_TRUE(solid(p, 5, 0));
    EXPECT_EQ(countSolid(p, 0, 0, 32, 1), countSolid(p, 3, 0, 8, 1));
    EXPECT_GT(countSolid(p, 0, 0, 32, 32), 200);
}

TEST(PictureSprites, SpinnersPointUpAndDown) {
    auto greenIn = [](const Picture& p, int y0, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < p.width; ++x) {
                auto v = p.at(x, y);
                n += green(v) > 120 && green(v) > 2 * red(v);
            }
        return n;
    };
    const Picture& up = get("spinup");
    const Picture& down = get("spindown");
    EXPECT_GT(greenIn(up, 8, 16), 2 * greenIn(up, 0, 8));
    EXPECT_GT(greenIn(down, 0, 8), 2 * greenIn(down, 8, 16));
}

TEST(PictureSprites, ArmedFireButtonIsRedAndTheSpentOneGrey) {
    auto redness = [](const Picture& p) {
        long sum = 0;
        for (auto v : p.pixels) sum += red(v) - (green(v) + blue(v)) / 2;
        return double(sum) / double(p.pixels.size());
    };
    EXPECT_GT(redness(get("fbutt1")), 60);
    EXPECT_LT(std::abs(redness(get("fbutt2"))), 15);
}

TEST(PictureSprites, SkiesHaveTheirColours) {
    auto centre = [](const char* name) { return get(name).at(36, 36); };
    EXPECT_GT(red(centre("sunn")), 200);
    EXPECT_GT(green(centre("sunn")), 150);
    EXPECT_LT(green(centre("sunh")), green(centre("sunn")));
    std::uint32_t moon = get("moon").at(30, 40);
    EXPECT_LT(std::abs(red(moon) - blue(moon)), 40);
    // The hell sky burns at the horizon and is dark at the top.
    const Picture& hell = get("tdd");
    EXPECT_LT(meanBrightness(hell, 0), 60);
    EXPECT_GT(meanBrightness(hell, 420), 3 * meanBrightness(hell, 0) + 60);
}

// ---- crates

TEST(PictureCrates, EveryKindLooksDifferent) {
    auto names = crateNames();
    for (std::size_t i = 0; i < names.size(); ++i)
        for (std::size_t j = i + 1; j < names.size(); ++j) {
            const Picture& a = get(names[i]);
            const Picture& b = get(names[j]);
            int differing = 0;
            for (std::size_t k = 0; k < a.pixels.size(); ++k) differing += a.pixels[k] != b.pixels[k];
            EXPECT_GT(differing, 40) << names[i] << " and " << names[j] << " are hard to tell apart";
        }
}

TEST(PictureCrates, HealthCrateCarriesARedCross) {
    const Picture& p = get("bonusvzor13");
    auto isRed = [](std::uint32_t v) { return red(v) > 150 && green(v) < 90 && blue(v) < 90; };
    int reds = int(std::count_if(p.pixels.begin(), p.pixels.end(), isRed));
    EXPECT_GT(reds, 80);
    EXPECT_TRUE(isRed(p.at(15, 17)));  // the middle of the cross
    EXPECT_TRUE(isRed(p.at(15, 10)));  // its upper arm
    EXPECT_TRUE(isRed(p.at(8, 17)));   // its left arm
    EXPECT_FALSE(isRed(p.at(8, 10)));  // between the arms: the white box
}

// ---- how pictures are packed

std::vector<std::uint32_t> normalised(std::vector<std::uint32_t> px) {
    for (auto& v : px)
        if ((v >> 24) == 0) v = 0;
    return px;
}

TEST(PictureCodec, GivesBackWhatItPacked) {
    std::mt19937 rng(1234);
    struct Case {
        int w, h, colours;
    };
    for (Case c : {Case{1, 1, 1}, Case{7, 3, 2}, Case{64, 64, 5}, Case{100, 40, 256}, Case{90, 90, 257}, Case{50, 50, 3000}}) {
        std::vector<std::uint32_t> palette(std::size_t(c.colours));
        for (auto& v : palette) v = std::uint32_t(rng());
        std::vector<std::uint32_t> px(std::size_t(c.w * c.h));
        // Runs, repeats and noise all mixed, so every kind of token is used.
        for (std::size_t i = 0; i < px.size(); ++i) {
            int pick = int(rng() % 10);
            if (pick < 4 && i > 0) px[i] = px[i - 1];
            else if (pick < 6 && i >= std::size_t(c.w)) px[i] = px[i - std::size_t(c.w)];
            else px[i] = palette[rng() % palette.size()];
        }
        auto packed = gv::artcodec::encode(c.w, c.h, px);
        auto back = gv::artcodec::decode(packed.data(), packed.size());
        ASSERT_TRUE(back) << c.w << "x" << c.h << " with " << c.colours << " colours";
        EXPECT_EQ(back->width, c.w);
        EXPECT_EQ(back->height, c.h);
        EXPECT_EQ(back->pixels, normalised(px));
    }
}

TEST(PictureCodec, LongRunsPackSmall) {
    std::vector<std::uint32_t> sky(800 * 600, 0xFF102030u);
    for (int x = 0; x < 800; x += 3) sky[std::size_t(300 * 800 + x)] = 0xFF000000u;  // one dotted line
    auto packed = gv::artcodec::encode(800, 600, sky);
    EXPECT_LT(packed.size(), 400u);
    auto back = gv::artcodec::decode(packed.data(), packed.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixels, sky);
}

TEST(PictureCodec, RefusesDamagedData) {
    std::vector<std::uint32_t> px(40 * 40);
    for (std::size_t i = 0; i < px.size(); ++i) px[i] = 0xFF000000u | std::uint32_t((i * 2654435761u) % 7);
    auto packed = gv::artcodec::encode(40, 40, px);
    for (std::size_t cut = 0; cut < packed.size(); ++cut)
        EXPECT_FALSE(gv::artcodec::decode(packed.data(), cut)) << "cut at " << cut;
    // A copy reaching back before the start.
    const std::uint8_t badCopy[] = {2, 2, 1, 0, 0, 0, 255, 0x80, 5};
    EXPECT_FALSE(gv::artcodec::decode(badCopy, sizeof badCopy));
    // An index past the end of the palette.
    const std::uint8_t badIndex[] = {1, 1, 1, 0, 0, 0, 255, 0, 3};
    EXPECT_FALSE(gv::artcodec::decode(badIndex, sizeof badIndex));
    // Absurd sizes.
    const std::uint8_t huge[] = {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F, 1, 0, 0, 0, 0};
    EXPECT_FALSE(gv::artcodec::decode(huge, sizeof huge));
}

// ---- the drawing kit and the packed pictures agree

TEST(PictureKit, PackedPicturesAreWhatTheDrawingsDraw) {
    // Catches packed data that is stale or that the unpacker reads differently from how it was packed.
    auto drawn = art::drawAll();
    ASSERT_EQ(drawn.size(), gv::assets::pictureNames().size());
    std::size_t packedBytes = 0;
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        EXPECT_EQ(drawn[i].name, gv::assets::pictureNames()[i]);
        const Picture& p = get(drawn[i].name);
        ASSERT_EQ(p.width, drawn[i].pic.width()) << drawn[i].name;
        EXPECT_EQ(p.pixels, normalised(drawn[i].pic.pixels())) << drawn[i].name;
        packedBytes += gv::artcodec::encode(p.width, p.height, p.pixels).size();
    }
    // Keeps the generated source small; everything together unpacks to well over 2 MB.
    EXPECT_LT(packedBytes, 150u * 1024u);
}

TEST(PictureKit, ShapesCoverThePixelsWhoseCentresTheyHold) {
    EXPECT_EQ(art::rectMask(10, 10, 2, 3, 5, 7).count(), 3 * 4);
    EXPECT_EQ(art::rectMask(10, 10, -5, -5, 3, 20).count(), 3 * 10);  // clipped to the grid
    // A circle centred on a pixel corner is symmetric and close to pi r^2.
    art::Mask disc = art::circleMask(40, 40, 20.0, 20.0, 10.0);
    EXPECT_NEAR(disc.count(), 3.14159 * 100, 12);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(disc.at(x, y), disc.at(39 - x, y)) << x << "," << y;
    // A right triangle over half of a 10 x 10 square.
    art::Mask tri = art::polygonMask(20, 20, {{0, 0}, {10, 0}, {0, 10}});
    EXPECT_NEAR(tri.count(), 50, 6);
    EXPECT_TRUE(tri.at(0, 0));
    EXPECT_FALSE(tri.at(9, 9));
    // A capsule from (2, 5) to (12, 5), three wide.
    art::Mask bar = art::lineMask(20, 20, {2.0, 5.5}, {12.0, 5.5}, 3.0);
    EXPECT_TRUE(bar.at(7, 4) && bar.at(7, 5) && bar.at(7, 6));
    EXPECT_FALSE(bar.at(7, 3) || bar.at(7, 7) || bar.at(15, 5));
}

TEST(PictureKit, RimsEdgesAndOutlinesHugTheShape) {
    art::Mask box = art::rectMask(12, 12, 2, 2, 8, 6);  // 6 x 4
    EXPECT_EQ(box.edge().count(), 2 * (6 + 4) - 4);
    EXPECT_EQ(box.rim(0, 1).count(), 6);
    EXPECT_TRUE(box.rim(0, 1).at(4, 5));
    EXPECT_EQ(box.grown().count(), 6 * 4 + 2 * (6 + 4));
    EXPECT_EQ(box.grown(true).count(), 8 * 6);
    EXPECT_EQ(box.grown(true).shrunk(true).count(), box.count());
    EXPECT_EQ(box.shifted(3, 1).count(), box.count());
    EXPECT_TRUE(box.shifted(3, 1).at(10, 6));

    art::Canvas c(5, 5);
    c.set(2, 2, art::rgb(255, 0, 0));
    c.outline(art::rgb(0, 0, 0));
    EXPECT_EQ(c.opaque().count(), 5);
    EXPECT_EQ(c.get(2, 1), art::rgb(0, 0, 0));
    EXPECT_EQ(c.get(1, 1).a, 0);
}

TEST(PictureKit, BlendingMixesByAlpha) {
    art::Canvas c(2, 1);
    c.set(0, 0, art::rgb(0, 0, 0));
    c.blend(0, 0, art::rgb(255, 255, 255, 128));
    c.blend(1, 0, art::rgb(200, 100, 0, 128));
    art::Col over = c.get(0, 0), alone = c.get(1, 0);
    EXPECT_NEAR(over.r, 128, 1);
    EXPECT_EQ(over.a, 255);
    EXPECT_EQ(alone.r, 200);  // on nothing, the colour stays and only the alpha is partial
    EXPECT_EQ(alone.a, 128);
    EXPECT_EQ(art::pack(art::rgb(1, 2, 3, 4)), 0x04030201u);
    EXPECT_EQ(art::unpack(0x04030201u), art::rgb(1, 2, 3, 4));
}

TEST(PictureKit, DitheredRampsMixInTheRightProportion) {
    const art::Ramp two{art::rgb(0, 0, 0), art::rgb(255, 255, 255)};
    for (double t : {0.0, 0.25, 0.5, 0.75, 1.0}) {
        int white = 0;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) white += two.at(t, x, y).r == 255;
        EXPECT_EQ(white, int(t * 16)) << "t = " << t;
    }
    EXPECT_EQ(two.at(-1.0, 0, 0), two[0]);
    EXPECT_EQ(two.at(2.0, 0, 0), two[1]);
    EXPECT_EQ(two.flat(0.6), two[1]);
}

TEST(PictureKit, HandDrawnRowsNeedEveryColourNamed) {
    art::Canvas c = art::fromRows({"K.", ".W"}, {{'K', art::rgb(0, 0, 0)}, {'W', art::rgb(255, 255, 255)}});
    EXPECT_EQ(c.width(), 2);
    EXPECT_EQ(c.get(1, 1), art::rgb(255, 255, 255));
    EXPECT_EQ(c.get(1, 0).a, 0);
    EXPECT_THROW(art::fromRows({"KX"}, {{'K', art::rgb(0, 0, 0)}}), std::runtime_error);
}

}  // namespace
