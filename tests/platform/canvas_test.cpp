// The canvas: what is drawn is exactly what read-pixel gives back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "battle/random.h"
#include "battlefield/sky.h"
#include "platform/controls.h"
#include "platform/eventloop.h"

namespace gv {
namespace {

struct CanvasTest : ::testing::Test {
    EventLoop loop;
    Form form{loop};
    Canvas& c = form.create<Canvas>(nullptr, "world");
    int count(Colour colour) const { return int(std::count(c.pixels().begin(), c.pixels().end(), colour)); }
};

TEST_F(CanvasTest, PixelsRoundHalfToEvenAndOutsideOnesAreIgnoredAndReadAsMinusOne) {
    // x.5 goes to the even neighbour; -0.5 to 0; the last column and row, 800 and 600, exist.
    const double inside[][4] = {{2.5, 3.5, 2, 4}, {3.5, 0.49, 4, 0}, {-0.5, -0.5, 0, 0}, {800, 600, 800, 600}};
    for (int i = 0; i < 4; ++i) {
        c.setPixel(inside[i][0], inside[i][1], rgb(i + 1, 9, 9));
        EXPECT_EQ(c.point(inside[i][2], inside[i][3]), rgb(i + 1, 9, 9)) << inside[i][0] << "," << inside[i][1];
        EXPECT_EQ(count(rgb(i + 1, 9, 9)), 1);
    }
    long before = form.revision();
    for (auto [x, y] : {std::pair{801.0, 10.0}, {-1.0, 10.0}, {10.0, 601.0}, {-0.6, 0.0}, {std::nan(""), 10.0}}) {
        c.setPixel(x, y, rgb(255, 0, 0));
        EXPECT_EQ(c.point(x, y), -1) << x << "," << y;
    }
    EXPECT_TRUE(count(rgb(255, 0, 0)) == 0 && form.revision() == before);
}

TEST_F(CanvasTest, TheSkyFilledRowByRowIsExactlyItsCirclesAndLeavesNoGaps) {
    // The reference: each shade's two circle outlines, outermost first, over something drawn before.
    Canvas& circles = form.create<Canvas>(nullptr, "circles");
    auto compare = [&](const std::vector<Colour>& shades, int pen, double firstY = 1441) {
        for (Canvas* k : {&c, &circles}) k->clear(), k->setDrawWidth(pen), k->circle(300, 200, 50, rgb(9, 9, 9));
        for (std::size_t n = 0; n < shades.size(); ++n)
            for (double cy : {firstY, firstY - 1}) circles.circle(400, cy, 1500 - 0.5 * double(n), shades[n]);
        SkyFill sky(c, shades, firstY);
        for (std::size_t shown = 0; shown <= shades.size() + 97; shown += 97) sky.paintTo(shown);
        ASSERT_TRUE(c.pixels() == circles.pixels()) << pen;
        EXPECT_TRUE(c.drawWidth() == pen && count(rgb(128, 128, 128)) + count(rgb(9, 9, 9)) == 0);
    };
    // A shade of its own for every radius shows a circle one step off; then the skies of many seeds.
    std::vector<Colour> distinct(1401);
    for (std::size_t n = 0; n < distinct.size(); ++n) distinct[n] = Colour(n * 4099);
    compare(distinct, 1);
    compare(distinct, 5);  // a New Game during the start-up rings draws its sky with their pen
    compare(distinct, 5, SkyFill::kIntroFirstCentreY);
    compare(HellSkyShades(), 1);
    for (double seed = 1; seed <= 30; ++seed) {
        Random r;
        r.seed(seed);  // the sky's base colour is the first three draws of a battle
        const double R0 = std::floor(r.Rnd() * 54) + 1, G0 = std::floor(r.Rnd() * 104) + 1;
        compare(DaySkyShades(R0, G0, std::floor(r.Rnd() * 154) + 1), 1);
    }
    c.clear(), c.setDrawWidth(1);
    c.circle(400, 1401, 1200, rgb(5, 5, 5));
    c.circle(400, 1401, 1500, rgb(4, 4, 4));  // passes above the canvas
    c.circle(400, 1401, 700, rgb(6, 6, 6));   // entirely below it
    // The first one's arc crosses the middle column at row 201, the sides at 1401 - sqrt(1200^2 - 400^2) = 269.6.
    for (auto [x, y, on] : {std::tuple{400, 201, true}, {400, 200, false}, {0, 270, true}, {0, 268, false}})
        EXPECT_EQ(c.point(x, y) == rgb(5, 5, 5), on) << x << "," << y;
    EXPECT_EQ(count(rgb(4, 4, 4)) + count(rgb(6, 6, 6)), 0);
}

TEST_F(CanvasTest, DirtyRegionCoversWhatChangedAndAPictureReplacesEverything) {
    EXPECT_EQ((c.takeDirty(), c.takeDirty().w), 0);
    c.setPixel(10, 20, 1), c.setPixel(30, 5, 1);
    Canvas::Rect r = c.takeDirty();
    EXPECT_EQ((std::vector{r.x, r.y, r.w, r.h}), (std::vector{10, 5, 21, 16}));
    // A picture goes top left; the rest is the back colour.
    c.setPixel(700, 500, rgb(1, 2, 3));
    c.setPicture(std::make_shared<Picture>(4, 3, Picture::opaque(rgb(200, 10, 10))));
    EXPECT_TRUE(c.point(3, 2) == rgb(200, 10, 10) && count(rgb(200, 10, 10)) == 12);
    EXPECT_TRUE(c.point(4, 0) == rgb(128, 128, 128) && c.point(700, 500) == rgb(128, 128, 128));
}

}  // namespace
}  // namespace gv
