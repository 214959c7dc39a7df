// What the window tells its battle record: the battle's start, every shot, every message of the link,
// the state after every hand-over and the end.
#include <cmath>

#include "battle/aim.h"
#include "battle/simmath.h"
#include "game/mainfrm.h"
#include "game/records.h"
#include "game/netplay.h"
#include "platform/numtext.h"
#include "net/link.h"

namespace gv {

std::string Records::ClockSeed() {
    if (g_.seedFromClock) return g_.seedFromClock();
    return formatNumber(simmath::Int(g_.loop().timeOfDay()));
}

void Records::RecordBegin() {
    replay::Record r;
    r.game = GORVATH_VERSION;
    r.mode = g_.state.GameMode;
    r.hell = g_.state.HellMode == True;
    r.hellVariant = g_.state.HellVariant == True;
    r.random = g_.random.state();
    if (g_.Networked()) {
        r.seed = g_.state.RandomSeed;
        // The link before this battle's "R": the host has sent it and the joiner has taken it by now. What
        // has come in but waits to be dispatched is not in the record yet.
        const Link& n = *g_.net_;
        const bool host = g_.state.GameMode == mode::Host;
        if (n.linkName != 0)
            r.link = replay::LinkInfo{n.linkName, n.battles, n.taken - n.countedWaiting() - (host ? 0 : 1),
                                      n.sent - (host ? 1 : 0), host ? "" : n.joinName};
    }
    if (g_.state.GameMode == mode::Computer)
        for (int p : {1, 2})
            r.players[std::size_t(p - 1)] = g_.ComputerPlays(p) ? level::kLevels[g_.ComputerLevel(p)].word : "human";
    g_.recorder_.Begin(std::move(r), g_.loop().now());
    if (!g_.recorder_.path().empty()) UpdateWatchButton();
}

void Records::RecordFire(int player, const battle::Aim& aim) {
    g_.recorder_.Add(replay::FireEvent(player, aim, g_.state, !g_.Networked()), g_.loop().now());
}

void Records::RecordMessage(bool sent, const std::string& text) {
    if (!g_.recorder_.active()) return;
    if (auto e = replay::MessageEvent(sent, text)) g_.recorder_.Add(std::move(*e), g_.loop().now());
}

void Records::RecordClock(const std::string& seed) { g_.recorder_.AddClock(seed, g_.loop().now()); }

void Records::RecordHandOver() { g_.recorder_.AddHandOver(g_.netplay().SharedStateHash(), g_.state, g_.loop().now()); }

void Records::RecordEnd(const char* result) { g_.recorder_.AddEnd(result, g_.loop().now()); }

// A playback stands in for the peer: the link is up without a socket, so nothing we send leaves, and the
// peer's messages come in through TakeBytes.
void Records::OpenStandInLink(bool host) {
    g_.netplay().EndLink();
    g_.net_->role = host ? Link::Role::Host : Link::Role::Joiner;
    g_.netplay().StartLink();
    g_.state.GameMode = host ? mode::Host : mode::Joiner;
    g_.net_->liveTimer.setEnabled(false);  // a peer that is no socket is never silent
    // As a real link's greeting does: the network panel goes, and only the host starts battles.
    g_.netplay().ShowNetworkPanel(false);
    g_.novahra.setDefault(true);
    g_.novahra.setEnabled(host);
}

void Records::CloseStandInLink() { g_.netplay().EndLink(); }

}  // namespace gv
