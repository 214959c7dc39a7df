// The force and angle boxes, the spin images and the aiming keys.
#include "battle/aim.h"
#include "game/mainfrm.h"
#include "platform/numtext.h"

namespace gv {

void Mainfrm::ForceChange(TextBox& box) {
    std::string want = battle::NormalisedAim(box.text(), battle::kMaxForce);
    if (want != box.text()) box.setText(want);
}

void Mainfrm::AngleChange(TextBox& box, Image& tank, bool player1) {
    std::string want = battle::NormalisedAim(box.text(), battle::kMaxAngle);
    if (want != box.text()) box.setText(want);  // the nested pass finds nothing more to change
    // The tank faces the way the barrel points, by the value that stands in the box now.
    bool up = leadingNumber(box.text()) <= 90;
    const Image& face = (up == player1) ? tankright : tankleft;
    if (tank.picture() != face.picture()) tank.setPicture(face.picture());
}

void Mainfrm::sila1_Change() { ForceChange(sila1); }
void Mainfrm::sila2_Change() { ForceChange(sila2); }
void Mainfrm::uhel1_Change() { AngleChange(uhel1, tank1, true); }
void Mainfrm::uhel2_Change() { AngleChange(uhel2, tank2, false); }

void Mainfrm::Spin(TextBox& box, int step) { box.setText(formatNumber(leadingNumber(box.text()) + step)); }

}  // namespace gv
