#pragma once
// Our small retained-mode UI model: plain data that runs headless. A backend draws it and feeds it input.
// Places are pixels relative to the parent's client area; children are kept front to back.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/gamepad.h"
#include "platform/picture.h"
#include "platform/rounding.h"

namespace gv {

class Form;
class EventLoop;
class Timer;

enum class ControlKind { Canvas, Image, Label, TextBox, Panel, Button, Option, Line };

enum class FontFace { Mono, Sans };  // "Courier New" and "MS Sans Serif" in the layout

struct Font {
    FontFace face = FontFace::Mono;
    double points = 9.75;
    bool bold = true;
    bool italic = false;
    bool underline = false;
};

enum class Align { Left, Centre, Right };

// Key codes as the game's key handlers see them.
namespace Key {
constexpr int Backspace = 8, Tab = 9, Enter = 13, Escape = 27, Space = 32, End = 35, Home = 36, Left = 37, Up = 38, Right = 39,
              Down = 40, Delete = 46, A = 65, C = 67, F = 70, M = 77, T = 84, V = 86, X = 88, F1 = 112,
              F11 = 122;  // also Alt+Enter: the window full screen or back
// The modifier mask that comes with a key press.
constexpr int ShiftMask = 1, CtrlMask = 2, AltMask = 4;
}  // namespace Key

// Breaks a text into lines no wider than `width`, only between words; a word wider than the whole width
// stands on a line of its own (the drawing clips it). `measure` gives the width of a piece of text.
std::vector<std::string> wrapWords(const std::string& text, int width, const std::function<int(const std::string&)>& measure);

class Control {
public:
    Control(Form& form, ControlKind kind, std::string name, int index = -1);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    ControlKind kind() const { return kind_; }
    const std::string& name() const { return name_; }
    int index() const { return index_; }
    Form& form() const { return form_; }
    Control* parent() const { return parent_; }
    const std::vector<Control*>& children() const { return children_; }  // front to back

    // Places and sizes are pixels, kept to the nearest 1/15 pixel (a twip), so a sprite can creep by
    // fractions of a pixel from tick to tick; it is drawn at the nearest whole pixel.
    double left() const { return left_; }
    double top() const { return top_; }
    double width() const { return width_; }
    double height() const { return height_; }
    void setLeft(double v);
    void setTop(double v);
    void setWidth(double v);
    void setHeight(double v);
    void move(double left, double top, double width, double height);
    static double twips(double v);

    bool visible() const { return visible_; }
    void setVisible(bool v);
    bool enabled() const { return enabled_; }
    void setEnabled(bool v);
    // Visible and enabled as the player sees them: a panel's state applies to its children, and a panel
    // in front hides what it covers (Form::covered).
    bool shownOnScreen() const;
    bool enabledOnScreen() const;

    // Place in window pixels.
    double absLeft() const;
    double absTop() const;
    bool containsWindowPoint(int x, int y) const;

    std::string tag;
    Colour foreColour = rgb(0, 0, 0);
    Colour backColour = rgb(128, 128, 128);
    bool opaque = false;  // draws its back colour behind its content
    Font font;
    Align align = Align::Left;

    // Handlers (click for buttons, options and images; double-click for images).
    std::function<void()> onClick;
    std::function<void()> onDblClick;
    // Holding the mouse on it repeats its click, as on a spin arrow (see Form::holdStart).
    bool repeatsWhenHeld = false;
    // The mouse wheel over it: steps > 0 turned up, away from the player.
    std::function<void(int steps)> onWheel;

protected:
    friend class Form;
    void changed();
    Form& form_;
    ControlKind kind_;
    std::string name_;
    int index_;
    Control* parent_ = nullptr;
    std::vector<Control*> children_;
    double left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
};

// A canvas to paint on: an 801 x 601 buffer of colour integers that keeps what is drawn on it.
class Canvas : public Control {
public:
    static constexpr int kWidth = 801;
    static constexpr int kHeight = 601;
    static constexpr Colour kBlank = rgb(128, 128, 128);  // every pixel before anything is drawn

    Canvas(Form& form, std::string name);

