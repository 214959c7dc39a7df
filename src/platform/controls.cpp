#include "platform/controls.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/eventloop.h"

namespace gv {

namespace {
int roundEven(double v) { return static_cast<int>(roundHalfEven(v)); }
}  // namespace

// ---------------------------------------------------------------- Control

Control::Control(Form& form, ControlKind kind, std::string name, int index)
    : form_(form),
      kind_(kind),
      name_(std::move(name)),
      index_(index) {}

Control::~Control() = default;

void Control::changed() { form_.changed(); }

double Control::twips(double v) { return gv::twips(v); }
void Control::setLeft(double v) {
    v = twips(v);
    if (left_ != v) left_ = v, changed();
}
void Control::setTop(double v) {
    v = twips(v);
    if (top_ != v) top_ = v, changed();
}
void Control::setWidth(double v) {
    v = std::max(0.0, twips(v));
    if (width_ != v) width_ = v, changed();
}
void Control::setHeight(double v) {
    v = std::max(0.0, twips(v));
    if (height_ != v) height_ = v, changed();
}
void Control::move(double left, double top, double width, double height) {
    left_ = twips(left), top_ = twips(top), width_ = std::max(0.0, twips(width)), height_ = std::max(0.0, twips(height));
    changed();
}

void Control::setVisible(bool v) {
    if (visible_ == v) return;
    visible_ = v;
    if (!v) {
        // A hidden control cannot keep the focus, nor can anything inside a hidden panel.
        for (Control* f = form_.focus(); f; f = f->parent_)
            if (f == this) {
                form_.setFocus(nullptr);
                break;
            }
    }
    changed();
}

void Control::setEnabled(bool v) {
    if (enabled_ != v) enabled_ = v, changed();
}

bool Control::shownOnScreen() const {
    for (const Control* c = this; c; c = c->parent_)
        if (!c->visible_ || form_.covered(*c)) return false;
    return true;
}

bool Control::enabledOnScreen() const {
    for (const Control* c = this; c; c = c->parent_)
        if (!c->enabled_) return false;
    return shownOnScreen();
}

double Control::absLeft() const { return left_ + (parent_ ? parent_->absLeft() : 0); }
double Control::absTop() const { return top_ + (parent_ ? parent_->absTop() : 0); }

bool Control::containsWindowPoint(int x, int y) const {
    double l = absLeft(), t = absTop();
    return x >= l && y >= t && x < l + width_ && y < t + height_;
}

// ---------------------------------------------------------------- Canvas

Canvas::Canvas(Form& form, std::string name) : Control(form, ControlKind::Canvas, std::move(name)) {
    width_ = kWidth;
    height_ = kHeight;
    dx0_ = 0, dy0_ = 0, dx1_ = kWidth - 1, dy1_ = kHeight - 1;
}

void Canvas::setUnseen(bool unseen) {
    if (unseen == unseen_) return;
    unseen_ = unseen;
    std::vector<Colour>().swap(pixels_);  // an unseen canvas gives its pixels back; seen again, it is blank
    dx0_ = 0, dy0_ = 0, dx1_ = kWidth - 1, dy1_ = kHeight - 1;
    changed();
}

void Canvas::dot(int x, int y, Colour c) {
    if (drawWidth_ <= 1) {
        plot(x, y, c);
        return;
    }
    // A round pen of diameter drawWidth centred on the point.
    double r = drawWidth_ / 2.0;
    int reach = drawWidth_ / 2;
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx)
            if (dx * dx + dy * dy <= r * r) plot(x + dx, y + dy, c);
}

