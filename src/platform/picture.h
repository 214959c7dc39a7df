#pragma once
// A picture as the controls hold it, shared between sprites. Its pixels are its own, or packed: a packed
// picture is unpacked only while something holds its pixels (the screen making a texture of it, the canvas
// taking it as its image), so a picture that is never drawn costs no pixels at all.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace gv {

// A colour is one integer, red + 256 x green + 65536 x blue (red in the low byte).
using Colour = std::int32_t;

constexpr Colour rgb(int r, int g, int b) { return r + 256 * g + 65536 * b; }
constexpr int redOf(Colour c) { return c & 255; }
constexpr int greenOf(Colour c) { return (c >> 8) & 255; }
constexpr int blueOf(Colour c) { return (c >> 16) & 255; }

class Picture {
public:
    // Row-major, one value per pixel: colour | alpha << 24. Alpha 0 is fully transparent, 255 opaque.
    using Pixels = std::vector<std::uint32_t>;
    using PixelsRef = std::shared_ptr<const Pixels>;

    int width = 0;
    int height = 0;

    Picture() : own_(std::make_shared<Pixels>()) {}
    Picture(int w, int h, std::uint32_t fill = 0)
        : width(w),
          height(h),
          own_(std::make_shared<Pixels>(std::size_t(w) * std::size_t(h), fill)) {}
    // A packed picture: `unpack` gives its w x h pixels whenever they are wanted and nobody holds them.
    Picture(int w, int h, std::function<Pixels()> unpack) : width(w), height(h), unpack_(std::move(unpack)) {}
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    // The pixels, for as long as the caller holds them; safe from any thread.
    PixelsRef pixels() const {
        if (own_) return own_;
        std::lock_guard<std::mutex> lock(mutex_);
        PixelsRef held = held_.lock();
        if (!held) held_ = held = std::make_shared<const Pixels>(unpack_()), ++unpackings_;
        return held;
    }
    // One pixel; a loop over many holds pixels() instead, or a packed picture is unpacked for each.
    std::uint32_t at(int x, int y) const { return (*pixels())[index(x, y)]; }
    // One pixel of a picture with pixels of its own, to draw it.
    std::uint32_t& at(int x, int y) { return (*own_)[index(x, y)]; }
    // How often a packed picture was unpacked so far (0 for one with pixels of its own).
    int unpackings() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return unpackings_;
    }

    static std::uint32_t opaque(Colour c) { return std::uint32_t(c) | 0xFF000000u; }
    static int alphaOf(std::uint32_t px) { return int(px >> 24); }

private:
    std::size_t index(int x, int y) const { return std::size_t(y) * std::size_t(width) + std::size_t(x); }
    std::shared_ptr<Pixels> own_;
    std::function<Pixels()> unpack_;
    mutable std::mutex mutex_;
    mutable std::weak_ptr<const Pixels> held_;
    mutable int unpackings_ = 0;
};

using PictureRef = std::shared_ptr<const Picture>;

}  // namespace gv
