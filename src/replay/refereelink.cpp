// The referee's side of a network battle: the peer is the record's messages. It waits for them where the
// game waits, records what the game sends, holds the peer's shot until its turn has begun here, and
// compares the hashes of both sides as the game does.
#include "battle/hash.h"
#include "battle/turn.h"
#include "platform/numtext.h"
#include "replay/referee.h"

namespace gv::replay {

void Referee::Send(const NetMessage& m) {
    if (auto e = MessageEvent(true, WriteNetMessage(m))) recorder_.Add(std::move(*e), loop_.now());
}

// Neither side starts the battle before the other has drawn its battlefield. What came meanwhile is taken
// first, as the game takes it between the frames of its drawing.
bool Referee::BattlefieldDrawn() {
    if (!Networked()) return true;
    loop_.pumpEvents();
    Send(netmsg::plain(NetMessage::DrawingOk));
    return WaitFor([this] { return peer_.drawn; });
}

// Our shot is over here: the peer's must be too (and the joiner waits for the wind the host draws then).
bool Referee::ShotDoneOnBothSides() {
    showit_.setEnabled(false);
    Send(netmsg::plain(NetMessage::ShotDone));
    if (!WaitFor([this] { return peer_.shotDone; })) return false;
    peer_.shotDone = false;
    ++peer_.handOvers;
    SendHash();
    showit_.setEnabled(true);
    return true;
}

bool Referee::CrateFromHost(battle::Crate& crate) {
    if (!WaitFor([this] { return peer_.crate.has_value(); })) return false;
    crate = *peer_.crate;
    peer_.crate.reset();
    return true;
}

// Both copies draw a quake from the same seed: the host's clock gives it.
bool Referee::QuakeSeeded() {
    std::string seed;
    if (mode_ == mode::Host) {
        seed = seeds_ ? seeds_() : "0";
        recorder_.AddClock(seed, loop_.now());
        Send(netmsg::quake(seed));
    } else if (mode_ == mode::Joiner) {
        if (!WaitFor([this] { return peer_.seedReady; })) return false;
        peer_.seedReady = false;
        seed = peer_.seed;
    } else {
        return true;
    }
    random_.reset();
    random_.seed(leadingNumber(seed));
    return true;
}

void Referee::Receive(const std::string& line) {
    if (over_ || !Networked()) return;
    const NetMessage m = ReadNetMessage(line);
    if (m.malformed) return LinkEnds("link");
    if (auto e = MessageEvent(false, line)) recorder_.Add(std::move(*e), loop_.now());
    const bool joiner = mode_ == mode::Joiner;
    switch (m.key) {
        case NetMessage::Disconnect: return LinkEnds("link");
        case NetMessage::DrawingOk:
            // Everything older of the peer came before this: nothing of an earlier battle still counts.
            peer_.drawn = true;
            peer_.shotDone = peer_.shotPending = peer_.seedReady = false;
            peer_.crate.reset();
            peer_.held.reset();
            heldShot_.setEnabled(false);
            if (m.withWind && joiner) TakeWind(m.wind);
            return;
        case NetMessage::Quake:
            if (!joiner) return;
            peer_.seed = m.seed;
            peer_.seedReady = true;
            return;
        case NetMessage::Shot: return TakePeerShot(battle::Aim(m.force, m.angle));
        case NetMessage::Wind:
            if (joiner) TakeWind(m.wind);
            return;
        case NetMessage::Crate:
            if (joiner && m.kind != 0) peer_.crate = battle::Crate{m.kind, double(m.left), double(m.shots)};
            return;
        case NetMessage::ShotDone:
            if (!joiner) {
                peer_.shotDone = true;
                return;
            }
            // The host draws the next wind as soon as it has our "bullfired": our hand-over goes on when that
            // wind is here too.
            peer_.shotPending = true;
            if (m.withWind) TakeWind(m.wind);
            return;
        case NetMessage::Hash: return TakePeerHash(HandOverOfPoint(m.sequence), m.hash);
        default: return;
    }
}

void Referee::TakeWind(int wind) {
    s_.Wind = float(wind);
    if (!peer_.shotPending) return;
    peer_.shotPending = false;
    peer_.shotDone = true;
}

// The peer's shot is fired when its player's turn has begun here; one that comes earlier waits.
void Referee::TakePeerShot(const battle::Aim& aim) {
    if (peer_.held) return;  // one shot a turn
    if (!busy_ && s_.TurnPlayer != PeerPlayer()) return;
    if (ReadyForPeerShot()) return Fire(PeerPlayer(), aim, false);
    peer_.held = aim;
    heldShot_.setEnabled(true);
}

bool Referee::ReadyForPeerShot() const {
    return !busy_ && s_.BattleOver == False && s_.TurnPlayer == PeerPlayer() && !hideit_.enabled() && !showit_.enabled() &&
           phase_ == battle::HandOver::Report && !shell_.enabled() && !explosion_.enabled();
}

void Referee::CheckHeldShot() {
    const std::optional<battle::Aim> aim = peer_.held;
    auto drop = [this] {
        peer_.held.reset();
        heldShot_.setEnabled(false);
    };
    if (!aim || over_ || s_.BattleOver == True) return drop();
    if (busy_) return;
    if (s_.TurnPlayer != PeerPlayer()) return drop();
    if (!ReadyForPeerShot()) return;
    drop();
    Fire(PeerPlayer(), *aim, false);
}

// Our hash of this hand-over and the peer's, compared once both are here.
void Referee::SendHash() { Judge(peer_.hashes.takeOwn(peer_.handOvers, battle::Hash(s_, peer_.shotWind) & kHashMask)); }
void Referee::TakePeerHash(long long handOver, std::uint64_t hash) {
    Judge(peer_.hashes.takePeer(handOver, hash, peer_.handOvers));
}
void Referee::Judge(const HashPairs::Verdict& v) {
    if (v.farAhead) return LinkEnds("link");
    if (v.same && !*v.same) LinkEnds("outofstep");
}

// The link ends in the battle: the record says how, and nothing of the battle goes on.
void Referee::LinkEnds(const char* why) {
    if (over_) return;
    recorder_.AddEnd(why, loop_.now());
    Stop();
}

}  // namespace gv::replay
