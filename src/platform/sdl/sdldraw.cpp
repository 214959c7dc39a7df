// Drawing the form: each control by its kind, children inside their parents, only the rectangles that
// changed when the window's own pixels are drawn into; texts and pictures kept as textures.
#include <algorithm>
#include <cmath>
#include <string>

#include "platform/fonts.h"
#include "platform/sdl/sdlimpl.h"

namespace gv {

namespace {

SDL_Color sdlColour(Colour c) { return SDL_Color{Uint8(redOf(c)), Uint8(greenOf(c)), Uint8(blueOf(c)), 255}; }

void setDraw(SDL_Renderer* r, Colour c, Uint8 a = 255) {
    SDL_SetRenderDrawColor(r, Uint8(redOf(c)), Uint8(greenOf(c)), Uint8(blueOf(c)), a);
}

int px(double v) { return int(std::nearbyint(v)); }

// Screen pixels are 96 to the inch, as the layout's point sizes assume.
int pixelSize(double points) { return std::max(1, int(std::lround(points * 96.0 / 72.0))); }

SDL_Rect unite(const SDL_Rect& a, const SDL_Rect& b) {
    if (a.w <= 0 || a.h <= 0) return b;
    if (b.w <= 0 || b.h <= 0) return a;
    SDL_Rect u;
    SDL_UnionRect(&a, &b, &u);
    return u;
}

}  // namespace

// The face at `zoom` times its size on a 96-dpi screen.
TTF_Font* SdlDriver::Impl::font(const Font& f, double zoom) {
    int pixels = zoom == 1 ? pixelSize(f.points) : std::max(1, int(std::lround(f.points * 96.0 / 72.0 * zoom)));
    FontKey key{int(f.face), f.bold, f.italic, f.underline, pixels};
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
    TTF_Font* font = TTF_OpenFontRW(SDL_RWFromConstMem(data, int(size)), 1, pixels);
    if (font) {
        int style = TTF_STYLE_NORMAL;
        if (f.underline) style |= TTF_STYLE_UNDERLINE;
        if (f.italic && f.face == FontFace::Sans) style |= TTF_STYLE_ITALIC;
        TTF_SetFontStyle(font, style);
    }
    fonts[key] = font;
    return font;
}

SDL_Texture* SdlDriver::Impl::pictureTexture(const PictureRef& p) {
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
    if (t) SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND), SDL_SetTextureScaleMode(t, pictureScaleMode());
    pictures[p.get()] = PicTex{p, t};
    return t;
}

// A rendered line of text, cached by its content.
SdlDriver::Impl::TextTex* SdlDriver::Impl::text(const std::string& s, const Font& f, Colour c) {
    if (s.empty()) return nullptr;
    std::string key = s + '\x1f' + std::to_string(int(f.face)) + std::to_string(f.bold) + std::to_string(f.italic) +
                      std::to_string(f.underline) + std::to_string(f.points) + '/' + std::to_string(c);
    if (auto it = texts.find(key); it != texts.end()) {
        textOrder.splice(textOrder.end(), textOrder, it->second.age);
        it->second.frame = frame;
        return &it->second;
    }
    // Rendered at the output's scale, so it stays sharp in a large window.
    TTF_Font* fnt = font(f, fit.scale);
    if (!fnt) return nullptr;
    SDL_Surface* surf = TTF_RenderUTF8_Blended(fnt, s.c_str(), sdlColour(c));
    if (!surf) return nullptr;
    SDL_Texture* t = SDL_CreateTextureFromSurface(renderer, surf);
    if (t) SDL_SetTextureScaleMode(t, SDL_ScaleModeNearest);
    TextTex tt{t, int(std::lround(surf->w / fit.scale)), int(std::lround(surf->h / fit.scale)), surf->w, surf->h, {}, frame};
    SDL_FreeSurface(surf);
    if (!t) return nullptr;
    ++textsRendered;
    textBytes += std::size_t(tt.pw) * std::size_t(tt.ph) * 4;
    // Over the bound the least recently drawn go, down to those of this frame.
    while (textBytes > textBound && !textOrder.empty()) {
        const auto old = texts.find(textOrder.front());
        if (old->second.frame == frame) break;
        textBytes -= std::size_t(old->second.pw) * std::size_t(old->second.ph) * 4;
        SDL_DestroyTexture(old->second.tex);
        texts.erase(old);
        textOrder.pop_front();
    }
    tt.age = textOrder.insert(textOrder.end(), key);
    return &(texts[key] = tt);
}

