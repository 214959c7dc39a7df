// The force and angle boxes, the spin images and the aiming keys.
#include "game/mainfrm.h"
#include "platform/numtext.h"

namespace gv {

namespace {
// At most six decimals, cut rather than rounded: only the whole part is ever fired, and it stays as it is.
// Every shot message then fits its 64 bytes, whatever was typed.
std::string sixDecimals(std::string text) {
    const std::size_t point = text.find('.');
    if (point == std::string::npos || text.size() - point - 1 <= 6) return text;
    text.resize(point + 7);
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}

// The box rule: its leading number, wrapped into 0..limit (one past the top gives 0, below 0 gives the top).
std::string normalised(const std::string& text, double limit) {
    double v = leadingNumber(text);
    if (v > limit) return "0";
    if (v < 0) return formatNumber(limit);
    return sixDecimals(formatNumber(v));
}
}  // namespace

void Mainfrm::ForceChange(TextBox& box) {
    std::string want = normalised(box.text(), 200);
    if (want != box.text()) box.setText(want);
}

void Mainfrm::AngleChange(TextBox& box, Image& tank, bool player1) {
    std::string want = normalised(box.text(), 180);
    if (want != box.text()) box.setText(want);  // the nested pass finds nothing more to change
    // The tank faces the way the barrel points, by the value that stands in the box now.
    bool up = leadingNumber(box.text()) <= 90;
    const Image& face = (up == player1) ? tankright : tankleft;
    if (tank.picture() != face.picture()) tank.setPicture(face.picture());
}

void Mainfrm::sila1_Change() { ForceChange(sila1); }
void Mainfrm::sila2_Change() { ForceChange(sila2); }
void Mainfrm::uhel1_Change() { AngleChange(uhel1, tank1, true); }
void Mainfrm::uhel2_Change() { AngleChange(uhel2, tank2, false); }

void Mainfrm::Spin(TextBox& box, int step) { box.setText(formatNumber(leadingNumber(box.text()) + step)); }

}  // namespace gv
