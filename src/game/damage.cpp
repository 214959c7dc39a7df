// Direct hits, splash damage, and the end of a battle with its tank explosion.
#include <cmath>

#include "game/mainfrm.h"
#include "game/simmath.h"

namespace gv {

void Mainfrm::DirectHit(Image& tank, int kind) {
    int sound = 19;
    double loss = 75;
    switch (kind) {
        case 2: sound = 22, loss = 250; break;
        case 6: sound = 26, loss = 400; break;
        case 7: sound = 22, loss = 150; break;
        default: break;
    }
    PlayEffect(sound);
    if (&tank == &tank1) {
        state.Health1 -= loss;
        ShowHealth1();
    } else {
        state.Health2 -= loss;
        ShowHealth2();
    }
}

void Mainfrm::Splash(double cx, double cy, double limit, double base, double factor) {
    for (int p = 1; p <= 2; ++p) {
        const Image& tank = p == 1 ? tank1 : tank2;
        double ddx = tank.left() + 20 - cx, ddy = tank.top() + 20 - cy;
        double dist = simmath::Sqr(ddx * ddx + ddy * ddy);
        if (dist < limit) (p == 1 ? state.Health1 : state.Health2) += -base + factor * dist;
    }
}

void Mainfrm::CheckBattleEnd() {
    if (!(state.Health1 < 1 || state.Health2 < 1)) return;
    // The battle ends once: later ticks of the same shot (a bouncer, a drill) change nothing.
    if (state.BattleOver == True) return;
    state.BattleOver = True;
    state.ExplosionFrame = state.ShellDir;
    state.Exploding1 = flag(state.Health1 < 1);
    state.Exploding2 = flag(state.Health2 < 1);
    tankexpl.setEnabled(true);
    world.setEnabled(false);
    continue_.setEnabled(false);  // nothing to go back to
    Frame3.setVisible(true);
}

void Mainfrm::tankexpl_Timer() {
    arrowtimer.setEnabled(false);
    arrow.setVisible(false);
    hmm.setVisible(false);
    int& F = state.ExplosionFrame;
    F += 1;
    if (F == 10) PlayEffect(15);
    if (F == 59) PlayEffect(16);
    auto animate = [&](Image& tank) {
        if (F < 59) {
            tank.move(tank.left() - 1, tank.top() - 2, tank.width() + 2, tank.height() + 2);
        } else if (F > 59) {
            double top = tank.top() - (F - 50) / 5.0;
            double r1 = random.Rnd();
            double r2 = random.Rnd();
            double shake = simmath::Int(F * r1 / 5) * (simmath::Int(r2 * 3) - 1);
            tank.move(tank.left() + shake, top, tank.width() - 3, tank.height() - 3);
        }
        return (tank.height() < 4 && tank.width() < 4) || tank.top() < -50;
    };
    if (state.Exploding1 == True && animate(tank1)) {
        tankexpl.setEnabled(false);
        tank1.setVisible(false);
        if (state.Exploding2 == True) tank2.setVisible(false);
        return;
    }
    if (state.Exploding2 == True && animate(tank2)) {
        tankexpl.setEnabled(false);
        tank2.setVisible(false);
        if (state.Exploding1 == True) tank1.setVisible(false);
    }
}

}  // namespace gv