void SdlDriver::Impl::drawText(const std::string& s, const Font& f, Colour c, SDL_Rect box, Align align, bool vcentre,
                               SDL_Point shift) {
    TextTex* t = text(s, f, c);
    if (!t) return;
    SDL_Rect dst{box.x, box.y, t->w, t->h};
    if (align == Align::Centre) dst.x = box.x + (box.w - t->w) / 2;
    if (align == Align::Right) dst.x = box.x + box.w - t->w;
    if (vcentre) dst.y = box.y + (box.h - t->h) / 2;
    copySharp(*t, dst.x, dst.y, shift);
}

// A text texture pixel for pixel on the output, its corner on the output pixel where its form pixel starts.
void SdlDriver::Impl::copySharp(const TextTex& t, int x, int y, SDL_Point shift) {
    SDL_Rect dst{outX(x) + shift.x, outY(y) + shift.y, t.pw, t.ph};
    SDL_RenderCopy(renderer, t.tex, nullptr, &dst);
}

// Fills the output pixels of a rectangle of the form.
void SdlDriver::Impl::fill(SDL_Rect r) {
    const SDL_Rect o = onScreen(r);
    if (o.w > 0 && o.h > 0) SDL_RenderFillRect(renderer, &o);
}

// Drawing goes only to the output pixels of a rectangle of the form; false when it has none.
bool SdlDriver::Impl::setClip(SDL_Rect r) {
    const SDL_Rect o = onScreen(r);
    if (o.w <= 0 || o.h <= 0) return false;  // SDL takes an empty clip for none at all
    SDL_RenderSetClipRect(renderer, &o);
    return true;
}

void SdlDriver::Impl::bevel(SDL_Rect r, bool sunken) {
    Colour light = rgb(224, 224, 224), dark = rgb(48, 48, 48), mid = rgb(96, 96, 96);
    Colour tl = sunken ? dark : light, br = sunken ? light : dark;
    setDraw(renderer, tl);
    fill(SDL_Rect{r.x, r.y, r.w, 1});
    fill(SDL_Rect{r.x, r.y, 1, r.h});
    setDraw(renderer, br);
    fill(SDL_Rect{r.x, r.y + r.h - 1, r.w, 1});
    fill(SDL_Rect{r.x + r.w - 1, r.y, 1, r.h});
    setDraw(renderer, sunken ? rgb(160, 160, 160) : mid);
    fill(SDL_Rect{r.x + 1, r.y + r.h - 2, r.w - 2, 1});
    fill(SDL_Rect{r.x + r.w - 2, r.y + 1, 1, r.h - 2});
}

