// The end of a battle, with its tank explosion.
#include "battle/turn.h"
#include "game/banner.h"
#include "game/mainfrm.h"

namespace gv {

void Mainfrm::CheckBattleEnd() {
    const bool wasOver = state.BattleOver == True;
    const bool began = battle::BattleEnds(state);
    if (!wasOver && state.BattleOver == True) {
        world.setEnabled(false);
        continue_.setEnabled(false);  // nothing to go back to
        Frame3.setVisible(true);
    }
    if (!began) return;
    tankexpl.setEnabled(true);
    banner().ShowBattleResult();
}

void Mainfrm::tankexpl_Timer() {
    arrowtimer.setEnabled(false);
    arrow.setVisible(false);
    hmm.setVisible(false);
    const bool more = battle::ExplosionTick(state, random, [this](int effect) { PlayEffect(effect); });
    for (int p = 1; p <= 2; ++p) {
        const battle::State::Wreck& w = state.wreck(p);
        if (state.exploding(p) == False) continue;
        Image& tank = p == 1 ? tank1 : tank2;
        tank.move(w.left, w.top, w.width, w.height);
        tank.setVisible(w.shown);
    }
    if (!more) tankexpl.setEnabled(false);
}

}  // namespace gv
