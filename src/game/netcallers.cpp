// Who gets in: connections at the host's door until one greets it, and a link that broke in a battle
// and comes back.
#include <cmath>
#include <random>

#include "game/banner.h"
#include "game/mainfrm.h"
#include "game/netplay.h"
#include "net/link.h"

namespace gv {

namespace {
// Connections that may wait at the door at once; one more sends the oldest away, so a crowd of silent
// connections never holds the seat.
constexpr std::size_t kMaxCallers = 16;
}  // namespace

// ---- The host's door

void NetPlay::tcpcontrol_ConnectionRequest(int requestId) {
    Link& n = *g_.net_;
    if (n.role != Link::Role::Host || g_.tcpcontrol.state() != TcpSocket::Listening || (n.linkUp && !n.resuming)) return;
    auto c = std::make_shared<NetCaller>(g_.loop());
    if (!g_.tcpcontrol.handOff(requestId, c->sock)) return;
    NetCaller* raw = c.get();
    c->since = g_.loop().now();
    c->sock.onDataArrival = [this, raw](std::size_t) { TakeCallerBytes(*raw, raw->sock.receive()); };
    c->sock.onClosed = [this, raw](const std::string&) { DropCaller(*raw); };
    n.callers.push_back(std::move(c));
    if (n.callers.size() > kMaxCallers) DropCaller(*n.callers.front());
    n.liveTimer.setEnabled(true);
}

// The first line of a connection decides: our greeting takes the seat, another version's is told so,
// a joiner coming back to its broken link resumes it, and anything else is closed. Whatever happens,
// only that connection goes and the host keeps listening.
void NetPlay::TakeCallerBytes(NetCaller& c, const std::string& bytes) {
    Link& n = *g_.net_;
    if (bytes.empty() || n.closing || g_.unloaded()) return;
    NetMessage m;
    std::string rest;
    switch (n.judgeCaller(c, bytes, g_.loop().now(), m, rest)) {
        case Link::Door::Wait: return;
        case Link::Door::Drop: return DropCaller(c);
        case Link::Door::Return: return TakeReturn(c, m);
        case Link::Door::SeatKept:
            // A new player while we wait for ours to come back: told so, and sent away.
            SayToCaller(c, WriteNetMessage(netmsg::plain(NetMessage::SeatKept)));
            return DropCaller(c);
        case Link::Door::OtherVersion:
            // Another copy's protocol: our greeting tells it so and it goes; we go on hosting, and say so
            // below the menu, unless a broken link's countdown holds the banner over the battlefield.
            SayToCaller(c, WriteNetMessage(netmsg::greeting()));
            DropCaller(c);
            if (n.linkUp) return;
            g_.banner().ShowMenuBanner(g_.state.CzechUi == True ? "Připojit se zkusila jiná verze hry"
                                                                : "A copy of another version tried to join");
            return;
        case Link::Door::Seat:
            Seat(c);
            TakeGreeting();
            TakeBytes(rest);
            return;
    }
}

void NetPlay::DropCaller(NetCaller& c) {
    auto& all = g_.net_->callers;
    for (auto it = all.begin(); it != all.end(); ++it)
        if (it->get() == &c) {
            // Its own event may be running: it is freed once that is over.
            std::shared_ptr<NetCaller> gone = std::move(*it);
            all.erase(it);
            gone->sock.close();
            if (gone->viaIce) DropIce();  // the invite's stream was the caller
            g_.loop().post([gone] {});
            return;
        }
}

void NetPlay::DropCallers() {
    while (!g_.net_->callers.empty()) DropCaller(*g_.net_->callers.front());
}

// Silence or bytes without a line feed at the door: that connection goes.
void NetPlay::CheckCallers(double now) {
    std::vector<NetCaller*> late;
    for (const auto& c : g_.net_->callers)
        if (Link::callerLate(*c, now)) late.push_back(c.get());
    for (NetCaller* c : late) DropCaller(*c);
}

void NetPlay::SayToCaller(NetCaller& c, const std::string& message) {
    if (!c.viaIce)
        c.sock.send(message + "\n");
    else if (g_.net_->ice)
        g_.net_->ice->send(message + "\n");
}

// The connection becomes the link; the door closes behind it (and an invite made meanwhile goes with it,
// or, when the invite's stream is the one seated, the TCP door).
void NetPlay::Seat(NetCaller& c) {
    Link& n = *g_.net_;
    n.overIce = c.viaIce;
    if (c.viaIce) {
        c.viaIce = false;  // dropped below as a caller, kept as the link
        g_.tcpcontrol.close();
        ShowInvite("");  // spent
    } else {
        g_.tcpcontrol.takeOver(c.sock);
        g_.tcpcontrol.stopListening();
        DropIce();
    }
    DropCallers();
    ClearReceived();
    g_.net_->lastHeard = g_.loop().now();
}

// The joiner greeted us in our own version: the link is up and no one else can take the seat.
void NetPlay::TakeGreeting() {
    Link& n = *g_.net_;
    n.taken = 0;
    StartLink();
    n.seatedAt = g_.loop().now();
    SendMessage(netmsg::plain(NetMessage::ConnectOk));
    // The link's name, which a joiner whose connection breaks gives back when it returns.
    std::random_device entropy;
    n.linkName = ((std::uint64_t(entropy()) << 32 | entropy()) & kHashMask) | 1;
    SendMessage(netmsg::linkName(n.linkName));
    g_.novahra.setDefault(true);
    ShowNetworkPanel(false);
    g_.banner().RestoreBanner();  // what hosting said below the menu (the router's word) is over
    // A link over an invite's stream says how it runs, as the joiner's menu does.
    if (n.overIce) g_.banner().ShowMenuBanner(Banner::ConnectedText(g_.state.CzechUi == True, n.iceHow, true));
    g_.state.GameMode = mode::Host;
}

// The seated joiner has not said a word since our "connectok", not even that its program runs: it is no
// copy of the game. The connection goes and the door opens again; a battle begun meanwhile goes with it.
void NetPlay::FreeSeat() {
    if (g_.net_->battles > 0) {
        StopBattle();
        g_.world.setEnabled(false);
        g_.Frame3.setVisible(true);
        g_.continue_.setEnabled(false);
    }
    CloseTransport();
    ForgetLink();
    g_.state.GameMode = mode::HotSeat;
    g_.novahra.setEnabled(true);
    ShowNetworkPanel(true);
    g_.Command3.setDefault(true);
    ListenAsHost();
}

// ---- A broken link

// The connection of a link broke without a goodbye. In a battle both copies keep it and wait for the
// joiner to come back; false when there is nothing to keep (then the link ends as it always did).
bool NetPlay::LoseLink(LinkEnd why) {
    Link& n = *g_.net_;
    if (n.closing || !n.linkUp || n.linkName == 0 || n.battles == 0 || g_.state.BattleOver == True) return false;
    // A link over ICE never comes here: its stream starts again under it, and the battle waits (HoldIceLink).
    if (n.overIce) return false;
    const double now = g_.loop().now();
    if (!n.resuming) {
        n.resuming = true;
        n.lostAt = now;
        n.lostWhy = why;
        n.shownSeconds = -1;
    }
    n.nextDial = now;
    n.pending.clear();  // the rest of a message cut in two comes again whole
    g_.tcpcontrol.close();
    if (n.role == Link::Role::Host) {
        g_.tcpcontrol.setLocalPort(g_.hostPort);
        if (!g_.tcpcontrol.listen()) {
            n.resuming = false;  // the port went to someone else: the joiner cannot come back
            return false;
        }
    }
    n.liveTimer.setEnabled(true);
    ResumeTick(now);
    return true;
}

// Every quarter second while the link is broken: the countdown, and the joiner dials the host again.
void NetPlay::ResumeTick(double now) {
    Link& n = *g_.net_;
    const double left = linktime::kComeback - (now - n.lostAt);
    if (left <= 0) return PeerDisconnected(n.lostWhy);
    ShowCountdown(left);
    if (n.role != Link::Role::Joiner || now < n.nextDial) return;
    const int st = g_.tcpcontrol.state();
    if (st != TcpSocket::Closed && st != TcpSocket::Error) return;
    n.nextDial = now + linktime::kRedial;
    g_.tcpcontrol.setLocalPort(0);
    g_.tcpcontrol.setRemoteHost(n.joinHost);
    g_.tcpcontrol.setRemotePort(n.joinHostPort);
    if (g_.tcpcontrol.connect()) g_.tcpcontrol.send(WriteNetMessage(netmsg::resume(n.linkName, n.taken)) + "\n");
}

// The countdown of a broken link over the battlefield, in whole seconds left.
void NetPlay::ShowCountdown(double left) {
    Link& n = *g_.net_;
    const int seconds = int(std::ceil(left / 1000));
    if (seconds == n.shownSeconds) return;
    n.shownSeconds = seconds;
    const std::string s = std::to_string(seconds);
    ShowPeerText(g_.state.CzechUi == True ? "Spojení se přerušilo; čekám na návrat druhého hráče (" + s + " s)"
                                          : "Connection lost; waiting for the other player to return (" + s + "s)");
}

// Host: a connection that says it is the joiner of a broken link.
void NetPlay::TakeReturn(NetCaller& c, const NetMessage& m) {
    Link& n = *g_.net_;
    if (!n.resuming || m.link != n.linkName || !n.resumable(m.sequence)) {
        // We keep no such battle (or none at that count): it is over for that copy too, and the seat stays
        // kept for the player who can come back.
        SayToCaller(c, WriteNetMessage(netmsg::plain(NetMessage::Disconnect)));
        return DropCaller(c);
    }
    Seat(c);
    SendBytes(WriteNetMessage(netmsg::resume(n.linkName, n.taken)) + "\n");
    Resumed(m.sequence);
}

// The link is back: what the peer has not taken goes again, in order, and the battle goes on.
void NetPlay::Resumed(long long peerTook) {
    Link& n = *g_.net_;
    std::string again;
    if (!n.resumeFrom(peerTook, again)) return PeerDisconnected(LinkEnd::NetworkError);
    n.resuming = false;
    n.restarted = false;
    if (!again.empty()) SendBytes(again);
    NoteLinkTalk();
    n.lastHeard = n.lastMessage = g_.loop().now();  // a wait under way counts from here
    ShowPeerText("");
}

// The router answered while we host: the panel says what a friend types, or the banner below it that
// the port must be forwarded by hand.
void NetPlay::TakePortMap(const PortMapResult& r) {
    Link& n = *g_.net_;
    if (n.role != Link::Role::Host || n.linkUp || !g_.Frame4.visible()) return;
    const bool czech = g_.state.CzechUi == True;
    const std::string port = std::to_string(g_.hostPort);
    if (r.mapped && r.externalAddress.empty()) {
        // Open, but the router did not say (or garbled) its public address.
        g_.Label11.setCaption((czech ? "Router otevřel port " : "The router opened port ") + std::to_string(r.externalPort));
        return;
    }
    if (r.mapped) {
        const std::string at =
            (r.externalAddress.find(':') != std::string::npos ? "[" + r.externalAddress + "]" : r.externalAddress) +
            (r.externalPort == 7701 ? "" : ":" + std::to_string(r.externalPort));
        g_.Label11.setCaption((czech ? "Ostatní se připojí na " : "Others can join at ") + at);
        return;
    }
    g_.banner().ShowMenuBanner(czech ? "Router neotevřel port " + port + "; přesměrujte jej na tento počítač ručně"
                                     : "The router did not open port " + port + "; forward it to this computer by hand",
                               true);
}

bool NetPlay::NoteSent(const std::string& text) {
    if (!g_.net_ || text.empty()) return true;
    Link& n = *g_.net_;
    NoteLinkTalk();
    if (text[0] == 'R' && g_.state.GameMode == mode::Host) NewBattleOnLink();
    if (text[0] == 'S') n.shotWind = g_.state.Wind;
    if (!n.linkUp) return true;
    if (!Link::counted(text)) return !n.resuming;  // the pause of a broken link is not sent again
    n.noteSent(text);
    if (n.peerHas > 0) return --n.peerHas, false;  // computed again after a restart: the peer has it
    return !n.resuming;
}

}  // namespace gv
