// The tanks, their shell and the window icon.
#include <algorithm>
#include <cmath>

#include "art.h"

namespace art {
namespace {

constexpr int kTank = 40;

const Ramp kOlive{rgb(30, 38, 18),   rgb(52, 64, 28),   rgb(74, 90, 38),   rgb(98, 116, 50),
                  rgb(124, 144, 66), rgb(160, 178, 92), rgb(204, 214, 134)};
const Ramp kSteel{rgb(22, 22, 22), rgb(44, 44, 42), rgb(70, 70, 66), rgb(100, 100, 94), rgb(138, 138, 128), rgb(184, 184, 172)};
constexpr Col kInk = rgb(20, 22, 12);

// Light across a bar from a to b: 0 on the shadowed side, 1 on the lit side (the upper one, leaning to `side`).
double barLight(int x, int y, Pt a, Pt b, double halfWidth, int side) {
    double vx = b.x - a.x, vy = b.y - a.y, len = std::hypot(vx, vy);
    double nx = -vy / len, ny = vx / len;  // a normal of the bar
    // Turn the normal towards the light (up and to `side`).
    if (nx * side - ny < 0) {
        nx = -nx;
        ny = -ny;
    }
    double s = ((x + 0.5 - a.x) * nx + (y + 0.5 - a.y) * ny) / halfWidth;  // -1 shadow .. 1 lit
    return std::clamp(0.5 + 0.45 * s, 0.0, 1.0);
}

// A tank with its barrel up and to the right. `lightSide` is where the light comes from in this
// drawing: -1 for the left; the left-facing tank is drawn lit from the right and then mirrored.
Canvas drawTankFacingRight(int lightSide) {
    Canvas c(kTank, kTank);
    const int W = kTank, H = kTank;
    auto litRim = [&](const Mask& m) { return m.rim(lightSide, 0) | m.rim(0, -1); };

    // Barrel, behind everything else.
    Pt b0{21.5, 21.0}, b1{33.0, 9.5};
    Mask barrel = lineMask(W, H, b0, b1, 3.2);
    Mask brake = lineMask(W, H, {32.0, 10.5}, {35.2, 7.3}, 4.6);
    c.fill(barrel, [&](int x, int y) { return kOlive.flat(0.15 + 0.75 * barLight(x, y, b0, b1, 1.6, lightSide)); });
    c.fill(brake, [&](int x, int y) { return kOlive.flat(0.1 + 0.7 * barLight(x, y, b0, b1, 2.3, lightSide)); });
    c.fill(brake.rim(-1, 1) & brake.rim(1, 1), kOlive[1]);

    // Turret: a low dome with a hatch and a mantlet where the barrel goes in.
    Mask dome = ellipseMask(W, H, 18.0, 25.0, 9.6, 7.4) & rectMask(W, H, 0, 0, W, 25);
    Mask mantlet = circleMask(W, H, 24.5, 20.5, 2.6);
    Mask turret = dome | mantlet;
    c.fill(turret, [&](int x, int y) {
        double t = sphereLight(lightSide < 0 ? x : 35 - x, y, 18.0, 21.0, 10.0);
        return kOlive.flat(0.1 + 0.85 * t);
    });
    c.fill(litRim(dome) - dome.rim(0, 1), kOlive[5]);
    Mask hatch = ellipseMask(W, H, 15.0, 18.6, 3.2, 1.8);
    c.fill(hatch, kOlive[2]);
    c.fill(hatch.rim(0, -1), kOlive[5]);
    c.fill(hatch.rim(0, 1), kOlive[1]);
    c.fill(mantlet.rim(0, 1) | mantlet.rim(-lightSide, 0), kOlive[1]);

    // Hull: sloped at the front, a little at the back.
    Mask hull = polygonMask(W, H, {{5.0, 30.0}, {7.5, 24.5}, {30.5, 24.5}, {36.0, 30.0}});
    c.fill(hull, [&](int x, int y) { return kOlive.flat(0.7 - 0.09 * (y - 24.5) + 0.04 * lightSide * -(x - 20) / 10.0); });
    c.fill(hull.rim(0, -1), kOlive[6]);
    // Seam under the turret and a row of bolts along the side.
    c.fill(dome.rim(0, 1), kOlive[1]);
    for (int x = 10; x <= 30; x += 5) {
        c.set(x, 27, kOlive[6]);
        c.set(x, 28, kOlive[1]);
    }
    // Lamp on the front slope.
    c.set(33, 26, rgb(255, 238, 150));
    c.set(32, 26, kOlive[6]);

    // Mudguard over the tracks.
    Mask guard = polygonMask(W, H, {{1.5, 32.0}, {3.5, 29.8}, {36.5, 29.8}, {38.5, 32.0}});
    c.fill(guard, kOlive[3]);
    c.fill(guard.rim(0, -1), kOlive[5]);
    c.fill(guard.rim(0, 1), kOlive[1]);

    // Tracks and road wheels.
    Mask track = roundRectMask(W, H, 3.0, 31.5, 37.0, 40.0, 4.2);
    c.fill(track, kSteel[1]);
    Mask trackEdge = track.edge(true);
    c.fill(trackEdge, [&](int x, int y) { return (x + y) % 2 ? kSteel[0] : kSteel[2]; });
    const double wheelX[] = {8.0, 14.0, 20.0, 26.0, 32.0};
    for (double wx : wheelX) {
        double r = (wx == 8.0 || wx == 32.0) ? 3.3 : 2.9;
        Mask wheel = circleMask(W, H, wx, 35.8, r);
        c.fill(wheel, [&](int x, int y) {
            double t = sphereLight(lightSide < 0 ? x : int(2 * wx) - x - 1, y, wx, 35.8, r);
            return kSteel.flat(0.2 + 0.8 * t);
        });
        c.fill(wheel.rim(-lightSide, 1) & wheel.rim(0, 1), kSteel[0]);
        c.set(int(wx), 35, kSteel[0]);
    }

    // Ink line all round.
    c.outline(kInk, false);
    return c;
}

Canvas drawBullet() {
    Canvas c(8, 8);
    const Ramp shell{rgb(14, 14, 18),   rgb(36, 38, 44),    rgb(62, 66, 76),
                     rgb(98, 104, 118), rgb(160, 168, 182), rgb(236, 240, 248)};
    Mask ball = circleMask(8, 8, 4.0, 4.0, 3.7);
    shadeBall(c, ball, shell, 4.0, 4.0, 3.7, -0.05);
    c.fill(ball.edge() & (ball.rim(1, 0) | ball.rim(0, 1)), shell[0]);
    c.set(2, 2, shell[5]);
    return c;
}

Canvas drawIcon(const Canvas& tank, const Canvas& shell) {
    const int S = 64;
    Canvas c(S, S);
    Mask tile = roundRectMask(S, S, 0.0, 0.0, 64.0, 64.0, 9.0);
    const Ramp sky{rgb(40, 84, 168),   rgb(50, 98, 182),   rgb(62, 112, 196),  rgb(76, 128, 208), rgb(92, 146, 220),
                   rgb(112, 164, 228), rgb(134, 184, 236), rgb(160, 202, 242), rgb(186, 218, 246)};
    c.fill(tile, [&](int x, int y) { return sky.at(1.0 - y / 48.0, x, y); });
    // Far hills and the near meadow.
    Mask far =
        fromFunction(S, S, [](double x, double y) { return y > 40 + 4 * std::sin(x / 9.0 + 1) + 2 * std::sin(x / 4.0); }) & tile;
    c.fill(far, rgb(92, 140, 110));
    Mask ground = fromFunction(S, S, [](double x, double y) { return y > 52 + 2.5 * std::sin(x / 11.0 + 2); }) & tile;
    const Ramp grass{rgb(40, 84, 26), rgb(62, 116, 36), rgb(88, 150, 48), rgb(126, 186, 70)};
    c.fill(ground, [&](int x, int y) { return grass.at(0.9 - (y - 50) / 12.0, x, y); });
    c.fill(ground.rim(0, -1), grass[3]);
    // The tank on the meadow, firing up to the right.
    int tx = 4, ty = 55 - kTank + 1;
    c.blit(tank, tx, ty);
    // Muzzle flash at the end of the barrel.
    double fx = tx + 37.0, fy = ty + 5.0;
    Mask flash = polygonMask(S, S,
                             {{fx - 2, fy + 2},
                              {fx + 3, fy - 7},
                              {fx + 2, fy - 1},
                              {fx + 9, fy - 3},
                              {fx + 3, fy + 2},
                              {fx + 7, fy + 6},
                              {fx + 1, fy + 4}});
    c.fill(flash.grown(), rgb(214, 64, 16));
    c.fill(flash, rgb(255, 180, 40));
    c.fill(flash.shrunk(), rgb(255, 248, 190));
    // The shell climbing away with a puffy trail.
    const Col smoke = rgb(236, 240, 246);
    for (int i = 0; i < 4; ++i) {
        double px = fx + 8 + i * 3.2, py = fy - 6 - i * 3.6;
        c.fill(circleMask(S, S, px, py, 1.0 + 0.3 * (3 - i)), mix(smoke, sky[3], i / 5.0));
    }
    c.blit(shell, 53, 4);
    // A dark rim keeps the tile clear on any desktop.
    c.fill(tile.edge(), rgb(18, 34, 70));
    return c;
}

}  // namespace

Canvas drawIconAt(int size) {
    Canvas big = drawIcon(drawTankFacingRight(-1), drawBullet());
    const int S = big.width();
    if (size >= S && size % S == 0) {
        Canvas c(size, size);
        c.blitScaled(big, 0, 0, size / S);
        return c;
    }
    // Smaller sizes average the pixels each one covers, weighted by coverage and alpha, so edges stay clean.
    Canvas c(size, size);
    double f = double(S) / size;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            double r = 0, g = 0, b = 0, a = 0, area = 0;
            for (int sy = int(y * f); sy < std::min(S, int(std::ceil((y + 1) * f))); ++sy)
                for (int sx = int(x * f); sx < std::min(S, int(std::ceil((x + 1) * f))); ++sx) {
                    double wx = std::min(sx + 1.0, (x + 1) * f) - std::max(double(sx), x * f);
                    double wy = std::min(sy + 1.0, (y + 1) * f) - std::max(double(sy), y * f);
                    double w = wx * wy;
                    Col p = big.get(sx, sy);
                    r += p.r * p.a * w, g += p.g * p.a * w, b += p.b * p.a * w, a += p.a * w, area += w;
                }
            if (a <= 0) continue;
            c.set(x, y,
                  rgb(int(std::lround(r / a)), int(std::lround(g / a)), int(std::lround(b / a)), int(std::lround(a / area))));
        }
    return c;
}

std::vector<Art> drawTanks() {
    Canvas right = drawTankFacingRight(-1);
    Canvas left = drawTankFacingRight(1).mirrored();
    Canvas shell = drawBullet();
    return {{"tankright", right}, {"tankleft", left}, {"tank1", right},
            {"tank2", left},      {"bullet", shell},  {"icon", drawIcon(right, shell)}};
}

}  // namespace art
