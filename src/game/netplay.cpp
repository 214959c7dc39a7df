// Network play: the host and the joiner, and the messages that keep both copies of the game in step.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "platform/numtext.h"
#include "game/mainfrm.h"
#include "net/link.h"

namespace gv {

void Mainfrm::LinkDeleter::operator()(Link* l) const { delete l; }

void Mainfrm::WireNetwork() {
    net_.reset(new Link(loop()));
    Option1.onClick = [this] { Option1_Click(); };
    Option2.onClick = [this] { Option2_Click(); };
    Option3.onClick = [this] { Option3_Click(); };
    Command3.onClick = [this] { Command3_Click(); };
    Command4.onClick = [this] { Command4_Click(); };
    Command5.onClick = [this] { Command5_Click(); };
    compname.onClick = [this] { compname_Click(); };
    tcpcontrol.onConnectionRequest = [this](int id) { tcpcontrol_ConnectionRequest(id); };
    tcpcontrol.onDataArrival = [this](std::size_t n) { tcpcontrol_DataArrival(n); };
    tcpcontrol.onClosed = [this](const std::string& reason) { tcpcontrol_Closed(reason); };
    net_->shotTimer.onTimer = [this] { netshot_Timer(); };
    net_->portMapper.onResult = [this](const PortMapResult& r) { TakePortMap(r); };
    net_->liveTimer.onTimer = [this] { netlive_Timer(); };
    // A link that ended may have left its reason on the banner below the menu; New Game wants it back.
    auto newGame = novahra.onClick;
    novahra.onClick = [this, newGame] {
        if (state.WorldBusy == False) RestoreBanner();
        if (newGame) newGame();
    };
}

// ---- The mode options and the network panel

void Mainfrm::Option1_Click() { LeaveLink(); }
void Mainfrm::Option2_Click() { LeaveLink(); }

// A local mode was chosen while a link is open: tell the peer and close it.
void Mainfrm::LeaveLink() {
    if (tcpcontrol.state() == TcpSocket::Closed && !net_->linkUp) return;
    EndRecordOfLink();
    SendMessage(netmsg::plain(NetMessage::Disconnect));
    EndLink();
    if (Label8(1).caption() == ConnectedText(state.CzechUi == True)) RestoreBanner();  // connected no more
    novahra.setEnabled(true);
    continue_.setEnabled(false);
}

void Mainfrm::Option3_Click() {
    if (tcpcontrol.state() != TcpSocket::Closed || net_->linkUp) return;
    RestoreBanner();
    Command3.setDefault(true);
    Label11.setCaption((state.CzechUi == True ? "Vaše síťové jméno: " : "Your network name: ") + TcpSocket::localHostName());
    Frame4.setVisible(true);
}

void Mainfrm::compname_Click() {
    Command4.setDefault(true);
    compname.setSelStart(0);
    compname.setSelLength(int(compname.text().size()));
}

// Host.
void Mainfrm::Command3_Click() {
    // A hidden battlefield skips random draws: it must never reach a network game.
    state.HellMode = False;
    state.HellVariant = False;
    EndLink();
    if (RejoinBattle(true)) return;
    if (ListenAsHost() && desktop.mapPorts) net_->portMapper.start(hostPort);
}

bool Mainfrm::ListenAsHost() {
    tcpcontrol.setLocalPort(hostPort);
    tcpcontrol.setRemotePort(joinPort);
    net_->role = Link::Role::Host;
    const bool czech = state.CzechUi == True;
    if (tcpcontrol.listen()) {
        net_->liveTimer.setEnabled(true);
        Label11.setCaption(czech ? "Čekám na připojení protihráče..." : "Waiting for opponent...");
        return true;
    }
    // Someone else has the port (often another copy of the game): say so, and let the user try again.
    EndLink();
    const std::string port = std::to_string(hostPort);
    Label11.setCaption(czech ? "Port " + port + " je obsazen" : "Port " + port + " is in use");
    return false;
}

// Join.
void Mainfrm::Command4_Click() {
    state.HellMode = False;
    state.HellVariant = False;
    EndLink();
    tcpcontrol.setLocalPort(joinPort);  // taken by an earlier connection: the socket picks any free one
    net_->joinName = compname.text();
    const JoinAddress address = ReadJoinAddress(net_->joinName);
    net_->joinHost = address.host;
    net_->joinHostPort = address.port ? address.port : hostPort;
    net_->taken = 0;
    tcpcontrol.setRemotePort(net_->joinHostPort);
    tcpcontrol.setRemoteHost(address.host);
    net_->role = Link::Role::Joiner;
    const bool czech = state.CzechUi == True;
    if (address.ok) SaveSetting("net.host", net_->joinName);  // the next start offers it again
    if (address.ok && RejoinBattle(false)) return;
    if (address.ok && tcpcontrol.connect()) {
        // Our greeting leaves as soon as the connection is there; the host answers it with "connectok".
        tcpcontrol.send(WriteNetMessage(netmsg::greeting()) + "\n");
        NoteLinkTalk();
        net_->lastHeard = loop().now();
        net_->liveTimer.setEnabled(true);
        Label11.setCaption((czech ? "Připojuji se k " : "Connecting to ") + net_->joinName);
        return;
    }
    EndLink();
    Label11.setCaption((czech ? "Nelze se připojit k " : "Cannot connect to ") + net_->joinName);
}

// Back.
void Mainfrm::Command5_Click() {
    if (tcpcontrol.state() != TcpSocket::Closed) {
        SendMessage(netmsg::plain(NetMessage::Disconnect));
    }
    EndLink();
    HiddenPhrases h = ReadHiddenPhrases(compname.text());
    state.HellMode = flag(h.hell);
    state.HellVariant = flag(h.hell && h.variant);
    novahra.setDefault(true);
    Frame4.setVisible(false);
    Option1.setValue(true);
}

// ---- The socket's events

// Why a join failed, as the socket tells it, in the player's words.
std::string Mainfrm::JoinFailure(const std::string& reason) const {
    const bool cz = state.CzechUi == True;
    const std::string& name = net_->joinName;
    if (reason == "connection refused") return cz ? "Na " + name + " nikdo nehostí" : "Nobody is hosting at " + name;
    if (reason == "host not found") return cz ? "Počítač " + name + " neexistuje" : "No such computer: " + name;
    if (reason == "timed out") return cz ? name + " neodpověděl včas" : name + " did not answer in time";
    if (reason == "network unreachable" || reason == "host unreachable")
        return cz ? "Síť k " + name + " nevede" : "No network reaches " + name;
    return (cz ? "Nelze se připojit k " : "Cannot connect to ") + name;
}

void Mainfrm::tcpcontrol_Closed(const std::string& reason) {
    Link& n = *net_;
    if (n.closing || unloaded()) return;
    if (n.resuming) return;                               // a dial that found nobody yet: the next one follows
    if (n.role == Link::Role::Host && !n.linkUp) return;  // the door stays open
    if (n.role == Link::Role::Joiner && !n.linkUp) {
        // Name not found, refused, timed out, or a host that was already taken.
        EndLink();
        Label11.setCaption(JoinFailure(reason));
        return;
    }
    if (n.linkUp) {
        // Gone without a word: in a battle the joiner may come back; otherwise the link is over.
        if (!LoseLink(LinkEnd::PeerLeft)) PeerDisconnected(LinkEnd::PeerLeft);
        return;
    }
    EndLink();
}

void Mainfrm::tcpcontrol_DataArrival(std::size_t /*bytesWaiting*/) { TakeBytes(tcpcontrol.receive()); }

void Mainfrm::TakeBytes(const std::string& bytes) {
    Link& n = *net_;
    if (n.closing || unloaded() || bytes.empty()) return;
    n.seatedAt = -1;  // the seated joiner speaks
    if (!n.takeBytes(bytes, loop().now())) return PeerDisconnected(LinkEnd::NetworkError);
    DrainOne();
}

void Mainfrm::ClearReceived() { net_->clearReceived(); }

// Takes the oldest message and dispatches it. Dispatching may wait for later messages (the joiner builds
// a whole battlefield inside "R"), so the next one is taken by an event of its own, which the nested
// pumps of such a wait run.
void Mainfrm::DrainOne() {
    Link& n = *net_;
    std::string text;
    if (n.closing || unloaded() || !n.nextMessage(text)) return;
    if (!n.inbox.empty()) {
        std::weak_ptr<char> alive = n.alive;
        loop().post([this, alive] {
            if (alive.lock()) DrainOne();
        });
    }
    Dispatch(text);
}

void Mainfrm::Dispatch(const std::string& text) {
    Link& n = *net_;
    if (text.size() > kMaxMessage) {
        state.SendText = text;
        PeerDisconnected(LinkEnd::NetworkError);
        return;
    }
    const NetMessage m = ReadNetMessage(text);
    if (m.key == NetMessage::KeepAlive) return;  // its program runs: that is all it says
    // A message: what a wait for the peer counts as its progress.
    n.lastMessage = loop().now();
    ShowWaitingText(false);  // the waiting note goes, if it is up
    if (m.key == NetMessage::LinkName || m.key == NetMessage::Resume) {
        // The link's own business, no part of the battle.
        if (m.malformed || n.role != Link::Role::Joiner) return;
        if (m.key == NetMessage::LinkName) n.linkName = m.link;
        if (m.key == NetMessage::Resume && n.resuming && m.link == n.linkName) Resumed(m.sequence);
        return;
    }
    state.SendText = text;
    if (m.malformed) {
        // Dropping it would leave a wait hanging for good: the link cannot go on.
        PeerDisconnected(LinkEnd::NetworkError);
        return;
    }
    RecordMessage(false, text);
    Play(m);
}

// A well-formed message of a link that has greeted.
void Mainfrm::Play(const NetMessage& m) {
    const bool joiner = state.GameMode == mode::Joiner;
    switch (m.key) {
        case NetMessage::Greeting:
            // A host greets only a joiner of another version, to tell it so.
            if (net_->role == Link::Role::Joiner && !net_->linkUp && m.version >= 0) PeerDisconnected(LinkEnd::Mismatch);
            break;
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
            state.RandomSeed = m.seed;
            state.PeerSeedReady = True;
            break;
        case NetMessage::Shot:
            if (Networked()) TakePeerShot(m.force, m.angle);
            break;
        case NetMessage::Wind:
            if (joiner) TakeWind(m.wind);
            break;
        case NetMessage::Crate:
            if (!joiner) break;
            state.PeerBonusKind = std::uint8_t(m.kind);
            state.PeerBonusShots = std::uint8_t(m.shots);
            state.PeerBonusX = std::int16_t(m.left);
            break;
        case NetMessage::ShotDone: return TakeShotDone(m);
        case NetMessage::Hash:
            if (Networked()) TakePeerHash(m.sequence, m.hash);
            break;
        case NetMessage::SeatKept:
            if (net_->role == Link::Role::Joiner && !net_->linkUp) {
                EndLink();
                Label11.setCaption(state.CzechUi == True ? "Hostitel čeká na návrat druhého hráče"
                                                         : "The host waits for its player to return");
            }
            break;
        case NetMessage::KeepAlive:
        case NetMessage::LinkName:
        case NetMessage::Resume:
        case NetMessage::Unknown: break;
    }
}

// The host took our greeting: we are the joiner of a link.
void Mainfrm::TakeConnectOk() {
    if (net_->role != Link::Role::Joiner || net_->linkUp) return;
    StartLink();
    // Answered at once, so the host knows the seat is taken by a copy of the game that runs.
    SendKeepAlive();
    novahra.setDefault(true);
    Frame4.setVisible(false);
    novahra.setEnabled(false);  // only the host starts battles
    state.GameMode = mode::Joiner;
    ShowMenuBanner(ConnectedText(state.CzechUi == True));  // until the host's first battle replaces it
}

void Mainfrm::TakeDrawingOk(const NetMessage& m) {
    state.PeerDrawn = True;
    // Everything older of the peer came before this: nothing of an earlier battle still counts.
    state.PeerShotDone = False;
    state.PeerSeedReady = False;
    state.PeerBonusKind = 0;
    net_->peerShotPending = false;
    net_->shotHeld = false;
    if (m.withWind && state.GameMode == mode::Joiner) TakeWind(m.wind);
}

// The peer opened the pause menu ("exit") or closed it ("continue").
void Mainfrm::TakePause(bool paused) {
    if (!Networked() || state.BattleOver == True) return;
    if (paused) {
        continue_.setEnabled(true);
        world.setEnabled(false);
        Frame3.setVisible(true);
        return;
    }
    Frame5.setVisible(false);
    Frame3.setVisible(false);
    continue_.setEnabled(false);
    world.setEnabled(true);
}

void Mainfrm::TakeShotDone(const NetMessage& m) {
    if (!Networked()) return;
    if (state.GameMode == mode::Joiner) {
        // The host draws the next wind as soon as it has our "bullfired": the hand-over goes on when that
        // wind is here too, so our next shot never flies with the last one's wind.
        net_->peerShotPending = true;
        if (m.withWind) TakeWind(m.wind);
    } else {
        state.PeerShotDone = True;
    }
}

void Mainfrm::TakeWind(int strength) {
    state.PeerWind = formatNumber(strength);
    ChangeWind();
    if (net_->peerShotPending) {
        net_->peerShotPending = false;
        state.PeerShotDone = True;
    }
}

// The joiner follows the host into a new battle.
void Mainfrm::TakeBattle(const std::string& seed) {
    state.RandomSeed = seed;
    ++state.BattleNumber;  // whatever still waits in the old battle gives up
    NewBattleOnLink();
    Frame3.setVisible(false);
    HideBattle();
    continue_.setEnabled(false);
    RestoreBanner();
    Label8(0).setVisible(true);
    Label8(1).setVisible(true);
    GenerateWorld();
}

// A new battle on the link (the host sent "R", or the joiner took it): hand-overs count from the start.
void Mainfrm::NewBattleOnLink() {
    Link& n = *net_;
    ++n.battles;
    n.newBattle();
    // Hashes of battles before the last one can never be matched now.
    const long long oldest = HashPoint(n.battles - 1, 0);
    for (auto* m : {&n.ownHashes, &n.peerHashes})
        for (auto it = m->begin(); it != m->end();) it = it->first < oldest ? m->erase(it) : std::next(it);
}

// ---- The end of a link

void Mainfrm::CloseLinkForGood() {
    EndRecordOfLink();
    net_->closing = true;
    if (tcpcontrol.state() != TcpSocket::Closed) {
        SendMessage(netmsg::plain(NetMessage::Disconnect));
    }
    EndLink();
}

void Mainfrm::StartLink() {
    Link& n = *net_;
    n.linkUp = true;
    peerGone = false;
    n.battles = 0;
    n.ownHashes.clear();
    n.peerHashes.clear();
    n.newBattle();
    n.sent = 0;
    n.sentLog.clear();
    n.lastHeard = loop().now();
    n.liveTimer.setEnabled(true);
}

// We leave the link on purpose: its battle is over, and no restart of this copy comes back to it.
void Mainfrm::EndRecordOfLink() {
    if (recorder_.active() && Networked()) RecordEnd("link");
}

// Closes the socket and forgets the link; every wait for the peer ends.
void Mainfrm::EndLink() {
    Link& n = *net_;
    if (n.linkUp || tcpcontrol.state() != TcpSocket::Closed) peerGone = true;
    tcpcontrol.close();
    tcpcontrol.setLocalPort(0);
    tcpcontrol.setRemotePort(0);
    n.portMapper.stop();
    ForgetLink();
}

// Nothing of a link stays: no role, nothing received, no shot of the peer held or awaited, no timer, no
// waiting text.
void Mainfrm::ForgetLink() {
    Link& n = *net_;
    n.linkUp = false;
    n.role = Link::Role::None;
    DropCallers();
    n.resuming = false;
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
}

void Mainfrm::PeerDisconnected(LinkEnd why) {
    Link& n = *net_;
    if (n.closing) return;
    if (recorder_.active()) RecordEnd(why == LinkEnd::OutOfStep ? "outofstep" : "link");
    peerGone = true;
    ForgetLink();
    StopBattle();
    world.setEnabled(false);
    Frame3.setVisible(true);
    Frame4.setVisible(false);
    state.GameMode = mode::HotSeat;
    // Choosing two players ends the link from this side too: "disconnect" back, the socket closed,
    // New Game enabled again, Continue disabled.
    if (Option1.value())
        Option1_Click();
    else
        Option1.setValue(true);
    Label11.setCaption("");
    if (tcpcontrol.state() != TcpSocket::Closed) EndLink();
    // A peer that vanished left the socket closed already, so the option found nothing to close.
    novahra.setEnabled(true);
    continue_.setEnabled(false);
    if (why != LinkEnd::WeLeft) ShowLinkEnd(why);
}

// The battle of a link that ended is over for good: nothing of it runs on behind the menu, and any wait
// inside it gives up, so New Game works on the first click.
void Mainfrm::StopBattle() {
    ++state.BattleNumber;
    state.WorldBusy = False;
    ResetHandOver();
    StopBattleTimers();
}

void Mainfrm::ShowLinkEnd(LinkEnd why) {
    const bool czech = state.CzechUi == True;
    const char* text = "";
    switch (why) {
        case LinkEnd::PeerLeft: text = czech ? "Druhý hráč opustil hru" : "The other player left the game"; break;
        case LinkEnd::NotResponding: text = czech ? "Druhý hráč neodpovídá" : "The other player is not responding"; break;
        case LinkEnd::NoAnswer: text = czech ? "Hostitel neodpověděl" : "The host did not answer"; break;
        case LinkEnd::NetworkError: text = czech ? "Chyba sítě" : "Network error"; break;
        case LinkEnd::OutOfStep:
            text = czech ? "Hry se rozešly" : "Games out of step";
            // The record of this battle, with both sides' hashes, is what a bug report needs.
            if (!recorder_.path().empty()) {
                std::fprintf(stderr, "gorvath: games out of step; saved for a bug report: %s\n", recorder_.path().c_str());
                return ShowMenuBanner(std::string(text) + ". " +
                                          (czech ? "Uloženo pro hlášení chyby: " : "Saved for a bug report: ") + recorder_.path(),
                                      true);
            }
            break;
        case LinkEnd::Mismatch:
            text = czech ? "Druhá kopie hry Gorvath neodpovídá této" : "The other copy of Gorvath does not match this one";
            break;
        case LinkEnd::WeLeft: break;
    }
    ShowMenuBanner(text);
}

void Mainfrm::SendMessage(const NetMessage& m) { SendMessage(WriteNetMessage(m)); }

}  // namespace gv
