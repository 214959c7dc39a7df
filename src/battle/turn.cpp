#include "battle/turn.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "battle/effects.h"
#include "battle/shells.h"
#include "battle/simmath.h"

namespace gv::battle {

using simmath::Int;

void FireShell(State& s, int player, double force, double angle) {
    if (s.BonusActive == True) s.BonusShotsLeft -= 1;
    Launch(s, player, force, angle);
}

float DrawWind(Random& random) {
    double sum = 0;
    for (int k = 0; k < 6; ++k) sum += 10 * random.Rnd();
    return float(std::trunc(sum) + kWindLow);
}

int CrateKind(double r) {
    // Every kind once, then the common ones again in the order of their kinds, as often as the weapon
    // table says: teleports, heavy shells, mounds and health come more often. Entry 0 is never drawn.
    static const std::array<int, 26> kKinds = [] {
        std::array<int, 26> kinds{};
        std::size_t n = 1;
        for (int kind = weapon::Teleport; kind < weapon::kKinds; ++kind) kinds[n++] = kind;
        for (int kind = weapon::Teleport; kind < weapon::kKinds; ++kind)
            for (int more = 1; more < Shell(kind).crates; ++more) kinds[n++] = kind;
        return kinds;
    }();
    const int i = int(Int(r * 25)) + 1;
    return kKinds[std::clamp(i, 1, 25)];
}

Crate DrawCrate(const State& s, Random& random) {
    Crate c;
    c.kind = CrateKind(random.Rnd());
    if (s.HellMode == True) c.kind = weapon::Nuke;
    do {
        c.left = Int(random.Rnd() * 768) + 16;
    } while (!(std::fabs(c.left - s.Tank1.left - 4) > 70 && std::fabs(c.left - s.Tank2.left - 4) > 70));
    c.shots = Int(random.Rnd() * (kCrateShotsHigh - kCrateShotsLow + 1)) + kCrateShotsLow;
    return c;
}

void DropCrate(State& s, const Crate& c) {
    s.BonusActive = True;
    s.CrateKind = c.kind;
    s.CrateLeft = c.left;
    s.BonusShotsLeft = c.shots;
    s.CrateTop = -32;
    s.BonusFallTime = 0;
    s.CrateFalling = True;
}

bool CrateFall(State& s) {
    s.BonusFallTime += 0.02;
    s.CrateTop = twips(s.CrateTop + (s.Gravity * 0.5) * s.BonusFallTime * s.BonusFallTime);
    const double ground = s.Ground.at(s.CrateLeft + 16) - 32;
    if (s.CrateTop > ground || s.BonusActive == False) {
        s.CrateTop = ground;
        s.CrateFalling = False;
    }
    return s.CrateFalling == True;
}

bool BattleEnds(State& s) {
    if (!(s.Health1 < 1 || s.Health2 < 1)) return false;
    // The battle ends once, but every tank that drops below 1 explodes, whenever in the shot it does (a
    // bouncer, a drill), the shooter's own included.
    s.BattleOver = True;
    bool began = false;
    for (int p = 1; p <= 2; ++p) {
        if (s.exploding(p) == True || s.health(p) >= 1) continue;
        s.exploding(p) = True;
        s.explosionFrame(p) = s.ShellDir;
        s.wreck(p) = {s.tank(p).left, s.tank(p).top, 40, 40, true};
        began = true;
    }
    return began;
}

namespace {

// The wreck's box changes as a sprite's would: to fifteenths of a pixel, never narrower than nothing.
void Reshape(State::Wreck& w, double left, double top, double width, double height) {
    w.left = twips(left), w.top = twips(top), w.width = std::max(0.0, twips(width)), w.height = std::max(0.0, twips(height));
}

// One step of a wreck's explosion at frame F: it swells, then shakes away upwards. True once it is gone.
bool Animate(State::Wreck& w, Random& random, int F) {
    if (F < 59) {
        Reshape(w, w.left - 1, w.top - 2, w.width + 2, w.height + 2);
    } else if (F > 59) {
        const double top = w.top - (F - 50) / 5.0;
        const double r1 = random.Rnd();
        const double r2 = random.Rnd();
        const double shake = Int(F * r1 / 5) * (Int(r2 * 3) - 1);
        Reshape(w, w.left + shake, top, w.width - 3, w.height - 3);
    }
    const bool gone = (w.height < 4 && w.width < 4) || w.top < -50;
    if (gone) w.shown = false;
    return gone;
}

}  // namespace

bool ExplosionTick(State& s, Random& random, const std::function<void(int effect)>& sound) {
    auto sounds = [&](int F) {
        if (F == 10) sound(effect::Explosion);
        if (F == 59) sound(effect::Debris);
    };
    // Tanks destroyed together share their frames, their sounds and their end; one destroyed later in the
    // shot goes through the whole explosion on its own count.
    if (s.Exploding1 == True && s.Exploding2 == True && s.Wreck1.shown && s.Wreck2.shown &&
        s.ExplosionFrame1 == s.ExplosionFrame2) {
        const int F = ++s.ExplosionFrame1;
        s.ExplosionFrame2 = F;
        sounds(F);
        // The first of the two to go ends the explosion of both.
        if (Animate(s.Wreck1, random, F) || Animate(s.Wreck2, random, F)) s.Wreck1.shown = s.Wreck2.shown = false;
    } else {
        for (int p = 1; p <= 2; ++p) {
            if (s.exploding(p) == False || !s.wreck(p).shown) continue;
            const int F = ++s.explosionFrame(p);
            sounds(F);
            Animate(s.wreck(p), random, F);
        }
    }
    return (s.Exploding1 == True && s.Wreck1.shown) || (s.Exploding2 == True && s.Wreck2.shown);
}

}  // namespace gv::battle
