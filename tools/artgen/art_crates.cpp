// The bonus crates: one wooden crate, a dark plate on its front, and a sign on the plate telling
// what is inside. The health crate is a white first-aid box instead.
#include <cmath>
#include <functional>

#include "art.h"

namespace art {
namespace {

constexpr int S = 32;
constexpr double kPi = 3.14159265358979323846;

const Ramp kWood{rgb(62, 34, 14), rgb(104, 62, 26), rgb(142, 92, 42), rgb(178, 126, 64), rgb(208, 162, 96), rgb(234, 200, 140)};
const Ramp kMetal{rgb(40, 42, 48), rgb(78, 82, 92), rgb(122, 128, 140), rgb(170, 176, 188), rgb(222, 226, 234)};
const Ramp kSteel{rgb(24, 28, 34), rgb(52, 58, 68), rgb(86, 94, 108), rgb(128, 138, 154), rgb(176, 186, 200), rgb(230, 236, 244)};
const Ramp kYellow{rgb(150, 70, 0), rgb(220, 130, 0), rgb(250, 190, 20), rgb(255, 228, 80), rgb(255, 250, 190)};
const Ramp kBall{rgb(90, 10, 10), rgb(160, 24, 16), rgb(214, 56, 28), rgb(246, 110, 60), rgb(255, 190, 150), rgb(255, 245, 230)};
const Ramp kEarth{rgb(48, 28, 12), rgb(86, 54, 24), rgb(124, 82, 40), rgb(160, 114, 62)};
const Ramp kGrass{rgb(26, 70, 20), rgb(44, 110, 30), rgb(76, 152, 44), rgb(128, 196, 72)};
constexpr Col kPlate = rgb(34, 38, 50);
constexpr Col kInk = rgb(12, 12, 16);

Mask bodyMask() { return roundRectMask(S, S, 0.0, 0.0, 32.0, 32.0, 2.2); }
Mask plateMask() { return rectMask(S, S, 6, 6, 26, 26); }

Canvas woodenCrate() {
    Canvas c(S, S);
    Mask body = bodyMask();
    // Planks across, each with its own grain and shade.
    c.fill(body, [&](int x, int y) {
        int plank = y / 6;
        double grain = fbm(x / 7.0, y * 1.7 + plank * 13.0, 11, 3);
        double t = 0.45 + 0.35 * (grain - 0.5) + 0.08 * ((plank * 37) % 3 - 1);
        if (y % 6 == 5) t = 0.1;  // seam between planks
        return kWood.at(t, x, y);
    });
    // The frame boards round the edge, lighter, with a bevel.
    Mask frame = body - rectMask(S, S, 4, 4, 28, 28);
    c.fill(frame, [&](int x, int y) {
        double grain = fbm(x * 1.3 + y * 1.3, (x - y) / 6.0, 23, 3);
        return kWood.at(0.62 + 0.3 * (grain - 0.5), x, y);
    });
    Mask frameInner = rectMask(S, S, 3, 3, 29, 29) - rectMask(S, S, 4, 4, 28, 28);
    c.fill(frameInner & (rectMask(S, S, 0, 28, S, S) | rectMask(S, S, 28, 0, S, S)), kWood[4]);
    c.fill(frameInner & (rectMask(S, S, 0, 0, S, 4) | rectMask(S, S, 0, 0, 4, S)), kWood[1]);
    bevel(c, body, kWood[5], kWood[1]);
    c.fill(body.edge(), [&](int x, int y) { return (x + y) % 2 ? kWood[0] : mix(kWood[0], kWood[1], 0.5); });
    // Iron corner pieces with a nail each.
    for (int corner = 0; corner < 4; ++corner) {
        bool right = corner & 1, bottom = corner & 2;
        int x0 = right ? 24 : 1, y0 = bottom ? 24 : 1;
        Mask l = rectMask(S, S, x0, y0, x0 + 7, y0 + 7) -
                 rectMask(S, S, right ? x0 : x0 + 3, bottom ? y0 : y0 + 3, right ? x0 + 4 : x0 + 7, bottom ? y0 + 4 : y0 + 7);
        l &= body;
        c.fill(l, kMetal[2]);
        bevel(c, l, kMetal[4], kMetal[0]);
        int nx = right ? 29 : 2, ny = bottom ? 29 : 2;
        c.set(nx, ny, kMetal[4]);
        c.set(nx + 1, ny + 1, kMetal[0]);
    }
    // The dark plate the sign goes on, set into the crate.
    Mask plate = plateMask();
    c.fill(plate, kPlate);
    c.fill(plate.grown() - plate, kWood[0]);
    c.fill(plate.rim(0, -1) | plate.rim(-1, 0), rgb(18, 20, 28));
    c.fill(plate.rim(0, 1) | plate.rim(1, 0), rgb(62, 68, 86));
    return c;
}

// A shape on the plate: painted, then ringed with ink.
void sign(Canvas& c, const Mask& m, const std::function<Col(int, int)>& paint, bool ink = true) {
    if (ink) c.fill(m.grown() - m, kInk);
    c.fill(m, paint);
}

void litShape(Canvas& c, const Mask& m, const Ramp& r, double base, bool ink = true) {
    sign(
        c, m, [&](int x, int y) { return r.at(base, x, y); }, ink);
    c.fill(m.rim(-1, 0) | m.rim(0, -1), r.flat(std::min(1.0, base + 0.35)));
    c.fill(m.rim(1, 0) | m.rim(0, 1), r.flat(std::max(0.0, base - 0.35)));
}

void ball(Canvas& c, double cx, double cy, double r) {
    Mask m = circleMask(S, S, cx, cy, r);
    c.fill(m.grown() - m, kInk);
    shadeBall(c, m, kBall, cx, cy, r, 0.05);
}

// A short fat arrow, pointing up (dir = -1) or down (dir = 1), centred on x = cx.
void smallArrow(Canvas& c, double cx, double yTail, double yTip, int dir) {
    double headStart = yTip - dir * 4.5;
    Mask m = rectMask(S, S, int(cx - 1.5), int(std::min(yTail, headStart)), int(cx + 2.5), int(std::max(yTail, headStart))) |
             polygonMask(S, S, {{cx - 4.5, headStart}, {cx + 5.5, headStart}, {cx + 0.5, yTip}});
    sign(c, m, [&](int x, int y) { return kYellow.at(0.75 - 0.3 * std::abs(y - yTail) / 10.0, x, y); });
    c.fill(m.rim(-1, 0), kYellow[4]);
}

Mask earthBelow(const std::function<double(double)>& top) {
    return fromFunction(S, S, [&](double x, double y) { return x > 6 && x < 26 && y < 26 && y >= top(x); });
}

void earth(Canvas& c, const Mask& m) {
    c.fill(m, [&](int x, int y) { return kEarth.at(0.55 + 0.4 * (hashNoise(x, y, 5) - 0.5), x, y); });
    c.fill(m.rim(0, -1), kGrass[2]);
    c.fill(m.rim(0, -1).shifted(0, 1) & m, kGrass[1]);
}

void teleport(Canvas& c) {
    const Ramp glow{rgb(60, 20, 110), rgb(120, 40, 190), rgb(170, 90, 240), rgb(110, 200, 250), rgb(210, 250, 255)};
    Mask spiral(S, S);
    for (double t = 0; t < 4.2 * kPi; t += 0.05) {
        double r = 0.7 + 0.62 * t;
        Pt p{16 + r * std::cos(t), 16 + r * std::sin(t)};
        spiral |= circleMask(S, S, p.x, p.y, 0.95 + 0.06 * t);
    }
    sign(c, spiral, [&](int x, int y) {
        double d = std::hypot(x + 0.5 - 16, y + 0.5 - 16);
        return glow.at(1.0 - d / 10.0, x, y);
    });
    for (auto [sx, sy] : {std::pair{8, 8}, std::pair{23, 9}, std::pair{9, 23}}) {
        c.set(sx, sy, glow[4]);
        c.set(sx - 1, sy, glow[3]);
        c.set(sx + 1, sy, glow[3]);
        c.set(sx, sy - 1, glow[3]);
        c.set(sx, sy + 1, glow[3]);
    }
}

void heavyShell(Canvas& c) {
    Mask body =
        roundRectMask(S, S, 9.5, 12.0, 22.5, 25.0, 1.0) | (ellipseMask(S, S, 16.0, 13.5, 6.5, 7.5) & rectMask(S, S, 0, 0, S, 14));
    sign(c, body, [&](int x, int y) {
        double t = 0.85 - (x + 0.5 - 9.5) / 13.0 * 0.8;
        if (y < 14) t = 0.15 + 0.85 * sphereLight(x, y, 16.0, 14.0, 7.0);
        return kSteel.at(t, x, y);
    });
    Mask band = rectMask(S, S, 9, 20, 23, 22) & body;
    c.fill(band, [&](int x, int y) { return mix(rgb(200, 110, 40), rgb(110, 50, 16), (x - 9) / 13.0 + 0.1 * bayer(x, y)); });
    c.fill(rectMask(S, S, 9, 24, 23, 25) & body, kSteel[0]);
    c.set(12, 11, kSteel[5]);
    c.set(13, 10, kSteel[5]);
    // Brass fuse on the nose.
    Mask fuse = ellipseMask(S, S, 16.0, 7.0, 2.6, 1.8);
    c.fill(fuse, [&](int x, int) { return x < 16 ? rgb(250, 214, 110) : rgb(190, 130, 40); });
}

void pit(Canvas& c) {
    Mask ground = earthBelow([](double) { return 18.0; });
    earth(c, ground);
    Mask hole = polygonMask(S, S, {{9.5, 17.5}, {22.5, 17.5}, {18.5, 26.0}, {13.5, 26.0}});
    c.fill(hole.grown() & ground, kEarth[0]);
    c.fill(hole, [&](int x, int y) { return mix(rgb(40, 30, 24), rgb(4, 2, 2), (y - 17) / 6.0 + 0.2 * bayer(x, y)); });
    smallArrow(c, 15.5, 6.5, 16.0, 1);
}

void mound(Canvas& c) {
    Mask hill = earthBelow([](double x) {
        double d = (x - 16) / 9.5;
        return 25.0 - 10.5 * std::max(0.0, 1 - d * d);
    });
    earth(c, hill);
    smallArrow(c, 15.5, 16.0, 6.0, -1);
}

void leveller(Canvas& c) {
    Mask ground = earthBelow([](double) { return 21.0; });
    earth(c, ground);
    Mask blade = roundRectMask(S, S, 7.5, 10.5, 24.5, 18.0, 1.0);
    sign(c, blade, [&](int x, int y) { return ((x + y) / 3) % 2 ? kYellow.at(0.7, x, y) : rgb(30, 28, 24); });
    c.fill(blade.rim(0, -1), kYellow[4]);
    c.fill(blade.rim(0, 1), kYellow[0]);
    // Hydraulic arms holding the blade.
    litShape(c, rectMask(S, S, 10, 7, 12, 10), kSteel, 0.6);
    litShape(c, rectMask(S, S, 20, 7, 22, 10), kSteel, 0.6);
}

void armourPiercing(Canvas& c) {
    // A slim dark shell with a hard steel point, streaking up to the right.
    Pt a{10.0, 22.0}, b{17.0, 15.0};
    Mask body = lineMask(S, S, a, b, 5.4);
    Mask tip = polygonMask(S, S, {{15.2, 12.2}, {19.8, 16.8}, {24.8, 7.2}});
    Mask shell = body | tip;
    const Ramp gun{rgb(20, 22, 28), rgb(40, 44, 54), rgb(66, 72, 86), rgb(100, 108, 124)};
    sign(c, shell, [&](int x, int y) {
        double across = ((x + 0.5 - a.x) + (y + 0.5 - a.y)) / std::sqrt(2.0) / 2.7;  // -1 upper left .. 1 lower right
        double t = 0.6 - 0.45 * across;
        return tip.at(x, y) && !body.at(x, y) ? kSteel.flat(t + 0.25) : gun.flat(t);
    });
    // A red band behind the point, and the brass base.
    c.fill(lineMask(S, S, {15.0, 14.0}, {18.0, 17.0}, 1.2) & body, rgb(220, 40, 30));
    c.fill(lineMask(S, S, {7.6, 20.6}, {10.4, 23.4}, 1.6) & body, rgb(200, 150, 50));
    // Speed streaks behind.
    c.line(7, 16, 9, 14, rgb(236, 240, 250));
    c.line(13, 25, 15, 23, rgb(236, 240, 250));
    c.line(6, 21, 6, 21, rgb(236, 240, 250));
}

void drill(Canvas& c) {
    Mask chuck = rectMask(S, S, 12, 6, 20, 11);
    litShape(c, chuck, kMetal, 0.55);
    c.fill(rectMask(S, S, 12, 8, 20, 9), kMetal[1]);
    Mask bit = polygonMask(S, S, {{11.5, 11.0}, {20.5, 11.0}, {16.0, 26.5}});
    sign(c, bit, [&](int x, int y) {
        // Spiral flutes: diagonal stripes that get closer towards the tip.
        double u = (x + 0.5 - 16) + (y - 11) * 0.9;
        bool groove = int(std::floor(u / 2.5 + 100)) % 2 == 0;
        double t = 0.8 - (x + 0.5 - 11.5) / 9.0 * 0.55;
        return kSteel.at(groove ? t - 0.35 : t + 0.05, x, y);
    });
    c.fill(chuck.rim(0, 1).shifted(0, 1) - bit, kInk);
}

void nuke(Canvas& c) {
    Mask disc = circleMask(S, S, 16.0, 16.0, 9.6);
    sign(c, disc, [&](int x, int y) { return kYellow.at(0.45 + 0.5 * sphereLight(x, y, 16.0, 16.0, 10.0), x, y); });
    Mask blades = fromFunction(S, S, [](double x, double y) {
        double dx = x - 16, dy = y - 16, r = std::hypot(dx, dy);
        if (r < 2.6 || r > 8.2) return false;
        double a = std::atan2(dy, dx) * 180 / kPi + 90;  // 0 = straight up
        a = std::fmod(a + 720.0, 120.0);
        return a < 30 || a > 90;
    });
    c.fill(blades | circleMask(S, S, 16.0, 16.0, 1.6), rgb(16, 14, 10));
}

void quake(Canvas& c) {
    // Ground split by a crack, the right side dropped a little.
    Mask left = earthBelow([](double) { return 12.0; }) & rectMask(S, S, 0, 0, 16, S);
    Mask right = earthBelow([](double) { return 15.0; }) & rectMask(S, S, 16, 0, S, S);
    earth(c, left | right);
    Mask crack(S, S);
    const Pt zig[] = {{16.0, 11.0}, {13.0, 15.0}, {18.0, 18.5}, {14.0, 22.0}, {17.0, 26.0}};
    for (int i = 0; i + 1 < 5; ++i) crack |= lineMask(S, S, zig[i], zig[i + 1], 2.2);
    crack &= left | right;
    c.fill(crack.grown() & (left | right), kEarth[0]);
    c.fill(crack, rgb(6, 4, 4));
    // Shake lines above the ground.
    for (int x : {8, 11, 21, 24}) c.line(x, x < 16 ? 7 : 9, x, x < 16 ? 9 : 12, rgb(240, 240, 220));
}

// A fat arrow from `from` to `to`, any direction.
void slantArrow(Canvas& c, Pt from, Pt to) {
    double dx = to.x - from.x, dy = to.y - from.y, len = std::hypot(dx, dy);
    double ux = dx / len, uy = dy / len, nx = -uy, ny = ux;
    Pt base{to.x - ux * 5.0, to.y - uy * 5.0};
    Mask m = lineMask(S, S, from, base, 3.4) |
             polygonMask(
                 S, S, {{base.x + nx * 4.2, base.y + ny * 4.2}, {base.x - nx * 4.2, base.y - ny * 4.2}, {to.x + ux, to.y + uy}});
    sign(c, m, [&](int x, int y) { return kYellow.at(0.7 - 0.3 * bayer(x, y) * 0, x, y); });
    c.fill(m.rim(-1, 0) | m.rim(0, -1), kYellow[4]);
    c.fill(m.rim(1, 0) | m.rim(0, 1), kYellow[1]);
}

void roller(Canvas& c) {
    Mask slope = earthBelow([](double x) { return 12.0 + (x - 6) * 0.7; });
    earth(c, slope);
    ball(c, 11.5, 10.0, 3.6);
    // Speed lines behind it, and where it is going.
    c.line(6, 6, 7, 6, rgb(240, 240, 220));
    c.line(6, 9, 6, 9, rgb(240, 240, 220));
    slantArrow(c, {15.5, 10.0}, {24.0, 16.0});
}

void climber(Canvas& c) {
    Mask slope = earthBelow([](double x) { return 26.0 - (x - 6) * 0.7; });
    earth(c, slope);
    ball(c, 11.0, 19.0, 3.6);
    slantArrow(c, {14.0, 13.0}, {23.0, 7.0});
}

void bouncer(Canvas& c) {
    Mask ground = earthBelow([](double) { return 23.0; });
    earth(c, ground);
    // The dashed path: coming down from the left, hitting the ground, flying up to where the ball is now.
    auto path = [&](double x0, double x1, double apexX, double apexY, double drop, double span) {
        double walked = 0, px = x0, py = apexY + drop * std::pow((x0 - apexX) / span, 2);
        for (double x = x0 + 0.25; x <= x1; x += 0.25) {
            double y = apexY + drop * std::pow((x - apexX) / span, 2);
            if (std::fmod(walked, 3.6) < 2.2) c.line(int(px), int(py), int(x), int(y), rgb(236, 240, 250));
            walked += std::hypot(x - px, y - py);
            px = x;
            py = y;
        }
    };
    path(6.0, 11.0, 5.0, 11.0, 11.0, 6.0);
    path(11.0, 17.0, 21.0, 8.0, 14.0, 10.0);
    // A puff where it hit.
    c.set(9, 22, rgb(200, 170, 120));
    c.set(13, 22, rgb(200, 170, 120));
    c.set(8, 21, rgb(160, 130, 90));
    c.set(14, 21, rgb(160, 130, 90));
    ball(c, 20.5, 9.5, 3.6);
}

Canvas healthCrate() {
    Canvas c(S, S);
    Mask body = bodyMask();
    const Ramp white{rgb(120, 126, 140), rgb(176, 182, 194), rgb(214, 218, 228), rgb(238, 240, 246), rgb(255, 255, 255)};
    c.fill(body, [&](int x, int y) { return white.at(0.85 - (x + y) / 64.0 * 0.35, x, y); });
    Mask lid = rectMask(S, S, 0, 0, S, 5) & body;
    c.fill(lid, white[2]);
    c.fill(lid.rim(0, 1), white[0]);
    bevel(c, body, white[4], white[1]);
    c.fill(body.edge(), rgb(70, 74, 86));
    // Handle on the lid.
    c.fill(rectMask(S, S, 12, 1, 20, 3), rgb(90, 94, 108));
    c.fill(rectMask(S, S, 13, 2, 19, 3), white[3]);
    // The red cross.
    Mask cross = rectMask(S, S, 13, 8, 19, 28) | rectMask(S, S, 6, 15, 26, 21);
    c.fill(cross.grown() - cross, rgb(110, 0, 0));
    const Ramp red{rgb(140, 0, 0), rgb(190, 10, 10), rgb(226, 30, 24), rgb(250, 80, 70)};
    c.fill(cross, [&](int x, int y) { return red.at(0.75 - (y - 8) / 40.0, x, y); });
    c.fill(cross.rim(-1, 0) | cross.rim(0, -1), red[3]);
    c.fill(cross.rim(1, 0) | cross.rim(0, 1), red[0]);
    return c;
}

}  // namespace

std::vector<Art> drawCrates() {
    // Each special shell's sign on a wooden crate, by the shell's kind; the health crate is kind 13.
    const std::pair<int, void (*)(Canvas&)> signs[] = {{1, teleport}, {2, heavyShell},     {3, pit},      {4, mound},
                                                       {5, leveller}, {6, armourPiercing}, {7, drill},    {8, nuke},
                                                       {9, quake},    {10, roller},        {11, climber}, {12, bouncer}};
    std::vector<Art> out;
    Canvas crate = woodenCrate();
    for (auto [kind, sign] : signs) {
        Canvas c = crate;
        sign(c);
        out.push_back({"bonusvzor" + std::to_string(kind), c});
        if (kind == 12) out.push_back({"bonusvzor13", healthCrate()});
    }
    return out;
}

}  // namespace art
