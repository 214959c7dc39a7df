// Markers over the battlefield and the mouse pointer: the thinking bubble, the turn arrow, the hand.
#include <cmath>

#include "art.h"

namespace art {
namespace {

Canvas drawThinking() {
    const int S = 40;
    Canvas c(S, S);
    const Ramp cloud{rgb(120, 136, 170), rgb(170, 184, 212), rgb(214, 222, 238), rgb(246, 248, 252), rgb(255, 255, 255)};
    Mask bubble = ellipseMask(S, S, 20.0, 15.0, 14.0, 9.5);
    const double puffs[][3] = {{8.5, 13.5, 5.5},  {14.0, 7.5, 6.0},  {22.5, 6.0, 6.2},  {30.5, 10.0, 5.6},
                               {32.5, 18.0, 5.0}, {25.5, 22.5, 5.2}, {15.5, 22.5, 5.4}, {8.5, 19.5, 4.4}};
    for (const auto& p : puffs) bubble |= circleMask(S, S, p[0], p[1], p[2]);
    Mask tail1 = circleMask(S, S, 13.5, 31.0, 2.8);
    Mask tail2 = circleMask(S, S, 9.5, 36.0, 1.9);
    auto paintCloud = [&](const Mask& m, double cx, double cy, double r) {
        c.fill(m, [&](int x, int y) { return cloud.at(0.75 + 0.5 * sphereLight(x, y, cx, cy, r), x, y); });
    };
    paintCloud(bubble, 18.0, 13.0, 17.0);
    paintCloud(tail1, 13.5, 31.0, 2.8);
    paintCloud(tail2, 9.5, 36.0, 1.9);
    // Shade along the lower edge of the bubble.
    c.fill(bubble.rim(0, 1) | bubble.rim(1, 0), cloud[1]);
    c.fill(bubble.rim(0, 1).shifted(0, -1) & bubble, cloud[2]);

    // The question mark, bold and blue, from a small drawing at twice the size.
    const char* const glyph[] = {".####.", "##..##", "....##", "...##.", "..##..", "..##..", "......", "..##..", "..##.."};
    Mask mark(S, S);
    for (int gy = 0; gy < 9; ++gy)
        for (int gx = 0; gx < 6; ++gx)
            if (glyph[gy][gx] == '#')
                for (int k = 0; k < 4; ++k) mark.set(14 + 2 * gx + k % 2, 5 + 2 * gy + k / 2);
    const Ramp ink{rgb(20, 30, 90), rgb(36, 58, 150), rgb(60, 96, 206), rgb(120, 160, 240)};
    c.fill(mark.grown(), ink[0]);
    c.fill(mark, [&](int x, int y) { return ink.at(0.9 - (y - 5) / 22.0, x, y); });
    c.fill(mark.rim(-1, 0) & mark.rim(0, -1), ink[3]);

    c.outline(rgb(26, 30, 44));
    return c;
}

Canvas drawArrow() {
    const int S = 32;
    Canvas c(S, S);
    Mask shaft = rectMask(S, S, 10, 1, 22, 15);
    Mask head = polygonMask(S, S, {{2.0, 14.0}, {30.0, 14.0}, {16.0, 29.5}});
    Mask arrow = shaft | head;
    const Ramp fire{rgb(150, 30, 0), rgb(214, 70, 0), rgb(246, 130, 0), rgb(255, 190, 20), rgb(255, 232, 80), rgb(255, 252, 196)};
    c.fill(arrow, [&](int x, int y) { return fire.at(0.95 - y / 34.0 - (x - 16) / 60.0, x, y); });
    // Bevel: bright on the upper left edges, deep orange on the lower right.
    c.fill(shaft.rim(-1, 0) | shaft.rim(0, -1), fire[5]);
    c.fill(head.rim(0, -1) - shaft, fire[4]);
    c.fill(head.rim(-1, 0) - shaft.grown(), fire[4]);
    c.fill(shaft.rim(1, 0) - head, fire[1]);
    c.fill(head.rim(1, 0) | head.rim(0, 1), fire[1]);
    c.outline(rgb(70, 10, 0), false);
    return c;
}

Canvas drawHandCursor() {
    // Drawn by hand, pixel by pixel: the tip of the finger is the hot spot at (5, 0).
    Canvas hand = fromRows(
        {
            "....KKK............", "...KWWWK...........", "...KWWGK...........", "...KWWGK...........", "...KWWGK...........",
            "...KWWGKKK.........", "...KWWGKWWKK.......", "...KWWGKWGKWKK.....", "...KWWGKWGKWGKKK...", "...KWWGKWGKWGKWGK..",
            "KKK.KWWGKWGKWGKWGK.", "KWWKKWWWWWGKWGKWGK.", "KWWGKWWWWWWWWWWWGK.", ".KWWGKWWWWWWWWWWGK.", "..KWWGWWWWWWWWWWGK.",
            "..KWWWWWWWWWWWWWGK.", "...KWWWWWWWWWWWWGK.", "...KWWWWWWWWWWWGGK.", "....KWWWWWWWWWWGK..", ".....KWWWWWWWWGGK..",
            ".....KWWWWWWWWGK...", "......KKKKKKKKKK...", "......KCCCCCCCDK...", "......KCCCCCCCDK...", "......KKKKKKKKKK...",
        },
        {{'K', rgb(0, 0, 0)},
         {'W', rgb(255, 255, 255)},
         {'G', rgb(176, 180, 192)},
         {'C', rgb(112, 150, 214)},
         {'D', rgb(62, 92, 160)}});
    Canvas c(32, 32);
    c.blit(hand, 0, 0);
    return c;
}

}  // namespace

std::vector<Art> drawMarkers() { return {{"hmm", drawThinking()}, {"arrow", drawArrow()}, {"handcursor", drawHandCursor()}}; }

}  // namespace art
