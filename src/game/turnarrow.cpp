// The arrow over the tank whose turn it is (or the thinking marker over the computer's tank).
#include "battle/simmath.h"
#include "game/mainfrm.h"
#include "game/gauges.h"

namespace gv {

void Gauges::ShowTurnArrow() {
    if (g_.ComputerPlays(static_cast<int>(g_.state.TurnPlayer))) {
        const Image& thinker = g_.state.TurnPlayer == 1 ? g_.tank1 : g_.tank2;
        g_.hmm.setLeft(thinker.left() + 10);
        g_.hmm.setTop(thinker.top() - 30);
        g_.hmm.setVisible(true);
        return;
    }
    Image& tank = g_.state.TurnPlayer == 1 ? g_.tank1 : g_.tank2;
    g_.state.ArrowPhase = 0;
    g_.arrow.setLeft(tank.left() + 4);
    g_.arrow.setTop(tank.top() - 52);
    g_.arrow.setVisible(true);
    g_.arrowtimer.setEnabled(true);
}

void Gauges::arrowtimer_Timer() {
    g_.state.ArrowPhase += 0.31415926;
    g_.arrow.setTop(g_.arrow.top() + 3 * simmath::Sin(g_.state.ArrowPhase));
}

}  // namespace gv
