// Signs of life on the link: keep-alives when we have said nothing for a while, the waiting text while a
// wait for the peer makes no progress, and the end of a link whose peer says nothing more.
#include <algorithm>

#include "net/netstate.h"

namespace gv {

namespace {

// Signs of life: we say something at least this often, a wait for a silent peer says so after a while,
// and a peer silent for long is given up, whatever we were doing.
constexpr double kKeepAliveMs = 2000;
constexpr double kWaitingTextMs = 5000;
constexpr double kSilentPeerMs = 30000;
// The banner's type while it tells the player about the link.
constexpr double kPeerTextPoints = 26;
// Bytes whose line feed has not come by then were sent by a copy that does not end its messages.
constexpr double kUnframedMs = 2000;
}  // namespace

// ---- Signs of life

// We said something: no keep-alive is due for a while.
void Mainfrm::NoteLinkTalk() { net_->lastSent = loop().now(); }

void Mainfrm::netlive_Timer() {
    NetState& n = *net_;
    if (n.closing || unloaded()) return;
    const double now = loop().now();
    CheckCallers(now);
    if (n.resuming) return ResumeTick(now);
    if (tcpcontrol.state() != TcpSocket::Connected) return;
    if (!n.pending.empty() && now - n.pendingSince >= kUnframedMs) {
        PeerDisconnected(LinkEnd::Mismatch);  // its messages never end: a copy that frames them otherwise
        return;
    }
    if (n.linkUp && now - n.lastSent >= kKeepAliveMs) {
        // Past SendMessage: "K" is no message of the game and leaves `SendText` alone.
        tcpcontrol.send(WriteNetMessage(netmsg::plain(NetMessage::KeepAlive)) + "\n");
        NoteLinkTalk();
    }
    // A wait for the peer counts from its start or from the last message, never from keep-alives: a peer
    // whose program runs but says nothing more is given up all the same.
    const double quiet = n.waitingForPeer > 0 ? now - std::max(n.waitSince, n.lastMessage) : 0;
    if (n.linkUp && now - n.lastHeard >= kSilentPeerMs && LoseLink(LinkEnd::NotResponding)) return;  // not even "K"
    if (now - n.lastHeard >= kSilentPeerMs || (n.linkUp && quiet >= kSilentPeerMs)) {
        // A joiner the host never answered was never linked to anybody.
        PeerDisconnected(n.role == NetState::Role::Joiner && !n.linkUp ? LinkEnd::NoAnswer : LinkEnd::NotResponding);
        return;
    }
    const bool waiting = n.linkUp && quiet >= kWaitingTextMs;
    if (waiting != n.waitShown) ShowWaitingText(waiting);
}

// The banner over the battlefield says we wait for the other player; what it said before comes back.
void Mainfrm::ShowWaitingText(bool show) {
    ShowPeerText(!show ? "" : state.CzechUi == True ? "Čekám na druhého hráče..." : "Waiting for the other player...");
}

void Mainfrm::ShowPeerText(const std::string& text) {
    NetState& n = *net_;
    if (text.empty() && !n.waitShown) return;
    if (!text.empty()) {
        if (!n.waitShown) {
            for (int i : {0, 1}) n.bannerBefore[i] = Label8(i).caption(), n.bannerPointsBefore[i] = Label8(i).font.points;
            n.bannerVisibleBefore = Label8(1).visible();
        }
        n.waitShown = true;
        for (int i : {0, 1}) {
            // Text and shadow in one size, small enough for two lines: they wrap alike and nothing is cut off.
            Label8(i).font.points = kPeerTextPoints;
            Label8(i).setCaption(text);
            Label8(i).setVisible(true);
        }
        return;
    }
    n.waitShown = false;
    for (int i : {0, 1}) {
        Label8(i).font.points = n.bannerPointsBefore[i];
        Label8(i).setCaption(n.bannerBefore[i]);
        Label8(i).setVisible(n.bannerVisibleBefore);
    }
}

void Mainfrm::NoteWaitForPeer(int delta) {
    if (net_->waitingForPeer == 0 && delta > 0) net_->waitSince = loop().now();
    net_->waitingForPeer += delta;
}

// Esc leaves any wait for the peer, at once (a battlefield being built included).
bool Mainfrm::LeaveWaitForPeer() {
    if ((net_->waitingForPeer == 0 && !net_->resuming) || !net_->linkUp) return false;
    PeerDisconnected(LinkEnd::WeLeft);  // "disconnect" goes to the peer on the way out
    return true;
}

}  // namespace gv
