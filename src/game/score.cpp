// The score of the session: battles won at one computer, against the computer, and against each network
// peer, told after each result as "3 : 2" from the view of the player at this computer.
#include "game/mainfrm.h"
#include "net/link.h"

namespace gv {

std::string Mainfrm::CountScore(int winner) {
    if (Watching()) return "";  // a recorded battle was counted when it was played
    std::string key = state.GameMode == mode::HotSeat ? "hot-seat" : "";
    // Each level of the computer is an opponent of its own.
    if (state.GameMode == mode::Computer)
        key = "computer " + std::to_string(ComputerLevel(1)) + " " + std::to_string(ComputerLevel(2));
    // A network score is the link's: a new peer starts at 0 : 0, a link that came back keeps its score.
    if (key.empty()) key = "peer " + std::to_string(net().linkName);
    // One battle counts once: a second tank lost later in the same shot changes the result it counted.
    if (x_.scoredBattle == state.BattleNumber && x_.scoredWinner > 0) --x_.scores[x_.scoredKey][std::size_t(x_.scoredWinner - 1)];
    x_.scoredBattle = state.BattleNumber, x_.scoredKey = key, x_.scoredWinner = winner;
    std::array<int, 2>& score = x_.scores[key];
    if (winner > 0) ++score[std::size_t(winner - 1)];
    // At one computer player 1's wins come first; elsewhere this player's own.
    const bool mineFirst = state.GameMode != mode::Joiner;
    const int mine = score[mineFirst ? 0 : 1], theirs = score[mineFirst ? 1 : 0];
    return ", " + std::to_string(mine) + " : " + std::to_string(theirs);
}

}  // namespace gv
