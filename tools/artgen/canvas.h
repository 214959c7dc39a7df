#pragma once
// The little drawing kit every picture of the game is painted with.
//
// Shapes are first cut out as masks (which pixels belong to them, judged at pixel centres),
// then painted: flat, with a colour ramp and ordered dithering, or by a function of the pixel.
// Outlines, rims and highlights come from the masks, so a shape and its shading always agree.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

namespace art {

struct Col {
    std::uint8_t r = 0, g = 0, b = 0, a = 0;
    bool operator==(const Col&) const = default;
};

constexpr Col rgb(int r, int g, int b, int a = 255) {
    return Col{std::uint8_t(r), std::uint8_t(g), std::uint8_t(b), std::uint8_t(a)};
}
inline constexpr Col kClear{0, 0, 0, 0};

// Packed as the game keeps it: red | green << 8 | blue << 16 | alpha << 24.
std::uint32_t pack(Col c);
Col unpack(std::uint32_t v);

Col mix(Col a, Col b, double t);   // t = 0 gives a, 1 gives b; alpha mixes too
Col scaled(Col c, double factor);  // brighter (> 1) or darker (< 1), alpha kept

// 4x4 Bayer threshold in [0, 1) for ordered dithering.
double bayer(int x, int y);

// A run of colours from dark to light; at() picks one for a brightness t in [0, 1],
// dithering between neighbours so smooth light still lands on the few colours of the ramp.
struct Ramp {
    std::vector<Col> cols;
    Ramp() = default;
    Ramp(std::initializer_list<Col> c) : cols(c) {}
    Col at(double t, int x, int y) const;
    Col flat(double t) const;  // nearest colour, no dithering
    Col operator[](std::size_t i) const { return cols[i]; }
    std::size_t size() const { return cols.size(); }
};

// Deterministic noise for textures: the same picture comes out on every build.
double hashNoise(int x, int y, int seed);                   // 0..1, white noise
double valueNoise(double x, double y, int seed);            // 0..1, smooth
double fbm(double x, double y, int seed, int octaves = 4);  // 0..1, layered

struct Pt {
    double x = 0, y = 0;
};

class Mask {
public:
    Mask() = default;
    Mask(int w, int h) : w_(w), h_(h), bits_(std::size_t(w) * std::size_t(h), 0) {}

    int width() const { return w_; }
    int height() const { return h_; }
    bool at(int x, int y) const {
        return x >= 0 && y >= 0 && x < w_ && y < h_ && bits_[std::size_t(y) * std::size_t(w_) + std::size_t(x)];
    }
    void set(int x, int y, bool on = true) {
        if (x >= 0 && y >= 0 && x < w_ && y < h_) bits_[std::size_t(y) * std::size_t(w_) + std::size_t(x)] = on;
    }
    int count() const;

    Mask& operator|=(const Mask& o);
    Mask& operator&=(const Mask& o);
    Mask& operator-=(const Mask& o);
    friend Mask operator|(Mask a, const Mask& b) { return a |= b; }
    friend Mask operator&(Mask a, const Mask& b) { return a &= b; }
    friend Mask operator-(Mask a, const Mask& b) { return a -= b; }

    Mask shifted(int dx, int dy) const;
    Mask grown(bool diagonal = false) const;   // one pixel wider all round
    Mask shrunk(bool diagonal = false) const;  // one pixel thinner all round
    // Pixels of the mask whose neighbour at (dx, dy) is outside it: the rim facing that way.
    Mask rim(int dx, int dy) const;
    // Pixels of the mask with any 4-neighbour (or 8-neighbour) outside it.
    Mask edge(bool diagonal = false) const;

private:
    int w_ = 0, h_ = 0;
    std::vector<std::uint8_t> bits_;
};

// Shape masks on a w x h grid. Coordinates are continuous: pixel (x, y) has its centre at (x + 0.5, y + 0.5).
Mask rectMask(int w, int h, int x0, int y0, int x1, int y1);  // x0 <= x < x1, y0 <= y < y1
Mask ellipseMask(int w, int h, double cx, double cy, double rx, double ry);
Mask circleMask(int w, int h, double cx, double cy, double r);
Mask polygonMask(int w, int h, const std::vector<Pt>& pts);  // even-odd rule
Mask roundRectMask(int w, int h, double x0, double y0, double x1, double y1, double radius);
Mask lineMask(int w, int h, Pt a, Pt b, double thickness);  // a capsule
Mask ringMask(int w, int h, double cx, double cy, double rOuter, double rInner);
Mask fromFunction(int w, int h, const std::function<bool(double, double)>& inside);  // called at pixel centres

class Canvas {
public:
    Canvas() = default;
    Canvas(int w, int h, Col fill = kClear) : w_(w), h_(h), px_(std::size_t(w) * std::size_t(h), pack(fill)) {}

    int width() const { return w_; }
    int height() const { return h_; }
    const std::vector<std::uint32_t>& pixels() const { return px_; }
    Mask full() const { return rectMask(w_, h_, 0, 0, w_, h_); }

    Col get(int x, int y) const;
    void set(int x, int y, Col c);    // replaces the pixel
    void blend(int x, int y, Col c);  // paints c over the pixel by c's alpha

    void fill(const Mask& m, Col c);
    void fill(const Mask& m, const std::function<Col(int, int)>& paint);
    void rect(int x0, int y0, int x1, int y1, Col c);  // filled, x0 <= x < x1
    void line(int x0, int y0, int x1, int y1, Col c);  // one pixel thick
    void blit(const Canvas& src, int dx, int dy);      // alpha over
    void blitScaled(const Canvas& src, int dx, int dy, int factor);
    // Everything not transparent.
    Mask opaque() const;
    // A one-pixel ring of `c` around every opaque pixel (diagonal = also the corners).
    void outline(Col c, bool diagonal = false);
    Canvas mirrored() const;

private:
    int w_ = 0, h_ = 0;
    std::vector<std::uint32_t> px_;
};

// Light that falls on a ball of radius r at (cx, cy), seen at pixel (x, y): 0 (shadow) .. 1 (highlight).
// The light comes from the upper left.
double sphereLight(int x, int y, double cx, double cy, double r);

}  // namespace art
