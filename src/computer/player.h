#pragma once
// The computer at play: its turn, the target it chooses, the aims it searches in trial flights over the
// battle as it is (the expert with the battle's own effects), and its shot. It plays on the battle's
// state and generator; what it needs of the game around it (waiting, its boxes, firing) is its seat's.
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "battle/aim.h"
#include "battle/random.h"
#include "battle/state.h"
#include "computer/thought.h"

namespace gv {

class HighestGround;

class ComputerPlayer {
public:
    class Seat {
    public:
        virtual ~Seat() = default;
        virtual bool Plays(int player) const = 0;  // a computer plays this side
        virtual int Level(int player) const = 0;
        // Waits while the battle goes on (its timers tick) until `done`; false when the battle was left.
        virtual bool Wait(const std::function<bool()>& done) = 0;
        // A moment between two trial forces, for the window to stay responsive; false when the game closed.
        virtual bool Think() = 0;
        virtual std::uint32_t Battle() const = 0;  // which battle it is: one begun meanwhile ends the search
        virtual bool Live() const = 0;             // the battlefield is in play: not paused, not over
        virtual void Pass(int player) = 0;
        virtual void Aimed(int player, const battle::Aim& aim) = 0;  // the aim is written in the side's boxes
        virtual void Fire(int player, const battle::Aim& aim) = 0;
        virtual void Thought(const ComputerThought& thought) = 0;  // however the turn ended
    };

    ComputerPlayer(battle::State& s, Random& random, Seat& seat) : s_(s), random_(random), seat_(seat) {}

    void ComputerTurn();
    // What the last turn came to (a pass sets `passed`).
    ComputerThought thought;

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

private:
    battle::State& s_;
    Random& random_;
    Seat& seat_;
};

}  // namespace gv