// The canvas's changed region of the form, or an empty one; on a GPU only the pixels that changed travel to
// its texture. A canvas not drawn on yet has no pixels: it shows blank.
SDL_Rect SdlDriver::Impl::uploadCanvas(Canvas& c, SDL_Rect r) {
    canvas = &c;
    // Only read through it, never written.
    auto* pixels = c.pixels().empty() ? nullptr : const_cast<Colour*>(c.pixels().data());
    if (surfaceOnly) {
        if (canvasSurface && canvasSurface->pixels != pixels) SDL_FreeSurface(canvasSurface), canvasSurface = nullptr;
        if (!canvasSurface && pixels) {
            canvasSurface = SDL_CreateRGBSurfaceWithFormatFrom(pixels, Canvas::kWidth, Canvas::kHeight, 32, Canvas::kWidth * 4,
                                                               SDL_PIXELFORMAT_XBGR8888);
            canvasFresh = true;
        }
    } else if (!canvasTexture) {
        // Static: the GPU keeps the pixels, SDL no copy of its own for locking.
        canvasTexture =
            SDL_CreateTexture(renderer, SDL_PIXELFORMAT_XBGR8888, SDL_TEXTUREACCESS_STATIC, Canvas::kWidth, Canvas::kHeight);
        if (canvasTexture) SDL_SetTextureScaleMode(canvasTexture, pictureScaleMode());
        canvasFresh = true;
    }
    Canvas::Rect d = c.takeDirty();
    if (canvasFresh && pixels) d = Canvas::Rect{0, 0, Canvas::kWidth, Canvas::kHeight}, canvasFresh = false;
    if (d.w <= 0) return SDL_Rect{};
    if (canvasTexture && pixels) {
        SDL_Rect sr{d.x, d.y, d.w, d.h};
        SDL_UpdateTexture(canvasTexture, &sr, &pixels[std::size_t(d.y) * Canvas::kWidth + d.x], Canvas::kWidth * 4);
    }
    // The texture is stretched over the control: the changed pixels land in proportion, a pixel to spare.
    double kx = double(r.w) / Canvas::kWidth, ky = double(r.h) / Canvas::kHeight;
    int x0 = r.x + int(std::floor(d.x * kx)) - 1, y0 = r.y + int(std::floor(d.y * ky)) - 1;
    int x1 = r.x + int(std::ceil((d.x + d.w) * kx)) + 1, y1 = r.y + int(std::ceil((d.y + d.h) * ky)) + 1;
    return SDL_Rect{x0, y0, x1 - x0, y1 - y0};
}

// The canvas: from the GPU's texture, or put straight into the window's own pixels as SDL's software
// renderer would copy a texture of it (clipped to the clip within the picture's place, a piece of the
// same size copied, one of another size scaled to the nearest pixel), after what is drawn under it.
void SdlDriver::Impl::drawCanvas(SDL_Rect r, SDL_Rect clip) {
    if (canvasTexture && !canvasFresh) return copyTexture(canvasTexture, r, clip);
    SDL_Surface* screen = surfaceOnly ? SDL_GetWindowSurface(window) : nullptr;
    if (!canvasSurface || !screen) {
        setDraw(renderer, Canvas::kBlank);
        return fill(r);
    }
    SDL_RenderFlush(renderer);
    SDL_Rect within = onScreen(clip);
    within.x += view.x, within.y += view.y;
    if (!SDL_IntersectRect(&view, &within, &within)) return;
    SDL_SetClipRect(screen, &within);
    copyPieces(Canvas::kWidth, Canvas::kHeight, r, clip, [&](const SDL_Rect* src, const SDL_Rect& out) {
        SDL_Rect to{out.x + view.x, out.y + view.y, out.w, out.h};
        const bool same = src ? src->w == to.w && src->h == to.h : to.w == Canvas::kWidth && to.h == Canvas::kHeight;
        same ? SDL_BlitSurface(canvasSurface, src, screen, &to) : SDL_BlitScaled(canvasSurface, src, screen, &to);
    });
}

void SdlDriver::Impl::copyTexture(SDL_Texture* t, SDL_Rect dst, SDL_Rect clip) {
    int w = 0, h = 0;
    if (SDL_QueryTexture(t, nullptr, nullptr, &w, &h) != 0) return;
    copyPieces(w, h, dst, clip, [&](const SDL_Rect* src, const SDL_Rect& out) { SDL_RenderCopy(renderer, t, src, &out); });
}