    // Fractional coordinates are rounded half to even; pixels outside are ignored.
    void setPixel(double x, double y, Colour c) {
        if (!(x > -1 && x < kWidth + 1 && y > -1 && y < kHeight + 1) || !drawable()) return;  // also drops NaN
        if (plot(roundNear(x), roundNear(y), c)) changed();
    }
    // The colour last drawn there; -1 outside the canvas.
    Colour point(double x, double y) const {
        if (!(x > -1 && x < kWidth + 1 && y > -1 && y < kHeight + 1)) return -1;
        const int ix = roundNear(x), iy = roundNear(y);
        if (ix < 0 || iy < 0 || ix >= kWidth || iy >= kHeight) return -1;
        return pixels_.empty() ? kBlank : pixels_[std::size_t(iy) * kWidth + std::size_t(ix)];
    }
    // Outline only, in the current draw width.
    void circle(double cx, double cy, double r, Colour c);
    void line(double x1, double y1, double x2, double y2, Colour c);
    // Whole-pixel runs along row y, clipped to the canvas: one colour from x0 to x1 (either way round), or
    // from x0 to x1 the colour paint(x) gives each pixel, asked left to right and only for pixels on the
    // canvas, where -1 leaves the pixel as it is.
    void fillRow(int y, int x0, int x1, Colour c);
    template <class Paint>
    void paintRow(int y, int x0, int x1, Paint&& paint) {
        if (y < 0 || y >= kHeight || !drawable()) return;
        x0 = std::max(x0, 0), x1 = std::min(x1, kWidth - 1);
        Colour* row = pixels_.data() + std::size_t(y) * kWidth;
        int first = kWidth, last = -1;
        for (int x = x0; x <= x1; ++x) {
            const Colour c = paint(x);
            if (c < 0) continue;
            row[x] = c;
            first = std::min(first, x), last = x;
        }
        if (last >= 0) touched(first, last, y);
    }
    int drawWidth() const { return drawWidth_; }
    void setDrawWidth(int w) { drawWidth_ = w < 1 ? 1 : w; }
    // A canvas nobody will ever look at (a battle computed again to check its record, a game run by a
    // fuzzer): painting that is only ever seen, and the frames that would show it, may be left out. It keeps
    // no pixels: drawing on it does nothing (a paint function is not even asked) and every pixel reads
    // kBlank. What a battle computes never depends on a pixel, so the program goes on exactly as on a seen
    // canvas. Seen again, it is blank.
    bool unseen() const { return unseen_; }
    void setUnseen(bool unseen);
    // The picture becomes the canvas image, top-left aligned; the rest is the back colour.
    void setPicture(const PictureRef& p);
    void clear();

    // Every pixel, row by row; none before the first drawing (all kBlank then), nor while unseen.
    const std::vector<Colour>& pixels() const { return pixels_; }
    // The region changed since the last takeDirty() (for the backend to upload); empty when w == 0.
    struct Rect {
        int x = 0, y = 0, w = 0, h = 0;
    };
    Rect takeDirty();

private:
    // Whether drawing lands: never on an unseen canvas; a seen one takes its pixels at its first drawing.
    bool drawable() {
        if (pixels_.empty() && !unseen_) pixels_.assign(std::size_t(kWidth) * kHeight, kBlank);
        return !unseen_;
    }
    // A coordinate already known to lie near the canvas; whole numbers, the common case, skip the rounding.
    static int roundNear(double v) {
        const int i = static_cast<int>(v);
        return i == v ? i : static_cast<int>(roundHalfEven(v));
    }
    bool plot(int x, int y, Colour c) {
        if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) return false;
        pixels_[std::size_t(y) * kWidth + std::size_t(x)] = c;
        if (x < dx0_) dx0_ = x;
        if (x > dx1_) dx1_ = x;
        if (y < dy0_) dy0_ = y;
        if (y > dy1_) dy1_ = y;
        return true;
    }
    // Pixels x0..x1 of row y were written: the changed region grows to hold them.
    void touched(int x0, int x1, int y) {
        dx0_ = std::min(dx0_, x0), dx1_ = std::max(dx1_, x1);
        dy0_ = std::min(dy0_, y), dy1_ = std::max(dy1_, y);
        changed();
    }
    void dot(int x, int y, Colour c);  // one point of the current pen
    std::vector<Colour> pixels_;
    int drawWidth_ = 5;
    bool unseen_ = false;
    int dx0_, dy0_, dx1_, dy1_;
};

// An image sprite. A stretched sprite scales its picture to its size; otherwise it takes the picture's size.
class Image : public Control {
public:
    Image(Form& form, std::string name, int index = -1);
    const PictureRef& picture() const { return picture_; }
    void setPicture(PictureRef p);
    bool stretch = false;

private:
    PictureRef picture_;
};

