#include "canvas.h"

#include <algorithm>
#include <cmath>

namespace art {

std::uint32_t pack(Col c) {
    return std::uint32_t(c.r) | std::uint32_t(c.g) << 8 | std::uint32_t(c.b) << 16 | std::uint32_t(c.a) << 24;
}

Col unpack(std::uint32_t v) {
    return Col{std::uint8_t(v & 255), std::uint8_t((v >> 8) & 255), std::uint8_t((v >> 16) & 255), std::uint8_t(v >> 24)};
}

static std::uint8_t clampByte(double v) { return std::uint8_t(std::clamp(int(std::lround(v)), 0, 255)); }

Col mix(Col a, Col b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return Col{clampByte(a.r + (b.r - a.r) * t), clampByte(a.g + (b.g - a.g) * t), clampByte(a.b + (b.b - a.b) * t),
               clampByte(a.a + (b.a - a.a) * t)};
}

Col scaled(Col c, double f) { return Col{clampByte(c.r * f), clampByte(c.g * f), clampByte(c.b * f), c.a}; }

double bayer(int x, int y) {
    static const int m[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return (m[y & 3][x & 3] + 0.5) / 16.0;
}

Col Ramp::at(double t, int x, int y) const {
    if (cols.empty()) return kClear;
    double pos = std::clamp(t, 0.0, 1.0) * double(cols.size() - 1);
    std::size_t i = std::size_t(pos);
    if (i + 1 >= cols.size()) return cols.back();
    return (pos - double(i)) > bayer(x, y) ? cols[i + 1] : cols[i];
}

Col Ramp::flat(double t) const {
    if (cols.empty()) return kClear;
    double pos = std::clamp(t, 0.0, 1.0) * double(cols.size() - 1);
    return cols[std::min(cols.size() - 1, std::size_t(std::lround(pos)))];
}

double hashNoise(int x, int y, int seed) {
    std::uint32_t h = std::uint32_t(x) * 374761393u + std::uint32_t(y) * 668265263u + std::uint32_t(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return double(h & 0xFFFFFF) / double(0x1000000);
}

double valueNoise(double x, double y, int seed) {
    int xi = int(std::floor(x)), yi = int(std::floor(y));
    double fx = x - xi, fy = y - yi;
    auto smooth = [](double t) { return t * t * (3 - 2 * t); };
    double sx = smooth(fx), sy = smooth(fy);
    double a = hashNoise(xi, yi, seed), b = hashNoise(xi + 1, yi, seed);
    double c = hashNoise(xi, yi + 1, seed), d = hashNoise(xi + 1, yi + 1, seed);
    return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

double fbm(double x, double y, int seed, int octaves) {
    double sum = 0, amp = 1, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * valueNoise(x, y, seed + o * 101);
        norm += amp;
        amp *= 0.5;
        x *= 2;
        y *= 2;
    }
    return sum / norm;
}

// ---- masks

int Mask::count() const { return int(std::count(bits_.begin(), bits_.end(), std::uint8_t(1))); }

Mask& Mask::operator|=(const Mask& o) {
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x)
            if (o.at(x, y)) set(x, y);
    return *this;
}

Mask& Mask::operator&=(const Mask& o) {
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x)
            if (!o.at(x, y)) set(x, y, false);
    return *this;
}

Mask& Mask::operator-=(const Mask& o) {
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x)
            if (o.at(x, y)) set(x, y, false);
    return *this;
}

Mask Mask::shifted(int dx, int dy) const {
    Mask m(w_, h_);
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x)
            if (at(x - dx, y - dy)) m.set(x, y);
    return m;
}

Mask Mask::grown(bool diagonal) const {
    Mask m = *this;
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x) {
            if (at(x, y)) continue;
            bool near = at(x - 1, y) || at(x + 1, y) || at(x, y - 1) || at(x, y + 1);
            if (diagonal) near = near || at(x - 1, y - 1) || at(x + 1, y - 1) || at(x - 1, y + 1) || at(x + 1, y + 1);
            if (near) m.set(x, y);
        }
    return m;
}

Mask Mask::shrunk(bool diagonal) const { return *this - edge(diagonal); }

Mask Mask::rim(int dx, int dy) const {
    Mask m(w_, h_);
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x)
            if (at(x, y) && !at(x + dx, y + dy)) m.set(x, y);
    return m;
}

Mask Mask::edge(bool diagonal) const {
    Mask m = rim(-1, 0) | rim(1, 0) | rim(0, -1) | rim(0, 1);
    if (diagonal) m |= rim(-1, -1) | rim(1, -1) | rim(-1, 1) | rim(1, 1);
    return m;
}