void SdlDriver::Impl::copyPieces(int w, int h, SDL_Rect dst, SDL_Rect clip,
                                 const std::function<void(const SDL_Rect*, const SDL_Rect&)>& copy) {
    SDL_Rect part;
    if (!SDL_IntersectRect(&dst, &clip, &part)) return;
    if (stretched(w, h, dst) || (!fit.whole && !surfaceOnly)) {
        copy(nullptr, onScreen(dst));  // smoothed scaling reads the neighbours of every pixel
        return;
    }
    if (fit.whole) {
        const SDL_Rect src{part.x - dst.x, part.y - dst.y, part.w, part.h};
        copy(&src, onScreen(part));
        return;
    }
    // A fractional scale into the window's own pixels: SDL scales each copy by its own sizes, so a part of
    // a picture would land a little differently from the whole. The picture goes in the same parts every
    // time, one for each cell of the form it covers, each from its own form pixels onto their output
    // pixels: a redraw of some cells puts every pixel where a redraw of all would.
    for (int cy = floorDiv(part.y, kCell) * kCell; cy < part.y + part.h; cy += kCell)
        for (int cx = floorDiv(part.x, kCell) * kCell; cx < part.x + part.w; cx += kCell) {
            const SDL_Rect cell{cx, cy, kCell, kCell};
            SDL_Rect piece;
            if (!SDL_IntersectRect(&cell, &part, &piece)) continue;
            const SDL_Rect src{piece.x - dst.x, piece.y - dst.y, piece.w, piece.h}, out = onScreen(piece);
            if (out.w > 0 && out.h > 0) copy(&src, out);
        }
}

// Notes where `c` and its children are and how they look; what moved or changed since the last frame
// joins the damage, with the canvas's changed pixels.
void SdlDriver::Impl::collect(Control& c) {
    if (!c.visible() || form.covered(c)) return;
    SDL_Rect r{px(c.absLeft()), px(c.absTop()), px(c.width()), px(c.height())};
    std::size_t h = std::size_t(c.kind());
    auto mix = [&h](std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2); };
    auto mixText = [&mix](const std::string& s) { mix(std::hash<std::string>{}(s)); };
    mix(c.foreColour), mix(c.backColour), mix(c.opaque), mix(std::size_t(c.align));
    mix(c.enabledOnScreen()), mix(pressed == &c), mix(form.focus() == &c);
    mix(std::size_t(c.font.face)), mix(c.font.bold), mix(c.font.italic), mix(c.font.underline);
    mix(std::hash<double>{}(c.font.points));
    switch (c.kind()) {
        case ControlKind::Canvas: damage = unite(damage, uploadCanvas(static_cast<Canvas&>(c), r)); break;
        case ControlKind::Image: {
            auto& im = static_cast<Image&>(c);
            mix(std::hash<const void*>{}(im.picture().get())), mix(im.stretch);
            if (!im.stretch && im.picture()) r.w = im.picture()->width, r.h = im.picture()->height;
            break;
        }
        case ControlKind::Label: {
            auto& l = static_cast<Label&>(c);
            mixText(l.caption()), mix(std::size_t(l.outline)), mix(l.outlineColour);
            break;
        }
        case ControlKind::TextBox: {
            auto& t = static_cast<TextBox&>(c);
            mixText(t.text()), mix(std::size_t(t.selStart())), mix(std::size_t(t.selLength())), mix(std::size_t(t.caret()));
            mix(t.border);
            break;
        }
        case ControlKind::Button: mixText(static_cast<Button&>(c).caption()), mix(static_cast<Button&>(c).isDefault()); break;
        case ControlKind::Option:
            mixText(static_cast<OptionButton&>(c).caption()), mix(static_cast<OptionButton&>(c).value());
            break;
        case ControlKind::Line: {
            auto& l = static_cast<LineShape&>(c);
            double ox = c.parent() ? px(c.parent()->absLeft()) : 0, oy = c.parent() ? px(c.parent()->absTop()) : 0;
            int w = std::max(1, l.borderWidth);
            int x0 = int(std::floor(ox + std::min(l.x1, l.x2))), y0 = int(std::floor(oy + std::min(l.y1, l.y2)));
            int x1 = int(std::ceil(ox + std::max(l.x1, l.x2))), y1 = int(std::ceil(oy + std::max(l.y1, l.y2)));
            r = SDL_Rect{x0 - 1, y0 - 1, x1 - x0 + w + 2, y1 - y0 + w + 2};
            for (double v : {l.x1, l.y1, l.x2, l.y2}) mix(std::hash<double>{}(v));
            mix(std::size_t(w));
            break;
        }
        case ControlKind::Panel: break;
    }
    drawing[&c] = Drawn{r, h};
    for (Control* k : c.children()) collect(*k);
}

