#include "platform/sdl/sdlbackend.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <list>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <unordered_map>

#include "platform/fonts.h"

namespace gv {

namespace {

SDL_Color sdlColour(Colour c) { return SDL_Color{Uint8(redOf(c)), Uint8(greenOf(c)), Uint8(blueOf(c)), 255}; }

void setDraw(SDL_Renderer* r, Colour c, Uint8 a = 255) {
    SDL_SetRenderDrawColor(r, Uint8(redOf(c)), Uint8(greenOf(c)), Uint8(blueOf(c)), a);
}

SDL_Surface* surfaceOf(const Picture& p) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, p.width, p.height, 32, SDL_PIXELFORMAT_ABGR8888);
    if (!s) return nullptr;
    for (int y = 0; y < p.height; ++y)
        SDL_memcpy(static_cast<Uint8*>(s->pixels) + y * s->pitch, &p.pixels[std::size_t(y) * p.width],
                   std::size_t(p.width) * 4);
    return s;
}

int px(double v) { return int(std::nearbyint(v)); }

// Screen pixels are 96 to the inch, as the layout's point sizes assume.
int pixelSize(double points) { return std::max(1, int(std::lround(points * 96.0 / 72.0))); }

}  // namespace

struct SdlDriver::Impl {
    Form& form;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* canvasTexture = nullptr;
    const Canvas* canvas = nullptr;
    SDL_Cursor* hand = nullptr;
    SDL_Cursor* arrowCursor = nullptr;
    bool handShown = false;
    Uint64 start = 0;
    Control* pressed = nullptr;
    bool pressedWasDouble = false;

    // Textures of pictures, kept while the picture lives.
    struct PicTex {
        std::weak_ptr<const Picture> pic;
        SDL_Texture* tex;
    };
    std::unordered_map<const Picture*, PicTex> pictures;

    using FontKey = std::tuple<int, int, int, int, int>;  // face, bold, italic, underline, pixels
    std::map<FontKey, TTF_Font*> fonts;

    struct TextTex {
        SDL_Texture* tex;
        int w, h;
    };
    std::map<std::string, TextTex> texts;
    std::list<std::string> textOrder;

    explicit Impl(Form& f) : form(f) {}

