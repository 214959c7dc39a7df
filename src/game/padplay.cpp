// Game pads: the menus and the options with the pad alone, and in a battle the tank a pad plays.
#include <vector>

#include "game/mainfrm.h"

namespace gv {

namespace {
// The key a pad's button stands for in the menus and the options.
int MenuKey(PadButton b) {
    switch (b) {
        case PadButton::Up: return Key::Up;
        case PadButton::Down: return Key::Down;
        case PadButton::Left: return Key::Left;
        case PadButton::Right: return Key::Right;
        case PadButton::A: return Key::Enter;
        default: return Key::Escape;
    }
}

// Up and Down frame the next usable button of a panel as its default, so A clicks it.
void MoveDefault(Form& form, const std::vector<Button*>& buttons, int step) {
    const int n = int(buttons.size());
    int at = -1;
    for (int i = 0; i < n; ++i)
        if (buttons[std::size_t(i)] == form.defaultButton()) at = i;
    if (at < 0) at = step > 0 ? -1 : n;
    for (int k = 1; k <= n; ++k) {
        Button* b = buttons[std::size_t(((at + step * k) % n + n) % n)];
        if (b->enabledOnScreen()) return b->setDefault(true);
    }
}
}  // namespace

void Mainfrm::PadButton_Press(int pad, PadButton b) {
    const int key = MenuKey(b);
    const bool upDown = b == PadButton::Up || b == PadButton::Down;
    const int step = b == PadButton::Up || b == PadButton::Left ? -1 : 1;
    if (Watching()) {
        // Start or B ends the watching, A shows the next shot now.
        if (b == PadButton::A || b == PadButton::Right) keyDown(Key::Space);
        if (b == PadButton::B || b == PadButton::Start) keyDown(Key::Escape);
        return;
    }
    if (Frame6.visible() || control<Panel>("Frame8").visible()) return keyDown(b == PadButton::Start ? Key::Escape : key);
    if (Frame5.visible()) {
        if (b == PadButton::A || b == PadButton::B || b == PadButton::Start) Command6_Click();
        return;
    }
    if (Frame4.visible()) {
        if (upDown) MoveDefault(*this, {&Command3, &Command4, &Command5}, step);
        if (b == PadButton::A) keyDown(Key::Enter);
        if (b == PadButton::B) click(Command5);
        return;
    }
    if (Frame3.visible()) {
        if (upDown)
            MoveDefault(*this, {&novahra, &continue_, &credits, &options, &watchlast, &control<Button>("helpbutton"), &endgame},
                        step);
        if (b == PadButton::Left || b == PadButton::Right) {
            // Left and right choose the mode, as the three option buttons stand in a row.
            OptionButton* modes[] = {&Option1, &Option2, &Option3};
            int at = 0;
            while (at < 2 && !modes[at]->value()) ++at;
            click(*modes[(at + step + 3) % 3]);
        }
        if (b == PadButton::A) keyDown(Key::Enter);
        // Start and B go back to the battle the menu interrupted.
        if ((b == PadButton::B || b == PadButton::Start) && continue_.enabledOnScreen()) click(continue_);
        return;
    }
    if (b == PadButton::Start) return keyDown(Key::Escape);
    if (state.WorldBusy == True || !world.enabled() || b == PadButton::B) return;
    // Two pads at one computer: the first plays player 1 and the second player 2, each only on its turn.
    // Otherwise a pad plays whoever's turn it is.
    const std::vector<int> plugged = pads().connected();
    int player = 0;
    if (state.GameMode == mode::HotSeat && plugged.size() >= 2) player = pad == plugged[0] ? 1 : pad == plugged[1] ? 2 : -1;
    const int aim = b == PadButton::A ? Key::Space : key;
    for (int p = 1; p <= 2; ++p)
        if (player == 0 || player == p) AimKey(p, aim);
}

}  // namespace gv
