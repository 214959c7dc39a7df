// Trees, the sun and the moon.
#include "battle/simmath.h"
#include "battlefield/ground.h"
#include "game/mainfrm.h"

namespace gv {

using simmath::Int;

void Mainfrm::PlaceTrees(Palette palette) {
    double n = Int(random.Rnd() * 100);
    for (int i = 0; i <= n; ++i) {
        // Tree sprites are made on first need and kept, hidden, for later battles.
        Image& sprite = strom.has(i) ? strom(i) : loadElement(strom, i);
        double height = Int(random.Rnd() * 20) + 18;
        double width = Int(random.Rnd() * 10) + 12;
        double left = Int(random.Rnd() * 783);
        double top = state.Ground.at(left + width / 2) - height;
        sprite.move(left, top, width, height);
        int k = int(Int(random.Rnd() * 2));
        switch (palette) {
            case Palette::Grass:
                sprite.setPicture(tree(k).picture());
                sprite.tag = std::to_string(k);
                break;
            case Palette::Snow:
                sprite.setPicture(snow(k).picture());
                sprite.tag = std::to_string(k + 2);
                break;
            case Palette::Hell:
                sprite.setPicture(snowb(k).picture());
                sprite.tag = std::to_string(4);
                break;
        }
        sprite.setVisible(true);
    }
}

void Mainfrm::PlaceInSky(Image& body) {
    if (&body == &sun) sun.setPicture(state.HellMode == True ? sunh.picture() : sunn.picture());
    // Somewhere more than 140 pixels above the ground under its middle; the ground never rises above
    // row 200, so this always ends.
    battle::Place at;
    do {
        at.left = Int(random.Rnd() * 728);
        at.top = Int(random.Rnd() * 400);
    } while (!(at.top < state.Ground.at(at.left + 36) - 140));
    if (&body == &sun && state.HellVariant == True) at = {-100, 700};
    body.setLeft(at.left);
    body.setTop(at.top);
    state.SunUp = flag(&body == &sun);
    if (&body == &sun) state.Sun = at;
    if (&body == &moon) state.MoonFallTime = 0;
    body.setVisible(true);
}

void Mainfrm::moonfalltimer_Timer() {
    state.MoonFallTime += 0.05;
    double top = moon.top() + 0.5 * state.Gravity * state.MoonFallTime * state.MoonFallTime;
    if (top >= 564) {
        moon.setTop(564);
        moonfalltimer.setEnabled(false);
    } else {
        moon.setTop(top);
    }
}

}  // namespace gv