    ~Impl() {
        for (auto& [k, t] : texts) SDL_DestroyTexture(t.tex);
        for (auto& [k, p] : pictures) SDL_DestroyTexture(p.tex);
        for (auto& [k, f] : fonts) TTF_CloseFont(f);
        if (canvasTexture) SDL_DestroyTexture(canvasTexture);
        if (hand) SDL_FreeCursor(hand);
        if (arrowCursor) SDL_FreeCursor(arrowCursor);
        if (renderer) SDL_DestroyRenderer(renderer);
        if (window) SDL_DestroyWindow(window);
        TTF_Quit();
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER);
    }

    TTF_Font* font(const Font& f) {
        FontKey key{int(f.face), f.bold, f.italic, f.underline, pixelSize(f.points)};
        if (auto it = fonts.find(key); it != fonts.end()) return it->second;
        const unsigned char* data;
        std::size_t size;
        if (f.face == FontFace::Sans) {
            data = f.bold ? fonts::LiberationSans_Bold : fonts::LiberationSans_Regular;
            size = f.bold ? fonts::LiberationSans_Bold_size : fonts::LiberationSans_Regular_size;
        } else if (f.bold) {
            data = f.italic ? fonts::LiberationMono_BoldItalic : fonts::LiberationMono_Bold;
            size = f.italic ? fonts::LiberationMono_BoldItalic_size : fonts::LiberationMono_Bold_size;
        } else {
            data = f.italic ? fonts::LiberationMono_Italic : fonts::LiberationMono_Regular;
            size = f.italic ? fonts::LiberationMono_Italic_size : fonts::LiberationMono_Regular_size;
        }
        TTF_Font* font = TTF_OpenFontRW(SDL_RWFromConstMem(data, int(size)), 1, pixelSize(f.points));
        if (font) {
            int style = TTF_STYLE_NORMAL;
            if (f.underline) style |= TTF_STYLE_UNDERLINE;
            if (f.italic && f.face == FontFace::Sans) style |= TTF_STYLE_ITALIC;
            TTF_SetFontStyle(font, style);
        }
        fonts[key] = font;
        return font;
    }

    SDL_Texture* pictureTexture(const PictureRef& p) {
        if (!p || p->width <= 0 || p->height <= 0) return nullptr;
        auto it = pictures.find(p.get());
        if (it != pictures.end()) {
            if (!it->second.pic.expired()) return it->second.tex;
            SDL_DestroyTexture(it->second.tex);
            pictures.erase(it);
        }
        SDL_Surface* s = surfaceOf(*p);
        if (!s) return nullptr;
        SDL_Texture* t = SDL_CreateTextureFromSurface(renderer, s);
        SDL_FreeSurface(s);
        if (t) SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
        pictures[p.get()] = PicTex{p, t};
        return t;
    }

    // A rendered line of text, cached by its content.
    TextTex* text(const std::string& s, const Font& f, Colour c) {
        if (s.empty()) return nullptr;
        std::string key = s + '\x1f' + std::to_string(int(f.face)) + std::to_string(f.bold) + std::to_string(f.italic) +
                          std::to_string(f.underline) + std::to_string(f.points) + '/' + std::to_string(c);
        if (auto it = texts.find(key); it != texts.end()) return &it->second;
        TTF_Font* fnt = font(f);
        if (!fnt) return nullptr;
        SDL_Surface* surf = TTF_RenderUTF8_Blended(fnt, s.c_str(), sdlColour(c));
        if (!surf) return nullptr;
        SDL_Texture* t = SDL_CreateTextureFromSurface(renderer, surf);
        TextTex tt{t, surf->w, surf->h};
        SDL_FreeSurface(surf);
        if (!t) return nullptr;
        if (texts.size() > 600) {
            SDL_DestroyTexture(texts[textOrder.front()].tex);
            texts.erase(textOrder.front());
            textOrder.pop_front();
        }
        textOrder.push_back(key);
        return &(texts[key] = tt);
    }

    void drawText(const std::string& s, const Font& f, Colour c, SDL_Rect box, Align align, bool vcentre) {
        TextTex* t = text(s, f, c);
        if (!t) return;
        SDL_Rect dst{box.x, box.y, t->w, t->h};
        if (align == Align::Centre) dst.x = box.x + (box.w - t->w) / 2;
        if (align == Align::Right) dst.x = box.x + box.w - t->w;
        if (vcentre) dst.y = box.y + (box.h - t->h) / 2;
        SDL_RenderCopy(renderer, t->tex, nullptr, &dst);
    }

    void bevel(SDL_Rect r, bool sunken) {
        Colour light = rgb(224, 224, 224), dark = rgb(48, 48, 48), mid = rgb(96, 96, 96);
        Colour tl = sunken ? dark : light, br = sunken ? light : dark;
        setDraw(renderer, tl);
        SDL_RenderDrawLine(renderer, r.x, r.y, r.x + r.w - 1, r.y);
        SDL_RenderDrawLine(renderer, r.x, r.y, r.x, r.y + r.h - 1);
        setDraw(renderer, br);
        SDL_RenderDrawLine(renderer, r.x, r.y + r.h - 1, r.x + r.w - 1, r.y + r.h - 1);
        SDL_RenderDrawLine(renderer, r.x + r.w - 1, r.y, r.x + r.w - 1, r.y + r.h - 1);
        setDraw(renderer, sunken ? rgb(160, 160, 160) : mid);
        SDL_RenderDrawLine(renderer, r.x + 1, r.y + r.h - 2, r.x + r.w - 2, r.y + r.h - 2);
        SDL_RenderDrawLine(renderer, r.x + r.w - 2, r.y + 1, r.x + r.w - 2, r.y + r.h - 2);
    }

    void drawCanvas(const Canvas& c, SDL_Rect r) {
        canvas = &c;
        if (!canvasTexture) {
            canvasTexture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_XBGR8888, SDL_TEXTUREACCESS_STREAMING,
                                              Canvas::kWidth, Canvas::kHeight);
        }
        // Only the pixels that changed travel to the texture.
        Canvas::Rect d = const_cast<Canvas&>(c).takeDirty();
        if (canvasTexture && d.w > 0) {
            SDL_Rect sr{d.x, d.y, d.w, d.h};
            SDL_UpdateTexture(canvasTexture, &sr, &c.pixels()[std::size_t(d.y) * Canvas::kWidth + d.x],
                              Canvas::kWidth * 4);
        }
        if (canvasTexture) SDL_RenderCopy(renderer, canvasTexture, nullptr, &r);
    }

    void drawControl(Control& c, SDL_Rect clip) {
        if (!c.visible()) return;
        SDL_Rect r{px(c.absLeft()), px(c.absTop()), px(c.width()), px(c.height())};
        SDL_Rect inter;
        bool isLine = c.kind() == ControlKind::Line;
        if (!isLine && !SDL_IntersectRect(&r, &clip, &inter)) return;
        SDL_RenderSetClipRect(renderer, &clip);
        switch (c.kind()) {
            case ControlKind::Canvas:
                drawCanvas(static_cast<Canvas&>(c), r);
                break;
            case ControlKind::Image: {
                auto& im = static_cast<Image&>(c);
                if (SDL_Texture* t = pictureTexture(im.picture())) {
                    SDL_Rect dst = r;
                    if (!im.stretch) dst.w = im.picture()->width, dst.h = im.picture()->height;
                    SDL_RenderCopy(renderer, t, nullptr, &dst);
                }
                break;
            }
            case ControlKind::Label: {
                auto& l = static_cast<Label&>(c);
                if (l.opaque) setDraw(renderer, l.backColour), SDL_RenderFillRect(renderer, &r);
                drawLabel(l, r, clip);
                break;
            }
            case ControlKind::TextBox: {
                auto& t = static_cast<TextBox&>(c);
                setDraw(renderer, t.backColour);
                SDL_RenderFillRect(renderer, &r);
                if (t.border) bevel(r, true);
                SDL_Rect inner{r.x + 2, r.y, r.w - 4, r.h};
                drawText(t.text(), t.font, t.foreColour, SDL_Rect{t.textLeft(), r.y, inner.w, r.h}, Align::Left, true);
                if (form.focus() == &c) drawCaret(t, inner);
                break;
            }
            case ControlKind::Button:
            case ControlKind::Option: {
                bool down = (pressed == &c && c.enabledOnScreen()) ||
                            (c.kind() == ControlKind::Option && static_cast<OptionButton&>(c).value());
                setDraw(renderer, c.backColour);
                SDL_RenderFillRect(renderer, &r);
                bevel(r, down);
                const std::string& cap = c.kind() == ControlKind::Button ? static_cast<Button&>(c).caption()
                                                                          : static_cast<OptionButton&>(c).caption();
                SDL_Rect box{r.x + (down ? 1 : 0), r.y + (down ? 1 : 0), r.w, r.h};
                if (c.enabledOnScreen()) {
                    drawText(cap, c.font, rgb(0, 0, 0), box, Align::Centre, true);
                } else {
                    SDL_Rect emboss{box.x + 1, box.y + 1, box.w, box.h};
                    drawText(cap, c.font, rgb(224, 224, 224), emboss, Align::Centre, true);
                    drawText(cap, c.font, rgb(80, 80, 80), box, Align::Centre, true);
                }
                if (c.kind() == ControlKind::Button && static_cast<Button&>(c).isDefault() && c.enabledOnScreen()) {
                    setDraw(renderer, rgb(0, 0, 0));
                    SDL_RenderDrawRect(renderer, &r);
                }
                break;
            }
            case ControlKind::Line: {
                auto& l = static_cast<LineShape&>(c);
                double ox = c.parent() ? px(c.parent()->absLeft()) : 0, oy = c.parent() ? px(c.parent()->absTop()) : 0;
                setDraw(renderer, l.foreColour);
                int w = std::max(1, l.borderWidth);
                double x1 = ox + l.x1, y1 = oy + l.y1, x2 = ox + l.x2, y2 = oy + l.y2;
                if (std::lround(y1) == std::lround(y2)) {
                    double a = std::min(x1, x2), b = std::max(x1, x2);
                    SDL_FRect fr{float(a), float(std::lround(y1)), float(b - a), float(w)};
                    if (fr.w > 0) SDL_RenderFillRectF(renderer, &fr);
                } else {
                    for (int k = 0; k < w; ++k)
                        SDL_RenderDrawLineF(renderer, float(x1 + k), float(y1), float(x2 + k), float(y2));
                }
                break;
            }
            case ControlKind::Panel:
                break;
        }
        // Children, back to front, inside this control.
        if (!c.children().empty()) {
            SDL_Rect childClip = isLine ? clip : inter;
            const auto& kids = c.children();
            for (auto it = kids.rbegin(); it != kids.rend(); ++it) drawControl(**it, childClip);
        }
    }

    // The selection in the window's highlight colours, and the caret; places come from the text box itself,
    // so what is drawn is where a click lands.
    void drawCaret(const TextBox& t, SDL_Rect inner) {
        TTF_Font* fnt = font(t.font);
        if (!fnt) return;
        const int h = TTF_FontHeight(fnt), x0 = t.textLeft(), y0 = inner.y + (inner.h - h) / 2;
        if (t.selLength() > 0) {
            const int a = x0 + t.widthOf(t.selStart()), b = x0 + t.widthOf(t.selStart() + t.selLength());
            setDraw(renderer, rgb(0, 0, 128));
            SDL_Rect sr{a, y0, b - a, h};
            SDL_RenderFillRect(renderer, &sr);
            std::string sel = t.text().substr(std::size_t(t.selStart()), std::size_t(t.selLength()));
            if (TextTex* st = text(sel, t.font, rgb(255, 255, 255))) {
                SDL_Rect dst{a, y0, st->w, st->h};
                SDL_RenderCopy(renderer, st->tex, nullptr, &dst);
            }
        }
        const int x = x0 + t.widthOf(t.caret());
        setDraw(renderer, t.foreColour);
        SDL_RenderDrawLine(renderer, x, y0 + 2, x, y0 + h - 2);
    }

    // The form measures text with the fonts that draw it.
    void wireTextMetrics() {
        form.measureText = [this](const Font& f, const std::string& s) {
            int w = 0;
            if (TTF_Font* fnt = font(f); fnt && !s.empty()) TTF_SizeUTF8(fnt, s.c_str(), &w, nullptr);
            return w;
        };
    }

    // A label breaks its caption between words only; a word wider than the label is clipped at its edge.
    void drawLabel(const Label& l, SDL_Rect r, SDL_Rect clip) {
        TTF_Font* fnt = font(l.font);
        if (!fnt || l.caption().empty()) return;
        SDL_Rect inside;
        if (!SDL_IntersectRect(&r, &clip, &inside)) return;
        SDL_RenderSetClipRect(renderer, &inside);
        auto lines = wrapWords(l.caption(), r.w, [&](const std::string& s) { return form.textWidth(l.font, s); });
        const int skip = TTF_FontLineSkip(fnt);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            SDL_Rect line{r.x, r.y + int(i) * skip, r.w, skip};
            drawText(lines[i], l.font, l.foreColour, line, l.align, false);
        }
        SDL_RenderSetClipRect(renderer, &clip);
    }

    void render() {
        setDraw(renderer, form.backColour);
        SDL_RenderSetClipRect(renderer, nullptr);
        SDL_RenderClear(renderer);
        SDL_Rect all{0, 0, form.clientWidth(), form.clientHeight()};
        const auto& top = form.topLevel();
        for (auto it = top.rbegin(); it != top.rend(); ++it) drawControl(**it, all);
        SDL_RenderSetClipRect(renderer, nullptr);
        SDL_RenderPresent(renderer);
    }

    void updateCursor(int x, int y) {
        Control* c = form.controlAt(x, y);
        bool wantHand = c && c->kind() == ControlKind::Label && static_cast<Label*>(c)->handCursor;
        if (wantHand == handShown || !hand) return;
        handShown = wantHand;
        SDL_SetCursor(wantHand ? hand : arrowCursor);
    }

    void handle(const SDL_Event& e) {
        EventLoop& loop = form.loop();
        switch (e.type) {
            case SDL_QUIT:
                loop.post([this] { form.unload(); });
                break;
            case SDL_WINDOWEVENT:
                if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SHOWN ||
                    e.window.event == SDL_WINDOWEVENT_RESTORED)
                    loop.markDirty();
                break;
            case SDL_MOUSEMOTION:
                updateCursor(e.motion.x, e.motion.y);
                break;
            case SDL_MOUSEBUTTONDOWN: {
                if (e.button.button != SDL_BUTTON_LEFT) break;
                int x = e.button.x, y = e.button.y;
                Control* c = form.controlAt(x, y);
                pressed = c;
                pressedWasDouble = e.button.clicks >= 2 && c && c->kind() == ControlKind::Image;
                loop.markDirty();
                if (pressedWasDouble) loop.post([this, x, y] { form.mouseDown(x, y, true); });
                // Text boxes take the focus (and their click) at once, like any desktop text box; the second
                // press of a double-click selects the word.
                if (c && c->kind() == ControlKind::TextBox) {
                    pressed = nullptr;
                    bool dbl = e.button.clicks == 2;
                    loop.post([this, x, y, dbl] { form.mouseDown(x, y, dbl); });
                }
                break;
            }
            case SDL_MOUSEBUTTONUP: {
                if (e.button.button != SDL_BUTTON_LEFT) break;
                int x = e.button.x, y = e.button.y;
                Control* was = pressed;
                bool dbl = pressedWasDouble;
                pressed = nullptr;
                loop.markDirty();
                // A click is a press and release on the same control; the second press of a double-click on
                // an image already counted as its double-click.
                if (was && !dbl && form.controlAt(x, y) == was) loop.post([this, x, y] { form.mouseDown(x, y, false); });
                break;
            }
            case SDL_KEYDOWN: {
                int key = translateKey(e.key.keysym.sym);
                if (key < 0) break;
                const Uint16 mod = e.key.keysym.mod;
                int shift = ((mod & KMOD_SHIFT) ? Key::ShiftMask : 0) | ((mod & KMOD_CTRL) ? Key::CtrlMask : 0) |
                            ((mod & KMOD_ALT) ? Key::AltMask : 0);
                loop.post([this, key, shift] { form.keyDown(key, shift); });
                break;
            }
            case SDL_TEXTINPUT: {
                std::string s = e.text.text;
                loop.post([this, s] {
                    for (char ch : s)
                        if (static_cast<unsigned char>(ch) < 128) form.typeChar(ch);
                });
                break;
            }
            default:
                break;
        }
    }

    static int translateKey(SDL_Keycode k) {
        switch (k) {
            case SDLK_BACKSPACE: return Key::Backspace;
            case SDLK_TAB: return Key::Tab;
            case SDLK_RETURN:
            case SDLK_KP_ENTER: return Key::Enter;
            case SDLK_ESCAPE: return Key::Escape;
            case SDLK_SPACE: return Key::Space;
            case SDLK_END: return Key::End;
            case SDLK_HOME: return Key::Home;
            case SDLK_LEFT: return Key::Left;
            case SDLK_UP: return Key::Up;
            case SDLK_RIGHT: return Key::Right;
            case SDLK_DOWN: return Key::Down;
            case SDLK_DELETE: return Key::Delete;
            default:
                if (k >= 32 && k < 127) return int(k >= 'a' && k <= 'z' ? k - 32 : k);
                return -1;
        }
    }
};