Mask fromFunction(int w, int h, const std::function<bool(double, double)>& inside) {
    Mask m(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (inside(x + 0.5, y + 0.5)) m.set(x, y);
    return m;
}

Mask rectMask(int w, int h, int x0, int y0, int x1, int y1) {
    Mask m(w, h);
    for (int y = std::max(0, y0); y < std::min(h, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(w, x1); ++x) m.set(x, y);
    return m;
}

Mask ellipseMask(int w, int h, double cx, double cy, double rx, double ry) {
    return fromFunction(w, h, [=](double x, double y) {
        double dx = (x - cx) / rx, dy = (y - cy) / ry;
        return dx * dx + dy * dy <= 1.0;
    });
}

Mask circleMask(int w, int h, double cx, double cy, double r) { return ellipseMask(w, h, cx, cy, r, r); }

Mask ringMask(int w, int h, double cx, double cy, double rOuter, double rInner) {
    return circleMask(w, h, cx, cy, rOuter) - circleMask(w, h, cx, cy, rInner);
}

Mask polygonMask(int w, int h, const std::vector<Pt>& pts) {
    Mask m(w, h);
    const std::size_t n = pts.size();
    if (n < 3) return m;
    std::vector<double> xs;
    for (int y = 0; y < h; ++y) {
        double sy = y + 0.5;
        xs.clear();
        for (std::size_t i = 0; i < n; ++i) {
            Pt a = pts[i], b = pts[(i + 1) % n];
            if ((a.y <= sy && b.y > sy) || (b.y <= sy && a.y > sy)) xs.push_back(a.x + (sy - a.y) * (b.x - a.x) / (b.y - a.y));
        }
        std::sort(xs.begin(), xs.end());
        for (std::size_t i = 0; i + 1 < xs.size(); i += 2)
            for (int x = 0; x < w; ++x) {
                double sx = x + 0.5;
                if (sx >= xs[i] && sx < xs[i + 1]) m.set(x, y);
            }
    }
    return m;
}

Mask roundRectMask(int w, int h, double x0, double y0, double x1, double y1, double r) {
    return fromFunction(w, h, [=](double x, double y) {
        if (x < x0 || x > x1 || y < y0 || y > y1) return false;
        double cx = std::clamp(x, x0 + r, x1 - r), cy = std::clamp(y, y0 + r, y1 - r);
        double dx = x - cx, dy = y - cy;
        return dx * dx + dy * dy <= r * r;
    });
}

Mask lineMask(int w, int h, Pt a, Pt b, double thickness) {
    double r = thickness / 2;
    return fromFunction(w, h, [=](double x, double y) {
        double vx = b.x - a.x, vy = b.y - a.y;
        double len2 = vx * vx + vy * vy;
        double t = len2 > 0 ? std::clamp(((x - a.x) * vx + (y - a.y) * vy) / len2, 0.0, 1.0) : 0.0;
        double dx = x - (a.x + t * vx), dy = y - (a.y + t * vy);
        return dx * dx + dy * dy <= r * r;
    });
}

// ---- canvas

Col Canvas::get(int x, int y) const {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return kClear;
    return unpack(px_[std::size_t(y) * std::size_t(w_) + std::size_t(x)]);
}

void Canvas::set(int x, int y, Col c) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    px_[std::size_t(y) * std::size_t(w_) + std::size_t(x)] = pack(c);
}

void Canvas::blend(int x, int y, Col c) {
    if (c.a == 255) return set(x, y, c);
    if (c.a == 0) return;
    Col under = get(x, y);
    double a = c.a / 255.0;
    double outA = a + under.a / 255.0 * (1 - a);
    if (outA <= 0) return set(x, y, kClear);
    auto ch = [&](double top, double bottom) { return (top * a + bottom * (under.a / 255.0) * (1 - a)) / outA; };
    set(x, y, Col{clampByte(ch(c.r, under.r)), clampByte(ch(c.g, under.g)), clampByte(ch(c.b, under.b)), clampByte(outA * 255)});
}

void Canvas::fill(const Mask& m, Col c) {
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x)
            if (m.at(x, y)) blend(x, y, c);
}

void Canvas::fill(const Mask& m, const std::function<Col(int, int)>& paint) {
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x)
            if (m.at(x, y)) blend(x, y, paint(x, y));
}

void Canvas::rect(int x0, int y0, int x1, int y1, Col c) { fill(rectMask(w_, h_, x0, y0, x1, y1), c); }

void Canvas::line(int x0, int y0, int x1, int y1, Col c) {
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        blend(x0, y0, c);
        if (x0 == x1 && y0 == y1) break;
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void Canvas::blit(const Canvas& src, int dx, int dy) {
    for (int y = 0; y < src.h_; ++y)
        for (int x = 0; x < src.w_; ++x) blend(dx + x, dy + y, src.get(x, y));
}

void Canvas::blitScaled(const Canvas& src, int dx, int dy, int factor) {
    for (int y = 0; y < src.h_ * factor; ++y)
        for (int x = 0; x < src.w_ * factor; ++x) blend(dx + x, dy + y, src.get(x / factor, y / factor));
}

Mask Canvas::opaque() const {
    Mask m(w_, h_);
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x)
            if (get(x, y).a > 0) m.set(x, y);
    return m;
}

void Canvas::outline(Col c, bool diagonal) {
    Mask body = opaque();
    fill(body.grown(diagonal) - body, c);
}

Canvas Canvas::mirrored() const {
    Canvas out(w_, h_);
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x) out.set(w_ - 1 - x, y, get(x, y));
    return out;
}

double sphereLight(int x, int y, double cx, double cy, double r) {
    double nx = (x + 0.5 - cx) / r, ny = (y + 0.5 - cy) / r;
    double d2 = nx * nx + ny * ny;
    if (d2 > 1) d2 = 1;
    double nz = std::sqrt(1 - d2);
    // Light from the upper left, a little in front.
    const double lx = -0.55, ly = -0.6, lz = 0.58;
    double diffuse = std::max(0.0, nx * lx + ny * ly + nz * lz);
    double specular = std::pow(std::max(0.0, 2 * diffuse * nz - lz), 12);
    return std::clamp(0.12 + 0.78 * diffuse + 0.5 * specular, 0.0, 1.0);
}

}  // namespace art
