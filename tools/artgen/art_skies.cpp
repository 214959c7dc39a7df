// Up in the sky: the friendly sun, the hell sun, the moon, and the sky of the hell battlefield.
#include <algorithm>
#include <cmath>

#include "art.h"

namespace art {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kOrb = 72;
constexpr double kC = 36.0;  // centre of the 72 x 72 pictures

double angleOf(double x, double y) { return std::atan2(y - kC, x - kC); }
double radiusOf(double x, double y) { return std::hypot(x - kC, y - kC); }

Canvas drawSun() {
    Canvas c(kOrb, kOrb);
    const Ramp rays{rgb(226, 120, 0), rgb(246, 160, 10), rgb(255, 196, 30), rgb(255, 224, 80)};
    const Ramp face{rgb(226, 128, 0),  rgb(244, 164, 8),   rgb(255, 198, 24),
                    rgb(255, 224, 64), rgb(255, 242, 140), rgb(255, 254, 222)};
    const double discR = 21.0;
    // Twelve rays, long and short by turns.
    Mask rayMask(kOrb, kOrb);
    for (int i = 0; i < 12; ++i) {
        double a = i * kPi / 6 - kPi / 2, tip = i % 2 ? 29.0 : 34.5, half = i % 2 ? 0.16 : 0.19;
        rayMask |= polygonMask(kOrb, kOrb,
                               {{kC + (discR - 2) * std::cos(a - half), kC + (discR - 2) * std::sin(a - half)},
                                {kC + tip * std::cos(a), kC + tip * std::sin(a)},
                                {kC + (discR - 2) * std::cos(a + half), kC + (discR - 2) * std::sin(a + half)}});
    }
    Mask disc = circleMask(kOrb, kOrb, kC, kC, discR);
    c.fill(rayMask, [&](int x, int y) { return rays.at(1.0 - (radiusOf(x + 0.5, y + 0.5) - discR) / 16.0, x, y); });
    c.fill(rayMask.rim(1, 0) | rayMask.rim(0, 1), rays[0]);
    shadeBall(c, disc, face, kC, kC, discR, 0.22);
    c.fill(disc.edge(), rgb(214, 110, 0));

    // The face: shiny eyes, rosy cheeks, a wide smile.
    const Col brown = rgb(100, 42, 0);
    for (double ex : {29.5, 42.5}) {
        Mask eye = ellipseMask(kOrb, kOrb, ex, 32.5, 2.3, 3.4);
        c.fill(eye, brown);
        c.set(int(ex) - 1, 30, rgb(255, 255, 255));
        c.fill(ellipseMask(kOrb, kOrb, ex + (ex < kC ? -4.5 : 4.5), 40.0, 3.2, 2.0),
               [&](int x, int y) { return bayer(x, y) < 0.55 ? rgb(255, 140, 90) : rgb(255, 176, 110); });
    }
    Mask smile = ringMask(kOrb, kOrb, kC, 35.5, 9.5, 7.6) & rectMask(kOrb, kOrb, 0, 40, kOrb, kOrb);
    c.fill(smile, brown);
    c.set(26, 40, brown);
    c.set(45, 40, brown);
    c.outline(rgb(170, 74, 0));
    return c;
}

Canvas drawHellSun() {
    Canvas c(kOrb, kOrb);
    const double discR = 19.5;
    const Ramp flame{rgb(90, 4, 0), rgb(160, 16, 0), rgb(214, 50, 0), rgb(246, 110, 0), rgb(255, 176, 20), rgb(255, 236, 110)};
    // Flame tongues licking out all round, curling a little as they rise.
    auto reach = [](double a) {
        const int tongues = 13;
        double u = a * tongues / (2 * kPi);
        int k = int(std::floor(u));
        double f = u - k;
        double len = 0.65 + 0.35 * hashNoise(k, 3, 77);
        return 21.0 + 13.5 * len * std::pow(std::sin(f * kPi), 0.7);
    };
    Mask flames = fromFunction(kOrb, kOrb, [&](double x, double y) {
        double r = radiusOf(x, y);
        double a = angleOf(x, y) + 0.02 * (r - 20);
        return r < reach(a);
    });
    c.fill(flames, [&](int x, int y) {
        double r = radiusOf(x + 0.5, y + 0.5), a = angleOf(x + 0.5, y + 0.5) + 0.02 * (r - 20);
        double t = (r - discR) / (reach(a) - discR);
        return flame.at(1.0 - t * 1.05, x, y);
    });
    const Ramp face{rgb(96, 8, 0), rgb(150, 20, 0), rgb(196, 40, 0), rgb(230, 74, 4), rgb(252, 120, 20), rgb(255, 180, 70)};
    Mask disc = circleMask(kOrb, kOrb, kC, kC, discR);
    shadeBall(c, disc, face, kC, kC, discR, 0.05);
    c.fill(disc.edge(), rgb(110, 10, 0));

    // A grim face: heavy brows, glowing slit eyes, a sour mouth with teeth.
    const Col ink = rgb(40, 0, 0);
    Mask brows = lineMask(kOrb, kOrb, {24.0, 26.5}, {33.0, 31.0}, 2.6) | lineMask(kOrb, kOrb, {48.0, 26.5}, {39.0, 31.0}, 2.6);
    c.fill(brows, ink);
    for (double ex : {29.5, 42.5}) {
        Mask eye = ellipseMask(kOrb, kOrb, ex, 34.5, 3.6, 1.7) - brows.grown();
        c.fill(eye.grown() - brows, ink);
        c.fill(eye, rgb(255, 236, 90));
        c.set(int(ex), 34, rgb(255, 255, 220));
    }
    Mask mouth = ringMask(kOrb, kOrb, kC, 51.0, 10.5, 7.0) & rectMask(kOrb, kOrb, 0, 0, kOrb, 45);
    c.fill(mouth, ink);
    for (int x = 30; x <= 41; x += 3)
        c.fill(polygonMask(kOrb, kOrb, {{x - 1.0, 41.5}, {x + 2.0, 41.5}, {x + 0.5, 43.8}}), rgb(255, 220, 170));
    c.outline(rgb(60, 0, 0));
    return c;
}

Canvas drawMoon() {
    Canvas c(kOrb, kOrb);
    const Ramp pale{rgb(92, 96, 114),   rgb(128, 132, 148), rgb(166, 170, 180), rgb(198, 200, 204),
                    rgb(222, 222, 220), rgb(240, 240, 232), rgb(252, 252, 244)};
    const double R = 27.0;
    Mask disc = circleMask(kOrb, kOrb, kC, kC, R);
    c.fill(disc, [&](int x, int y) {
        double t = 0.25 + 0.85 * sphereLight(x, y, kC, kC, R);
        double sea = fbm(x / 11.0, y / 11.0, 9, 3);
        if (sea > 0.56) t -= 0.16;
        return pale.at(t, x, y);
    });
    const double craters[][3] = {{25.5, 27.5, 5.2}, {44.5, 21.5, 3.6}, {46.0, 45.0, 6.2}, {29.0, 48.5, 3.6},
                                 {17.5, 39.5, 2.6}, {38.0, 34.0, 2.4}, {53.0, 32.0, 2.8}, {36.0, 57.0, 2.2}};
    for (const auto& cr : craters) {
        Mask m = circleMask(kOrb, kOrb, cr[0], cr[1], cr[2]) & disc;
        double base = 0.2 + 0.7 * sphereLight(int(cr[0]), int(cr[1]), kC, kC, R);
        c.fill(m, pale.flat(base - 0.1));
        c.fill(m - m.shifted(1, 1), pale.flat(base - 0.3));           // shadowed inner wall, upper left
        c.fill((m.shifted(1, 1) - m) & disc, pale.flat(base + 0.2));  // sunlit lip, lower right
    }
    c.fill(disc.rim(1, 0) | disc.rim(0, 1), pale[0]);
    return c;
}

// The sky of the hell battlefield: black at the top, burning at the horizon, with smoke and embers.
Canvas drawHellSky() {
    const int W = 800, H = 600;
    Canvas c(W, H);
    const Ramp sky{rgb(8, 0, 2),     rgb(18, 0, 4),     rgb(30, 2, 6),     rgb(44, 4, 8),    rgb(62, 6, 8),
                   rgb(84, 10, 8),   rgb(108, 16, 8),   rgb(134, 26, 8),   rgb(162, 40, 10), rgb(190, 58, 12),
                   rgb(214, 82, 16), rgb(234, 110, 24), rgb(248, 142, 40), rgb(255, 176, 64)};
    for (int y = 0; y < H; ++y) {
        double t = std::pow(y / double(H - 1), 1.6);
        for (int x = 0; x < W; ++x) c.set(x, y, sky.at(t, x, y));
    }

    // Smoke banks, dark, lit from below by the fire: flat-shaded as if painted by hand, with the
    // colour set by how far a pixel is above the cloud's lower edge.
    // Each bank is painted on its own, the high (far) ones first, so every bank keeps its lit underside.
    struct Bank {
        double cx, cy, rx, ry;
        int seed;
    };
    std::vector<Bank> banks;
    for (int i = 0; i < 16; ++i)
        banks.push_back({hashNoise(i, 0, 91) * 900 - 50, 100 + hashNoise(i, 1, 91) * 190, 70 + hashNoise(i, 2, 91) * 110,
                         7 + hashNoise(i, 3, 91) * 9, i});
    std::sort(banks.begin(), banks.end(), [](const Bank& a, const Bank& b) { return a.cy < b.cy; });
    const Col tones[] = {rgb(210, 80, 20), rgb(160, 44, 12), rgb(110, 22, 10), rgb(74, 12, 10), rgb(50, 8, 8), rgb(32, 5, 6)};
    const int depthOf[] = {0, 1, 1, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 4};
    for (const Bank& bank : banks) {
        Mask cloud = ellipseMask(W, H, bank.cx, bank.cy, bank.rx, bank.ry);
        for (int k = 0; k < 5; ++k) {  // billows on top
            double bx = bank.cx + (hashNoise(bank.seed, 10 + k, 91) - 0.5) * bank.rx,
                   br = 8 + hashNoise(bank.seed, 20 + k, 91) * 14;
            cloud |= ellipseMask(W, H, bx, bank.cy - br * 0.45, br * 1.6, br * 0.9) & rectMask(W, H, 0, 0, W, int(bank.cy));
        }
        int x0 = std::max(0, int(bank.cx - bank.rx - 40)), x1 = std::min(W, int(bank.cx + bank.rx + 40));
        int y0 = std::max(0, int(bank.cy - 40)), y1 = std::min(H, int(bank.cy + bank.ry + 2));
        for (int x = x0; x < x1; ++x) {
            int below = 0;
            for (int y = y1; y >= y0; --y) {
                below = cloud.at(x, y) ? below + 1 : 0;
                if (!below) continue;
                int k = below - 1 < 15 ? depthOf[below - 1] : 5;
                if (!cloud.at(x, y - 1) && k > 2) k = 3;  // a faint lit crest on top
                c.set(x, y, tones[k]);
            }
        }
    }

    // Far mountains with a smoking volcano, then nearer, darker ridges.
    auto ridge = [](double x, double base, double height, int seed) { return base - height * fbm(x / 70.0, 0.5, seed, 4); };
    auto volcano = [](double x) {
        double d = std::abs(x - 560) / 130.0;
        return d < 1 ? 386 + 140 * std::pow(d, 1.4) + 30 * d * (fbm(x / 18.0, 3.0, 17, 3) - 0.5) : 1e9;
    };
    Mask far = fromFunction(W, H, [&](double x, double y) {
        double top = std::min(ridge(x, 520, 110, 5), std::max(volcano(x), 392.0));
        return y > top;
    });
    c.fill(far, [&](int x, int y) { return mix(rgb(92, 18, 10), rgb(140, 34, 10), (y - 400) / 200.0 + 0.3 * bayer(x, y)); });
    c.fill(far.rim(0, -1), rgb(170, 52, 14));
    // Lava down the volcano's flank and the glow in its mouth.
    c.fill(fromFunction(W, H,
                        [&](double x, double y) {
                            return far.at(int(x), int(y)) && y < 470 &&
                                   std::abs(x - 556 - 8 * std::sin(y / 12.0) - (y - 392) * 0.3) < 2.2 - (y - 392) / 50.0;
                        }),
           rgb(255, 170, 40));
    c.fill(ellipseMask(W, H, 560, 392, 15, 3) - far, rgb(255, 120, 30));
    Mask near = fromFunction(W, H, [&](double x, double y) { return y > ridge(x + 1000, 580, 90, 8); });
    c.fill(near, rgb(46, 6, 6));
    c.fill(near.rim(0, -1), rgb(110, 22, 10));

    // Embers drifting up.
    for (int i = 0; i < 420; ++i) {
        int x = int(hashNoise(i, 1, 303) * W), y = int(160 + std::pow(hashNoise(i, 2, 303), 0.6) * 440);
        Col ember =
            hashNoise(i, 3, 303) < 0.3 ? rgb(255, 236, 150) : (hashNoise(i, 4, 303) < 0.5 ? rgb(255, 160, 40) : rgb(230, 80, 20));
        c.set(x, y, ember);
        if (hashNoise(i, 5, 303) < 0.25) c.set(x, y + 1, scaled(ember, 0.6));
    }
    return c;
}

}  // namespace

std::vector<Art> drawSkies() {
    return {{"sunn", drawSun()}, {"sunh", drawHellSun()}, {"moon", drawMoon()}, {"tdd", drawHellSky()}};
}

}  // namespace art
