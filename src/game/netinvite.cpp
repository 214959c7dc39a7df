// Invites: two players behind any routers reach each other by ICE. The host's "Invite" opens hosting as
// "Host game" does (a friend who can join directly still may) and makes an offer code; the joiner pastes it
// into "Use code" and gets an answer code to send back; the host pastes that, and the stream connects. From
// then on the stream carries the link as the TCP socket does: the greeting at the host's door, the
// keep-alives, the hashes and the record are the same.
#include <algorithm>
#include <cstdio>
#include <random>

#include "game/banner.h"
#include "game/mainfrm.h"
#include "game/netplay.h"
#include "net/invite.h"
#include "net/link.h"

namespace gv {

namespace {
// The host waits this long for the stream once it has the answer; the joiner, who sent its answer by hand,
// waits for the host to paste it.
constexpr int kHostConnectMs = 45000, kJoinerConnectMs = 10 * 60 * 1000;

// What an unreadable code is, in the player's words (`host`: the host pasted it, expecting an answer).
std::string CodeProblem(InviteProblem p, bool host, bool czech) {
    switch (p) {
        case InviteProblem::Empty: return czech ? "Nejdřív vložte kód" : "Paste a code first";
        case InviteProblem::Foreign: return czech ? "To není kód Gorvathu" : "That is not a Gorvath code";
        case InviteProblem::NewerVersion:
            return czech ? "Kód je z novější verze hry; aktualizujte ji" : "The code is from a newer version; update the game";
        case InviteProblem::Damaged:
            return czech ? "Kód je poškozený; zkopírujte jej znovu celý" : "The code is damaged; copy it again, whole";
        case InviteProblem::Truncated:
            return czech ? "Kód je neúplný; zkopírujte jej znovu celý" : "The code is cut short; copy it again, whole";
        case InviteProblem::WrongKind:
            if (host) return czech ? "To je pozvánka; vložte odpověď přítele" : "That is an invite; paste your friend's answer";
            return czech ? "To je odpověď; patří hostiteli" : "That is an answer; it belongs to the host";
        case InviteProblem::None: break;
    }
    return {};
}

// A stream whose path failed before the link was up: the invite is spent.
constexpr const char* kPathLost = "lost";

// Why a stream ended before it carried the link.
std::string StreamProblem(const std::string& reason, bool czech) {
    if (reason == "no network address to offer")
        return czech ? "Tento počítač není připojen k žádné síti" : "This computer is on no network";
    if (reason == kPathLost)
        return czech ? "Spojení s přítelem se ztratilo; zkuste novou pozvánku"
                     : "The way to your friend was lost; try a new invite";
    return czech ? "Spojení se nenašlo; zkuste novou pozvánku" : "No way through was found; try a new invite";
}
}  // namespace

void NetPlay::ShowNetworkPanel(bool show) {
    g_.Frame4.setVisible(show);
    g_.FrameInvite.setVisible(show && IceStream::available());
}

void NetPlay::InviteNote(const char* czech, const char* english) {
    g_.InviteNote.setCaption(g_.state.CzechUi == True ? czech : english);
}

void NetPlay::ShowInvite(const std::string& code) {
    g_.net_->code = code;
    g_.InviteCode.setText(code);
    g_.InviteCode.setSelStart(0);
    if (!code.empty()) g_.setClipboardText(code);
}

// Invite: hosting as "Host game" does, and an offer code for a friend behind any router.
void NetPlay::Invite_Click() {
    if (!IceStream::available()) return;
    Command3_Click();
    Link& n = *g_.net_;
    if (n.linkUp || n.resuming || rejoining_) return;  // a battle to come back to was found instead
    // A port taken by another program closes only the direct door: the invite needs none.
    n.role = Link::Role::Host;
    n.liveTimer.setEnabled(true);
    std::random_device entropy;
    n.offer = Invite{};
    n.offer.hosting = entropy() | 1;
    ShowInvite("");
    InviteNote("Připravuji pozvánku...", "Making an invite...");
    MakeIceStream(true);
}

void NetPlay::InviteCopy_Click() {
    if (g_.net_->code.empty()) return;
    g_.setClipboardText(g_.net_->code);
    InviteNote("Kód je ve schránce", "The code is on the clipboard");
}

// Use code: the host takes its friend's answer; anyone else takes an invite and answers it.
void NetPlay::InviteUse_Click() {
    if (!IceStream::available()) return;
    Link& n = *g_.net_;
    const bool czech = g_.state.CzechUi == True;
    const std::string text = g_.InvitePaste.text();
    if (n.role == Link::Role::Host && n.ice && !n.ice->closed() && !n.linkUp && n.offer.kind == Invite::Kind::Offer &&
        !n.code.empty()) {
        const InviteRead answer = ReadInvite(text, Invite::Kind::Answer);
        if (!answer.invite) return g_.InviteNote.setCaption(CodeProblem(answer.problem, true, czech));
        if (answer.invite->hosting != n.offer.hosting)
            return InviteNote("Odpověď patří ke starší pozvánce; pošlete příteli tu nynější",
                              "That answer is for an older invite; send your friend the one above");
        n.ice->setConnectTimeout(kHostConnectMs);
        n.ice->connect({answer.invite->ufrag, answer.invite->password, answer.invite->candidates});
        InviteNote("Spojuji se s přítelem...", "Connecting to your friend...");
        return;
    }
    const InviteRead offer = ReadInvite(text, Invite::Kind::Offer);
    if (!offer.invite) return g_.InviteNote.setCaption(CodeProblem(offer.problem, false, czech));
    g_.state.HellMode = False;
    g_.state.HellVariant = False;
    EndLink();  // our own hosting, if any, ends: its invite expires
    n.role = Link::Role::Joiner;
    n.taken = 0;
    n.joinName.clear();
    n.offer = *offer.invite;
    InviteNote("Připravuji odpověď...", "Making the answer...");
    MakeIceStream(false);
}

void NetPlay::MakeIceStream(bool controlling) {
    Link& n = *g_.net_;
    DropIce();
    n.iceHow.clear();
    n.ice = std::make_unique<IceStream>(g_.loop(), controlling);
    IceStream& s = *n.ice;
    for (const IceServer& v : ReadIceServers(g_.settings_.get("net.stun").value_or(""), false).value_or(std::vector<IceServer>{}))
        s.addStunServer(v.host, v.port);
    for (const IceServer& v :
         ReadIceServers(g_.settings_.get("net.turn").value_or(""), true).value_or(std::vector<IceServer>{})) {
        if (v.udp) s.addTurnServer(v.host, v.port, v.user, v.password, false);
        if (v.tcp) s.addTurnServer(v.host, v.port, v.user, v.password, true);
    }
    for (const std::string& a : g_.desktop.iceAddresses) s.addLocalAddress(a);
    s.setConnectTimeout(controlling ? kHostConnectMs : kJoinerConnectMs);
    s.onGathered = [this](const IceCredentials& local) { IceGathered(local); };
    s.onConnected = [this](const std::string& how) { IceConnected(how); };
    s.onReadyRead = [this](std::size_t) { IceBytes(); };
    s.onClosed = [this](const std::string& reason) { IceClosed(reason); };
    s.onLost = [this] { IceLost(); };
    s.gather();
}

// Our candidates are here: the code that carries them, shown and on the clipboard. The joiner starts its
// checks at once; they go on until the host has pasted the answer and its checks come.
void NetPlay::IceGathered(const IceCredentials& local) {
    Link& n = *g_.net_;
    const bool host = n.role == Link::Role::Host;
    Invite mine;
    mine.kind = host ? Invite::Kind::Offer : Invite::Kind::Answer;
    mine.hosting = n.offer.hosting;
    mine.ufrag = local.ufrag;
    mine.password = local.password;
    mine.candidates = InviteCandidates(local.candidates);
    const std::string code = WriteInvite(mine);
    if (code.empty()) {
        DropIce();
        return InviteNote("Z adres tohoto počítače nelze udělat kód", "This computer's addresses make no code");
    }
    ShowInvite(code);
    if (host) {
        InviteNote("Pozvánka je ve schránce: pošlete ji příteli a jeho odpověď vložte sem",
                   "The invite is on the clipboard: send it to your friend and paste their answer here");
        return;
    }
    InviteNote("Odpověď je ve schránce: pošlete ji hostiteli a počkejte",
               "The answer is on the clipboard: send it to the host and wait");
    n.ice->connect({n.offer.ufrag, n.offer.password, n.offer.candidates});
}

// The stream found a way: at the host it knocks at the door as a TCP connection would, at the joiner it
// greets the host.
void NetPlay::IceConnected(const std::string& how) {
    Link& n = *g_.net_;
    n.iceHow = how;
    std::fprintf(stderr, "gorvath: the invite's stream found a way to the other player: %s\n", how.c_str());
    if (n.overIce) return;  // the link's stream found a new path: the battle goes on (HoldIceLink)
    if (n.role == Link::Role::Host) {
        auto c = std::make_shared<NetCaller>(g_.loop());
        c->viaIce = true;
        c->since = g_.loop().now();
        n.callers.push_back(std::move(c));
        InviteNote("Spojeno; přítel se hlásí...", "Connected; your friend is greeting...");
        return IceBytes();
    }
    n.overIce = true;
    SendBytes(WriteNetMessage(netmsg::greeting()) + "\n");
    NoteLinkTalk();
    n.lastHeard = g_.loop().now();
    n.liveTimer.setEnabled(true);
    InviteNote("Spojeno; hostitel odpovídá...", "Connected; the host is answering...");
}

void NetPlay::IceBytes() {
    Link& n = *g_.net_;
    if (!n.ice) return;
    if (n.overIce) return TakeBytes(n.ice->receive());
    // Bytes may come before the stream has told this side it is connected: they wait in it for the door.
    for (const auto& c : n.callers)
        if (c->viaIce) return TakeCallerBytes(*c, n.ice->receive());
}

// The path under a link over ICE failed. In a battle the stream starts again on its sockets and relays,
// and the battle waits for it, counting down (HoldIceLink); otherwise the link is over. Before the link is
// up (the host has not answered the greeting yet) so is the invite.
void NetPlay::IceLost() {
    Link& n = *g_.net_;
    if (n.closing || g_.unloaded() || !n.ice) return;
    if (!n.linkUp) return IceClosed(kPathLost);
    if (n.battles == 0 || g_.state.BattleOver == True) return PeerDisconnected(LinkEnd::PeerLeft);
    const double now = g_.loop().now();
    if (!HoldIceLink(now) || !n.ice) return;  // the countdown, from now or from a silence waited for already
    n.ice->setConnectTimeout(int(std::max(1.0, linktime::kComeback - (now - n.lostAt))));
    n.ice->reconnect(++n.iceGeneration);
}

void NetPlay::IceClosed(const std::string& reason) {
    Link& n = *g_.net_;
    if (n.closing || g_.unloaded()) return;
    if (n.overIce && n.linkUp) return PeerDisconnected(LinkEnd::PeerLeft);  // no way back to the peer
    const bool czech = g_.state.CzechUi == True;
    if (n.role == Link::Role::Joiner) {
        EndLink();
        return g_.InviteNote.setCaption(StreamProblem(reason, czech));
    }
    // The host goes on hosting: a friend may still join directly, or by a new invite.
    for (const auto& c : n.callers)
        if (c->viaIce) {
            DropCaller(*c);
            break;
        }
    DropIce();
    g_.InviteNote.setCaption(StreamProblem(reason, czech));
}

// The invite's stream ends; its code with it.
void NetPlay::DropIce() {
    Link& n = *g_.net_;
    n.overIce = false;
    ShowInvite("");
    if (!n.ice) return;
    // Safe inside the stream's own event: it touches nothing of itself after its handler.
    n.ice->close();
    n.ice.reset();
}

}  // namespace gv
