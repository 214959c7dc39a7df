// The canvas: what is drawn is exactly what read-pixel gives back.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/controls.h"
#include "platform/eventloop.h"

namespace gv {
namespace {

struct CanvasTest : ::testing::Test {
    EventLoop loop;
    Form form{loop};
    Canvas& c = form.create<Canvas>(nullptr, "world");
    int count(Colour colour) const {
        int n = 0;
        for (Colour p : c.pixels()) n += p == colour;
        return n;
    }
};

TEST_F(CanvasTest, SetPixelRoundsHalfToEvenAndReadsBackTheExactInteger) {
    const Colour odd = rgb(1, 2, 3);
    c.setPixel(2.5, 3.5, odd);  // 2.5 -> 2, 3.5 -> 4
    EXPECT_EQ(c.point(2, 4), odd);
    EXPECT_NE(c.point(3, 3), odd);
    c.setPixel(3.5, 0.49, rgb(9, 9, 9));  // 3.5 -> 4, 0.49 -> 0
    EXPECT_EQ(c.point(4, 0), rgb(9, 9, 9));
    c.setPixel(-0.5, -0.5, rgb(7, 7, 7));  // rounds to 0,0 (-0)
    EXPECT_EQ(c.point(0, 0), rgb(7, 7, 7));
    EXPECT_EQ(c.point(800, 600), rgb(128, 128, 128));  // last column and row exist
}

TEST_F(CanvasTest, PixelsOutsideAreIgnoredAndReadAsMinusOne) {
    long before = form.revision();
    c.setPixel(801, 10, rgb(255, 0, 0));
    c.setPixel(-1, 10, rgb(255, 0, 0));
    c.setPixel(10, 601, rgb(255, 0, 0));
    c.setPixel(std::nan(""), 10, rgb(255, 0, 0));
    EXPECT_EQ(count(rgb(255, 0, 0)), 0);
    EXPECT_EQ(c.point(801, 0), -1);
    EXPECT_EQ(c.point(0, -1), -1);
    EXPECT_EQ(c.point(-0.6, 0), -1);
    EXPECT_EQ(c.point(std::nan(""), 0), -1);
    EXPECT_EQ(form.revision(), before);
}

TEST_F(CanvasTest, CanvasStartsWithPenWidthFiveAndCircleOutlineHonoursIt) {
    EXPECT_EQ(c.drawWidth(), 5);
    c.setDrawWidth(1);
    const Colour red = rgb(255, 0, 0);
    c.circle(100, 100, 10, red);
    // A one-pixel outline: the four extreme points, not the centre, not outside.
    EXPECT_EQ(c.point(110, 100), red);
    EXPECT_EQ(c.point(90, 100), red);
    EXPECT_EQ(c.point(100, 110), red);
    EXPECT_EQ(c.point(100, 90), red);
    EXPECT_NE(c.point(100, 100), red);
    EXPECT_NE(c.point(109, 100), red);
    EXPECT_NE(c.point(111, 100), red);
    int thin = count(red);
    EXPECT_GE(thin, 56);  // a closed ring, no gaps
    EXPECT_LT(thin, 90);

    const Colour blue = rgb(0, 0, 255);
    c.setDrawWidth(5);
    c.circle(300, 300, 20, blue);
    for (int dx = 18; dx <= 22; ++dx) EXPECT_EQ(c.point(300 + dx, 300), blue) << dx;
    EXPECT_NE(c.point(317, 300), blue);
    EXPECT_NE(c.point(323, 300), blue);
}

TEST_F(CanvasTest, ConcentricCirclesHalfAPixelApartLeaveNoGaps) {
    // The sky is painted as circles half a pixel apart; together they must cover every pixel.
    c.setDrawWidth(1);
    for (double r = 100; r >= 10; r -= 0.5) c.circle(400, 300, r, rgb(0, 0, 200));
    for (int y = 300 - 90; y <= 300 + 90; y += 7)
        for (int x = 400 - 90; x <= 400 + 90; x += 3) {
            double d = std::hypot(x - 400, y - 300);
            if (d >= 10.5 && d <= 99.5) {
                ASSERT_EQ(c.point(x, y), rgb(0, 0, 200)) << x << "," << y;
            }
        }
}

TEST_F(CanvasTest, HugeCircleFarBelowTheCanvasIsClippedQuickly) {
    c.setDrawWidth(1);
    c.circle(400, 1401, 1200, rgb(5, 5, 5));
    // Its top arc crosses the middle column at row 201 and comes down towards the sides.
    EXPECT_EQ(c.point(400, 201), rgb(5, 5, 5));
    EXPECT_NE(c.point(400, 200), rgb(5, 5, 5));
    EXPECT_EQ(c.point(0, 270), rgb(5, 5, 5));  // 1401 - sqrt(1200^2 - 400^2) = 269.6
    EXPECT_NE(c.point(0, 268), rgb(5, 5, 5));
    c.circle(400, 1401, 1500, rgb(4, 4, 4));  // passes above the canvas
    EXPECT_EQ(count(rgb(4, 4, 4)), 0);
    c.circle(400, 1401, 700, rgb(6, 6, 6));  // entirely below the canvas
    EXPECT_EQ(count(rgb(6, 6, 6)), 0);
}

TEST_F(CanvasTest, LinesHonourTheDrawWidth) {
    c.setDrawWidth(1);
    c.line(10, 10, 20, 10, rgb(1, 1, 1));
    for (int x = 10; x <= 20; ++x) EXPECT_EQ(c.point(x, 10), rgb(1, 1, 1));
    EXPECT_NE(c.point(15, 11), rgb(1, 1, 1));
    EXPECT_EQ(count(rgb(1, 1, 1)), 11);
    c.line(10, 50, 10, 60, rgb(2, 2, 2));  // vertical, both ends included
    EXPECT_EQ(count(rgb(2, 2, 2)), 11);
    c.setDrawWidth(3);
    c.line(100, 100, 200, 100, rgb(3, 3, 3));
    EXPECT_EQ(c.point(150, 99), rgb(3, 3, 3));
    EXPECT_EQ(c.point(150, 101), rgb(3, 3, 3));
    EXPECT_NE(c.point(150, 102), rgb(3, 3, 3));
}

TEST_F(CanvasTest, SetPictureIsTopLeftAlignedAndFillsTheRestWithTheBackColour) {
    c.setPixel(700, 500, rgb(1, 2, 3));
    auto p = std::make_shared<Picture>(4, 3, Picture::opaque(rgb(200, 10, 10)));
    c.setPicture(p);
    EXPECT_EQ(c.point(0, 0), rgb(200, 10, 10));
    EXPECT_EQ(c.point(3, 2), rgb(200, 10, 10));
    EXPECT_EQ(c.point(4, 0), rgb(128, 128, 128));
    EXPECT_EQ(c.point(700, 500), rgb(128, 128, 128));
}

TEST_F(CanvasTest, DirtyRegionCoversWhatChanged) {
    c.takeDirty();
    EXPECT_EQ(c.takeDirty().w, 0);
    c.setPixel(10, 20, 1);
    c.setPixel(30, 5, 1);
    Canvas::Rect r = c.takeDirty();
    EXPECT_EQ(r.x, 10);
    EXPECT_EQ(r.y, 5);
    EXPECT_EQ(r.w, 21);
    EXPECT_EQ(r.h, 16);
}

}  // namespace
}  // namespace gv
