// Trees, the sun and the moon: placed by the rules, shown by their sprites.
#include "battle/shot.h"
#include "battlefield/ground.h"
#include "game/mainfrm.h"
#include "game/worldbuilder.h"

namespace gv {

void WorldBuilder::PlaceTrees(Palette palette) {
    using battle::TreeLook;
    battle::PlantTrees(g_.state, g_.random,
                       palette == Palette::Grass  ? TreeLook::Green
                       : palette == Palette::Snow ? TreeLook::Snowy
                                                  : TreeLook::Hell);
    g_.ShowTrees();
}

void WorldBuilder::PlaceInSky(Image& body) {
    const bool isSun = &body == &g_.sun;
    if (isSun) g_.sun.setPicture(g_.state.HellMode == True ? g_.sunh.picture() : g_.sunn.picture());
    battle::Place at = battle::SkyPlace(g_.state, g_.random);
    if (isSun && g_.state.HellVariant == True) at = {-100, 700};
    body.setLeft(at.left);
    body.setTop(at.top);
    g_.state.SunUp = flag(isSun);
    g_.state.MoonUp = flag(!isSun);
    (isSun ? g_.state.Sun : g_.state.Moon) = at;
    g_.state.MoonFallTime = 0;
    g_.state.MoonFalling = False;
    body.setVisible(true);
}

void WorldBuilder::moonfalltimer_Timer() {
    if (!battle::MoonFall(g_.state)) g_.moonfalltimer.setEnabled(false);
    g_.moon.setTop(g_.state.Moon.top);
}

}  // namespace gv
