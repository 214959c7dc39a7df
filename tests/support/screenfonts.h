#pragma once
// The game's fonts as the screen draws them, for tests that measure its texts without a screen.
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <tuple>

#include "platform/controls.h"
#include "platform/fonts.h"

namespace gv::testing {

// The screen's own fonts, opened as the SDL backend opens them, from the copies compiled into the game.
class ScreenFonts {
public:
    ScreenFonts() { EXPECT_EQ(TTF_Init(), 0) << TTF_GetError(); }
    ~ScreenFonts() {
        for (auto& [key, font] : open_) TTF_CloseFont(font);
        TTF_Quit();
    }
    static int pixels(const Font& f) { return int(std::lround(f.points * 96 / 72)); }
    // As the game measures it: at the window's own size.
    int width(const Font& f, const std::string& s, int px = 0) {
        int w = 0;
        if (!s.empty()) TTF_SizeUTF8(get(f, px ? px : pixels(f)), s.c_str(), &w, nullptr);
        return w;
    }
    // As it is drawn in a window scaled up to three times: each scale renders at its own whole pixel size,
    // and the rounding makes some scales run wider than the rest.
    int widest(const Font& f, const std::string& s) {
        const double exact = f.points * 96 / 72;
        double most = 0;
        for (int px = pixels(f); px <= std::lround(3 * exact); ++px)
            most = std::max(most, width(f, s, px) / std::max(1.0, (px - 0.5) / exact));
        return int(std::ceil(most - 1e-9));
    }
    int lineSkip(const Font& f) { return TTF_FontLineSkip(get(f, pixels(f))); }
    // The characters of `s` the font has no glyph for (the compiled-in faces keep only what the game shows).
    std::string missing(const Font& f, const std::string& s) {
        std::string out;
        for (std::size_t i = 0; i < s.size();) {
            const auto b = static_cast<unsigned char>(s[i]);
            const std::size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
            Uint32 code = n == 1 ? b : b & (0x3Fu >> (n - 1));
            for (std::size_t k = 1; k < n && i + k < s.size(); ++k)
                code = code << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3Fu);
            if (!TTF_GlyphIsProvided32(get(f, pixels(f)), code)) out += s.substr(i, n);
            i += n;
        }
        return out;
    }

private:
    TTF_Font* get(const Font& f, int px) {
        auto key = std::tuple(f.face, f.bold, f.italic, f.underline, px);
        if (auto it = open_.find(key); it != open_.end()) return it->second;
        using namespace fonts;
        const bool sans = f.face == FontFace::Sans, b = f.bold, i = f.italic && !sans;
        const unsigned char* data = sans ? (b ? LiberationSans_Bold : LiberationSans_Regular)
                                    : b  ? (i ? LiberationMono_BoldItalic : LiberationMono_Bold)
                                         : (i ? LiberationMono_Italic : LiberationMono_Regular);
        const std::size_t size = sans ? (b ? LiberationSans_Bold_size : LiberationSans_Regular_size)
                                 : b  ? (i ? LiberationMono_BoldItalic_size : LiberationMono_Bold_size)
                                      : (i ? LiberationMono_Italic_size : LiberationMono_Regular_size);
        TTF_Font* font = TTF_OpenFontRW(SDL_RWFromConstMem(data, int(size)), 1, px);
        EXPECT_TRUE(font) << TTF_GetError();
        TTF_SetFontStyle(font, (f.underline ? TTF_STYLE_UNDERLINE : 0) | (sans && f.italic ? TTF_STYLE_ITALIC : 0));
        return open_[key] = font;
    }
    std::map<std::tuple<FontFace, bool, bool, bool, int>, TTF_Font*> open_;
};

}  // namespace gv::testing
