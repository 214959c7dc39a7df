#pragma once
// What the network link keeps between events: the receive buffer and its queue of whole messages, who we
// are on the link, a peer's shot that came early, and the battle hashes of both sides.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "game/mainfrm.h"
#include "net/protocol.h"
#include "platform/eventloop.h"

namespace gv {

struct Mainfrm::NetCaller {
    explicit NetCaller(EventLoop& loop) : sock(loop) {}
    TcpSocket sock;
    std::string pending;  // its first line, until the line feed comes
    double since = 0, pendingSince = 0;
};

struct Mainfrm::NetState {
    explicit NetState(EventLoop& loop)
        : liveTimer(loop, "netlive", 250), portMapper(loop), shotTimer(loop, "netshot", 10) {}

    enum class Role { None, Host, Joiner };
    Role role = Role::None;
    bool linkUp = false;    // greeted: "connectok" sent (host) or taken (joiner)
    bool closing = false;   // the window is closing: nothing more is dispatched
    std::string joinName;   // the host name the joiner was given

    std::string pending;              // received bytes of a message whose line feed is still to come
    std::deque<std::string> inbox;    // whole messages, oldest first
    std::size_t inboxBytes = 0;       // their bytes, a line feed each included
    double pendingSince = 0;          // when the bytes in `pending` began to wait for their line feed

    // Signs of life both ways: we send "K" when we have said nothing for a while, and a peer we have not
    // heard from for long is waited for, then given up.
    Timer liveTimer;
    double lastHeard = 0, lastSent = 0;
    // Host: connections that have not greeted yet. The first to greet takes the seat.
    std::vector<std::shared_ptr<NetCaller>> callers;
    int waitingForPeer = 0;           // waits for the peer now on the stack
    double waitSince = 0;             // when the outermost of them began
    double lastMessage = 0;           // when the peer last said more than a keep-alive
    bool waitShown = false;           // the banner says we are waiting for the other player
    std::string bannerBefore[2];      // what the banner said before that
    bool bannerVisibleBefore = false;
    double bannerPointsBefore[2] = {0, 0};
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
    std::string joinHost;             // where the joiner dials again
    int joinHostPort = 0;

    // The host's port forwarded by the home router while it hosts and while its link lasts.
    PortMapper portMapper;

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
    std::map<long long, std::uint64_t> ownHashes, peerHashes;

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
