// Staying in step with the peer: its shot, taken when our own hand-over has finished, and the battle
// hashes both copies send after every hand-over.
#include <cstdint>
#include <string>

#include "battle/aim.h"
#include "battle/hash.h"
#include "game/mainfrm.h"
#include "game/netplay.h"
#include "net/link.h"

namespace gv {

// ---- The peer's shot

void NetPlay::TakePeerShot(const std::string& force, const std::string& angle) {
    Link& n = *g_.net_;
    const int peer = g_.PeerPlayer();
    if (n.shotHeld) return;  // one shot a turn
    // Out of turn: the peer's player has fired this turn already, or it is our player's turn.
    if (g_.state.WorldBusy == False && g_.state.TurnPlayer != peer) return;
    if (ReadyForPeerShot()) {
        FirePeerShot(force, angle);
        return;
    }
    // Our own hand-over is still on its way (or the battlefield is still being built): firing now
    // would start the panels sliding out while they slide in. The shot waits for our turn to start.
    n.shotHeld = true;
    n.heldForce = force;
    n.heldAngle = angle;
    n.heldBattle = g_.state.BattleNumber;
    n.shotTimer.setEnabled(true);
}

// The turn of the peer's player has started here: nothing of the last shot and its hand-over is running.
bool NetPlay::ReadyForPeerShot() const {
    const int peer = g_.PeerPlayer();
    return g_.Networked() && g_.state.WorldBusy == False && g_.state.BattleOver == False && g_.state.TurnPlayer == peer &&
           !g_.hideit.enabled() && !g_.showit.enabled() && g_.HandOverPhase() == Mainfrm::HandOver::Report &&
           !g_.bullettimer.enabled() && !g_.tankexpl.enabled();
}

void NetPlay::netshot_Timer() { CheckHeldShot(); }

void NetPlay::CheckHeldShot() {
    Link& n = *g_.net_;
    const int peer = g_.PeerPlayer();
    auto drop = [&] {
        n.shotHeld = false;
        n.shotTimer.setEnabled(false);
    };
    if (!n.shotHeld) return drop();
    if (n.heldBattle != g_.state.BattleNumber || !g_.Networked() || g_.state.BattleOver == True) return drop();
    if (g_.state.WorldBusy == True) return;
    if (g_.state.TurnPlayer != peer) return drop();
    if (!ReadyForPeerShot()) return;
    drop();
    FirePeerShot(n.heldForce, n.heldAngle);
}

void NetPlay::FirePeerShot(const std::string& force, const std::string& angle) {
    g_.net_->shotWind = g_.state.Wind;
    g_.Fire(g_.PeerPlayer(), battle::Aim(force, angle));  // sends nothing back
}

// ---- Staying in step

std::uint64_t NetPlay::SharedStateHash() const { return battle::Hash(g_.state, g_.net_->shotWind) & kHashMask; }

void NetPlay::AfterBattlefieldBuilt() {
    Link& n = *g_.net_;
    n.restartHashCount();  // also at one computer: its battles hash the same way, from no shot
    if (!g_.Networked() || !n.linkUp) return;
    SendHash(HashPoint(n.battles, 0));
    CheckHeldShot();
}

void NetPlay::AfterPeerShotDone() {
    Link& n = *g_.net_;
    if (!g_.Networked() || !n.linkUp) return;
    ++n.handOvers;
    SendHash(HashPoint(n.battles, n.handOvers));
}

void NetPlay::SendHash(long long sequence) {
    const std::uint64_t hash = SharedStateHash();
    SendMessage(netmsg::hash(sequence, hash));
    Judge(g_.net_->hashes.takeOwn(sequence, hash));
}

void NetPlay::TakePeerHash(long long sequence, std::uint64_t hash) {
    Link& n = *g_.net_;
    Judge(n.hashes.takePeer(sequence, hash, HashPoint(n.battles, n.handOvers)));
}

void NetPlay::Judge(const HashPairs::Verdict& v) {
    if (v.farAhead) return PeerDisconnected(LinkEnd::NetworkError);
    if (!v.same) return;
    if (g_.onlooker_) g_.onlooker_->HashesCompared(*v.same);
    if (!*v.same) PeerDisconnected(LinkEnd::OutOfStep);
}

}  // namespace gv
