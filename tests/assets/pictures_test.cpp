// The pictures the game is built with: all there, the right sizes, without half see-through pixels,
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

// clang-format off
struct Expected { std::string name; int w, h; };
// clang-format on

std::vector<Expected> expectedPictures() {
    std::vector<Expected> v = {
        {"tankleft", 40, 40}, {"tankright", 40, 40}, {"tank1", 40, 40},    {"tank2", 40, 40},      {"hmm", 40, 40},
        {"arrow", 32, 32},    {"bullet", 8, 8},      {"sunn", 72, 72},     {"sunh", 72, 72},       {"moon", 72, 72},
        {"tree0", 17, 28},    {"tree1", 17, 28},     {"treeb0", 17, 28},   {"treeb1", 17, 28},     {"snow0", 17, 28},
        {"snow1", 17, 28},    {"snowb0", 17, 28},    {"snowb1", 17, 28},   {"handcursor", 32, 32}, {"icon", 64, 64},
        {"fbutt1", 65, 45},   {"fbutt2", 65, 45},    {"spinup", 16, 16},   {"spindown", 16, 16},   {"Image1", 297, 73},
        {"Image2", 297, 73},  {"Image3", 200, 200},  {"Image4", 200, 200}, {"Image5", 200, 200},   {"tdd", 800, 600},
    };
    for (int i = 1; i <= 13; ++i) v.push_back({"bonusvzor" + std::to_string(i), 32, 32});
    return v;
}

const Picture& get(const std::string& name) {
    gv::PictureRef p = gv::assets::picture(name);
    if (!p) throw std::runtime_error("missing picture " + name);
    return *p;
}

std::vector<std::uint32_t> normalised(std::vector<std::uint32_t> px) {
    for (auto& v : px)
        if ((v >> 24) == 0) v = 0;
    return px;
}

TEST(PictureCatalogue, EveryPictureIsThereAtItsSizeAndFullySeeThroughOrOpaque) {
    std::set<std::string> wanted;
    for (const auto& e : expectedPictures()) {
        wanted.insert(e.name);
        gv::PictureRef p = gv::assets::picture(e.name);
        ASSERT_NE(p, nullptr) << e.name;
        EXPECT_TRUE(p->width == e.w && p->height == e.h && p->pixels()->size() == std::size_t(e.w) * std::size_t(e.h)) << e.name;
        EXPECT_EQ(p.get(), gv::assets::picture(std::string(e.name)).get()) << e.name << " is not shared";
    }
    const auto& names = gv::assets::pictureNames();
    EXPECT_TRUE(std::set<std::string>(names.begin(), names.end()) == wanted && names.size() == wanted.size());
    for (const char* n : {"", "Tankleft", "image1", "bonusvzor0", "bonusvzor14", "tree2", "tankleft ", "tdd.png"})
        EXPECT_EQ(gv::assets::picture(n), nullptr) << '"' << n << '"';
    // A half see-through pixel would show as a fringe on other skies.
    for (const std::string& n : names)
        EXPECT_TRUE(std::ranges::all_of(*get(n).pixels(), [](auto v) { return v >> 24 == 0 || v >> 24 == 255; })) << n;
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
        EXPECT_EQ(*p.pixels(), normalised(drawn[i].pic.pixels())) << drawn[i].name;
        packedBytes += gv::artcodec::encode(p.width, p.height, *p.pixels()).size();
    }
    // Keeps the generated source small; everything together unpacks to well over 2 MB.
    EXPECT_LT(packedBytes, 150u * 1024u);
}

}  // namespace
