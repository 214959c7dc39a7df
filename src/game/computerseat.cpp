#include "game/computerseat.h"

#include "game/mainfrm.h"

namespace gv {

bool ComputerSeat::Plays(int player) const { return g_.ComputerPlays(player); }
int ComputerSeat::Level(int player) const { return g_.ComputerLevel(player); }
bool ComputerSeat::Wait(const std::function<bool()>& done) { return g_.WaitInBattle(done); }

bool ComputerSeat::Think() {
    g_.loop().pumpEvents();
    return !g_.unloaded();
}

std::uint32_t ComputerSeat::Battle() const { return g_.state.BattleNumber; }
bool ComputerSeat::Live() const { return g_.world.enabled(); }
void ComputerSeat::Pass(int player) { g_.PassTurn(player); }

void ComputerSeat::Aimed(int player, const battle::Aim& aim) {
    (player == 2 ? g_.uhel2 : g_.uhel1).setText(aim.angle);
    (player == 2 ? g_.sila2 : g_.sila1).setText(aim.force);
}

void ComputerSeat::Fire(int player, const battle::Aim& aim) { g_.Fire(player, aim); }

void ComputerSeat::Thought(const ComputerThought& thought) {
    if (g_.onlooker_) g_.onlooker_->ComputerThinks(thought);
}

}  // namespace gv