// The region of the form to draw again: whatever appeared, vanished, moved or changed since the last frame.
SDL_Rect SdlDriver::Impl::takeDamage() {
    damage = SDL_Rect{};
    drawing.clear();
    for (Control* c : form.topLevel()) collect(*c);
    for (const auto& [c, now] : drawing) {
        auto was = drawn.find(c);
        if (was == drawn.end()) {
            damage = unite(damage, now.r);
        } else if (was->second.state != now.state || !SDL_RectEquals(&was->second.r, &now.r)) {
            damage = unite(unite(damage, now.r), was->second.r);
        }
    }
    for (const auto& [c, was] : drawn)
        if (!drawing.count(c)) damage = unite(damage, was.r);
    drawn.swap(drawing);
    return damage;
}

void SdlDriver::Impl::drawControl(Control& c, SDL_Rect clip) {
    if (!c.visible() || form.covered(c)) return;
    SDL_Rect r{px(c.absLeft()), px(c.absTop()), px(c.width()), px(c.height())};
    SDL_Rect inter;
    bool isLine = c.kind() == ControlKind::Line;
    if (!isLine && !SDL_IntersectRect(&r, &clip, &inter)) return;
    if (!setClip(clip)) return;
    switch (c.kind()) {
        case ControlKind::Canvas: drawCanvas(r, clip); break;
        case ControlKind::Image: {
            auto& im = static_cast<Image&>(c);
            if (SDL_Texture* t = pictureTexture(im.picture())) {
                SDL_Rect dst = r;
                if (!im.stretch) dst.w = im.picture()->width, dst.h = im.picture()->height;
                copyTexture(t, dst, clip);
            }
            break;
        }
        case ControlKind::Label: {
            auto& l = static_cast<Label&>(c);
            if (l.opaque) setDraw(renderer, l.backColour), fill(r);
            drawLabel(l, r, clip);
            break;
        }
        case ControlKind::TextBox: {
            auto& t = static_cast<TextBox&>(c);
            setDraw(renderer, t.backColour);
            fill(r);
            if (t.border) bevel(r, true);
            SDL_Rect inner{r.x + 2, r.y, r.w - 4, r.h}, shown;
            // The text, scrolled or too long, stays inside the box.
            if (!SDL_IntersectRect(&inner, &clip, &shown) || !setClip(shown)) break;
            drawText(t.text(), t.font, t.foreColour, SDL_Rect{t.textLeft(), r.y, inner.w, r.h}, Align::Left, true);
            // Only a box that takes typing shows its caret: at a hand-over the caret leaves with the turn.
            if (form.focus() == &c && c.enabledOnScreen()) drawCaret(t, inner);
            break;
        }
        case ControlKind::Button:
        case ControlKind::Option: drawButton(c, r); break;
        case ControlKind::Line: drawLine(static_cast<LineShape&>(c)); break;
        case ControlKind::Panel: break;
    }
    // Children, back to front, inside this control.
    if (!c.children().empty()) {
        SDL_Rect childClip = isLine ? clip : inter;
        const auto& kids = c.children();
        for (auto it = kids.rbegin(); it != kids.rend(); ++it) drawControl(**it, childClip);
    }
}

// A button or an option: raised, or sunken while pressed or chosen; a greyed caption when disabled, and a
// frame round the default button.
void SdlDriver::Impl::drawButton(Control& c, SDL_Rect r) {
    bool down =
        (pressed == &c && c.enabledOnScreen()) || (c.kind() == ControlKind::Option && static_cast<OptionButton&>(c).value());
    setDraw(renderer, c.backColour);
    fill(r);
    bevel(r, down);
    const std::string& cap =
        c.kind() == ControlKind::Button ? static_cast<Button&>(c).caption() : static_cast<OptionButton&>(c).caption();
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
        for (SDL_Rect side : {SDL_Rect{r.x, r.y, r.w, 1}, SDL_Rect{r.x, r.y + r.h - 1, r.w, 1}, SDL_Rect{r.x, r.y, 1, r.h},
                              SDL_Rect{r.x + r.w - 1, r.y, 1, r.h}})
            fill(side);
    }
}

