#pragma once
// A byte stream to a peer found by ICE: one libnice agent in its reliable mode (pseudo-TCP over the
// UDP pair ICE selects), one stream of one component. GLib's main loop runs on a thread of its own with a
// context of its own; everything the agent says reaches the game through the event loop's io_context, so
// the events below run on the loop's thread, as TcpSocket's do, and nothing throws into the game.
// Built where libnice is (GORVATH_ICE); elsewhere (the Windows build) a stream that is never available.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/eventloop.h"

namespace gv {

// What one side tells the other: its ICE user fragment, password and candidates.
struct IceCredentials {
    struct Candidate {
        enum class Type { Host, ServerReflexive, PeerReflexive, Relayed } type = Type::Host;
        enum class Transport { Udp, TcpActive, TcpPassive, TcpSo } transport = Transport::Udp;
        std::string address;  // IPv4 dotted or IPv6 text, as inet_ntop writes it ("10.0.0.2", "2001:db8::1")
        std::uint16_t port = 0;
        std::uint32_t priority = 0;
        std::uint8_t component = 1;  // 1 or 2
        std::string foundation;      // 1 to 32 ICE characters (letters, digits, '+', '/')
        bool operator==(const Candidate&) const = default;
    };
    std::string ufrag, password;
    std::vector<Candidate> candidates;
    bool operator==(const IceCredentials&) const = default;
};

class IceStream {
public:
    // The controlling side (the host) nominates the pair.
    IceStream(EventLoop& loop, bool controlling);
    ~IceStream();
    IceStream(const IceStream&) = delete;
    IceStream& operator=(const IceStream&) = delete;

    // Whether this build can make ICE streams at all.
    static bool available();

    // Before gather(): servers (names are looked up on the stream's own thread, before it gathers; one not
    // found is left out; of the STUN servers the first found is the one asked), and the local addresses to
    // gather on (none named: every interface but loopback).
    void addStunServer(const std::string& host, int port);
    void addTurnServer(const std::string& host, int port, const std::string& user, const std::string& password, bool tcp);
    void addLocalAddress(const std::string& address);
    // Gives up a connect() that has not succeeded after this long (30 s unless set). Until then a check
    // that failed is no verdict: the peer may not have our credentials yet, and its checks still come.
    void setConnectTimeout(int ms) { connectTimeoutMs_ = ms; }

    // Gathers the local candidates; onGathered brings them with this side's credentials.
    void gather();
    // After onGathered: takes the peer's credentials and starts the checks; onConnected or onClosed follows.
    void connect(const IceCredentials& remote);
    // After onLost: ICE again on the same sockets and relays, with credentials both sides make from the first
    // ones and `generation` (1 for the first reconnect, counted alike on both sides), so the players need
    // no new codes. Checks that fail are made again every moment, until the connect's timeout;
    // onConnected or onClosed follows. The byte stream goes on where it was: what was under way, and what
    // is sent meanwhile, arrives once the new path is there, in order.
    void reconnect(int generation);
    // The path fails under this side at once, as when the peer stops answering its checks: onLost follows.
    // For tests that break links on purpose.
    void breakConnection();
    // Queues bytes to the peer, in order; they leave once connected. False when closed.
    bool send(std::string_view data);
    // All bytes that arrived and were not yet received.
    std::string receive();
    std::size_t bytesAvailable() const { return inbox_.size(); }
    // Ends the stream at once (bytes not yet sent are dropped; the peer hears it closed once the relays are
    // given back). Raises no event.
    void close();
    bool connected() const { return connected_; }
    bool closed() const { return closed_; }
    // Once connected: whether this side ended up controlling, and how the peers reach each other.
    bool controlling() const { return controlling_; }
    const std::string& how() const { return how_; }
    // Once connected, the pair ICE chose: this side's candidate and the peer's (of the type the peer announced).
    const IceCredentials::Candidate& localCandidate() const { return local_; }
    const IceCredentials::Candidate& remoteCandidate() const { return remoteChosen_; }

    std::function<void(const IceCredentials& local)> onGathered;
    // How the peers reach each other: "direct", "hole-punched" or "relayed".
    std::function<void(const std::string& how)> onConnected;
    std::function<void(std::size_t bytesWaiting)> onReadyRead;
    std::function<void(const std::string& reason)> onClosed;
    // The pair that was connected failed (the peer is gone, or the path between): the stream is not closed,
    // and reconnect() may bring it back.
    std::function<void()> onLost;

private:
    struct Impl;
    struct Bridge;
    // While gathering, connecting or connected the game's loop watches the stream and wakes for its events.
    void awake(bool on);
    void finish(const std::string& reason);
    void arrived(const IceCredentials::Candidate& local, const IceCredentials::Candidate& remote, bool controlling);
    void take(const std::string& bytes);
    void lost();

    EventLoop& loop_;
    std::shared_ptr<Bridge> bridge_;
    std::unique_ptr<Impl> impl_;
    std::string inbox_;
    IceCredentials remote_;
    IceCredentials::Candidate local_, remoteChosen_;
    int connectTimeoutMs_ = 30000;
    bool connected_ = false;
    bool closed_ = false;
    bool controlling_ = false;
    bool awake_ = false;
    std::string how_;
};

}  // namespace gv
