// Network play: the host and the joiner, and the messages that keep both copies of the game in step.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "platform/numtext.h"
#include "game/banner.h"
#include "game/mainfrm.h"
#include "game/worldbuilder.h"
#include "game/records.h"
#include "game/netplay.h"
#include "game/chat.h"
#include "game/playback.h"
#include "net/link.h"

namespace gv {

void Mainfrm::LinkDeleter::operator()(Link* l) const { delete l; }

NetPlay::NetPlay(Mainfrm& game) : WindowPart(game) {}
NetPlay::~NetPlay() = default;

void NetPlay::WireNetwork() {
    g_.net_.reset(new Link(g_.loop()));
    g_.Option1.onClick = [this] { Option1_Click(); };
    g_.Option2.onClick = [this] { Option2_Click(); };
    g_.Option3.onClick = [this] { Option3_Click(); };
    g_.Command3.onClick = [this] { Command3_Click(); };
    g_.Command4.onClick = [this] { Command4_Click(); };
    g_.Command5.onClick = [this] { Command5_Click(); };
    g_.compname.onClick = [this] { compname_Click(); };
    g_.Invite.onClick = [this] { Invite_Click(); };
    g_.InviteCopy.onClick = [this] { InviteCopy_Click(); };
    g_.InviteUse.onClick = [this] { InviteUse_Click(); };
    g_.InvitePaste.onClick = [this] {
        g_.InviteUse.setDefault(true);
        g_.InvitePaste.setSelStart(0);
        g_.InvitePaste.setSelLength(int(g_.InvitePaste.text().size()));
    };
    g_.InviteCode.onClick = [this] {
        g_.InviteCode.setSelStart(0);
        g_.InviteCode.setSelLength(int(g_.InviteCode.text().size()));
    };
    // The code box shows our code and keeps it: it is there to be selected and copied, not edited.
    g_.InviteCode.onChange = [this] {
        if (g_.InviteCode.text() != g_.net_->code) g_.InviteCode.setText(g_.net_->code);
    };
    g_.tcpcontrol.onConnectionRequest = [this](int id) { tcpcontrol_ConnectionRequest(id); };
    g_.tcpcontrol.onDataArrival = [this](std::size_t n) { tcpcontrol_DataArrival(n); };
    g_.tcpcontrol.onClosed = [this](const std::string& reason) { tcpcontrol_Closed(reason); };
    g_.net_->shotTimer.onTimer = [this] { netshot_Timer(); };
    g_.net_->portMapper.onResult = [this](const PortMapResult& r) { TakePortMap(r); };
    g_.net_->liveTimer.onTimer = [this] { netlive_Timer(); };
    // A link that ended may have left its reason on the banner below the menu; New Game wants it back.
    auto newGame = g_.novahra.onClick;
    g_.novahra.onClick = [this, newGame] {
        if (g_.state.WorldBusy == False) g_.banner().RestoreBanner();
        if (newGame) newGame();
    };
}

// ---- The mode options and the network panel

void NetPlay::Option1_Click() { LeaveLink(); }
void NetPlay::Option2_Click() { LeaveLink(); }

// A local mode was chosen while a link is open: tell the peer and close it.
void NetPlay::LeaveLink() {
    if (!TransportOpen() && !g_.net_->linkUp) return;
    EndRecordOfLink();
    SendMessage(netmsg::plain(NetMessage::Disconnect));
    const bool czech = g_.state.CzechUi == True;
    const std::string &how = g_.net_->iceHow, &shown = g_.Label8(1).caption();
    const bool connectedShown = shown == Banner::ConnectedText(czech, how) || shown == Banner::ConnectedText(czech, how, true);
    EndLink();
    if (connectedShown) g_.banner().RestoreBanner();  // connected no more
    g_.novahra.setEnabled(true);
    g_.continue_.setEnabled(false);
}

void NetPlay::Option3_Click() {
    if (TransportOpen() || g_.net_->linkUp) return;
    g_.banner().RestoreBanner();
    g_.Command3.setDefault(true);
    g_.Label11.setCaption((g_.state.CzechUi == True ? "Vaše síťové jméno: " : "Your network name: ") +
                          TcpSocket::localHostName());
    ShowNetworkPanel(true);
}

void NetPlay::compname_Click() {
    g_.Command4.setDefault(true);
    g_.compname.setSelStart(0);
    g_.compname.setSelLength(int(g_.compname.text().size()));
}

// Host.
void NetPlay::Command3_Click() {
    // A hidden battlefield skips random draws: it must never reach a network game.
    g_.state.HellMode = False;
    g_.state.HellVariant = False;
    EndLink();
    if (RejoinBattle(true)) return;
    if (ListenAsHost() && g_.desktop.mapPorts) g_.net_->portMapper.start(g_.hostPort);
}

bool NetPlay::ListenAsHost() {
    g_.tcpcontrol.setLocalPort(g_.hostPort);
    g_.tcpcontrol.setRemotePort(g_.joinPort);
    g_.net_->role = Link::Role::Host;
    const bool czech = g_.state.CzechUi == True;
    if (g_.tcpcontrol.listen()) {
        g_.net_->liveTimer.setEnabled(true);
        g_.Label11.setCaption(czech ? "Čekám na připojení protihráče..." : "Waiting for opponent...");
        return true;
    }
    // Someone else has the port (often another copy of the game): say so, and let the user try again.
    EndLink();
    const std::string port = std::to_string(g_.hostPort);
    g_.Label11.setCaption(czech ? "Port " + port + " je obsazen" : "Port " + port + " is in use");
    return false;
}

// Join.
void NetPlay::Command4_Click() {
    g_.state.HellMode = False;
    g_.state.HellVariant = False;
    EndLink();
    g_.tcpcontrol.setLocalPort(g_.joinPort);  // taken by an earlier connection: the socket picks any free one
    g_.net_->joinName = g_.compname.text();
    const JoinAddress address = ReadJoinAddress(g_.net_->joinName);
    g_.net_->joinHost = address.host;
    g_.net_->joinHostPort = address.port ? address.port : g_.hostPort;
    g_.net_->taken = 0;
    g_.tcpcontrol.setRemotePort(g_.net_->joinHostPort);
    g_.tcpcontrol.setRemoteHost(address.host);
    g_.net_->role = Link::Role::Joiner;
    const bool czech = g_.state.CzechUi == True;
    if (address.ok) g_.SaveSetting("net.host", g_.net_->joinName);  // the next start offers it again
    if (address.ok && RejoinBattle(false)) return;
    if (address.ok && g_.tcpcontrol.connect()) {
        // Our greeting leaves as soon as the connection is there; the host answers it with "connectok".
        g_.tcpcontrol.send(WriteNetMessage(netmsg::greeting()) + "\n");
        NoteLinkTalk();
        g_.net_->lastHeard = g_.loop().now();
        g_.net_->liveTimer.setEnabled(true);
        g_.Label11.setCaption((czech ? "Připojuji se k " : "Connecting to ") + g_.net_->joinName);
        return;
    }
    EndLink();
    g_.Label11.setCaption((czech ? "Nelze se připojit k " : "Cannot connect to ") + g_.net_->joinName);
}

// Back.
void NetPlay::Command5_Click() {
    if (TransportOpen()) SendMessage(netmsg::plain(NetMessage::Disconnect));
    EndLink();
    HiddenPhrases h = ReadHiddenPhrases(g_.compname.text());
    g_.state.HellMode = flag(h.hell);
    g_.state.HellVariant = flag(h.hell && h.variant);
    g_.novahra.setDefault(true);
    ShowNetworkPanel(false);
    g_.Option1.setValue(true);
}

// ---- The socket's events

// Why a join failed, as the socket tells it, in the player's words.
std::string NetPlay::JoinFailure(const std::string& reason) const {
    const bool cz = g_.state.CzechUi == True;
    const std::string& name = g_.net_->joinName;
    if (reason == "connection refused") return cz ? "Na " + name + " nikdo nehostí" : "Nobody is hosting at " + name;
    if (reason == "host not found") return cz ? "Počítač " + name + " neexistuje" : "No such computer: " + name;
    if (reason == "timed out") return cz ? name + " neodpověděl včas" : name + " did not answer in time";
    if (reason == "network unreachable" || reason == "host unreachable")
        return cz ? "Síť k " + name + " nevede" : "No network reaches " + name;
    return (cz ? "Nelze se připojit k " : "Cannot connect to ") + name;
}

void NetPlay::JoinFailed(const std::string& reason) {
    EndLink();
    g_.Label11.setCaption(JoinFailure(reason));
}

void NetPlay::tcpcontrol_Closed(const std::string& reason) {
    Link& n = *g_.net_;
    if (n.closing || g_.unloaded()) return;
    if (n.resuming) return;                               // a dial that found nobody yet: the next one follows
    if (n.role == Link::Role::Host && !n.linkUp) return;  // the door stays open
    if (n.role == Link::Role::Joiner && !n.linkUp) {
        // Name not found, refused, timed out, or a host that was already taken.
        return JoinFailed(reason);
    }
    if (n.linkUp) {
        // Gone without a word: in a battle the joiner may come back; otherwise the link is over.
        if (!LoseLink(LinkEnd::PeerLeft)) PeerDisconnected(LinkEnd::PeerLeft);
        return;
    }
    EndLink();
}

void NetPlay::tcpcontrol_DataArrival(std::size_t /*bytesWaiting*/) { TakeBytes(g_.tcpcontrol.receive()); }

void NetPlay::TakeBytes(const std::string& bytes) {
    Link& n = *g_.net_;
    if (n.closing || g_.unloaded() || bytes.empty()) return;
    n.seatedAt = -1;  // the seated joiner speaks
    if (!n.takeBytes(bytes, g_.loop().now())) return PeerDisconnected(LinkEnd::NetworkError);
    DrainOne();
}

void NetPlay::ClearReceived() { g_.net_->clearReceived(); }

// Takes the oldest message and dispatches it. Dispatching may wait for later messages (the joiner builds
// a whole battlefield inside "R"), so the next one is taken by an event of its own, which the nested
// pumps of such a wait run.
void NetPlay::DrainOne() {
    Link& n = *g_.net_;
    std::string text;
    if (n.closing || g_.unloaded() || !n.nextMessage(text)) return;
    if (!n.inbox.empty()) {
        std::weak_ptr<char> alive = n.alive;
        g_.loop().post([this, alive] {
            if (alive.lock()) DrainOne();
        });
    }
    Dispatch(text);
}

void NetPlay::Dispatch(const std::string& text) {
    Link& n = *g_.net_;
    if (text.size() > kMaxMessage) {
        g_.state.SendText = text;
        PeerDisconnected(LinkEnd::NetworkError);
        return;
    }
    const NetMessage m = ReadNetMessage(text);
    if (m.key == NetMessage::KeepAlive) return;               // its program runs: that is all it says
    if (m.key == NetMessage::Chat) return g_.chat().Take(m);  // for the players only: no progress of the battle
    // A message: what a wait for the peer counts as its progress.
    n.lastMessage = g_.loop().now();
    ShowWaitingText(false);  // the waiting note goes, if it is up
    if (m.key == NetMessage::LinkName || m.key == NetMessage::Resume) {
        // The link's own business, no part of the battle.
        if (m.malformed || n.role != Link::Role::Joiner) return;
        if (m.key == NetMessage::LinkName) n.linkName = m.link;
        if (m.key == NetMessage::Resume && n.resuming && m.link == n.linkName) Resumed(m.sequence);
        return;
    }
    g_.state.SendText = text;
    if (m.malformed) {
        // Dropping it would leave a wait hanging for good: the link cannot go on.
        PeerDisconnected(LinkEnd::NetworkError);
        return;
    }
    g_.records().RecordMessage(false, text);
    Play(m);
}

// A well-formed message of a link that has greeted.
void NetPlay::Play(const NetMessage& m) {
    const bool joiner = g_.state.GameMode == mode::Joiner;
    switch (m.key) {
        case NetMessage::Greeting:
            // A host greets only a joiner of another version, to tell it so. Our own greeting coming back
            // means the dial reached this very connection (our address and a free port of our own): nobody
            // hosts there.
            if (g_.net_->role != Link::Role::Joiner || g_.net_->linkUp || m.version < 0) break;
            if (m.version != kProtocolVersion) return PeerDisconnected(LinkEnd::Mismatch);
            return JoinFailed("connection refused");
        case NetMessage::ConnectOk: return TakeConnectOk();
        case NetMessage::Disconnect: return PeerDisconnected(LinkEnd::PeerLeft);
        case NetMessage::DrawingOk: return TakeDrawingOk(m);
        case NetMessage::Exit:
        case NetMessage::Continue: return TakePause(m.key == NetMessage::Exit);
        case NetMessage::Battle:
            if (joiner) TakeBattle(m.seed);
            break;
        case NetMessage::Quake:
            if (!joiner) break;
            g_.state.RandomSeed = m.seed;
            g_.state.PeerSeedReady = True;
            break;
        case NetMessage::Shot:
            if (g_.Networked()) TakePeerShot(m.force, m.angle);
            break;
        case NetMessage::Wind:
            if (joiner) TakeWind(m.wind);
            break;
        case NetMessage::Crate:
            if (!joiner) break;
            g_.state.PeerBonusKind = std::uint8_t(m.kind);
            g_.state.PeerBonusShots = std::uint8_t(m.shots);
            g_.state.PeerBonusX = std::int16_t(m.left);
            break;
        case NetMessage::ShotDone: return TakeShotDone(m);
        case NetMessage::Hash:
            if (g_.Networked()) TakePeerHash(m.sequence, m.hash);
            break;
        case NetMessage::SeatKept:
            if (g_.net_->role == Link::Role::Joiner && !g_.net_->linkUp) {
                EndLink();
                g_.Label11.setCaption(g_.state.CzechUi == True ? "Hostitel čeká na návrat druhého hráče"
                                                               : "The host waits for its player to return");
            }
            break;
        case NetMessage::KeepAlive:
        case NetMessage::LinkName:
        case NetMessage::Resume:
        case NetMessage::Chat:
        case NetMessage::Unknown: break;
    }
}

// The host took our greeting: we are the joiner of a link.
void NetPlay::TakeConnectOk() {
    if (g_.net_->role != Link::Role::Joiner || g_.net_->linkUp) return;
    StartLink();
    ShowInvite("");  // an answer sent is spent
    // Answered at once, so the host knows the seat is taken by a copy of the game that runs.
    SendKeepAlive();
    g_.novahra.setDefault(true);
    ShowNetworkPanel(false);
    g_.novahra.setEnabled(false);  // only the host starts battles
    g_.state.GameMode = mode::Joiner;
    // Until the host's first battle replaces it.
    g_.banner().ShowMenuBanner(Banner::ConnectedText(g_.state.CzechUi == True, g_.net_->iceHow));
}

void NetPlay::TakeDrawingOk(const NetMessage& m) {
    g_.state.PeerDrawn = True;
    // Everything older of the peer came before this: nothing of an earlier battle still counts.
    g_.state.PeerShotDone = False;
    g_.state.PeerSeedReady = False;
    g_.state.PeerBonusKind = 0;
    g_.net_->peerShotPending = false;
    g_.net_->shotHeld = false;
    if (m.withWind && g_.state.GameMode == mode::Joiner) TakeWind(m.wind);
}

// The peer opened the pause menu ("exit") or closed it ("continue").
void NetPlay::TakePause(bool paused) {
    if (!g_.Networked() || g_.state.BattleOver == True) return;
    if (paused) {
        g_.continue_.setEnabled(true);
        g_.world.setEnabled(false);
        g_.Frame3.setVisible(true);
        return;
    }
    g_.Frame5.setVisible(false);
    g_.Frame3.setVisible(false);
    g_.continue_.setEnabled(false);
    g_.world.setEnabled(true);
}

void NetPlay::TakeShotDone(const NetMessage& m) {
    if (!g_.Networked()) return;
    if (g_.state.GameMode == mode::Joiner) {
        // The host draws the next wind as soon as it has our "bullfired": the hand-over goes on when that
        // wind is here too, so our next shot never flies with the last one's wind.
        g_.net_->peerShotPending = true;
        if (m.withWind) TakeWind(m.wind);
    } else {
        g_.state.PeerShotDone = True;
    }
}

void NetPlay::TakeWind(int strength) {
    g_.state.PeerWind = formatNumber(strength);
    g_.ChangeWind();
    if (g_.net_->peerShotPending) {
        g_.net_->peerShotPending = false;
        g_.state.PeerShotDone = True;
    }
}

// The joiner follows the host into a new battle.
void NetPlay::TakeBattle(const std::string& seed) {
    g_.state.RandomSeed = seed;
    ++g_.state.BattleNumber;  // whatever still waits in the old battle gives up
    NewBattleOnLink();
    g_.Frame3.setVisible(false);
    g_.HideBattle();
    g_.continue_.setEnabled(false);
    g_.banner().RestoreBanner();
    g_.Label8(0).setVisible(true);
    g_.Label8(1).setVisible(true);
    g_.builder().GenerateWorld();
}

// A new battle on the link (the host sent "R", or the joiner took it): hand-overs count from the start.
void NetPlay::NewBattleOnLink() {
    Link& n = *g_.net_;
    ++n.battles;
    n.newBattle();
    // Hashes of battles before the last one can never be matched now.
    n.hashes.forgetBefore(HashPoint(n.battles - 1, 0));
}

// ---- The end of a link

void NetPlay::CloseLinkForGood() {
    EndRecordOfLink();
    g_.net_->closing = true;
    if (TransportOpen()) SendMessage(netmsg::plain(NetMessage::Disconnect));
    EndLink();
}

void NetPlay::StartLink() {
    Link& n = *g_.net_;
    n.linkUp = true;
    g_.peerGone = false;
    n.battles = 0;
    n.hashes.clear();
    n.newBattle();
    n.sent = 0;
    n.sentLog.clear();
    n.lastHeard = g_.loop().now();
    n.liveTimer.setEnabled(true);
}

// We leave the link on purpose: its battle is over, and no restart of this copy comes back to it.
void NetPlay::EndRecordOfLink() {
    if (g_.recorder_.active() && g_.Networked()) g_.records().RecordEnd("link");
}

// Closes the socket and forgets the link; every wait for the peer ends.
void NetPlay::EndLink() {
    Link& n = *g_.net_;
    if (n.linkUp || TransportOpen()) g_.peerGone = true;
    CloseTransport();
    g_.tcpcontrol.setLocalPort(0);
    g_.tcpcontrol.setRemotePort(0);
    n.portMapper.stop();
    ForgetLink();
}

// Nothing of a link stays: no role, nothing received, no shot of the peer held or awaited, no timer, no
// waiting text.
void NetPlay::ForgetLink() {
    Link& n = *g_.net_;
    n.linkUp = false;
    n.role = Link::Role::None;
    DropCallers();
    n.resuming = false;
    n.iceHeld = false;
    n.iceGeneration = 0;
    n.restarted = false;
    n.peerHas = 0;
    n.seatedAt = -1;
    n.linkName = 0;
    n.sentLog.clear();
    ClearReceived();
    n.shotHeld = false;
    n.shotTimer.setEnabled(false);
    n.peerShotPending = false;
    n.liveTimer.setEnabled(false);
    ShowWaitingText(false);  // the waiting note goes, if it is up
    g_.chat().Reset();
}

void NetPlay::PeerDisconnected(LinkEnd why) {
    Link& n = *g_.net_;
    if (n.closing) return;
    if (g_.recorder_.active()) g_.records().RecordEnd(why == LinkEnd::OutOfStep ? "outofstep" : "link");
    g_.peerGone = true;
    ForgetLink();
    StopBattle();
    g_.world.setEnabled(false);
    g_.Frame3.setVisible(true);
    ShowNetworkPanel(false);
    g_.state.GameMode = mode::HotSeat;
    // Choosing two players ends the link from this side too: "disconnect" back, the socket closed,
    // New Game enabled again, Continue disabled.
    if (g_.Option1.value())
        Option1_Click();
    else
        g_.Option1.setValue(true);
    g_.Label11.setCaption("");
    if (TransportOpen()) EndLink();
    // A peer that vanished left the socket closed already, so the option found nothing to close.
    g_.novahra.setEnabled(true);
    g_.continue_.setEnabled(false);
    if (why != LinkEnd::WeLeft) ShowLinkEnd(why);
}

// The battle of a link that ended is over for good: nothing of it runs on behind the menu, and any wait
// inside it gives up, so New Game works on the first click.
void NetPlay::StopBattle() {
    ++g_.state.BattleNumber;
    g_.state.WorldBusy = False;
    g_.ResetHandOver();
    g_.StopBattleTimers();
}

void NetPlay::ShowLinkEnd(LinkEnd why) {
    const bool czech = g_.state.CzechUi == True;
    const char* text = "";
    switch (why) {
        case LinkEnd::PeerLeft: text = czech ? "Druhý hráč opustil hru" : "The other player left the game"; break;
        case LinkEnd::NotResponding: text = czech ? "Druhý hráč neodpovídá" : "The other player is not responding"; break;
        case LinkEnd::NoAnswer: text = czech ? "Hostitel neodpověděl" : "The host did not answer"; break;
        case LinkEnd::NetworkError: text = czech ? "Chyba sítě" : "Network error"; break;
        case LinkEnd::OutOfStep:
            text = czech ? "Hry se rozešly" : "Games out of step";
            // The record of this battle, with both sides' hashes, is what a bug report needs.
            if (!g_.recorder_.path().empty()) {
                std::fprintf(stderr, "gorvath: games out of step; saved for a bug report: %s\n", g_.recorder_.path().c_str());
                return g_.banner().ShowMenuBanner(std::string(text) + ". " +
                                                      (czech ? "Uloženo pro hlášení chyby: " : "Saved for a bug report: ") +
                                                      g_.recorder_.path(),
                                                  true);
            }
            break;
        case LinkEnd::Mismatch:
            text = czech ? "Druhá kopie hry Gorvath neodpovídá této" : "The other copy of Gorvath does not match this one";
            break;
        case LinkEnd::WeLeft: break;
    }
    g_.banner().ShowMenuBanner(text);
}

void NetPlay::SendMessage(const NetMessage& m) { SendMessage(WriteNetMessage(m)); }

void NetPlay::SendMessage(const std::string& text) {
    if (text.empty()) return;  // a message the peer would refuse is not sent
    g_.state.SendText = text;
    const bool now = NoteSent(text);
    g_.records().RecordMessage(true, text);
    // Over ICE the stream takes it even while it looks for a new path, and delivers it once it has one.
    if (now && (g_.net_->overIce || Carrying())) SendBytes(text + "\n");
}

// ---- The connection under the link: the TCP socket, or the ICE stream of an invite

bool NetPlay::Carrying() const {
    const Link& n = *g_.net_;
    return n.overIce ? n.ice && n.ice->connected() : g_.tcpcontrol.state() == TcpSocket::Connected;
}

bool NetPlay::TransportOpen() const {
    return g_.tcpcontrol.state() != TcpSocket::Closed || (g_.net_->ice && !g_.net_->ice->closed());
}

void NetPlay::SendBytes(const std::string& bytes) {
    Link& n = *g_.net_;
    if (n.overIce) {
        if (n.ice) n.ice->send(bytes);
        return;
    }
    g_.tcpcontrol.send(bytes);
}

void NetPlay::CloseTransport() {
    g_.tcpcontrol.close();
    DropIce();
}

}  // namespace gv
