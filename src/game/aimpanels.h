#pragma once
// The players' aiming panels: the force and angle boxes as they are typed, their spin arrows and the
// wheel, and each tank's barrel following its angle.
#include <string>

#include "battle/kinds.h"
#include "platform/controls.h"
#include "game/windowpart.h"

namespace gv {

class Mainfrm;

class AimPanels : public WindowPart {
public:
    using WindowPart::WindowPart;

    void sila1_Change();
    void sila2_Change();
    void uhel1_Change();
    void uhel2_Change();
    // A spin image's step: the box's number plus `step`, written back (its change handling wraps it).
    void Spin(TextBox& box, int step);

private:
    void AngleChange(TextBox& box, Image& tank, bool player1);
    void ForceChange(TextBox& box);
};

}  // namespace gv
