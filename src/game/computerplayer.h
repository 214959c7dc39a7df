#pragma once
// The computer at play: its turn, the target it chooses, the aims it searches in trial flights over the
// battle as it is (the expert with the battle's own effects), and its shot.
#include <array>
#include <vector>

#include "game/computer.h"
#include "game/windowpart.h"

namespace gv {

class Mainfrm;
class HighestGround;

class ComputerPlayer : public WindowPart {
public:
    using WindowPart::WindowPart;

    void aitimer_Timer();
    void ComputerTurn();
    // The expert: its aim for the side whose turn it is, searched in the real flight; false when it
    // would rather not fire at all (it then passes).
    bool ExpertAim(const AimSearch& k, double& boxAngle, double& boxForce);
    bool NormalAim(AimSearch& k, int lvl, double& boxAngle, double& boxForce);
    enum class Candidate { Fails, Hits };
    // Flies one candidate shell over the current terrain on its own copies of the shell values; `flight`,
    // when given, gets where it was after each tick. `highest` is kept up with that terrain, which a shot
    // fired while the computer thinks may change.
    Candidate SimulateShell(const AimSearch& k, HighestGround& highest, double force, double a,
                            std::vector<std::array<double, 2>>* flight = nullptr) const;
    void ChooseComputerTarget(AimSearch& k);
    bool SearchAim(AimSearch& k, HighestGround& highest, int& A, double& F);
};

}  // namespace gv
