#include "platform/sdl/sdlimpl.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <SDL_ttf.h>
#if !defined(_WIN32)
#include <X11/Xlib.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <list>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <unordered_map>

#include "platform/fonts.h"

// Xlib names a key-mask macro like the game's own shift mask.
#undef ShiftMask

namespace gv {

namespace {

// Is the OpenGL behind this renderer a rasteriser running on the processor? Under a virtual display, in a
// virtual machine or over a remote desktop the "accelerated" renderer is one, with its own threads and
// buffers; SDL's plain software renderer costs far less there.
bool softwareGl(SDL_Renderer* r) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(r, &info) != 0 || std::strncmp(info.name, "opengl", 6) != 0) return false;
    using GetString = const unsigned char* (*)(unsigned);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const unsigned char* name = getString ? getString(0x1F01 /* GL_RENDERER */) : nullptr;
    if (!name) return false;
    std::string n(reinterpret_cast<const char*>(name));
    for (const char* soft : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast", "SWR"})
        if (n.find(soft) != std::string::npos) return true;
    return false;
}

// An X server without direct rendering can only give software OpenGL: no need to load GL to find out.
bool displayWithoutDri(SDL_Window* w) {
#if defined(_WIN32)
    (void)w;
    return false;
#else
    SDL_SysWMinfo wm;
    SDL_VERSION(&wm.version);
    if (!SDL_GetWindowWMInfo(w, &wm) || wm.subsystem != SDL_SYSWM_X11) return false;
    int op, ev, er;
    return !XQueryExtension(wm.info.x11.display, "DRI3", &op, &ev, &er) &&
           !XQueryExtension(wm.info.x11.display, "DRI2", &op, &ev, &er);
#endif
}

}  // namespace

WindowFit fitWindow(int outW, int outH, int picW, int picH, bool smooth) {
    WindowFit f;
    if (outW <= 0 || outH <= 0 || picW <= 0 || picH <= 0) return f;
    double fit = std::min(double(outW) / picW, double(outH) / picH);
    double whole = std::floor(fit);
    // A whole multiple keeps every pixel square and crisp; smooth fitting takes it when it loses little of
    // the window.
    f.whole = whole >= 1 && (!smooth || whole >= fit * 0.95);
    f.scale = f.whole ? whole : fit;
    f.w = std::max(1, int(std::lround(picW * f.scale)));
    f.h = std::max(1, int(std::lround(picH * f.scale)));
    f.x = (outW - f.w) / 2;
    f.y = (outH - f.h) / 2;
    return f;
}

WindowSize firstWindowSize(int usableW, int usableH, int picW, int picH) {
    if (picW <= 0 || picH <= 0 || usableW <= 0 || usableH <= 0) return WindowSize{picW, picH};
    const double fits = std::min(double(usableW) / picW, double(usableH) / picH);
    const double room = 0.85 * fits;
    // A whole multiple within 5 % of the desktop of that size is worth the crisp pixels.
    const double whole = std::round(room);
    if (whole >= 1 && whole <= fits && std::abs(whole - room) <= 0.05 * fits + 1e-9)
        return WindowSize{int(whole) * picW, int(whole) * picH};
    if (room >= 1) return WindowSize{int(picW * room + 1e-6), int(picH * room + 1e-6)};
    if (fits >= 1) return WindowSize{picW, picH};
    return WindowSize{std::max(1, int(picW * fits + 1e-6)), std::max(1, int(picH * fits + 1e-6))};
}

