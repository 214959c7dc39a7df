// The force and angle boxes, the spin images and the aiming keys.
#include "battle/aim.h"
#include "game/mainfrm.h"
#include "game/aimpanels.h"
#include "platform/numtext.h"

namespace gv {

void AimPanels::ForceChange(TextBox& box) {
    std::string want = battle::NormalisedAim(box.text(), battle::kMaxForce);
    if (want != box.text()) box.setText(want);
}

void AimPanels::AngleChange(TextBox& box, Image& tank, bool player1) {
    std::string want = battle::NormalisedAim(box.text(), battle::kMaxAngle);
    if (want != box.text()) box.setText(want);  // the nested pass finds nothing more to change
    // The tank faces the way the barrel points, by the value that stands in the box now.
    bool up = leadingNumber(box.text()) <= 90;
    const Image& face = (up == player1) ? g_.tankright : g_.tankleft;
    if (tank.picture() != face.picture()) tank.setPicture(face.picture());
}

void AimPanels::sila1_Change() { ForceChange(g_.sila1); }
void AimPanels::sila2_Change() { ForceChange(g_.sila2); }
void AimPanels::uhel1_Change() { AngleChange(g_.uhel1, g_.tank1, true); }
void AimPanels::uhel2_Change() { AngleChange(g_.uhel2, g_.tank2, false); }

void AimPanels::Spin(TextBox& box, int step) { box.setText(formatNumber(leadingNumber(box.text()) + step)); }

}  // namespace gv
