// The computer opponent: player 2 in the game against the computer.
#include "game/mainfrm.h"

namespace gv {

void Mainfrm::aitimer_Timer() {
    aitimer.setEnabled(false);
    ComputerTurn();
}

void Mainfrm::ComputerTurn() {
    // Until the computer learns to aim it fires the boxes as they stand.
    if (state.WorldBusy == True || state.BattleOver == True || state.TurnPlayer != 2) return;
    FireTank2();
}

}  // namespace gv