SdlDriver::Impl::~Impl() {
    forgetTextures();
    for (auto& [k, f] : fonts) TTF_CloseFont(f);
    if (hand) SDL_FreeCursor(hand);
    if (arrowCursor) SDL_FreeCursor(arrowCursor);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
    TTF_Quit();
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

void SdlDriver::Impl::forgetTexts() {
    for (auto& [k, t] : texts) SDL_DestroyTexture(t.tex);
    texts.clear();
    textOrder.clear();
    textBytes = 0;
}

void SdlDriver::Impl::forgetTextures() {
    forgetTexts();
    for (auto& [k, p] : pictures) SDL_DestroyTexture(p.tex);
    pictures.clear();
    if (canvasTexture) SDL_DestroyTexture(canvasTexture);
    canvasTexture = nullptr;
    if (canvasSurface) SDL_FreeSurface(canvasSurface);
    canvasSurface = nullptr;
}

// Fits the picture to the window's present size: whole multiples stay crisp, other sizes are smoothed on
// a GPU, and texts are rendered anew at the output's scale.
void SdlDriver::Impl::layout() {
    int ow = 0, oh = 0;
    SDL_GetRendererOutputSize(renderer, &ow, &oh);
    WindowFit f = fitWindow(ow, oh, form.clientWidth(), form.clientHeight(), smoothFit);
    if (f.w <= 0) return;  // minimised
    if (f.scale != fit.scale) forgetTexts();
    bool modeChanged = f.whole != fit.whole;
    fit = f;
    view = SDL_Rect{f.x, f.y, f.w, f.h};
    if (modeChanged) {
        for (auto& [k, p] : pictures) SDL_SetTextureScaleMode(p.tex, pictureScaleMode());
        if (canvasTexture) SDL_SetTextureScaleMode(canvasTexture, pictureScaleMode());
    }
    fullRedraw = true;
}

// A window point (in the desktop's units) as a point of the form.
SDL_Point SdlDriver::Impl::toForm(int x, int y) const {
    int ww = 0, wh = 0, ow = 0, oh = 0;
    SDL_GetWindowSize(window, &ww, &wh);
    SDL_GetRendererOutputSize(renderer, &ow, &oh);
    double sx = ww > 0 && ow > 0 ? double(ow) / ww : 1, sy = wh > 0 && oh > 0 ? double(oh) / wh : 1;
    return SDL_Point{int(std::floor((x * sx - view.x) / fit.scale)), int(std::floor((y * sy - view.y) / fit.scale))};
}

void SdlDriver::Impl::setFullScreen(bool on) {
    if (on == isFullScreen()) return;
    if (on) windowed = framedPlace();
    SDL_SetWindowFullscreen(window, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    layout();
    form.loop().markDirty();
}

// The window's size, and the place of its frame: a window manager puts the frame where a window that is not
// yet shown was asked to be, so the window lands where it was when its frame's place is asked for.
SDL_Rect SdlDriver::Impl::framedPlace() const {
    SDL_Rect r{};
    int top = 0, left = 0;
    SDL_GetWindowPosition(window, &r.x, &r.y);
    SDL_GetWindowSize(window, &r.w, &r.h);
    if (SDL_GetWindowBordersSize(window, &top, &left, nullptr, nullptr) == 0) r.x -= left, r.y -= top;
    return r;
}

// Lays the picture out again and puts it on screen now, not at the next frame.
void SdlDriver::Impl::relayout() {
    layout();
    form.loop().markDirty();
    if (SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN) render();
}

void SdlDriver::openDisplay() {
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    // A click that brings the window to the front also does what it clicks (two copies side by side).
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
        throw std::runtime_error(std::string("cannot open the display: ") + SDL_GetError());
}

SdlSession::SdlSession(const char* windowClass) {
    // The window's class is the id of the desktop entry, so the running program groups with its menu entry.
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", windowClass, 0);
    SDL_setenv("SDL_VIDEO_WAYLAND_WMCLASS", windowClass, 0);
    SdlDriver::openDisplay();
}

SdlSession::~SdlSession() { SDL_Quit(); }

SdlDriver::SdlDriver(Form& form) : impl_(std::make_unique<Impl>(form)) {
    openDisplay();  // our own use of the display, given back when the window goes
    if (TTF_Init() != 0) throw std::runtime_error(std::string("cannot start the font engine: ") + TTF_GetError());
    impl_->start = SDL_GetPerformanceCounter();
    Impl& m = *impl_;
    // The first size: as large as fits the desktop comfortably.
    WindowSize size{form.clientWidth(), form.clientHeight()};
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) == 0)
        size = firstWindowSize(usable.w, usable.h, form.clientWidth(), form.clientHeight());
    // Hidden until its first frame is drawn, so it never shows black.
    m.window = SDL_CreateWindow(form.caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, size.width, size.height,
                                SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!m.window) throw std::runtime_error(std::string("cannot open the window: ") + SDL_GetError());
    SDL_SetWindowMinimumSize(m.window, form.clientWidth() / 4, form.clientHeight() / 4);
    // A real GPU draws through OpenGL; a software OpenGL costs more than SDL's own software renderer, which
    // also lets only the changed rectangles go to the screen. SDL_RENDER_DRIVER still chooses when set.
    bool chosen = SDL_GetHint(SDL_HINT_RENDER_DRIVER) != nullptr;
    if (chosen || !displayWithoutDri(m.window)) {
        m.renderer = SDL_CreateRenderer(m.window, -1, SDL_RENDERER_ACCELERATED);
        if (m.renderer && !chosen && softwareGl(m.renderer)) {
            SDL_DestroyRenderer(m.renderer);
            m.renderer = nullptr;
        }
    }
    if (!m.renderer) {
        // The window's pixels as plain memory, not a texture of yet another OpenGL renderer.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        m.renderer = SDL_CreateRenderer(m.window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (!m.renderer) throw std::runtime_error(std::string("cannot draw in the window: ") + SDL_GetError());
    SDL_RendererInfo info{};
    m.surfaceOnly = SDL_GetRendererInfo(m.renderer, &info) == 0 && std::strcmp(info.name, "software") == 0;
    m.layout();
    if (form.icon) {
        if (SDL_Surface* s = surfaceOf(*form.icon)) {
            SDL_SetWindowIcon(m.window, s);
            SDL_FreeSurface(s);
        }
    }
    if (form.handCursor) {
        if (SDL_Surface* s = surfaceOf(*form.handCursor)) {
            m.hand = SDL_CreateColorCursor(s, 5, 0);
            SDL_FreeSurface(s);
        }
        m.arrowCursor = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    }
    m.wireTextMetrics();
    SDL_StartTextInput();
}

SdlDriver::~SdlDriver() = default;

SdlDriver::Place SdlDriver::place() const {
    const Impl& m = *impl_;
    Place p;
    p.fullScreen = m.isFullScreen();
    const SDL_Rect r = p.fullScreen ? m.windowed : m.framedPlace();
    p.x = r.x, p.y = r.y, p.width = r.w, p.height = r.h;
    return p;
}

void SdlDriver::setPlace(const Place& p) {
    Impl& m = *impl_;
    int minW = 0, minH = 0;
    SDL_GetWindowMinimumSize(m.window, &minW, &minH);
    SDL_Rect desk{0, 0, 1 << 14, 1 << 14};
    SDL_GetDisplayUsableBounds(0, &desk);
    if (p.width > 0 && p.height > 0)
        SDL_SetWindowSize(m.window, std::clamp(p.width, minW, std::max(minW, desk.w)),
                          std::clamp(p.height, minH, std::max(minH, desk.h)));
    const SDL_Point corner{p.x, p.y};
    for (int d = 0; d < SDL_GetNumVideoDisplays(); ++d) {
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(d, &bounds) == 0 && SDL_PointInRect(&corner, &bounds)) {
            SDL_SetWindowPosition(m.window, p.x, p.y);
            break;
        }
    }
    SDL_GetWindowPosition(m.window, &m.windowed.x, &m.windowed.y);
    SDL_GetWindowSize(m.window, &m.windowed.w, &m.windowed.h);
    if (p.fullScreen) SDL_SetWindowFullscreen(m.window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    m.layout();
}

void SdlDriver::show() {
    Impl& m = *impl_;
    m.fullRedraw = true;
    m.render();
    SDL_ShowWindow(m.window);
    // The window is mapped now: its first frame goes up at once, not a frame later.
    m.layout();
    m.render();
}

double SdlDriver::nowMs() {
    return double(SDL_GetPerformanceCounter() - impl_->start) * 1000.0 / double(SDL_GetPerformanceFrequency());
}

double SdlDriver::timeOfDay() {
    RealDriver clock;
    return clock.timeOfDay();
}

void SdlDriver::collectInput() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) impl_->handle(e);
}

