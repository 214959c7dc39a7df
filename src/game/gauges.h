#pragma once
// What the battlefield shows around the battle: the health bars, the wind, the weapon slots, the turn
// arrow, and the options' numbers and trace of each player's last shot.
#include <string>

#include "battle/kinds.h"
#include "platform/controls.h"
#include "game/windowpart.h"

namespace gv {

class Mainfrm;

class Gauges : public WindowPart {
public:
    using WindowPart::WindowPart;

    // Options: numbers on the wind, the health bars and each loss of health; the trace of each player's
    // last shot.
    void BuildNumbers();
    void SetNumbers(bool on);
    // Each weapon slot shows the shell its player holds; with the numbers on, the label over it names it.
    void ShowSlots();
    void NoteHealth(int player, double health);
    // A player's health number at the moving end of the bar: inside the bar while the bar holds it, black on
    // a light bar and white on a dark one, else just beyond it in the panel's green; readable at every health.
    void ShowHealthNumber(int player, double health);
    // The wind's number under the wind's label, out of sight and back in step with it as the panels slide.
    void FollowWind();
    void SetTrace(bool on);
    void StartTrace(int player);
    void TraceShell(double x, double y);
    void ClearTrace(int player);  // 0: both
    void ShowWind();              // the wind label for the wind of this turn, in the language of the moment
    void ShowHealth1();
    void ShowHealth2();
    void ShowTurnArrow();
    void arrowtimer_Timer();
    // Both health bars share one drawing: `right` draws player 2's, which shrinks towards the right.
    void ShowHealth(ControlArray<LineShape>& bar, double health, bool right);
};

}  // namespace gv
