#pragma once
// The computer's seat in the window: it waits in the battle, keeps the window responsive while it
// thinks, writes its aim in its side's boxes and fires or passes as a player would.
#include "computer/player.h"
#include "game/windowpart.h"

namespace gv {

class ComputerSeat final : public WindowPart, public ComputerPlayer::Seat {
public:
    using WindowPart::WindowPart;
    bool Plays(int player) const override;
    int Level(int player) const override;
    bool Wait(const std::function<bool()>& done) override;
    bool Think() override;
    std::uint32_t Battle() const override;
    bool Live() const override;
    void Pass(int player) override;
    void Aimed(int player, const battle::Aim& aim) override;
    void Fire(int player, const battle::Aim& aim) override;
    void Thought(const ComputerThought& thought) override;
};

}  // namespace gv
