// The text box: its text and selection, editing by key and by click, caret steps over whole UTF-8
// characters.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/controls.h"
#include "platform/eventloop.h"
#include "platform/utf8.h"

namespace gv {

namespace {
// Caret steps keep whole UTF-8 characters together.
bool continuation(const std::string& s, int i) {
    return i > 0 && i < int(s.size()) && (static_cast<unsigned char>(s[std::size_t(i)]) & 0xC0) == 0x80;
}
int prevChar(const std::string& s, int i) {
    if (i <= 0) return 0;
    for (--i; continuation(s, i);) --i;
    return i;
}
int nextChar(const std::string& s, int i) {
    const int n = int(s.size());
    if (i >= n) return n;
    for (++i; i < n && continuation(s, i);) ++i;
    return i;
}
bool blank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

TextBox::TextBox(Form& form, std::string name) : Control(form, ControlKind::TextBox, std::move(name)) {}

void TextBox::setText(std::string s) {
    if (s == text_) return;
    text_ = std::move(s);
    anchor_ = caret_ = std::min(selStart(), int(text_.size()));
    changed();
    // The change handler runs before the assignment returns. A handler that keeps writing new texts into
    // its own box would recurse without end; past a few levels the text is taken as it stands.
    if (onChange && changeDepth_ < 8) {
        ++changeDepth_;
        struct Depth {
            int& d;
            ~Depth() { --d; }
        } guard{changeDepth_};
        onChange();
    }
}

void TextBox::select(int anchor, int caret) {
    const int n = int(text_.size());
    anchor_ = std::clamp(anchor, 0, n);
    caret_ = std::clamp(caret, 0, n);
    changed();
}

void TextBox::setSelStart(int v) { select(v, v); }

void TextBox::setSelLength(int v) {
    const int s = selStart();
    select(s, s + std::clamp(v, 0, int(text_.size()) - s));
}

void TextBox::edit(std::string t, int caret) {
    const std::string typed = t;
    anchor_ = caret_ = caret;
    setText(std::move(t));
    if (text_ == typed) {
        select(caret, caret);
        return;
    }
    const int n = int(text_.size());
    if (typed.empty()) {
        select(0, n);  // "0" in place of the deleted digits: the next key replaces it
        return;
    }
    // What stood after the caret is still at the end: the caret goes back in front of it.
    const int after = int(typed.size()) - caret;
    int c = std::min(caret, n);
    if (after <= n && text_.compare(std::size_t(n - after), std::size_t(after), typed, std::size_t(caret)) == 0) c = n - after;
    while (continuation(text_, c)) --c;
    select(c, c);
}

void TextBox::typeChar(char c) {
    if (static_cast<unsigned char>(c) < 32 || c == 127) return;
    const int start = selStart(), len = selLength();
    if (maxLength > 0 && int(text_.size()) - len + 1 > maxLength) return;  // the box is full
    std::string t = text_;
    t.replace(std::size_t(start), std::size_t(len), 1, c);
    edit(std::move(t), start + 1);
}

void TextBox::editKey(int key, int shift) {
    const bool extend = (shift & Key::ShiftMask) != 0;
    const int start = selStart(), len = selLength(), n = int(text_.size());
    // A move with Shift held takes the caret along and keeps the anchor; without, the selection goes.
    auto moveTo = [&](int c) { select(extend ? anchor_ : c, c); };
    std::string t = text_;
    switch (key) {
        case Key::A:
            if (shift & Key::CtrlMask) select(0, n);
            return;
        case Key::C:
        case Key::X:
            if (!(shift & Key::CtrlMask) || len == 0) return;
            form_.setClipboardText(t.substr(std::size_t(start), std::size_t(len)));
            if (key == Key::X) t.erase(std::size_t(start), std::size_t(len)), edit(std::move(t), start);
            return;
        case Key::V:
            if (shift & Key::CtrlMask) paste(form_.clipboardText());
            return;
        case Key::Backspace:
        case Key::Delete: {
            int from = start, to = start + len;
            if (len == 0 && key == Key::Backspace) from = prevChar(t, caret_);
            if (len == 0 && key == Key::Delete) to = nextChar(t, caret_);
            if (from == to) return;
            t.erase(std::size_t(from), std::size_t(to - from));
            edit(std::move(t), from);
            return;
        }
        case Key::Left: return moveTo(len && !extend ? start : prevChar(t, caret_));
        case Key::Right: return moveTo(len && !extend ? start + len : nextChar(t, caret_));
        case Key::Home: return moveTo(0);
        case Key::End: return moveTo(n);
        default: return;
    }
}

void TextBox::paste(const std::string& s) {
    std::string clean;
    for (std::size_t i = 0; i < s.size();) {
        char32_t c = 0;
        const std::size_t n = DecodeUtf8(std::string_view(s).substr(i), c);
        if (n == 0) {
            ++i;  // no character: it goes
            continue;
        }
        if (c == '\n' || c == '\r' || c == '\t')
            clean += ' ';
        else if (c >= 32 && c != 127)
            clean.append(s, i, n);
        i += n;
    }
    const int start = selStart(), len = selLength();
    if (maxLength > 0) {
        int cut = std::max(0, maxLength - (int(text_.size()) - len));
        if (int(clean.size()) > cut) {
            while (continuation(clean, cut)) --cut;  // whole characters only
            clean.resize(std::size_t(cut));
        }
    }
    if (clean.empty()) return;
    std::string t = text_;
    t.replace(std::size_t(start), std::size_t(len), clean);
    edit(std::move(t), start + int(clean.size()));
}

int TextBox::widthOf(int chars) const {
    return form_.textWidth(font, text_.substr(0, std::size_t(std::clamp(chars, 0, int(text_.size())))));
}

int TextBox::textLeft() const {
    // The text sits inside a two-pixel margin on either side.
    const int x = int(std::nearbyint(absLeft())) + 2, w = int(std::nearbyint(width())) - 4;
    const int whole = widthOf(int(text_.size()));
    if (align == Align::Centre) return x + (w - whole) / 2;
    if (align == Align::Right) return x + w - whole;
    // The view moves only as far as the caret leaves it, and never shows room past the text's end.
    const int at = widthOf(caret_);
    scroll_ = std::clamp(scroll_, at - (w - 1), at);
    scroll_ = std::clamp(scroll_, 0, std::max(0, whole - (w - 1)));
    return x - scroll_;
}

void TextBox::clickAt(int x, bool doubleClick) {
    // The character boundary nearest to the click.
    const int left = textLeft();
    int best = 0, bestGap = std::abs(x - left);
    for (int i = nextChar(text_, 0); i <= int(text_.size()); i = nextChar(text_, i)) {
        int gap = std::abs(x - (left + widthOf(i)));
        if (gap < bestGap) best = i, bestGap = gap;
        if (i == int(text_.size())) break;
    }
    if (!doubleClick || text_.empty()) return select(best, best);
    // The word (or the run of blanks) under the click.
    int at = best < int(text_.size()) ? best : prevChar(text_, best);
    const bool space = blank(text_[std::size_t(at)]);
    int a = at, b = at;
    while (a > 0 && blank(text_[std::size_t(a - 1)]) == space) --a;
    while (b < int(text_.size()) && blank(text_[std::size_t(b)]) == space) ++b;
    select(a, b);
}

std::vector<std::string> wrapWords(const std::string& text, int width, const std::function<int(const std::string&)>& measure) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from <= text.size()) {
        std::size_t stop = text.find('\n', from);
        if (stop == std::string::npos) stop = text.size();
        std::string line, word;
        bool any = false;
        auto flushWord = [&] {
            if (word.empty()) return;
            std::string longer = line.empty() ? word : line + ' ' + word;
            if (line.empty() || measure(longer) <= width) {
                line = std::move(longer);
            } else {
                lines.push_back(line);
                line = word;
            }
            word.clear();
            any = true;
        };
        for (std::size_t i = from; i < stop; ++i) {
            if (blank(text[i]))
                flushWord();
            else
                word += text[i];
        }
        flushWord();
        if (any || stop < text.size()) lines.push_back(line);
        from = stop + 1;
    }
    return lines;
}

}  // namespace gv