class Label : public Control {
public:
    Label(Form& form, std::string name, int index = -1);
    const std::string& caption() const { return caption_; }
    void setCaption(std::string s);
    bool handCursor = false;
    // Its letters edged all round, `outline` pixels wide (0: not at all), so they read on any picture.
    int outline = 0;
    Colour outlineColour = rgb(0, 0, 0);

private:
    std::string caption_;
};

class TextBox : public Control {
public:
    TextBox(Form& form, std::string name);
    const std::string& text() const { return text_; }
    // Runs the change handler before it returns when the text changes.
    void setText(std::string s);
    int maxLength = 0;          // 0: no limit; limits typing only, as in every desktop text box
    bool anyCharacter = false;  // takes every character typed; other boxes take ASCII only
    bool border = true;
    // The selection runs from the anchor to the caret, either way round.
    int selStart() const { return std::min(anchor_, caret_); }
    int selLength() const { return anchor_ > caret_ ? anchor_ - caret_ : caret_ - anchor_; }
    int caret() const { return caret_; }
    void setSelStart(int v);  // puts the caret there with nothing selected
    void setSelLength(int v);
    std::function<void()> onChange;

    // Keyboard editing while the box has the focus; `shift` is the modifier mask of the key press. Ctrl+C
    // and Ctrl+X copy and cut the selection, Ctrl+V pastes the clipboard over it (see paste()).
    void typeChar(char c);
    void editKey(int key, int shift = 0);
    // Puts a text over the selection as one line: line breaks and tabs become spaces, other control
    // characters and bytes that are no UTF-8 go, and what does not fit maxLength is cut off.
    void paste(const std::string& s);
    // The mouse: a click puts the caret at the character nearest to window column x, a double-click
    // selects the word there.
    void clickAt(int x, bool doubleClick);

    // Where the text is drawn: the window column of its first character, and the width of its first
    // `chars` characters, by the form's text metrics. A left-aligned text wider than the box scrolls so
    // that the caret stays in sight, as it does in a desktop text box.
    int textLeft() const;
    int widthOf(int chars) const;

private:
    // Writes a text the player made, with the caret after `caret`. When the change handling rewrites it,
    // the caret stays after the characters it was after, and a number that filled an emptied box is
    // selected, so the next key typed replaces it.
    void edit(std::string t, int caret);
    void select(int anchor, int caret);
    std::string text_;
    int anchor_ = 0;
    int caret_ = 0;
    int changeDepth_ = 0;
    mutable int scroll_ = 0;  // pixels of the text scrolled out of sight to the left
};

class Panel : public Control {
public:
    Panel(Form& form, std::string name);
};

class Button : public Control {
public:
    Button(Form& form, std::string name);
    const std::string& caption() const { return caption_; }
    void setCaption(std::string s);
    bool isDefault() const { return default_; }
    void setDefault(bool d);

private:
    std::string caption_;
    bool default_ = false;
};

// One option per panel is selected; selecting one runs its click handler.
class OptionButton : public Control {
public:
    OptionButton(Form& form, std::string name);
    const std::string& caption() const { return caption_; }
    void setCaption(std::string s);
    bool value() const { return value_; }
    void setValue(bool v);
    std::function<void()> onPick;  // the player clicked it, chosen already or not (after its click handler)

private:
    std::string caption_;
    bool value_ = false;
};

class LineShape : public Control {
public:
    LineShape(Form& form, std::string name, int index = -1);
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // pixels of the parent
    int borderWidth = 1;
    void setX1(double v);
    void setX2(double v);
    void setColour(Colour c);
};

// A control array: elements by index; a new element copies element 0 and is hidden.
template <class T>
class ControlArray {
public:
    T& operator()(int i) const { return *elements_.at(i); }
    T* find(int i) const {
        auto it = elements_.find(i);
        return it == elements_.end() ? nullptr : it->second;
    }
    int count() const { return int(elements_.size()); }
    bool has(int i) const { return elements_.count(i) != 0; }
    void add(int i, T* t) { elements_[i] = t; }
    void remove(int i) { elements_.erase(i); }
    std::map<int, T*>& elements() { return elements_; }
    const std::map<int, T*>& elements() const { return elements_; }

private:
    std::map<int, T*> elements_;
};

// The window: owns its controls, passes input to them and keys to its key handlers.
class Form {
public:
    explicit Form(EventLoop& loop, int clientWidth = 800, int clientHeight = 600);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    EventLoop& loop() const { return loop_; }
    int clientWidth() const { return clientWidth_; }
    int clientHeight() const { return clientHeight_; }
    std::string caption;
    Colour backColour = rgb(128, 128, 128);
    PictureRef icon;
    PictureRef handCursor;

