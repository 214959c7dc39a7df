// Trees, the sun and the moon: placed by the rules, shown by their sprites.
#include "battle/shot.h"
#include "battlefield/ground.h"
#include "game/mainfrm.h"

namespace gv {

void Mainfrm::PlaceTrees(Palette palette) {
    using battle::TreeLook;
    battle::PlantTrees(state, random,
                       palette == Palette::Grass  ? TreeLook::Green
                       : palette == Palette::Snow ? TreeLook::Snowy
                                                  : TreeLook::Hell);
    ShowTrees();
}

void Mainfrm::PlaceInSky(Image& body) {
    const bool isSun = &body == &sun;
    if (isSun) sun.setPicture(state.HellMode == True ? sunh.picture() : sunn.picture());
    battle::Place at = battle::SkyPlace(state, random);
    if (isSun && state.HellVariant == True) at = {-100, 700};
    body.setLeft(at.left);
    body.setTop(at.top);
    state.SunUp = flag(isSun);
    state.MoonUp = flag(!isSun);
    (isSun ? state.Sun : state.Moon) = at;
    state.MoonFallTime = 0;
    state.MoonFalling = False;
    body.setVisible(true);
}

void Mainfrm::moonfalltimer_Timer() {
    if (!battle::MoonFall(state)) moonfalltimer.setEnabled(false);
    moon.setTop(state.Moon.top);
}

}  // namespace gv
