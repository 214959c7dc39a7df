#pragma once
// The network link: what it keeps between events and the rules of the link itself, with no window in
// them. It frames the bytes that come into whole messages and bounds what a peer can queue; judges the
// first line at the host's door; says when a keep-alive is due and when a silent peer is given up; keeps
// what we sent so a link that broke can send again what the peer missed; and names the hash points.
// The window's network procedures (network.cpp and its neighbours) act on what it says.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/protocol.h"
#include "net/invite.h"
#include "platform/eventloop.h"
#include "platform/icestream.h"
#include "platform/portmap.h"
#include "platform/tcpsocket.h"

namespace gv {

// A connection at the host's door that has not greeted yet: a TCP connection, or the link's ICE stream.
struct NetCaller {
    explicit NetCaller(EventLoop& loop) : sock(loop) {}
    TcpSocket sock;
    bool viaIce = false;  // its bytes come over the ICE stream, and what it is told goes there
    std::string pending;  // its first line, until the line feed comes
    double since = 0, pendingSince = 0;
};

// How long the link waits for what, in milliseconds of the loop's clock.
namespace linktime {
constexpr double kKeepAlive = 2000;    // we say something at least this often
constexpr double kWaitingText = 5000;  // a wait for a silent peer says so after this
constexpr double kSilentPeer = 30000;  // a peer silent this long is given up, whatever we were doing
constexpr double kUnframed = 2000;     // bytes whose line feed has not come by then never will
constexpr double kGreeting = 5000;     // a connection that has not greeted by then is no copy of the game
constexpr double kComeback = 60000;    // a broken link waits this long for the joiner to come back
constexpr double kRedial = 1000;       // and the joiner dials again this often
}  // namespace linktime

// Both sides' hashes at the points not compared yet. Nobody waits for a hash: a pair is compared once both
// halves are here. The peer's points run close to ours: one far ahead is no copy of the game in step, and
// one far behind can never be matched; either way nothing is kept without bound.
struct HashPairs {
    static constexpr long long kWindow = 8;  // points of the peer's kept ahead of (or behind) our own
    std::map<long long, std::uint64_t> own, peer;
    // Whether the pair at a point agrees, once both halves are in (they are then forgotten).
    struct Verdict {
        bool farAhead = false;  // the peer is too far ahead to be a copy in step: nothing was kept
        std::optional<bool> same;
    };
    Verdict takeOwn(long long point, std::uint64_t hash);
    // The peer's hash at `point` while ours stand at `ours`.
    Verdict takePeer(long long point, std::uint64_t hash, long long ours);
    void clear() { own.clear(), peer.clear(); }
    // Points of battles before `oldest` can never be matched now.
    void forgetBefore(long long oldest);

private:
    Verdict compare(long long point);
};

class Link {
public:
    explicit Link(EventLoop& loop) : liveTimer(loop, "netlive", 250), portMapper(loop), shotTimer(loop, "netshot", 10) {}

    // ---- Framing
    // Bytes as they come, in pieces of any size: whole messages join the inbox, the rest waits for its line
    // feed. False when the peer floods us (too many messages queued, too many bytes, or a line too long to
    // be ours): the link cannot go on.
    bool takeBytes(const std::string& bytes, double now);
    // The oldest whole message; false when there is none.
    bool nextMessage(std::string& text);
    void clearReceived();
    // Bytes have waited too long for their line feed: the peer frames its messages otherwise.
    bool unframed(double now) const { return !pending.empty() && now - pendingSince >= linktime::kUnframed; }

    // ---- The host's door
    enum class Door { Wait, Drop, OtherVersion, Return, SeatKept, Seat };
    // What a caller's bytes so far ask for. `first` is its first message once it is whole, `rest` what came
    // after it.
    Door judgeCaller(NetCaller& c, const std::string& bytes, double now, NetMessage& first, std::string& rest) const;
    // A caller that kept silent, or sent bytes without a line feed, for too long.
    static bool callerLate(const NetCaller& c, double now);

    // ---- Signs of life
    // We have said nothing for a while: a keep-alive is due.
    bool keepAliveDue(double now) const { return linkUp && now - lastSent >= linktime::kKeepAlive; }
    // The peer has said nothing at all, not even a keep-alive, for long.
    bool peerSilent(double now) const { return now - lastHeard >= linktime::kSilentPeer; }
    // A wait for the peer counts from its start or from the peer's last message, never from keep-alives:
    // a peer whose program runs but says nothing more is given up all the same.
    double quietWait(double now) const;
    bool waitTooLong(double now) const { return linkUp && quietWait(now) >= linktime::kSilentPeer; }
    bool waitingTextDue(double now) const { return linkUp && quietWait(now) >= linktime::kWaitingText; }

