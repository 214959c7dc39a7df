#pragma once
// Network play as the window plays it: the mode options and the network panel, the socket's events, the
// messages that keep both copies of a battle in step, the host's door, a broken link that comes back and a
// battle computed again to rejoin it. It drives the window (`Mainfrm`) and the link (`Link`).
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "net/link.h"
#include "net/protocol.h"
#include "platform/portmap.h"
#include "game/windowpart.h"

namespace gv {

class Mainfrm;
struct NetCaller;
namespace replay {
class Playback;
}

class NetPlay : public WindowPart {
public:
    explicit NetPlay(Mainfrm& game);
    ~NetPlay();
    using LinkEnd = gv::LinkEnd;

    // Called once at construction: connects the network controls and the socket's events.
    void WireNetwork();
    // A battlefield has been built (both copies past "drawingok"), and the peer's "bullfired" was taken.
    void AfterBattlefieldBuilt();
    void AfterPeerShotDone();

    // The mode options, the network panel and the socket's events.
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Command3_Click();  // Host
    void Command4_Click();  // Join
    void Command5_Click();  // Back
    void compname_Click();
    void tcpcontrol_ConnectionRequest(int requestId);
    void tcpcontrol_DataArrival(std::size_t bytesWaiting);
    void tcpcontrol_Closed(const std::string& reason);
    void netshot_Timer();
    void netlive_Timer();
    // Bytes as they come from the peer, in pieces of any size (the socket's arrivals come here).
    void TakeBytes(const std::string& bytes);
    // Bytes from a connection at the host's door that has not greeted yet.
    void TakeCallerBytes(NetCaller& c, const std::string& bytes);
    // A wait for the peer begins (+1) or ends (-1); a long one shows the waiting text.
    void NoteWaitForPeer(int delta);
    // Esc while the waiting text shows: "disconnect" to the peer and back to the menu. False otherwise.
    bool LeaveWaitForPeer();

    // As a received "disconnect": back to the menu in two-player mode, every wait for the peer ends.
    void PeerDisconnected(LinkEnd why = LinkEnd::PeerLeft);
    // The hash of the battle state both copies must hold alike (48 bits).
    std::uint64_t SharedStateHash() const;
    // The window closes: "disconnect" to a connected peer, the socket closed, nothing more dispatched.
    void CloseLinkForGood();
    // A local mode was chosen, or a record is watched: the link closes and the peer is told.
    void LeaveLink();
    // Whatever still runs or waits in the battle stops: its timers, its hand-over.
    void StopBattle();
    // A link opens (a record of it begins) or ends (the socket closed, the link forgotten).
    void StartLink();
    void EndLink();
    // The network panel, and beside it the invite panel where this copy can make invites.
    void ShowNetworkPanel(bool show);
    // The invite panel: through any router by ICE.
    void Invite_Click();
    void InviteCopy_Click();
    void InviteUse_Click();
    // Puts the text into `SendText` and sends it as one message.
    void SendMessage(const std::string& text);
    void SendMessage(const NetMessage& m);

private:
    // The connection under the link: the TCP socket, or the ICE stream of an invite once it carries the link.
    bool Carrying() const;       // connected: bytes sent now reach the peer
    bool TransportOpen() const;  // anything open: listening, connecting, connected, an invite's stream
    void SendBytes(const std::string& bytes);
    void CloseTransport();
    void SayToCaller(NetCaller& c, const std::string& message);
    // Invites: the stream made for one, its events, and its end.
    void MakeIceStream(bool controlling);
    void IceGathered(const IceCredentials& local);
    void IceConnected(const std::string& how);
    void IceClosed(const std::string& reason);
    void IceLost();
    void IceBytes();
    void DropIce();
    void ShowInvite(const std::string& code);
    void InviteNote(const char* czech, const char* english);
    void ForgetLink();
    void DrainOne();
    void Dispatch(const std::string& text);
    void Play(const NetMessage& m);
    void TakeConnectOk();
    void TakeDrawingOk(const NetMessage& m);
    void TakePause(bool paused);
    void TakeShotDone(const NetMessage& m);
    void TakeWind(int strength);
    void TakeBattle(const std::string& seed);
    void TakePeerShot(const std::string& force, const std::string& angle);
    bool ReadyForPeerShot() const;
    void CheckHeldShot();
    void FirePeerShot(const std::string& force, const std::string& angle);
    void SendHash(long long sequence);
    void TakePeerHash(long long sequence, std::uint64_t hash);
    // What a hash pair said: the link ends when the copies went out of step or the peer ran far ahead.
    void Judge(const HashPairs::Verdict& v);
    void ShowLinkEnd(LinkEnd why);
    std::string JoinFailure(const std::string& reason) const;
    // A join that found no host ends, and the network panel says why.
    void JoinFailed(const std::string& reason);
    void TakeGreeting();
    void ClearReceived();
    void NoteLinkTalk();
    void SendKeepAlive();
    void ShowWaitingText(bool show);
    // The banner over the battlefield tells the player about the link; "" gives back what it said before.
    void ShowPeerText(const std::string& text);
    // Connections that have not greeted yet, and a broken link that comes back.
    void DropCaller(NetCaller& c);
    void DropCallers();
    void CheckCallers(double now);
    void Seat(NetCaller& c);
    void TakeReturn(NetCaller& c, const NetMessage& m);
    // A joiner that took the seat and said nothing at all: the seat is free again.
    void FreeSeat();
    // Host: listening on the hosting port, the panel says so; false when the port is taken (said too).
    bool ListenAsHost();
    // Host or Join after this copy was closed by force in a network battle: the battle is computed again
    // from its record and waits for the peer. False when there is no such battle to come back to.
    bool RejoinBattle(bool host);
    void RejoinCaughtUp();
    void CannotRejoin();
    bool LoseLink(LinkEnd why);
    void TakePortMap(const PortMapResult& r);
    void ResumeTick(double now);
    bool HoldIceLink(double now);
    void ShowCountdown(double left);
    void Resumed(long long peerTook);
    void NewBattleOnLink();
    // What we tell the peer marks points of our own battle too (a new battle, our player's shot), and is
    // kept to send again after a broken link. False while the link is broken: it leaves when it is back.
    bool NoteSent(const std::string& text);
    void EndRecordOfLink();

    std::unique_ptr<replay::Playback> rejoining_;         // computing an interrupted network battle again
    std::chrono::steady_clock::time_point rejoinLostAt_;  // when it broke off, by its record
    // The banner while it tells the player about the link (ShowPeerText), and what it said before, which
    // comes back.
    struct PeerBanner {
        bool shown = false;
        std::string caption[2];
        bool visible = false;
        double points[2] = {0, 0}, height = 0;
    } peerBanner_;
};

}  // namespace gv
