// What the window tells its battle record: the battle's start, every shot, every message of the link,
// the state after every hand-over and the end.
#include <cmath>

#include "battle/aim.h"
#include "battle/simmath.h"
#include "game/mainfrm.h"
#include "game/netplay.h"
#include "platform/numtext.h"
#include "net/link.h"

namespace gv {

using replay::Event;

std::string Mainfrm::ClockSeed() {
    if (seedFromClock) return seedFromClock();
    return formatNumber(simmath::Int(loop().timeOfDay()));
}

void Mainfrm::RecordBegin() {
    replay::Record r;
    r.game = GORVATH_VERSION;
    r.mode = state.GameMode;
    r.hell = state.HellMode == True;
    r.hellVariant = state.HellVariant == True;
    r.random = random.state();
    if (Networked()) {
        r.seed = state.RandomSeed;
        // The link before this battle's "R": the host has sent it and the joiner has taken it by now. What
        // has come in but waits to be dispatched is not in the record yet.
        const Link& n = *net_;
        const bool host = state.GameMode == mode::Host;
        if (n.linkName != 0)
            r.link = replay::LinkInfo{n.linkName, n.battles, n.taken - n.countedWaiting() - (host ? 0 : 1),
                                      n.sent - (host ? 1 : 0), host ? "" : n.joinName};
    }
    if (state.GameMode == mode::Computer)
        for (int p : {1, 2}) r.players[std::size_t(p - 1)] = ComputerPlays(p) ? level::kLevels[ComputerLevel(p)].word : "human";
    recorder_.Begin(std::move(r), loop().now());
    if (!recorder_.path().empty()) UpdateWatchButton();
}

void Mainfrm::RecordFire(int player, const battle::Aim& aim) {
    Event e;
    e.kind = Event::Fire;
    e.player = player;
    e.force = aim.force;
    e.angle = aim.angle;
    // At one computer a crate still falling cannot be hit: how far it had fallen is part of the shot.
    if (!Networked() && state.CrateFalling == True) e.fall = int(std::lround(state.BonusFallTime / 0.02));
    recorder_.Add(std::move(e), loop().now());
}

void Mainfrm::RecordMessage(bool sent, const std::string& text) {
    if (!recorder_.active()) return;
    const NetMessage m = ReadNetMessage(text);
    Event e;
    e.kind = sent ? Event::Send : Event::Recv;
    e.text = text;
    switch (m.key) {
        case NetMessage::DrawingOk:
        case NetMessage::Quake:
        case NetMessage::Shot:
        case NetMessage::Wind:
        case NetMessage::Crate:
        case NetMessage::ShotDone: break;
        case NetMessage::Hash:
            // Our own hashes are the hand-over lines; the peer's are kept counted within the battle, so a
            // playback on a link of its own hands them over under its own battle number.
            if (sent) return;
            e.text = WriteNetMessage(netmsg::hash(HandOverOfPoint(m.sequence), m.hash));
            break;
        default: return;
    }
    recorder_.Add(std::move(e), loop().now());
}

void Mainfrm::RecordClock(const std::string& seed) {
    Event e;
    e.kind = Event::Clock;
    e.text = seed;
    recorder_.Add(std::move(e), loop().now());
}

void Mainfrm::RecordHandOver() {
    Event e;
    e.kind = Event::Hash;
    e.hash = netplay().SharedStateHash();
    recorder_.Add(std::move(e), loop().now());
    if (state.BattleOver == True) {
        const bool lost1 = state.Health1 < 1, lost2 = state.Health2 < 1;
        RecordEnd(lost1 && lost2 ? "both" : lost1 ? "won 2" : "won 1");
    }
}

void Mainfrm::RecordEnd(const char* result) {
    Event e;
    e.kind = Event::End;
    e.text = result;
    recorder_.Add(std::move(e), loop().now());
}

// A playback stands in for the peer: the link is up without a socket, so nothing we send leaves, and the
// peer's messages come in through TakeBytes.
void Mainfrm::OpenStandInLink(bool host) {
    netplay().EndLink();
    net_->role = host ? Link::Role::Host : Link::Role::Joiner;
    netplay().StartLink();
    state.GameMode = host ? mode::Host : mode::Joiner;
    net_->liveTimer.setEnabled(false);  // a peer that is no socket is never silent
    // As a real link's greeting does: the network panel goes, and only the host starts battles.
    Frame4.setVisible(false);
    novahra.setDefault(true);
    novahra.setEnabled(host);
}

void Mainfrm::CloseStandInLink() { netplay().EndLink(); }

}  // namespace gv