void Canvas::circle(double cx, double cy, double r, Colour c) {
    if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(r) || r < 0 || !drawable()) return;
    // The outline is every pixel whose centre lies within half the pen width of the circle.
    int icx = roundEven(cx), icy = roundEven(cy);
    double half = drawWidth_ / 2.0;
    double lo = std::max(0.0, r - half), hi = r + half;
    double lo2 = lo * lo, hi2 = hi * hi;
    int y0 = std::max(0, int(std::floor(icy - hi))), y1 = std::min(kHeight - 1, int(std::ceil(icy + hi)));
    bool any = false;
    for (int y = y0; y <= y1; ++y) {
        double dy = y - icy;
        double outer = hi2 - dy * dy;
        if (outer < 0) continue;
        int xo = int(std::floor(std::sqrt(outer)));
        while (double(xo + 1) * (xo + 1) <= outer) ++xo;
        while (xo > 0 && double(xo) * xo > outer) --xo;
        double inner = lo2 - dy * dy;
        int xi = 0;
        if (inner > 0) {
            xi = int(std::ceil(std::sqrt(inner)));
            while (xi > 0 && double(xi - 1) * (xi - 1) >= inner) --xi;
            while (double(xi) * xi < inner) ++xi;
        }
        if (xi > xo) continue;
        // Clip the two runs to the canvas.
        for (int side = -1; side <= 1; side += 2) {
            int a = icx + side * xi, b = icx + side * xo;
            if (a > b) std::swap(a, b);
            a = std::max(a, 0);
            b = std::min(b, kWidth - 1);
            if (side == 1 && xi == 0) a = std::max(a, icx + 1);  // the centre column belongs to the left run
            for (int x = a; x <= b; ++x) plot(x, y, c);
            if (a <= b) any = true;
        }
    }
    if (any) changed();
}

void Canvas::line(double x1, double y1, double x2, double y2, Colour c) {
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2) || !drawable()) return;
    int ax = roundEven(x1), ay = roundEven(y1), bx = roundEven(x2), by = roundEven(y2);
    // Keep absurd lines from taking forever: clamp the ends far outside the canvas.
    auto clampv = [](int v) { return std::clamp(v, -4000, 4000); };
    ax = clampv(ax), ay = clampv(ay), bx = clampv(bx), by = clampv(by);
    if (ay == by && drawWidth_ <= 1) {
        fillRow(ay, ax, bx, c);
        changed();
        return;
    }
    int dx = std::abs(bx - ax), dy = -std::abs(by - ay);
    int sx = ax < bx ? 1 : -1, sy = ay < by ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        dot(ax, ay, c);
        if (ax == bx && ay == by) break;
        int e2 = 2 * err;
        if (e2 >= dy) err += dy, ax += sx;
        if (e2 <= dx) err += dx, ay += sy;
    }
    changed();
}

void Canvas::fillRow(int y, int x0, int x1, Colour c) {
    if (y < 0 || y >= kHeight || !drawable()) return;
    const int a = std::max(std::min(x0, x1), 0), b = std::min(std::max(x0, x1), kWidth - 1);
    if (a > b) return;
    std::fill_n(pixels_.begin() + std::ptrdiff_t(y) * kWidth + a, b - a + 1, c);
    touched(a, b, y);
}

void Canvas::setPicture(const PictureRef& p) {
    if (!drawable()) return;  // nor is the picture unpacked
    std::fill(pixels_.begin(), pixels_.end(), backColour);
    if (p) {
        const Picture::PixelsRef pixels = p->pixels();  // held while they are copied
        int w = std::min(p->width, kWidth), h = std::min(p->height, kHeight);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::uint32_t px = (*pixels)[std::size_t(y) * std::size_t(p->width) + std::size_t(x)];
                if (Picture::alphaOf(px) != 0) pixels_[std::size_t(y) * kWidth + x] = Colour(px & 0xFFFFFF);
            }
    }
    dx0_ = 0, dy0_ = 0, dx1_ = kWidth - 1, dy1_ = kHeight - 1;
    changed();
}

void Canvas::clear() { setPicture(nullptr); }