    // ---- Resuming
    // A message we sent: counted and kept to send again after a break.
    void noteSent(const std::string& text);
    // What the peer missed when it had taken `peerTook` of ours; false when that is more than we kept.
    bool missedBy(long long peerTook, std::string& again) const;
    // Whether the link can go on from `peerTook`: what we kept reaches back to it, and we sent that many,
    // or (a copy restarted from its record) will have sent them in a moment.
    bool resumable(long long peerTook) const;
    // Goes on from `peerTook`: `again` is what the peer missed; messages it has already (sent by us before
    // a restart, computed again since) are not sent twice.
    bool resumeFrom(long long peerTook, std::string& again);
    // A message of the battle, counted on both sides so a broken link knows what the peer missed. The
    // link's own messages (keep-alives, names, resuming) and the pause are not: a battle record, which has
    // every counted message, can then tell a restarted copy where it stands.
    static bool counted(const std::string& text);
    // Whole messages taken but not dispatched yet that count.
    long long countedWaiting() const;

    enum class Role { None, Host, Joiner };
    Role role = Role::None;
    bool linkUp = false;   // greeted: "connectok" sent (host) or taken (joiner)
    bool closing = false;  // the window is closing: nothing more is dispatched
    std::string joinName;  // the host name the joiner was given

    std::string pending;            // received bytes of a message whose line feed is still to come
    std::deque<std::string> inbox;  // whole messages, oldest first
    std::size_t inboxBytes = 0;     // their bytes, a line feed each included
    double pendingSince = 0;        // when the bytes in `pending` began to wait for their line feed

    // Signs of life both ways: we send "K" when we have said nothing for a while, and a peer we have not
    // heard from for long is waited for, then given up.
    Timer liveTimer;
    double lastHeard = 0, lastSent = 0;
    // Host: connections that have not greeted yet. The first to greet takes the seat.
    std::vector<std::shared_ptr<NetCaller>> callers;
    int waitingForPeer = 0;                                   // waits for the peer now on the stack
    double waitSince = 0;                                     // when the outermost of them began
    double lastMessage = 0;                                   // when the peer last said more than a keep-alive
    std::shared_ptr<char> alive = std::make_shared<char>(0);  // drain events posted to the loop check it

    // A link that breaks in a battle goes on when the joiner comes back: the host names the link, each
    // side counts the messages it took and keeps the last ones it sent, and sends again what the other
    // missed.
    std::uint64_t linkName = 0;
    long long taken = 0, sent = 0;
    std::deque<std::string> sentLog;  // the newest last; `sent` counts them all
    bool resuming = false;            // the connection broke: waiting for it to come back
    double lostAt = 0, nextDial = 0;
    LinkEnd lostWhy = LinkEnd::PeerLeft;
    int shownSeconds = -1;
    std::string joinHost;  // where the joiner dials again
    int joinHostPort = 0;
    // This copy was restarted and computed the battle again from its record: the peer may hold a few of
    // our messages that we are about to compute once more (`peerHas` of them are then not sent).
    bool restarted = false;
    long long peerHas = 0;

    // Host: when the joiner took the seat; -1 once it has said anything. A seated copy that keeps silent
    // is no player: the seat is freed.
    double seatedAt = -1;
    bool silentInSeat(double now) const { return linkUp && seatedAt >= 0 && now - seatedAt >= linktime::kGreeting; }

    // The host's port forwarded by the home router while it hosts and while its link lasts.
    PortMapper portMapper;

    // The link through any router: an ICE stream made for an invite. The host's offer (or the offer the
    // joiner took), the code this side shows, and once the stream carries the link, how it runs.
    std::unique_ptr<IceStream> ice;
    bool overIce = false;  // the link's bytes go over `ice`, not the TCP socket
    Invite offer;
    std::string code;
    std::string iceHow;     // "direct", "hole-punched" or "relayed"; empty for a TCP link
    bool iceHeld = false;   // the peer fell silent in a battle over ICE: waiting for the path to come back
    int iceGeneration = 0;  // times the link's stream was started again after its path failed

    // A peer's shot that came before our own hand-over had finished.
    bool shotHeld = false;
    std::string heldForce, heldAngle;
    std::uint32_t heldBattle = 0;
    Timer shotTimer;

    // The joiner has the host's "bullfired" and waits for the wind the host draws right after it.
    bool peerShotPending = false;

    // Battles over this link (each "R" sent or taken), hand-overs in the current one, and the wind the
    // last shot flew with: together they name each hash point the same on both sides.
    long long battles = 0;
    long long handOvers = 0;
    float shotWind = 0;
    HashPairs hashes;

    // The hash points of a battle count from its start: no hand-over yet, no shot flown.
    void restartHashCount() {
        handOvers = 0;
        shotWind = 0;
    }
    // A new battle on the link: counted from its start, and no shot of the peer held or awaited.
    void newBattle() {
        restartHashCount();
        shotHeld = false;
        peerShotPending = false;
    }
};

}  // namespace gv
