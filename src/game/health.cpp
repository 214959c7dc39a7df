// Health bars: five stacked lines per player, their ends in twips (15 to a pixel), green fading to red.
#include "battle/simmath.h"
#include "game/mainfrm.h"
#include "game/gauges.h"

namespace gv {

namespace {
constexpr double kShade[5] = {0.192, 0.223, 0.255, 0.223, 0.192};
constexpr double kTwip = 15.0;

void shade(LineShape& line, double health, int k) {
    if (health > 0)
        line.setColour(rgb(int(simmath::Round((1000 - health) * kShade[k])), int(simmath::Round(health * kShade[k])), 0));
}
}  // namespace

void Gauges::ShowHealth1() {
    ShowHealth(g_.health1, g_.state.Health1, false);
    NoteHealth(1, g_.state.Health1);
}

void Gauges::ShowHealth2() {
    ShowHealth(g_.health2, g_.state.Health2, true);
    NoteHealth(2, g_.state.Health2);
}

void Gauges::ShowHealth(ControlArray<LineShape>& bar, double health, bool right) {
    // Player 1's bar ends further right the more health; player 2's starts further left.
    for (int k = 0; k < 5; ++k) {
        LineShape& line = bar(k);
        if (right)
            line.setX1((health > 0 ? 4320 - simmath::Int(4.2 * health) : 4320) / kTwip);
        else
            line.setX2((health > 0 ? 120 + simmath::Int(4.2 * health) : 120) / kTwip);
        shade(line, health, k);
    }
}

}  // namespace gv