// A line: a filled run of whole form pixels when level, so lines stacked row on row (the health bars) stay
// one solid band at any scale; otherwise one drawn line per pixel of its width.
void SdlDriver::Impl::drawLine(const LineShape& l) {
    double ox = l.parent() ? px(l.parent()->absLeft()) : 0, oy = l.parent() ? px(l.parent()->absTop()) : 0;
    setDraw(renderer, l.foreColour);
    int w = std::max(1, l.borderWidth);
    double x1 = ox + l.x1, y1 = oy + l.y1, x2 = ox + l.x2, y2 = oy + l.y2;
    if (std::lround(y1) == std::lround(y2)) {
        const int a = px(std::min(x1, x2)), b = px(std::max(x1, x2));
        if (b > a) fill(SDL_Rect{a, int(std::lround(y1)), b - a, w});
    } else {
        const float s = float(fit.scale);
        SDL_RenderSetScale(renderer, s, s);  // the clip stays in output pixels
        for (int k = 0; k < w; ++k) SDL_RenderDrawLineF(renderer, float(x1 + k), float(y1), float(x2 + k), float(y2));
        SDL_RenderSetScale(renderer, 1, 1);
    }
}

// The selection in the window's highlight colours, and the caret; places come from the text box itself,
// so what is drawn is where a click lands.
void SdlDriver::Impl::drawCaret(const TextBox& t, SDL_Rect inner) {
    TTF_Font* fnt = font(t.font);
    if (!fnt) return;
    const int h = TTF_FontHeight(fnt), x0 = t.textLeft(), y0 = inner.y + (inner.h - h) / 2;
    if (t.selLength() > 0) {
        const int a = x0 + t.widthOf(t.selStart()), b = x0 + t.widthOf(t.selStart() + t.selLength());
        setDraw(renderer, rgb(0, 0, 128));
        fill(SDL_Rect{a, y0, b - a, h});
        std::string sel = t.text().substr(std::size_t(t.selStart()), std::size_t(t.selLength()));
        if (TextTex* st = text(sel, t.font, rgb(255, 255, 255))) {
            copySharp(*st, a, y0);
        }
    }
    const int x = x0 + t.widthOf(t.caret());
    setDraw(renderer, t.foreColour);
    fill(SDL_Rect{x, y0 + 2, 1, h - 3});
}

// The form measures text with the fonts that draw it.
void SdlDriver::Impl::wireTextMetrics() {
    form.measureText = [this](const Font& f, const std::string& s) {
        int w = 0;
        if (TTF_Font* fnt = font(f); fnt && !s.empty()) TTF_SizeUTF8(fnt, s.c_str(), &w, nullptr);
        return w;
    };
    // And copies and pastes through the desktop's clipboard.
    form.readClipboard = [] {
        char* text = SDL_GetClipboardText();
        std::string s = text ? text : "";
        SDL_free(text);
        return s;
    };
    form.writeClipboard = [](const std::string& s) { (void)SDL_SetClipboardText(s.c_str()); };
}

// A label breaks its caption between words only; a word wider than the label is clipped at its edge.
void SdlDriver::Impl::drawLabel(const Label& l, SDL_Rect r, SDL_Rect clip) {
    TTF_Font* fnt = font(l.font);
    if (!fnt || l.caption().empty()) return;
    SDL_Rect inside;
    if (!SDL_IntersectRect(&r, &clip, &inside) || !setClip(inside)) return;
    auto lines = wrapWords(l.caption(), r.w, [&](const std::string& s) { return form.textWidth(l.font, s); });
    const int skip = TTF_FontLineSkip(fnt);
    // An outline: each line in its colour at every output pixel within the outline's width, under the text.
    const int reach = int(std::lround(l.outline * fit.scale));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SDL_Rect line{r.x, r.y + int(i) * skip, r.w, skip};
        for (int dy = -reach; dy <= reach; ++dy)
            for (int dx = -reach; dx <= reach; ++dx)
                if ((dx || dy) && dx * dx + dy * dy <= reach * reach)
                    drawText(lines[i], l.font, l.outlineColour, line, l.align, false, SDL_Point{dx, dy});
        drawText(lines[i], l.font, l.foreColour, line, l.align, false);
    }
    setClip(clip);
}

