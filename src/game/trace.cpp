// The trace of the last shot (an option, off by default): each player's last shell's path as faint dots
// until that player fires again. Sprites above the battlefield, like the impact flash: no pixel of the
// battlefield and nothing a battle reads changes.
#include "game/mainfrm.h"
#include "game/gauges.h"

namespace gv {

namespace {
constexpr int kMaxDots = 150;  // a long lob is about 300 ticks: a dot every second tick

PictureRef DotPicture(Colour c) {
    auto p = std::make_shared<Picture>(3, 3, std::uint32_t(c) | 0xA0000000u);
    p->at(0, 0) = p->at(2, 0) = p->at(0, 2) = p->at(2, 2) = 0;  // a round dot
    return p;
}
}  // namespace

void Gauges::SetTrace(bool on) {
    g_.x_.trace = on;
    if (!on) ClearTrace(0);
}

void Gauges::ClearTrace(int player) {
    for (int p : {1, 2})
        if (player == 0 || player == p)
            for (Image* dot : g_.x_.traceDots[p - 1]) dot->setVisible(false);
    if (player == 0)
        g_.x_.traceShown = {0, 0};
    else
        g_.x_.traceShown[player - 1] = 0;
}

void Gauges::StartTrace(int player) {
    g_.x_.tracePlayer = player;
    g_.x_.traceTick = 0;
    ClearTrace(player);
}

void Gauges::TraceShell(double x, double y) {
    // Against the practice target the trace is always on: it is there to learn the aim.
    const bool practice = g_.state.GameMode == mode::Computer && g_.ComputerLevel(2) == level::Practice;
    if (!(g_.x_.trace || practice) || g_.x_.tracePlayer == 0 || ++g_.x_.traceTick % 2 != 0 || y < 0) return;
    std::vector<Image*>& dots = g_.x_.traceDots[g_.x_.tracePlayer - 1];
    int& shown = g_.x_.traceShown[g_.x_.tracePlayer - 1];
    if (shown >= kMaxDots) return;
    if (shown == int(dots.size())) {
        static const PictureRef kDots[2] = {DotPicture(rgb(255, 255, 160)), DotPicture(rgb(160, 255, 255))};
        Image& dot = g_.create<Image>(&g_.world, g_.x_.tracePlayer == 1 ? "trace1" : "trace2", shown);
        dot.setPicture(kDots[g_.x_.tracePlayer - 1]);
        dot.setEnabled(false);
        g_.stackInFrontOf(dot, g_.sun);  // behind every other sprite
        dots.push_back(&dot);
    }
    Image& dot = *dots[std::size_t(shown++)];
    dot.move(x - 1.5, y - 1.5, 3, 3);
    dot.setVisible(true);
}

}  // namespace gv