SdlDriver::SdlDriver(Form& form) : impl_(std::make_unique<Impl>(form)) {
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0)
        throw std::runtime_error(std::string("cannot open the display: ") + SDL_GetError());
    if (TTF_Init() != 0) throw std::runtime_error(std::string("cannot start the font engine: ") + TTF_GetError());
    impl_->start = SDL_GetPerformanceCounter();
    Impl& m = *impl_;
    m.window = SDL_CreateWindow(form.caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, form.clientWidth(),
                                form.clientHeight(), SDL_WINDOW_ALLOW_HIGHDPI);
    if (!m.window) throw std::runtime_error(std::string("cannot open the window: ") + SDL_GetError());
    m.renderer = SDL_CreateRenderer(m.window, -1, SDL_RENDERER_ACCELERATED);
    if (!m.renderer) m.renderer = SDL_CreateRenderer(m.window, -1, SDL_RENDERER_SOFTWARE);
    if (!m.renderer) throw std::runtime_error(std::string("cannot draw in the window: ") + SDL_GetError());
    // A HiDPI desktop gets a sharp, scaled window of the same logical size.
    SDL_RenderSetLogicalSize(m.renderer, form.clientWidth(), form.clientHeight());
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
    m.render();
}

SdlDriver::~SdlDriver() = default;

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

void SdlDriver::present() { impl_->render(); }

void SdlDriver::sleepUntil(double tMs) {
    double wait = tMs - nowMs();
    if (wait <= 0) return;
    // Wakes early for input; an hour at most, so the clock is looked at now and then.
    int ms = int(std::min(wait, 3600000.0));
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, std::max(1, ms))) impl_->handle(e);
}

void SdlDriver::openUrl(const char* url) { (void)SDL_OpenURL(url); }

}  // namespace gv