// The cells of the form that a region touches, at a fractional scale.
SDL_Rect SdlDriver::Impl::toCells(SDL_Rect r) const {
    if (fit.whole) return r;
    const int x0 = floorDiv(r.x, kCell) * kCell, y0 = floorDiv(r.y, kCell) * kCell;
    const int x1 = (floorDiv(r.x + r.w - 1, kCell) + 1) * kCell, y1 = (floorDiv(r.y + r.h - 1, kCell) + 1) * kCell;
    return SDL_Rect{x0, y0, x1 - x0, y1 - y0};
}

// A picture stretched to its place is never drawn in part: SDL's clipped scaled copy lands a part a
// source pixel off the whole. A region that touches one takes it whole, and whatever that touches in turn.
SDL_Rect SdlDriver::Impl::takeWholeStretched(SDL_Rect d) const {
    d = toCells(d);
    for (bool grew = true; grew;) {
        grew = false;
        for (const auto& [c, now] : drawn) {
            const Image* im = c->kind() == ControlKind::Image ? static_cast<const Image*>(c) : nullptr;
            if (!im || !im->picture() || !stretched(im->picture()->width, im->picture()->height, now.r)) continue;
            SDL_Rect inter;
            const SDL_Rect both = toCells(unite(d, now.r));
            if (SDL_IntersectRect(&d, &now.r, &inter) && !SDL_RectEquals(&both, &d)) d = both, grew = true;
        }
    }
    return d;
}

// Draws what changed since the last frame and puts it on screen; nothing at all when nothing moved.
void SdlDriver::Impl::render() {
    ++frame;
    SDL_Rect all{0, 0, form.clientWidth(), form.clientHeight()};
    SDL_Rect d = takeDamage();
    // A GPU's back buffer is drawn whole every time; the window's own pixels keep what they had.
    if (fullRedraw || !surfaceOnly) {
        if (!fullRedraw && (d.w <= 0 || d.h <= 0)) return;
        d = all;
    } else if (d.w <= 0 || d.h <= 0) {
        return;
    } else {
        // A pixel to spare all round, for whatever reaches a little past its control.
        d = takeWholeStretched(SDL_Rect{d.x - 1, d.y - 1, d.w + 2, d.h + 2});
        if (!SDL_IntersectRect(&d, &all, &d)) return;
    }
    // Everything is drawn in output pixels, each form pixel onto the output pixels between its edges.
    SDL_RenderSetScale(renderer, 1, 1);
    SDL_RenderSetViewport(renderer, nullptr);
    SDL_RenderSetClipRect(renderer, nullptr);
    if (fullRedraw || !surfaceOnly) {
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);  // the bars beside the picture
        SDL_RenderClear(renderer);
    }
    SDL_RenderSetViewport(renderer, &view);
    if (setClip(d)) {
        setDraw(renderer, form.backColour);
        fill(d);
        const auto& top = form.topLevel();
        for (auto it = top.rbegin(); it != top.rend(); ++it) drawControl(**it, d);
    }
    SDL_RenderSetClipRect(renderer, nullptr);
    if (!surfaceOnly) {
        SDL_RenderPresent(renderer);
    } else if (fullRedraw) {
        SDL_RenderFlush(renderer);
        SDL_UpdateWindowSurface(window);
    } else {
        SDL_RenderFlush(renderer);
        SDL_Rect out = onScreen(d);
        out.x += view.x, out.y += view.y;
        if (out.w > 0 && out.h > 0) SDL_UpdateWindowSurfaceRects(window, &out, 1);
    }
    fullRedraw = false;
}

}  // namespace gv
