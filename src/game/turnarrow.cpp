// The arrow over the tank whose turn it is (or the thinking marker over the computer's tank).
#include "battle/simmath.h"
#include "game/mainfrm.h"

namespace gv {

void Mainfrm::ShowTurnArrow() {
    if (ComputerPlays(static_cast<int>(state.TurnPlayer))) {
        const Image& thinker = state.TurnPlayer == 1 ? tank1 : tank2;
        hmm.setLeft(thinker.left() + 10);
        hmm.setTop(thinker.top() - 30);
        hmm.setVisible(true);
        return;
    }
    Image& tank = state.TurnPlayer == 1 ? tank1 : tank2;
    state.ArrowPhase = 0;
    arrow.setLeft(tank.left() + 4);
    arrow.setTop(tank.top() - 52);
    arrow.setVisible(true);
    arrowtimer.setEnabled(true);
}

void Mainfrm::arrowtimer_Timer() {
    state.ArrowPhase += 0.31415926;
    arrow.setTop(arrow.top() + 3 * simmath::Sin(state.ArrowPhase));
}

}  // namespace gv
