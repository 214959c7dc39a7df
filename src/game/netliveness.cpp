// Signs of life on the link: keep-alives when we have said nothing for a while, the waiting text while a
// wait for the peer makes no progress, and the end of a link whose peer says nothing more.
#include <algorithm>

#include "game/banner.h"
#include "game/mainfrm.h"
#include "game/netplay.h"
#include "net/link.h"

namespace gv {

namespace {

// The banner's type while it tells the player about the link; its lines keep this far off the window's
// sides, whatever the scale, and its letters are edged in the shadow's colour to read on any sky and hill.
constexpr double kPeerTextPoints = 26;
constexpr int kPeerTextMargin = 40, kPeerTextOutline = 2;
}  // namespace

// ---- Signs of life

// We said something: no keep-alive is due for a while.
void NetPlay::NoteLinkTalk() { g_.net_->lastSent = g_.loop().now(); }

// Past SendMessage: "K" is no message of the game and leaves `SendText` alone.
void NetPlay::SendKeepAlive() {
    SendBytes(WriteNetMessage(netmsg::plain(NetMessage::KeepAlive)) + "\n");
    NoteLinkTalk();
}

void NetPlay::netlive_Timer() {
    Link& n = *g_.net_;
    if (n.closing || g_.unloaded()) return;
    const double now = g_.loop().now();
    CheckCallers(now);
    if (n.resuming) return ResumeTick(now);
    if (HoldIceLink(now)) return;
    if (!Carrying()) return;
    if (n.role == Link::Role::Host && n.silentInSeat(now)) return FreeSeat();
    if (n.unframed(now)) {
        PeerDisconnected(LinkEnd::Mismatch);  // its messages never end: a copy that frames them otherwise
        return;
    }
    if (n.keepAliveDue(now)) SendKeepAlive();
    if (n.linkUp && n.peerSilent(now) && LoseLink(LinkEnd::NotResponding)) return;  // not even "K"
    if (n.peerSilent(now) || n.waitTooLong(now)) {
        // A joiner the host never answered was never linked to anybody.
        PeerDisconnected(n.role == Link::Role::Joiner && !n.linkUp ? LinkEnd::NoAnswer : LinkEnd::NotResponding);
        return;
    }
    const bool waiting = n.waitingTextDue(now);
    if (waiting != peerBanner_.shown) ShowWaitingText(waiting);
}

// A link over ICE in a battle whose peer fell silent, or whose stream lost its path and looks for a new one
// (IceLost): the path between them may be down for a while (a Wi-Fi that drops, a router that restarts).
// The stream keeps what either side sends and delivers it, in order, once a path is there again, so
// nothing is held back or sent again: the battle waits, counting down as a broken TCP link does, keeps
// saying it is alive, and goes on when the peer is heard again. True while it waits.
bool NetPlay::HoldIceLink(double now) {
    Link& n = *g_.net_;
    const bool quiet = n.peerSilent(now) || !n.ice || !n.ice->connected();
    const bool hold = n.overIce && n.linkUp && quiet && n.battles > 0 && g_.state.BattleOver == False;
    if (!hold) {
        if (!n.iceHeld) return false;
        n.iceHeld = false;
        n.lastMessage = now;  // a wait under way counts from here
        ShowPeerText("");
        return false;
    }
    if (!n.iceHeld) {
        n.iceHeld = true;
        n.lostAt = now;
        n.shownSeconds = -1;
    }
    const double left = linktime::kComeback - (now - n.lostAt);
    if (left <= 0) {
        PeerDisconnected(LinkEnd::NotResponding);
        return true;
    }
    if (n.keepAliveDue(now)) SendKeepAlive();  // queued while there is no path: the first word once there is
    ShowCountdown(left);
    return true;
}

// The banner over the battlefield says we wait for the other player; what it said before comes back.
void NetPlay::ShowWaitingText(bool show) {
    ShowPeerText(!show ? "" : g_.state.CzechUi == True ? "Čekám na druhého hráče..." : "Waiting for the other player...");
}

void NetPlay::ShowPeerText(const std::string& text) {
    if (text.empty() && !peerBanner_.shown) return;
    if (!text.empty()) {
        if (!peerBanner_.shown) {
            for (int i : {0, 1})
                peerBanner_.caption[i] = g_.Label8(i).caption(), peerBanner_.points[i] = g_.Label8(i).font.points;
            peerBanner_.height = g_.Label8(1).height();
            peerBanner_.visible = g_.Label8(1).visible();
        }
        peerBanner_.shown = true;
        for (int i : {0, 1}) {
            // Text and shadow in one size, small enough for two lines: they wrap alike and nothing is cut off.
            g_.Label8(i).font.points = kPeerTextPoints;
            g_.Label8(i).move(kPeerTextMargin, g_.Label8(i).top(), g_.world.width() - 2 * kPeerTextMargin,
                              2 * Banner::kBannerHeight);
            g_.Label8(i).setCaption(text);
            g_.Label8(i).setVisible(true);
        }
        g_.Label8(1).outline = kPeerTextOutline;
        g_.Label8(1).outlineColour = g_.Label8(0).foreColour;
        return;
    }
    peerBanner_.shown = false;  // what the banner said comes back, in the language chosen meanwhile
    g_.Label8(1).outline = 0;
    for (int i : {0, 1}) {
        g_.Label8(i).font.points = peerBanner_.points[i];
        g_.Label8(i).move(0, g_.Label8(i).top(), g_.world.width(), peerBanner_.height);
        g_.Label8(i).setCaption(g_.banner().BannerInLanguage(peerBanner_.caption[i], g_.state.CzechUi == True));
        g_.Label8(i).setVisible(peerBanner_.visible);
    }
}

void NetPlay::NoteWaitForPeer(int delta) {
    if (g_.net_->waitingForPeer == 0 && delta > 0) g_.net_->waitSince = g_.loop().now();
    g_.net_->waitingForPeer += delta;
}

// Esc leaves any wait for the peer, at once (a battlefield being built included).
bool NetPlay::LeaveWaitForPeer() {
    if ((g_.net_->waitingForPeer == 0 && !g_.net_->resuming) || !g_.net_->linkUp) return false;
    PeerDisconnected(LinkEnd::WeLeft);  // "disconnect" goes to the peer on the way out
    return true;
}

}  // namespace gv