Canvas::Rect Canvas::takeDirty() {
    Rect r;
    if (dx1_ >= dx0_ && dy1_ >= dy0_) r = {dx0_, dy0_, dx1_ - dx0_ + 1, dy1_ - dy0_ + 1};
    dx0_ = kWidth, dy0_ = kHeight, dx1_ = -1, dy1_ = -1;
    return r;
}

// ---------------------------------------------------------------- Image, Label

Image::Image(Form& form, std::string name, int index) : Control(form, ControlKind::Image, std::move(name), index) {}

void Image::setPicture(PictureRef p) {
    picture_ = std::move(p);
    if (picture_ && !stretch) {
        width_ = picture_->width;
        height_ = picture_->height;
    }
    changed();
}

Label::Label(Form& form, std::string name, int index) : Control(form, ControlKind::Label, std::move(name), index) {}

void Label::setCaption(std::string s) {
    if (caption_ != s) caption_ = std::move(s), changed();
}

// ---------------------------------------------------------------- Panel, Button, OptionButton, LineShape

Panel::Panel(Form& form, std::string name) : Control(form, ControlKind::Panel, std::move(name)) {}

Button::Button(Form& form, std::string name) : Control(form, ControlKind::Button, std::move(name)) {}

void Button::setCaption(std::string s) {
    if (caption_ != s) caption_ = std::move(s), changed();
}

void Button::setDefault(bool d) {
    // One default button per window.
    if (d)
        if (Button* other = form_.defaultButton(); other && other != this) other->default_ = false;
    default_ = d;
    changed();
}

OptionButton::OptionButton(Form& form, std::string name) : Control(form, ControlKind::Option, std::move(name)) {}

void OptionButton::setCaption(std::string s) {
    if (caption_ != s) caption_ = std::move(s), changed();
}

void OptionButton::setValue(bool v) {
    if (v == value_) return;
    value_ = v;
    changed();
    if (!v) return;
    // One option per panel: selecting this one clears its siblings, then its click handler runs.
    const auto& siblings = parent_ ? parent_->children() : form_.topLevel();
    for (Control* s : siblings)
        if (s != this && s->kind() == ControlKind::Option) static_cast<OptionButton*>(s)->value_ = false;
    if (onClick) onClick();
}

LineShape::LineShape(Form& form, std::string name, int index) : Control(form, ControlKind::Line, std::move(name), index) {}

void LineShape::setX1(double v) {
    if (x1 != v) x1 = v, changed();
}
void LineShape::setX2(double v) {
    if (x2 != v) x2 = v, changed();
}
void LineShape::setColour(Colour c) {
    if (foreColour != c) foreColour = c, changed();
}

// ---------------------------------------------------------------- Form

Form::Form(EventLoop& loop, int clientWidth, int clientHeight)
    : loop_(loop),
      clientWidth_(clientWidth),
      clientHeight_(clientHeight),
      pads_(loop),
      holdTimer_(std::make_unique<Timer>(loop, "hold repeat", int(HoldRepeat::kDelayMs))) {
    holdTimer_->onTimer = [this] { holdTick(); };
}

Form::~Form() = default;

void Form::changed() {
    ++revision_;
    loop_.markDirty();
}

void Form::adopt(Control* parent, std::unique_ptr<Control> c) {
    c->parent_ = parent;
    (parent ? parent->children_ : topLevel_).push_back(c.get());
    owned_.push_back(std::move(c));
    changed();
}

void Form::forget(Control* c) {
    if (focus_ == c) focus_ = nullptr;
    if (held_ == c) holdEnd();
    auto& list = c->parent_ ? c->parent_->children_ : topLevel_;
    list.erase(std::remove(list.begin(), list.end(), c), list.end());
    owned_.erase(std::remove_if(owned_.begin(), owned_.end(), [c](const auto& p) { return p.get() == c; }), owned_.end());
    changed();
}

void Form::stackInFrontOf(Control& c, Control& other) {
    if (c.parent_ != other.parent_ || &c == &other) return;
    auto& list = c.parent_ ? c.parent_->children_ : topLevel_;
    list.erase(std::remove(list.begin(), list.end(), &c), list.end());
    list.insert(std::find(list.begin(), list.end(), &other), &c);
    changed();
}

