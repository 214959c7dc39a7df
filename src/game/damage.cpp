// The end of a battle, with its tank explosion.
#include <cmath>

#include "battle/effects.h"
#include "battle/shells.h"
#include "battle/simmath.h"
#include "game/banner.h"
#include "game/mainfrm.h"

namespace gv {

void Mainfrm::CheckBattleEnd() {
    if (!(state.Health1 < 1 || state.Health2 < 1)) return;
    // The battle ends once: later ticks of the same shot (a bouncer, a drill) do not end it again.
    if (state.BattleOver == False) {
        state.BattleOver = True;
        world.setEnabled(false);
        continue_.setEnabled(false);  // nothing to go back to
        Frame3.setVisible(true);
    }
    // But every tank that drops below 1 explodes, whenever in the shot it does, the shooter's own included.
    bool more = false;
    for (int p = 1; p <= 2; ++p) {
        Flag& exploding = p == 1 ? state.Exploding1 : state.Exploding2;
        if (exploding == True || (p == 1 ? state.Health1 : state.Health2) >= 1) continue;
        exploding = True;
        (p == 1 ? state.ExplosionFrame1 : state.ExplosionFrame2) = state.ShellDir;
        more = true;
    }
    if (!more) return;
    tankexpl.setEnabled(true);
    banner().ShowBattleResult();
}

void Mainfrm::tankexpl_Timer() {
    arrowtimer.setEnabled(false);
    arrow.setVisible(false);
    hmm.setVisible(false);
    // Tanks destroyed together share their frames, their sounds and their end; one destroyed later in the
    // shot goes through the whole animation on its own count.
    const bool together = state.Exploding1 == True && state.Exploding2 == True && tank1.visible() && tank2.visible() &&
                          state.ExplosionFrame1 == state.ExplosionFrame2;
    auto sounds = [&](int F) {
        if (F == 10) PlayEffect(effect::Explosion);
        if (F == 59) PlayEffect(effect::Debris);
    };
    // One tick of a tank's animation at frame F; true when it has ended and the tank is hidden.
    auto animate = [&](Image& tank, int F) {
        if (F < 59) {
            tank.move(tank.left() - 1, tank.top() - 2, tank.width() + 2, tank.height() + 2);
        } else if (F > 59) {
            double top = tank.top() - (F - 50) / 5.0;
            double r1 = random.Rnd();
            double r2 = random.Rnd();
            double shake = simmath::Int(F * r1 / 5) * (simmath::Int(r2 * 3) - 1);
            tank.move(tank.left() + shake, top, tank.width() - 3, tank.height() - 3);
        }
        bool done = (tank.height() < 4 && tank.width() < 4) || tank.top() < -50;
        if (done) tank.setVisible(false);
        return done;
    };
    if (together) {
        // The first of the two to finish ends the animation of both.
        const int F = ++state.ExplosionFrame1;
        state.ExplosionFrame2 = F;
        sounds(F);
        if (animate(tank1, F) || animate(tank2, F)) tank1.setVisible(false), tank2.setVisible(false);
    } else {
        for (int p = 1; p <= 2; ++p) {
            Image& tank = p == 1 ? tank1 : tank2;
            if ((p == 1 ? state.Exploding1 : state.Exploding2) == False || !tank.visible()) continue;
            const int F = ++(p == 1 ? state.ExplosionFrame1 : state.ExplosionFrame2);
            sounds(F);
            animate(tank, F);
        }
    }
    if (!((state.Exploding1 == True && tank1.visible()) || (state.Exploding2 == True && tank2.visible())))
        tankexpl.setEnabled(false);
}

}  // namespace gv