void SdlDriver::present() {
    impl_->render();
    // The game pads start once the first frame is on screen (finding them takes a while); the controllers
    // already plugged in then announce themselves as events.
    if (!impl_->padInput) impl_->padInput = std::make_unique<SdlPadInput>(impl_->form);
}

void SdlDriver::sleepUntil(double tMs) {
    double wait = tMs - nowMs();
    if (wait <= 0) return;
    // Wakes early for input; an hour at most, so the clock is looked at now and then.
    int ms = int(std::min(wait, 3600000.0));
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, std::max(1, ms))) impl_->handle(e);
}

void SdlDriver::setSmooth(bool smooth) {
    if (impl_->smoothFit == smooth) return;
    impl_->smoothFit = smooth;
    impl_->relayout();
}

bool SdlDriver::smooth() const { return impl_->smoothFit; }

SdlDriver::TextCache SdlDriver::textCache() const {
    return TextCache{impl_->texts.size(), impl_->textBytes, impl_->textsRendered};
}

void SdlDriver::setTextCacheBound(std::size_t bytes) { impl_->textBound = bytes; }

void SdlDriver::setFullScreen(bool on) { impl_->setFullScreen(on); }

bool SdlDriver::fullScreen() const { return impl_->isFullScreen(); }

void SdlDriver::openUrl(const char* url) { (void)SDL_OpenURL(url); }

}  // namespace gv
