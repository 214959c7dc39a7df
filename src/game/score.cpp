// The score of the session: battles won at one computer, against the computer, and against each network
// peer, told after each result as "3 : 2" from the view of the player at this computer.
#include "game/mainfrm.h"
#include "game/banner.h"
#include "net/link.h"

namespace gv {

std::string Banner::CountScore(int winner) {
    if (g_.Watching()) return "";  // a recorded battle was counted when it was played
    std::string key = g_.state.GameMode == mode::HotSeat ? "hot-seat" : "";
    // Each level of the computer is an opponent of its own.
    if (g_.state.GameMode == mode::Computer)
        key = "computer " + std::to_string(g_.ComputerLevel(1)) + " " + std::to_string(g_.ComputerLevel(2));
    // A network score is the link's: a new peer starts at 0 : 0, a link that came back keeps its score.
    if (key.empty()) key = "peer " + std::to_string(g_.net().linkName);
    // One battle counts once: a second tank lost later in the same shot changes the result it counted.
    if (g_.x_.scoredBattle == g_.state.BattleNumber && g_.x_.scoredWinner > 0)
        --g_.x_.scores[g_.x_.scoredKey][std::size_t(g_.x_.scoredWinner - 1)];
    g_.x_.scoredBattle = g_.state.BattleNumber, g_.x_.scoredKey = key, g_.x_.scoredWinner = winner;
    std::array<int, 2>& score = g_.x_.scores[key];
    if (winner > 0) ++score[std::size_t(winner - 1)];
    // At one computer player 1's wins come first; elsewhere this player's own.
    const bool mineFirst = g_.state.GameMode != mode::Joiner;
    const int mine = score[mineFirst ? 0 : 1], theirs = score[mineFirst ? 1 : 0];
    return ", " + std::to_string(mine) + " : " + std::to_string(theirs);
}

}  // namespace gv
