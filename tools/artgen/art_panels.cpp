// Pieces of the control panels: the fire button, the spinner arrows and the panel backgrounds.
#include <cmath>

#include "art.h"

namespace art {
namespace {

constexpr double kPi = 3.14159265358979323846;

// ---- fire button

Mask flameMask(int w, int h, double cx, double base, double height) {
    // A candle-like flame with a second tongue licking up on the left.
    return fromFunction(w, h,
                        [=](double x, double y) {
                            double t = (base - y) / height;  // 0 at the bottom, 1 at the tip
                            if (t < 0 || t > 1) return false;
                            double lean = 2.2 * t * t;
                            double half =
                                height * 0.36 * std::sqrt(std::max(0.0, 1 - t)) * (t < 0.25 ? std::sqrt(t / 0.25) : 1.0);
                            return std::abs(x - cx - lean) < half;
                        }) |
           fromFunction(w, h, [=](double x, double y) {
               double t = (base - 2 - y) / (height * 0.62);
               if (t < 0 || t > 1) return false;
               double half = height * 0.16 * std::sqrt(1 - t);
               return std::abs(x - (cx - height * 0.28) + 1.5 * t * t) < half;
           });
}

Canvas fireButton(bool armed) {
    const int W = 65, H = 45;
    const Col well = rgb(26, 30, 26);
    Canvas c(W, H, well);
    // The recess the button sits in.
    Mask recess = roundRectMask(W, H, 0.0, 0.0, 65.0, 45.0, 9.0);
    c.fill(recess, rgb(16, 18, 16));
    c.fill(recess.rim(0, 1) | recess.rim(1, 0), rgb(70, 76, 70));
    int sink = armed ? 0 : 1;
    Mask cap = roundRectMask(W, H, 2.5 + sink, 2.5 + sink, 62.5 + sink - (armed ? 0 : 1), 42.5 + sink - (armed ? 0 : 1), 8.0);
    const Ramp red{rgb(92, 6, 6), rgb(140, 14, 10), rgb(186, 26, 16), rgb(222, 48, 28), rgb(246, 94, 64), rgb(255, 170, 150)};
    const Ramp grey{rgb(52, 54, 56),    rgb(72, 74, 76),    rgb(90, 92, 94),
                    rgb(106, 108, 110), rgb(124, 126, 128), rgb(146, 148, 150)};
    const Ramp& r = armed ? red : grey;
    c.fill(cap, [&](int x, int y) {
        double t = armed ? 0.78 - (y - 2) / 60.0 - (x - 32) / 260.0 : 0.55 - 0.1 * (y - 22) / 22.0;
        return r.at(t, x, y);
    });
    if (armed) {
        // Glossy shine across the top, bevel light above and shade below.
        Mask shine = roundRectMask(W, H, 8.0, 5.0, 57.0, 17.0, 5.0) - roundRectMask(W, H, 8.0, 9.0, 57.0, 21.0, 6.0);
        c.fill(shine, [&](int x, int y) { return bayer(x, y) < 0.6 ? r[4] : r[3]; });
        c.fill(cap.rim(0, -1) | cap.rim(-1, 0), r[5]);
        c.fill(cap.shrunk().rim(0, -1) - cap.rim(-1, 0).shifted(1, 0), r[4]);
        c.fill(cap.rim(0, 1) | cap.rim(1, 0), r[0]);
        c.fill(cap.shrunk().rim(0, 1) - cap.rim(1, 0).shifted(-1, 0), r[1]);
    } else {
        // Pressed in: shade along the top and left, no shine.
        c.fill(cap.rim(0, -1) | cap.rim(-1, 0), r[0]);
        c.fill(cap.shrunk().rim(0, -1) | cap.shrunk().rim(-1, 0), r[1]);
        c.fill(cap.rim(0, 1) | cap.rim(1, 0), r[4]);
    }
    c.fill(cap.grown() - cap, rgb(8, 8, 8));

    // The flame on the face of the button.
    double cx = 32.5 + sink, base = 37.0 + sink;
    Mask outer = flameMask(W, H, cx, base, 29.0);
    Mask inner = flameMask(W, H, cx + 0.5, base - 1.0, 19.0);
    Mask core = flameMask(W, H, cx + 1.0, base - 2.0, 10.0);
    if (armed) {
        c.fill(outer.grown() - outer, rgb(90, 8, 4));
        c.fill(outer, [&](int x, int y) { return mix(rgb(255, 120, 20), rgb(255, 80, 10), (y - 8) / 30.0 + 0.3 * bayer(x, y)); });
        c.fill(inner, rgb(255, 196, 40));
        c.fill(core, rgb(255, 250, 200));
    } else {
        c.fill(outer.grown() - outer, grey[0]);
        c.fill(outer, grey[3]);
        c.fill(inner, grey[2]);
        c.fill(core, grey[1]);
    }
    return c;
}

// ---- spinner arrows

Canvas spinArrow(bool up) {
    const int S = 16;
    Canvas c(S, S, rgb(14, 22, 14));
    Mask face = rectMask(S, S, 0, 0, S, S);
    bevel(c, face, rgb(64, 88, 64), rgb(4, 8, 4));
    c.fill(face.shrunk().rim(0, -1) | face.shrunk().rim(-1, 0), rgb(30, 42, 30));
    double tip = up ? 3.5 : 12.5, baseY = up ? 11.5 : 4.5;
    Mask tri = polygonMask(S, S, {{2.5, baseY}, {13.5, baseY}, {8.0, tip}});
    const Ramp green{rgb(0, 70, 0), rgb(0, 130, 10), rgb(30, 190, 30), rgb(110, 240, 90), rgb(200, 255, 170)};
    c.fill(tri.grown() - tri, rgb(0, 30, 0));
    c.fill(tri, [&](int x, int y) { return green.at(0.75 - (up ? (y - 3) : (12 - y)) / 18.0, x, y); });
    c.fill(tri.rim(-1, 0) | (up ? Mask(S, S) : tri.rim(0, -1)), green[4]);
    c.fill(tri.rim(1, 0) | (up ? tri.rim(0, 1) : Mask(S, S)), green[1]);
    return c;
}

// ---- panel plates

// Dark metal with a faint camouflage of three shades and fine brushed streaks.
Canvas camoPlate(int w, int h, int seed, const Ramp& metal) {
    Canvas c(w, h);
    c.fill(c.full(), [&](int x, int y) {
        double blot = fbm(x / 38.0, y / 26.0, seed, 3);
        double level = blot < 0.42 ? 0.2 : (blot < 0.58 ? 0.45 : 0.7);
        double streak = valueNoise(x / 40.0, y * 0.9, seed + 5) - 0.5;  // long thin horizontal streaks
        return metal.at(level + 0.25 * streak, x, y);
    });
    return c;
}

void rivet(Canvas& c, int x, int y, const Ramp& metal) {
    c.set(x + 1, y - 1, metal[metal.size() - 3]);
    c.set(x - 1, y + 1, metal[metal.size() - 3]);
    c.set(x, y, metal[metal.size() - 1]);
    c.set(x + 1, y, metal[metal.size() - 2]);
    c.set(x, y + 1, metal[metal.size() - 2]);
    c.set(x + 1, y + 1, metal[1]);
    c.set(x + 2, y + 1, metal[0]);
    c.set(x + 1, y + 2, metal[0]);
    c.set(x + 2, y + 2, metal[0]);
}

void frame(Canvas& c, const Ramp& metal) {
    Mask all = c.full();
    bevel(c, all, metal[metal.size() - 2], metal[0], 2);
    Mask inner = all.shrunk().shrunk().shrunk();
    c.fill(inner.rim(0, -1) | inner.rim(-1, 0), metal[0]);
    c.fill(inner.rim(0, 1) | inner.rim(1, 0), metal[3]);
}

const Ramp kPanelMetal{rgb(12, 14, 12), rgb(24, 28, 24), rgb(32, 37, 31), rgb(40, 46, 38),
                       rgb(50, 56, 46), rgb(66, 74, 62), rgb(98, 108, 92)};

Canvas playerPlate(int seed, bool mirrored) {
    const int W = 297, H = 73;
    Canvas c = camoPlate(W, H, seed, Ramp{kPanelMetal[1], kPanelMetal[2], kPanelMetal[3], kPanelMetal[4]});
    frame(c, kPanelMetal);
    for (int x : {6, 98, 196, 287}) {
        rivet(c, x, 6, kPanelMetal);
        rivet(c, x, H - 9, kPanelMetal);
    }
    // A shallow groove splitting the plate, as if two plates were welded together.
    int gx = mirrored ? 96 : W - 97;
    c.rect(gx, 5, gx + 1, H - 5, kPanelMetal[0]);
    c.rect(gx + 1, 5, gx + 2, H - 5, kPanelMetal[5]);
    return c;
}

// The big menu plates: dark steel with a faint picture pressed into it.
Canvas menuPlate(int seed, const std::function<Mask(int, int)>& motif) {
    const int S = 200;
    const Ramp steel{kPanelMetal[1], kPanelMetal[2], kPanelMetal[3], kPanelMetal[4]};
    Canvas c(S, S);
    c.fill(c.full(), [&](int x, int y) {
        double grain = fbm(x / 30.0, y / 30.0, seed, 3);
        double streak = valueNoise(x * 0.8, y / 45.0, seed + 9) - 0.5;  // brushed top to bottom
        return steel.at(0.35 + 0.5 * (grain - 0.5) + 0.22 * streak, x, y);
    });
    Mask m = motif(S, S);
    // Pressed in: shadow on the upper left inner edge, light on the lower right; the face a touch lighter.
    c.fill(m, [&](int x, int y) { return bayer(x, y) < 0.5 ? kPanelMetal[3] : kPanelMetal[4]; });
    c.fill(m - m.shifted(1, 1), kPanelMetal[1]);
    c.fill(m.shifted(1, 1) - m, kPanelMetal[5]);
    frame(c, kPanelMetal);
    for (int x : {6, 97, 189})
        for (int y : {6, 189}) rivet(c, x, y, kPanelMetal);
    rivet(c, 6, 97, kPanelMetal);
    rivet(c, 189, 97, kPanelMetal);
    return c;
}

Mask tankMotif(int w, int h) {
    Mask m = roundRectMask(w, h, 30.0, 150.0, 170.0, 172.0, 11.0);                           // tracks
    m |= polygonMask(w, h, {{36.0, 150.0}, {48.0, 132.0}, {152.0, 132.0}, {166.0, 150.0}});  // hull
    m |= ellipseMask(w, h, 96.0, 134.0, 34.0, 22.0) & rectMask(w, h, 0, 0, w, 134);          // turret
    m |= lineMask(w, h, {118.0, 122.0}, {170.0, 84.0}, 9.0);                                 // barrel
    for (double x = 48; x <= 152; x += 26) m -= circleMask(w, h, x, 161.0, 6.5) - circleMask(w, h, x, 161.0, 3.0);
    return m;
}

Mask radarMotif(int w, int h) {
    // A dish on a mast, facing up to the right, sending out waves.
    Mask m = polygonMask(w, h, {{86.0, 178.0}, {110.0, 178.0}, {101.0, 122.0}, {95.0, 122.0}});
    const double cx = 96.0, cy = 118.0;
    m |= fromFunction(w, h, [=](double x, double y) {
        double dx = x - cx, dy = y - cy;
        double along = (dx + dy) / std::sqrt(2.0);   // across the face of the dish
        double facing = (dx - dy) / std::sqrt(2.0);  // towards where it points
        double depth = 13.0 * std::sqrt(std::max(0.0, 1 - along * along / (30.0 * 30.0)));
        return std::abs(along) < 30 && facing <= 3 - 0.012 * along * along && facing > -depth;
    });
    m |= lineMask(w, h, {cx, cy}, {cx + 17, cy - 17}, 3.0);
    m |= circleMask(w, h, cx + 18, cy - 18, 4.0);
    for (double r : {26.0, 42.0, 58.0})
        m |= ringMask(w, h, cx + 22, cy - 22, r, r - 6.0) & fromFunction(w, h, [=](double x, double y) {
                 double a = std::atan2(y - (cy - 22), x - (cx + 22));
                 return a > -kPi / 2 + 0.25 && a < -0.25;
             });
    return m;
}

Mask starMotif(int w, int h) {
    // A five-pointed star in a ring, like a medal.
    std::vector<Pt> star;
    for (int i = 0; i < 10; ++i) {
        double a = -kPi / 2 + i * kPi / 5, r = i % 2 ? 21.0 : 50.0;
        star.push_back({100 + r * std::cos(a), 104 + r * std::sin(a)});
    }
    return polygonMask(w, h, star) | ringMask(w, h, 100.0, 100.0, 70.0, 63.0);
}

}  // namespace

std::vector<Art> drawPanels() {
    return {{"fbutt1", fireButton(true)},         {"fbutt2", fireButton(false)},         {"spinup", spinArrow(true)},
            {"spindown", spinArrow(false)},       {"Image1", playerPlate(31, false)},    {"Image2", playerPlate(57, true)},
            {"Image3", menuPlate(71, tankMotif)}, {"Image4", menuPlate(83, radarMotif)}, {"Image5", menuPlate(97, starMotif)}};
}

}  // namespace art