Image& Form::loadElement(ControlArray<Image>& array, int i) {
    if (Image* existing = array.find(i)) return *existing;
    Image& first = array(0);
    auto p = std::make_unique<Image>(*this, first.name(), i);
    Image& e = *p;
    e.parent_ = first.parent_;
    e.left_ = first.left_, e.top_ = first.top_, e.width_ = first.width_, e.height_ = first.height_;
    e.stretch = first.stretch;
    e.enabled_ = first.enabled_;
    e.visible_ = false;
    e.tag = first.tag;
    e.onClick = first.onClick;
    e.onDblClick = first.onDblClick;
    e.repeatsWhenHeld = first.repeatsWhenHeld;
    e.onWheel = first.onWheel;
    e.setPicture(first.picture());
    auto& list = first.parent_ ? first.parent_->children_ : topLevel_;
    list.insert(std::find(list.begin(), list.end(), &first) + 1, &e);
    owned_.push_back(std::move(p));
    array.add(i, &e);
    changed();
    return e;
}

void Form::unloadElement(ControlArray<Image>& array, int i) {
    if (i == 0) return;  // element 0 is part of the layout
    if (Image* e = array.find(i)) {
        array.remove(i);
        forget(e);
    }
}

Control* Form::find(const std::string& name, int index) const {
    for (const auto& c : owned_)
        if (c->name() == name && c->index() == index) return c.get();
    return nullptr;
}

bool Form::covered(const Control& c) const {
    const Control* panel = &c;
    while (panel->parent()) panel = panel->parent();
    if (panel == &c || panel->kind() != ControlKind::Panel) return false;
    if (c.kind() == ControlKind::Image && c.parent() == panel && panel->children().back() == &c) return false;
    return panelOver(c.absLeft(), c.absTop(), c.width(), c.height(), panel);
}

bool Form::panelOver(double l, double t, double w, double h, const Control* behind) const {
    for (const Control* p : topLevel_) {
        if (p == behind) break;  // the rest lie behind it
        if (p->kind() == ControlKind::Panel && p->visible() && l < p->left() + p->width() && p->left() < l + w &&
            t < p->top() + p->height() && p->top() < t + h)
            return true;
    }
    return false;
}

namespace {
Control* hitTest(const std::vector<Control*>& list, int x, int y) {
    for (Control* c : list) {
        if (!c->visible() || !c->containsWindowPoint(x, y) || c->form().covered(*c)) continue;
        if (Control* inner = hitTest(c->children(), x, y)) return inner;
        if (c->kind() != ControlKind::Line) return c;
    }
    return nullptr;
}
}  // namespace

Control* Form::controlAt(int x, int y) const { return hitTest(topLevel_, x, y); }

void Form::setFocus(Control* c) {
    if (focus_ != c) focus_ = c, changed();
}

Button* Form::defaultButton() const {
    for (const auto& c : owned_)
        if (c->kind() == ControlKind::Button && static_cast<Button*>(c.get())->isDefault()) return static_cast<Button*>(c.get());
    return nullptr;
}

void Form::click(Control& c) {
    if (unloaded_ || !c.enabledOnScreen()) return;
    switch (c.kind()) {
        case ControlKind::TextBox:
            setFocus(&c);
            if (c.onClick) c.onClick();
            break;
        case ControlKind::Option:
            static_cast<OptionButton&>(c).setValue(true);
            if (auto& o = static_cast<OptionButton&>(c); o.onPick) o.onPick();
            break;
        case ControlKind::Button:
        case ControlKind::Image:
        case ControlKind::Label:
            if (c.onClick) c.onClick();
            break;
        default: break;
    }
}

void Form::doubleClick(Control& c) {
    if (unloaded_ || !c.enabledOnScreen()) return;
    if (c.onDblClick) c.onDblClick();
}

