#pragma once
// The SDL driver's insides, shared by its two halves: sdlbackend.cpp (the window, its size and its input)
// and sdldraw.cpp (drawing the form's controls).
#include <SDL.h>
#include <SDL_ttf.h>

#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>

#include "platform/gamepad.h"
#include "platform/sdl/sdlbackend.h"

namespace gv {

// A picture as an SDL surface, for textures and the window's icon and cursor.
inline SDL_Surface* surfaceOf(const Picture& p) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, p.width, p.height, 32, SDL_PIXELFORMAT_ABGR8888);
    if (!s) return nullptr;
    const Picture::PixelsRef px = p.pixels();
    for (int y = 0; y < p.height; ++y)
        SDL_memcpy(static_cast<Uint8*>(s->pixels) + y * s->pitch, &(*px)[std::size_t(y) * p.width], std::size_t(p.width) * 4);
    return s;
}

struct SdlDriver::Impl {
    static constexpr std::size_t kTextBytes = std::size_t(2) << 20;
    Form& form;
    SDL_Window* window = nullptr;
    SDL_Rect windowed{};  // the window's place before it went full screen
    SDL_Renderer* renderer = nullptr;
    // The canvas as the screen takes it, straight from the game's own pixels: a GPU's texture, or for the
    // window's own pixels a surface over the game's buffer that is put there without a copy between.
    SDL_Texture* canvasTexture = nullptr;
    SDL_Surface* canvasSurface = nullptr;
    const Canvas* canvas = nullptr;
    SDL_Cursor* hand = nullptr;
    SDL_Cursor* arrowCursor = nullptr;
    bool handShown = false;
    Uint64 start = 0;
    Control* pressed = nullptr;
    bool pressedWasDouble = false;

    // The picture's place in the window's pixels, and its scale; smooth: any size that fits, or else only
    // whole multiples.
    WindowFit fit = fitWindow(800, 600, 800, 600);
    SDL_Rect view{0, 0, 800, 600};
    bool smoothFit = true;
    // SDL's software renderer drawing into the window's own pixels: only the changed rectangles go out.
    bool surfaceOnly = false;
    bool fullRedraw = true;
    bool canvasFresh = true;
    // What each control looked like when last drawn: where it was and a digest of its state.
    struct Drawn {
        SDL_Rect r;
        std::size_t state;
    };
    std::unordered_map<const Control*, Drawn> drawn, drawing;
    SDL_Rect damage{};

    // Textures of pictures, kept while the picture lives.
    struct PicTex {
        std::weak_ptr<const Picture> pic;
        SDL_Texture* tex;
    };
    std::unordered_map<const Picture*, PicTex> pictures;

    using FontKey = std::tuple<int, int, int, int, int>;  // face, bold, italic, underline, pixels
    std::map<FontKey, TTF_Font*> fonts;

    // Rendered lines of text, kept for drawing again within a bound on their bytes: the least recently
    // drawn go first (the result line of a battle long over before the menu's captions), never one drawn
    // in the frame being drawn.
    struct TextTex {
        SDL_Texture* tex;
        int w, h;    // in the form's pixels
        int pw, ph;  // in the output's pixels
        std::list<std::string>::iterator age;
        long frame;  // the frame it was last drawn in
    };
    std::map<std::string, TextTex> texts;
    std::list<std::string> textOrder;  // the least recently drawn first
    std::size_t textBytes = 0, textBound = kTextBytes;
    long textsRendered = 0, frame = 0;

    // The window, its textures and its size (sdlbackend.cpp); each is described where it is defined.
    explicit Impl(Form& f) : form(f) {}
    ~Impl();
    void forgetTexts();
    void forgetTextures();
    // Smoothed only on a GPU, which redraws everything each frame: the window's own pixels are redrawn in
    // parts, and only nearest scaling lands a part exactly where the whole would put it.
    SDL_ScaleMode pictureScaleMode() const { return fit.whole || surfaceOnly ? SDL_ScaleModeNearest : SDL_ScaleModeLinear; }
    void layout();
    void relayout();
    bool isFullScreen() const { return SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN; }
    void setFullScreen(bool on);
    SDL_Rect framedPlace() const;
    SDL_Point toForm(int x, int y) const;

    // Drawing the form (sdldraw.cpp).
    TTF_Font* font(const Font& f, double zoom = 1);
    SDL_Texture* pictureTexture(const PictureRef& p);
    TextTex* text(const std::string& s, const Font& f, Colour c);
    // `shift`: whole pixels of the output further on, as an outline's copies go.
    void drawText(const std::string& s, const Font& f, Colour c, SDL_Rect box, Align align, bool vcentre, SDL_Point shift = {});
    void copySharp(const TextTex& t, int x, int y, SDL_Point shift = {});
    void bevel(SDL_Rect r, bool sunken);
    SDL_Rect uploadCanvas(Canvas& c, SDL_Rect r);
    void drawCanvas(SDL_Rect r, SDL_Rect clip);
    // Puts a w x h source at `dst` in pieces, each a part of the source (nullptr: all of it) that `copy`
    // puts on the given output pixels (within the picture's place); only the part inside `clip` when that
    // lands exactly as the whole would (SDL's software renderer otherwise scales the whole every time).
    void copyPieces(int w, int h, SDL_Rect dst, SDL_Rect clip, const std::function<void(const SDL_Rect*, const SDL_Rect&)>& copy);
    void copyTexture(SDL_Texture* t, SDL_Rect dst, SDL_Rect clip);
    // Whether a picture of w x h is stretched to another size at `dst`.
    static bool stretched(int w, int h, SDL_Rect dst) { return w != dst.w || h != dst.h; }

    // Form pixels to output pixels (within the picture's place): form column x covers the output columns
    // from outX(x) up to outX(x + 1), in whole numbers, so neighbouring pixels meet with no gap or overlap.
    static constexpr int kCell = 16;  // a fractional scale redraws pictures in cells of this many form pixels
    static int floorDiv(long long a, long long b) { return int(a / b - ((a % b != 0) && ((a < 0) != (b < 0)))); }
    int outX(int x) const { return floorDiv(static_cast<long long>(x) * view.w, form.clientWidth()); }
    int outY(int y) const { return floorDiv(static_cast<long long>(y) * view.h, form.clientHeight()); }
    SDL_Rect onScreen(SDL_Rect r) const {
        const int x0 = outX(r.x), y0 = outY(r.y);
        return SDL_Rect{x0, y0, outX(r.x + r.w) - x0, outY(r.y + r.h) - y0};
    }
    void fill(SDL_Rect r);
    bool setClip(SDL_Rect r);
    SDL_Rect toCells(SDL_Rect r) const;
    void collect(Control& c);
    SDL_Rect takeDamage();
    SDL_Rect takeWholeStretched(SDL_Rect d) const;
    void drawControl(Control& c, SDL_Rect clip);
    void drawButton(Control& c, SDL_Rect r);
    void drawLine(const LineShape& l);
    void drawCaret(const TextBox& t, SDL_Rect inner);
    void wireTextMetrics();
    void drawLabel(const Label& l, SDL_Rect r, SDL_Rect clip);
    void render();

    // Input (sdlinput.cpp).
    std::unique_ptr<SdlPadInput> padInput;  // the game pads, from the first frame on
    void updateCursor(int x, int y);
    void handle(const SDL_Event& e);
    void press(const SDL_MouseButtonEvent& b);
    void release(const SDL_MouseButtonEvent& b);
    static int translateKey(SDL_Keycode k);
};

}  // namespace gv
