#include "platform/gamepad.h"

#include "platform/eventloop.h"

namespace gv {

namespace {
bool repeats(PadButton b) { return b == PadButton::Up || b == PadButton::Down || b == PadButton::Left || b == PadButton::Right; }
}  // namespace

Pads::Pads(EventLoop& loop) : loop_(loop) {}
Pads::~Pads() = default;

int Pads::plug() {
    int pad = 0;
    while (pads_.count(pad)) ++pad;
    pads_.insert(pad);
    if (auto f = onPlugged) f();  // a copy: the handler may replace itself
    return pad;
}

void Pads::unplug(int pad) {
    if (!pads_.erase(pad)) return;
    // Its timers go with it, even one whose handler is running now: the loop allows that.
    std::erase_if(held_, [pad](const auto& h) { return h.first.first == pad; });
    if (auto f = onPlugged) f();
}

void Pads::press(int pad, PadButton b) {
    if (!pads_.count(pad)) return;
    Held& h = held_[{pad, b}];
    if (h.count++ > 0) return;  // already held another way: one press for the player
    if (repeats(b)) {
        h.repeat = std::make_unique<Timer>(loop_, "pad repeat", int(HoldRepeat::kDelayMs));
        h.repeat->onTimer = [this, pad, b] {
            // After the first repeat the quicker rate, set before the handler, which may let go of the timer.
            Timer& t = *held_.at({pad, b}).repeat;
            if (t.interval() != int(HoldRepeat::kRateMs)) t.setInterval(int(HoldRepeat::kRateMs));
            fire(pad, b);
        };
        h.repeat->setEnabled(true);
    }
    // Held before the handler runs, so a handler that unplugs or releases leaves nothing behind.
    fire(pad, b);
}

void Pads::release(int pad, PadButton b) {
    auto it = held_.find({pad, b});
    if (it != held_.end() && --it->second.count <= 0) held_.erase(it);
}

std::vector<int> Pads::connected() const { return {pads_.begin(), pads_.end()}; }

void Pads::fire(int pad, PadButton b) {
    if (auto f = onButton) f(pad, b);
}

}  // namespace gv
