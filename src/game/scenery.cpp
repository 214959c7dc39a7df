// Trees, the sun and the moon: placed by the rules, shown by their sprites.
#include "battle/shot.h"
#include "battlefield/world.h"
#include "game/mainfrm.h"
#include "game/worldbuilder.h"

namespace gv {

void WorldBuilder::PlaceTrees(Palette palette) {
    battlefield::PlantTrees(g_.state, g_.random, palette);
    g_.ShowTrees();
}

void WorldBuilder::PlaceInSky(Image& body) {
    const bool isSun = &body == &g_.sun;
    if (isSun) g_.sun.setPicture(g_.state.HellMode == True ? g_.sunh.picture() : g_.sunn.picture());
    battlefield::PlaceSkyBody(g_.state, g_.random, isSun);
    const battle::Place& at = isSun ? g_.state.Sun : g_.state.Moon;
    body.setLeft(at.left);
    body.setTop(at.top);
    body.setVisible(true);
}

void WorldBuilder::moonfalltimer_Timer() {
    if (!battle::MoonFall(g_.state)) g_.moonfalltimer.setEnabled(false);
    g_.moon.setTop(g_.state.Moon.top);
}

}  // namespace gv