void Form::mouseDown(int x, int y, bool dbl) {
    if (std::exchange(swallowClick_, false)) return;  // the release after a hold that repeated
    if (inputLocked) return;
    Control* c = controlAt(x, y);
    if (!c) return;
    if (c->kind() == ControlKind::TextBox) {
        if (unloaded_ || !c->enabledOnScreen()) return;
        static_cast<TextBox*>(c)->clickAt(x, dbl);
        // The first press of a double-click was the click; the second only selects the word.
        return dbl ? setFocus(c) : click(*c);
    }
    if (dbl && c->kind() == ControlKind::Image)
        doubleClick(*c);
    else
        click(*c);
}

void Form::holdStart(int x, int y) {
    holdEnd();
    swallowClick_ = false;  // a new press: whatever the last hold did is over
    Control* c = inputLocked || unloaded_ ? nullptr : controlAt(x, y);
    if (!c || !c->repeatsWhenHeld || !c->enabledOnScreen()) return;
    held_ = c;
    holdTimer_->setInterval(int(HoldRepeat::kDelayMs));
    holdTimer_->setEnabled(true);
}

void Form::holdTick() {
    // Hidden, disabled or locked away in the meantime: the hold is over, as if let go.
    if (!held_ || inputLocked || unloaded_ || !held_->enabledOnScreen()) {
        holdTimer_->setEnabled(false);
        held_ = nullptr;
        return;
    }
    holdRepeated_ = true;
    if (holdTimer_->interval() != int(HoldRepeat::kRateMs)) holdTimer_->setInterval(int(HoldRepeat::kRateMs));
    click(*held_);  // may end the hold itself (a handler that removes the control)
}

void Form::holdEnd() {
    // After a repeat, the click that the release brings would be one step too many (also when the hold
    // stopped early, the control hidden or disabled under the mouse).
    if (holdRepeated_) swallowClick_ = true;
    holdTimer_->setEnabled(false);
    held_ = nullptr;
    holdRepeated_ = false;
}

void Form::wheel(int x, int y, int steps) {
    if (inputLocked || unloaded_ || steps == 0) return;
    Control* c = controlAt(x, y);
    while (c && !c->onWheel) c = c->parent();
    if (c && c->enabledOnScreen()) {
        auto handler = c->onWheel;  // a copy: the handler may replace itself
        handler(steps);
    }
}

void Form::keyDown(int key, int shift) {
    if (unloaded_) return;
    // The window's key handlers see every key first, whatever has the focus.
    if (onKeyDown) onKeyDown(key, shift);
    if (unloaded_ || inputLocked) return;
    if (key == Key::Enter) {
        // Only a default button the player can see and use takes Enter.
        if (Button* b = defaultButton(); b && b->enabledOnScreen() && b->onClick) b->onClick();
        return;
    }
    if (focus_ && focus_->kind() == ControlKind::TextBox && focus_->enabledOnScreen())
        static_cast<TextBox*>(focus_)->editKey(key, shift);
}

int Form::textWidth(const Font& f, const std::string& s) const {
    if (measureText) return measureText(f, s);
    int chars = 0;
    for (char ch : s) chars += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    const double pixels = std::max(1.0, std::nearbyint(f.points * 96.0 / 72.0));
    return int(std::nearbyint(chars * pixels * 0.6));
}

void Form::typeChar(char c) {
    if (unloaded_ || inputLocked) return;
    if (!focus_ || focus_->kind() != ControlKind::TextBox || !focus_->enabledOnScreen()) return;
    auto& box = static_cast<TextBox&>(*focus_);
    if (static_cast<unsigned char>(c) < 128 || box.anyCharacter) box.typeChar(c);
}

void Form::unload() {
    if (unloaded_) return;
    if (onUnload) onUnload();
    unloaded_ = true;
    changed();
}

}  // namespace gv
