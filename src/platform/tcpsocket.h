#pragma once
// The stream socket component `tcpcontrol`: one TCP connection (or one listening port) driven from the
// event loop on the UI thread. Every operation returns at once; errors never throw into the game, they
// change the state and are reported through the return value or the closed event.
#include "platform/asio.h"
#include <asio/ip/tcp.hpp>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/eventloop.h"

namespace gv {

class TcpSocket {
public:
    // The component's states; only Closed is zero.
    enum State {
        Closed = 0,
        Listening = 2,
        ResolvingHost = 4,
        Connecting = 6,
        Connected = 7,
        Error = 9,
    };

    explicit TcpSocket(EventLoop& loop);
    ~TcpSocket();
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Ends any connection or listening; closing a closed socket does nothing. Raises no event. The bytes
    // sent on a connection leave first, as far as the network takes them at once (a peer told goodbye
    // hears it); those waiting for a connect that has not come yet are dropped.
    void close();

    void setLocalPort(int port) { localPort_ = port; }    // 0 clears the setting
    void setRemotePort(int port) { remotePort_ = port; }  // 0 clears the setting
    void setRemoteHost(std::string host) { remoteHost_ = std::move(host); }
    int localPort() const { return localPort_; }
    int remotePort() const { return remotePort_; }
    const std::string& remoteHost() const { return remoteHost_; }

    // Listens on the local port (IPv6 and IPv4 where the machine has them) for incoming connections,
    // with SO_REUSEADDR. Each incoming connection raises onConnectionRequest. False (state Error) when
    // the port cannot be taken.
    bool listen();
    // Starts resolving the remote host and connecting to each of its addresses in turn, from the local
    // port when one is set (falling back to any free port when it is taken). Returns at once; false only
    // when the call itself is unusable (no host or port). Success shows as state Connected, failure as
    // state Error with onClosed.
    bool connect();
    // Takes over the incoming connection `requestId`; stops listening unless told to go on (then later
    // requests wait until this connection is dropped or listening stops). False when the request is gone.
    bool accept(int requestId, bool keepListening = false);
    // Hands the incoming connection `requestId` to `into`, which becomes Connected with it and raises its
    // own events; this socket goes on listening. False when the request is gone.
    bool handOff(int requestId, TcpSocket& into);
    // Takes over the connection of `from`, with the bytes it has not received yet; `from` is left Closed.
    // A connection of our own is dropped first; listening goes on until stopListening().
    void takeOver(TcpSocket& from);
    // Ends the connection but not the listening: back to Listening, and a request that waited is raised
    // again. Without a listener it is close().
    void dropConnection();
    // The connection breaks under both ends, as when the network between them fails: each end's next read
    // finds it closed. For tests and tools that break links on purpose.
    void breakConnection();
    // Stops listening and refuses the requests that waited; the connection stays.
    void stopListening();
    // Queues the bytes to the peer, in order; while a connect is under way they leave once it succeeds.
    // False when neither connected nor connecting.
    bool send(std::string_view data);
    // All bytes that arrived and were not yet received. At most kMaxInbox wait here: past that the
    // socket reads no more until they are received, so a flood stays in the kernel's buffers.
    std::string receive();
    static constexpr std::size_t kMaxInbox = 1024 * 1024;
    std::size_t bytesAvailable() const { return inbox_.size(); }

    int state() const { return state_; }
    static std::string localHostName();

    // Events, run from the event loop (never from inside asio).
    std::function<void(int requestId)> onConnectionRequest;
    std::function<void(std::size_t bytesWaiting)> onDataArrival;
    // The connection was closed by the peer or failed (including a connect that found no peer).
    std::function<void(const std::string& reason)> onClosed;

private:
    struct Impl;
    void setState(State s);
    EventLoop& loop_;
    std::unique_ptr<Impl> impl_;
    State state_ = Closed;
    int localPort_ = 0;
    int remotePort_ = 0;
    std::string remoteHost_;
    std::string inbox_;
    std::string early_;  // sent while still connecting
};

}  // namespace gv