    // Creating controls. `parent` nullptr puts it on the window. New controls go behind their siblings,
    // so creating in front-to-back order gives the layout's stacking.
    template <class T, class... A>
    T& create(Control* parent, A&&... args) {
        auto p = std::make_unique<T>(*this, std::forward<A>(args)...);
        T& ref = *p;
        adopt(parent, std::move(p));
        return ref;
    }
    // Loads element i of an image array as a hidden copy of element 0, just behind element 0.
    Image& loadElement(ControlArray<Image>& array, int i);
    void unloadElement(ControlArray<Image>& array, int i);

    // Moves `c` directly in front of its sibling `other` in the stacking order.
    void stackInFrontOf(Control& c, Control& other);
    const std::vector<Control*>& topLevel() const { return topLevel_; }
    Control* find(const std::string& name, int index = -1) const;

    // Input, as the player gives it. Each acts at once; the backend queues them through the loop.
    void mouseDown(int x, int y, bool doubleClick = false);
    void keyDown(int key, int shift = 0);
    void typeChar(char c);
    // The mouse button went down at (x, y) / came up. The click itself still comes with mouseDown() on the
    // release; while the button is held on a control that repeatsWhenHeld, its click repeats (first after
    // HoldRepeat::kDelayMs, then every kRateMs), and after any repeat the release's click is left out, so
    // a quick click steps once and a hold keeps stepping.
    void holdStart(int x, int y);
    void holdEnd();
    // The wheel turned by `steps` over (x, y): it goes to the control there, or when that has no onWheel
    // to the nearest one around it that has (a label on a spin box turns the box).
    void wheel(int x, int y, int steps);
    void click(Control& c);        // a click on the control, if the player could click it
    void doubleClick(Control& c);  // a double-click on an image
    Control* controlAt(int x, int y) const;
    // A panel on the window hides what of the panels behind it lies under it, wholly or in part, and that
    // takes no input: nothing sticks out from under it cut off, nor answers a click. A panel's own picture
    // (its backmost child) stays, so around the panel in front the one behind keeps its face.
    bool covered(const Control& c) const;
    // Whether a shown panel on the window lies over the box at (l, t), w by h, counting the panels in front
    // of `behind` (every panel when it is null).
    bool panelOver(double l, double t, double w, double h, const Control* behind = nullptr) const;
    Control* focus() const { return focus_; }
    void setFocus(Control* c);
    Button* defaultButton() const;

    // The width in pixels of a text in a font. The screen's backend puts the real font's measure here;
    // without one every character is 0.6 of the font's pixel size wide, as in the layout's fixed-pitch font.
    std::function<int(const Font&, const std::string&)> measureText;
    int textWidth(const Font& f, const std::string& s) const;

    // The desktop's clipboard. The screen's backend puts the system's here; without one the form keeps a
    // clipboard of its own, so a window under test copies and pastes within itself.
    std::function<std::string()> readClipboard;
    std::function<void(const std::string&)> writeClipboard;
    std::string clipboardText() const { return readClipboard ? readClipboard() : clipboard_; }
    void setClipboardText(const std::string& s) { writeClipboard ? writeClipboard(s) : void(clipboard_ = s); }

    // Key handlers of the window: they see every key press, whatever control has the focus.
    std::function<void(int key, int shift)> onKeyDown;
    // While locked, clicks and typing reach no control; the key handlers above still see every key.
    bool inputLocked = false;
    std::function<void()> onUnload;
    void unload();
    bool unloaded() const { return unloaded_; }

    void changed();
    long revision() const { return revision_; }
    void forget(Control* c);

    // The game pads plugged into this window's computer.
    Pads& pads() { return pads_; }

private:
    void holdTick();
    void adopt(Control* parent, std::unique_ptr<Control> c);
    EventLoop& loop_;
    int clientWidth_, clientHeight_;
    std::vector<std::unique_ptr<Control>> owned_;
    std::vector<Control*> topLevel_;
    Control* focus_ = nullptr;
    std::string clipboard_;
    bool unloaded_ = false;
    long revision_ = 0;
    Pads pads_;
    std::unique_ptr<Timer> holdTimer_;
    Control* held_ = nullptr;  // where the mouse button is held, while its click repeats
    bool holdRepeated_ = false, swallowClick_ = false;
};

}  // namespace gv
