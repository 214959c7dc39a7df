// The little trees that stand on the battlefield, green, snowy and burnt.
#include <cmath>

#include "art.h"

namespace art {
namespace {

constexpr int W = 17, H = 28;
constexpr double kMid = 8.5;

const Ramp kBark{rgb(40, 22, 10), rgb(76, 46, 22), rgb(112, 72, 36), rgb(150, 104, 56)};
const Ramp kPine{rgb(12, 40, 18), rgb(22, 64, 26), rgb(34, 90, 34), rgb(52, 118, 42), rgb(82, 150, 54), rgb(128, 186, 78)};
const Ramp kLeaf{rgb(18, 52, 14), rgb(32, 80, 20), rgb(52, 112, 28), rgb(80, 146, 36), rgb(118, 178, 52), rgb(170, 212, 84)};
const Ramp kFir{rgb(8, 30, 32), rgb(16, 50, 48), rgb(26, 72, 62), rgb(40, 96, 76), rgb(62, 122, 92)};
const Ramp kSnow{rgb(130, 150, 186), rgb(180, 196, 226), rgb(222, 232, 248), rgb(255, 255, 255)};
const Ramp kChar{rgb(10, 8, 8), rgb(28, 24, 22), rgb(50, 44, 40), rgb(80, 74, 68), rgb(120, 114, 106)};
const Ramp kEmber{rgb(140, 20, 0), rgb(220, 70, 0), rgb(255, 150, 20), rgb(255, 230, 120)};

struct Tier {
    double apexY, baseY, halfWidth;
};

// One layer of a conifer: a triangle whose lower edge sags between the tips of the branches.
Mask tierMask(const Tier& t) {
    double hw = t.halfWidth, by = t.baseY;
    return polygonMask(W, H,
                       {{kMid, t.apexY},
                        {kMid + hw, by},
                        {kMid + hw * 0.45, by - 1.2},
                        {kMid, by - 0.4},
                        {kMid - hw * 0.45, by - 1.2},
                        {kMid - hw, by}});
}

void trunk(Canvas& c, int x0, int x1, int y0) {
    Mask m = rectMask(W, H, x0, y0, x1, H);
    c.fill(m, [&](int x, int) { return kBark[x == x0 ? 3 : (x == x1 - 1 ? 1 : 2)]; });
    c.set(x0 - 1, H - 1, kBark[1]);
    c.set(x1, H - 1, kBark[0]);
}

// Paints the tiers from the bottom up; `snow` lays snow on each one's upper side.
void conifer(Canvas& c, const std::vector<Tier>& tiers, const Ramp& green, bool snow) {
    for (auto it = tiers.rbegin(); it != tiers.rend(); ++it) {
        const Tier& t = *it;
        Mask m = tierMask(t);
        c.fill(m, [&](int x, int y) {
            double across = (x + 0.5 - kMid) / t.halfWidth;           // -1 left .. 1 right
            double down = (y + 0.5 - t.apexY) / (t.baseY - t.apexY);  // 0 apex .. 1 base
            double v = 0.62 - 0.38 * across - 0.18 * down + 0.22 * (hashNoise(x, y, 7) - 0.5);
            return green.at(v, x, y);
        });
        c.fill(m.rim(0, 1), green[0]);
        if (snow) {
            // Snow sits on the upper slopes and gathers along the sagging edge.
            Mask top = m.rim(0, -1);
            Mask cap = top & fromFunction(W, H, [&](double x, double y) { return x < kMid + 1.5 || y < t.apexY + 3; });
            cap |=
                top.shifted(0, 1) & m & fromFunction(W, H, [&](double x, double y) { return x < kMid - 1 && y < t.baseY - 2; });
            Mask drift = m & fromFunction(W, H, [&](double x, double y) {
                             return y > t.baseY - 2.6 + 0.9 * std::sin(x * 1.9) && y < t.baseY - 1.0;
                         });
            c.fill(cap | drift, [&](int x, int y) { return kSnow.at(0.95 - 0.45 * (x + 0.5 - kMid) / t.halfWidth, x, y); });
        }
    }
}

Canvas pineTree() {
    Canvas c(W, H);
    trunk(c, 7, 10, 20);
    conifer(c, {{0.0, 9.5, 4.2}, {3.5, 15.5, 6.0}, {8.0, 23.0, 7.6}}, kPine, false);
    c.outline(rgb(8, 24, 10));
    return c;
}

Canvas leafyTree() {
    Canvas c(W, H);
    trunk(c, 7, 10, 15);
    // Two boughs that show under the crown.
    c.line(7, 18, 5, 16, kBark[1]);
    c.line(9, 17, 11, 15, kBark[2]);
    // The crown is a heap of leafy clumps, each lit on its own, the back ones first.
    const double clumps[][3] = {{4.8, 15.6, 3.2}, {12.2, 15.6, 3.2}, {8.5, 14.6, 4.6},
                                {4.9, 10.8, 3.9}, {12.1, 10.8, 3.9}, {8.5, 6.8, 5.4}};
    for (const auto& k : clumps) {
        Mask m = circleMask(W, H, k[0], k[1], k[2]);
        c.fill(m, [&](int x, int y) {
            double v = 0.15 + 0.85 * sphereLight(x, y, k[0], k[1], k[2]) + 0.2 * (hashNoise(x, y, 13) - 0.5);
            v += 0.12 * (0.5 - (x + 0.5) / W);  // the whole crown a little lighter on the left
            return kLeaf.at(v, x, y);
        });
        c.fill(m.rim(0, 1) | m.rim(1, 1), kLeaf[1]);
    }
    // A couple of bright leaves catching the light.
    c.set(5, 4, kLeaf[5]);
    c.set(3, 9, kLeaf[5]);
    c.outline(rgb(10, 28, 8));
    return c;
}

// A bare branch: dark, with its upper left side catching a little light.
void branch(Canvas& c, const Ramp& wood, Pt a, Pt b, double thick) {
    Mask m = lineMask(W, H, a, b, thick);
    c.fill(m, [&](int x, int y) { return wood.at(0.15 + 0.2 * hashNoise(x, y, 3), x, y); });
    if (thick > 1.4) c.fill(m.rim(-1, 0) & m.rim(0, -1), wood[3]);
}

Canvas burntPine(bool embers) {
    Canvas c(W, H);
    // A tapering black spar with drooping stumps of branches.
    Mask spar = polygonMask(W, H, {{8.0, 1.0}, {9.0, 1.0}, {10.4, 28.0}, {6.6, 28.0}});
    c.fill(spar, [&](int x, int y) { return kChar.at(x < 8 ? 0.55 : 0.1 + 0.15 * hashNoise(x, y, 4), x, y); });
    for (int i = 0; i < 5; ++i) {
        double y = 5.0 + i * 4.0, len = 2.5 + i * 1.1;
        branch(c, kChar, {8.5, y}, {8.5 - len, y + 1.5 + i * 0.3}, 1.1);
        branch(c, kChar, {8.5, y + 2.0}, {8.5 + len, y + 3.5 + i * 0.3}, 1.1);
        c.set(int(8.5 - len), int(y + 1.5 + i * 0.3) - 1, kChar[1]);  // twig tips turn up
        c.set(int(8.5 + len), int(y + 3.5 + i * 0.3) - 1, kChar[1]);
    }
    if (embers) {
        const int spots[][2] = {{9, 10}, {8, 17}, {5, 13}, {12, 20}, {9, 24}, {4, 22}};
        for (const auto& s : spots) c.set(s[0], s[1], kEmber[2]);
        c.set(9, 11, kEmber[1]);
        c.set(8, 18, kEmber[0]);
        c.set(9, 25, kEmber[0]);
    } else {
        // Grey ash on the upper sides.
        c.set(7, 9, kChar[4]);
        c.set(5, 14, kChar[4]);
        c.set(11, 16, kChar[3]);
        c.set(7, 21, kChar[3]);
    }
    return c;
}

Canvas burntLeafy() {
    Canvas c(W, H);
    Mask stem = polygonMask(W, H, {{7.3, 12.5}, {9.7, 12.5}, {10.8, 28.0}, {6.2, 28.0}});
    c.fill(stem, [&](int x, int y) { return kChar.at(x < 8 ? 0.55 : 0.1 + 0.15 * hashNoise(x, y, 9), x, y); });
    branch(c, kChar, {8.0, 14.0}, {4.5, 7.0}, 1.8);
    branch(c, kChar, {4.5, 7.0}, {2.0, 2.5}, 1.1);
    branch(c, kChar, {4.8, 8.0}, {6.5, 3.5}, 1.0);
    branch(c, kChar, {9.0, 14.0}, {12.5, 6.5}, 1.8);
    branch(c, kChar, {12.5, 6.5}, {14.5, 2.0}, 1.1);
    branch(c, kChar, {12.2, 7.5}, {10.2, 3.5}, 1.0);
    branch(c, kChar, {8.5, 13.0}, {8.5, 6.0}, 1.2);
    branch(c, kChar, {9.5, 19.0}, {13.5, 16.5}, 1.0);
    branch(c, kChar, {7.5, 20.0}, {4.0, 18.0}, 1.0);
    c.set(6, 22, kChar[4]);
    c.set(7, 16, kChar[4]);
    return c;
}

Canvas snowyFir() {
    Canvas c(W, H);
    trunk(c, 7, 10, 21);
    conifer(c, {{0.0, 8.5, 3.8}, {3.5, 13.5, 5.4}, {7.5, 18.5, 6.8}, {12.0, 23.5, 7.9}}, kFir, true);
    // A drift of snow round the foot of the tree.
    c.fill(ellipseMask(W, H, 8.5, 28.0, 6.0, 1.6), kSnow[2]);
    c.outline(rgb(6, 22, 26));
    return c;
}

Canvas snowySpruce() {
    Canvas c(W, H);
    trunk(c, 7, 10, 22);
    // Narrow and tall, bowed under heavy snow.
    conifer(c, {{0.0, 6.5, 3.0}, {2.5, 10.5, 4.2}, {5.5, 14.5, 5.2}, {9.0, 18.5, 6.2}, {13.0, 23.0, 7.2}}, kFir, true);
    // Snow lumps all over.
    for (auto [x, y] :
         {std::pair{6, 9}, std::pair{10, 12}, std::pair{5, 16}, std::pair{11, 20}, std::pair{4, 21}, std::pair{8, 3}})
        c.set(x, y, kSnow[3]);
    c.fill(circleMask(W, H, kMid, 1.2, 1.3), kSnow[3]);
    c.outline(rgb(6, 22, 26));
    return c;
}

Canvas hellTree() {
    // A dead, twisted tree with fire still glowing at the tips of its claws.
    Canvas c(W, H);
    const Ramp dark{rgb(14, 4, 8), rgb(34, 12, 16), rgb(60, 24, 26), rgb(100, 44, 36)};
    Mask stem = polygonMask(W, H, {{7.5, 12.0}, {9.5, 12.0}, {9.2, 17.0}, {11.0, 28.0}, {6.0, 28.0}, {7.8, 18.0}});
    c.fill(stem, [&](int x, int y) { return dark.at(x < 8 ? 0.6 : 0.15 + 0.3 * hashNoise(x, y, 21), x, y); });
    branch(c, dark, {8.2, 13.0}, {5.0, 9.0}, 1.7);
    branch(c, dark, {5.0, 9.0}, {5.5, 5.0}, 1.2);
    branch(c, dark, {5.5, 5.0}, {3.0, 2.0}, 1.0);
    branch(c, dark, {8.8, 13.0}, {12.0, 10.0}, 1.7);
    branch(c, dark, {12.0, 10.0}, {11.0, 5.5}, 1.2);
    branch(c, dark, {11.0, 5.5}, {13.5, 2.5}, 1.0);
    branch(c, dark, {12.0, 10.0}, {15.0, 8.5}, 1.0);
    branch(c, dark, {5.5, 8.0}, {2.0, 7.0}, 1.0);
    // Glowing cracks and tips.
    for (auto [x, y] : {std::pair{3, 2}, std::pair{13, 2}, std::pair{15, 8}, std::pair{2, 7}}) c.set(x, y, kEmber[2]);
    for (auto [x, y] : {std::pair{8, 20}, std::pair{9, 24}, std::pair{8, 15}}) {
        c.set(x, y, kEmber[2]);
        c.set(x, y + 1, kEmber[1]);
    }
    return c;
}

Canvas burntSnowyFir() {
    // The snowy fir after a hit: charred black, embers in its branches, a last crust of snow.
    Canvas c = burntPine(true);
    for (auto [x, y] : {std::pair{5, 11}, std::pair{4, 15}, std::pair{3, 19}, std::pair{2, 23}, std::pair{7, 6}})
        c.set(x, y, kSnow[1]);
    return c;
}

}  // namespace

std::vector<Art> drawTrees() {
    return {{"tree0", pineTree()}, {"tree1", leafyTree()},   {"treeb0", burntPine(false)}, {"treeb1", burntLeafy()},
            {"snow0", snowyFir()}, {"snow1", snowySpruce()}, {"snowb0", burntSnowyFir()},  {"snowb1", hellTree()}};
}

}  // namespace art
