// The pictures the game is built with: all there, the right sizes, see-through where sprites need it,
// and packed so that they come back exactly as drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "assets/pictures.h"
#include "tools/artgen/art.h"
#include "tools/artgen/canvas.h"
#include "tools/artgen/codec.h"

namespace {

using gv::Picture;

// Sprites are drawn over the battlefield and must let it show through; panels and buttons cover it.
enum Kind { Sprite, Crate, Opaque, Other };
struct Expected {
    std::string name;
    int w, h;
    Kind kind;
};

std::vector<Expected> expectedPictures() {
    std::vector<Expected> v = {
        {"tankleft", 40, 40, Sprite}, {"tankright", 40, 40, Sprite}, {"tank1", 40, 40, Sprite},
        {"tank2", 40, 40, Sprite}, {"hmm", 40, 40, Sprite}, {"arrow", 32, 32, Sprite}, {"bullet", 8, 8, Sprite},
        {"sunn", 72, 72, Sprite}, {"sunh", 72, 72, Sprite}, {"moon", 72, 72, Sprite}, {"tree0", 17, 28, Sprite},
        {"tree1", 17, 28, Sprite}, {"treeb0", 17, 28, Sprite}, {"treeb1", 17, 28, Sprite}, {"snow0", 17, 28, Sprite},
        {"snow1", 17, 28, Sprite}, {"snowb0", 17, 28, Sprite}, {"snowb1", 17, 28, Sprite},
        {"handcursor", 32, 32, Sprite}, {"icon", 64, 64, Other}, {"fbutt1", 65, 45, Opaque}, {"fbutt2", 65, 45, Opaque},
        {"spinup", 16, 16, Opaque}, {"spindown", 16, 16, Opaque}, {"Image1", 297, 73, Opaque},
        {"Image2", 297, 73, Opaque}, {"Image3", 200, 200, Opaque}, {"Image4", 200, 200, Opaque},
        {"Image5", 200, 200, Opaque}, {"tdd", 800, 600, Opaque},
    };
    for (int i = 1; i <= 13; ++i) v.push_back({"bonusvzor" + std::to_string(i), 32, 32, Crate});
    return v;
}

const Picture& get(const std::string& name) {
    gv::PictureRef p = gv::assets::picture(name);
    if (!p) throw std::runtime_error("missing picture " + name);
    return *p;
}

bool solid(const Picture& p, int x, int y) { return Picture::alphaOf(p.at(x, y)) != 0; }

int countSolid(const Picture& p, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += solid(p, x, y);
    return n;
}

std::vector<std::uint32_t> normalised(std::vector<std::uint32_t> px) {
    for (auto& v : px)
        if ((v >> 24) == 0) v = 0;
    return px;
}

TEST(PictureCatalogue, EveryPictureIsThereAtItsSizeSeeThroughWhereSpritesNeedItAndNothingElse) {
    std::set<std::string> wanted;
    for (const auto& e : expectedPictures()) {
        wanted.insert(e.name);
        gv::PictureRef p = gv::assets::picture(e.name);
        ASSERT_NE(p, nullptr) << e.name;
        EXPECT_TRUE(p->width == e.w && p->height == e.h && p->pixels.size() == std::size_t(e.w) * std::size_t(e.h)) << e.name;
        EXPECT_EQ(p.get(), gv::assets::picture(std::string(e.name)).get()) << e.name << " is not shared";
    }
    const auto& names = gv::assets::pictureNames();
    EXPECT_TRUE(std::set<std::string>(names.begin(), names.end()) == wanted && names.size() == wanted.size());
    for (const char* n : {"", "Tankleft", "image1", "bonusvzor0", "bonusvzor14", "tree2", "tankleft ", "tdd.png"})
        EXPECT_EQ(gv::assets::picture(n), nullptr) << '"' << n << '"';
    for (const auto& e : expectedPictures()) {
        const Picture& p = get(e.name);
        // A half see-through pixel would show as a fringe on other skies.
        EXPECT_TRUE(std::ranges::all_of(p.pixels, [](auto v) { return v >> 24 == 0 || v >> 24 == 255; })) << e.name;
        const bool clearCorners = !solid(p, 0, 0) && !solid(p, p.width - 1, 0) && !solid(p, 0, p.height - 1) &&
                                  !solid(p, p.width - 1, p.height - 1);
        const int body = countSolid(p, 0, 0, p.width, p.height);
        if (e.kind == Sprite) {
            EXPECT_TRUE(clearCorners) << e.name;
            EXPECT_GT(body, p.width * p.height / 8) << e.name << " is almost empty";
            EXPECT_LT(body, p.width * p.height) << e.name << " has no see-through part";
        } else if (e.kind == Crate) {
            EXPECT_TRUE(clearCorners) << e.name;
            EXPECT_EQ(countSolid(p, 2, 2, 30, 30), 28 * 28) << e.name << " has holes in its face";
        } else if (e.kind == Opaque) {
            EXPECT_EQ(body, p.width * p.height) << e.name;
        }
    }
}

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

}  // namespace
