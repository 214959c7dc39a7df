// TcpSocket over real loopback connections, driven by the event loop as the game drives it.
#include <gtest/gtest.h>

#include <asio/ip/tcp.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/eventloop.h"
#include "platform/tcpsocket.h"

namespace {

using asio::ip::tcp;
using gv::TcpSocket;
using Clock = std::chrono::steady_clock;

// Every test has ports of its own so parallel runs do not meet.
enum Port : int {
    kIPv4 = 47610, kLocalhost, kIPv6, kLocalServer, kLocalClient, kLocalTaken, kLocalServer2, kLarge, kInOrder, kNested,
    kPeerClose, kServerClose, kDestroy, kRefused, kInUse, kLater, kPending, kVirtual, kVirtualRefused,
};

// Runs the loop until `done` holds or `ms` of real time have passed; says whether `done` held.
bool waitFor(gv::EventLoop& loop, const std::function<bool()>& done, double ms = 5000) {
    auto end = Clock::now() + std::chrono::duration<double, std::milli>(ms);
    bool ok = false;
    loop.waitUntil([&] { return (ok = done()) || Clock::now() > end; });
    return ok;
}

// What one socket raised; its data handler takes everything as it comes.
struct Events {
    std::vector<int> requests;
    std::string received;
    std::vector<std::string> closed;

    void attach(TcpSocket& s) {
        s.onConnectionRequest = [this](int id) { requests.push_back(id); };
        s.onDataArrival = [this, &s](std::size_t waiting) {
            EXPECT_EQ(waiting, s.bytesAvailable());
            received += s.receive();
        };
        s.onClosed = [this](const std::string& reason) { closed.push_back(reason); };
    }
};

void dial(TcpSocket& s, const std::string& host, int port) {
    s.setRemoteHost(host);
    s.setRemotePort(port);
    ASSERT_TRUE(s.connect());
}

// Listens on `port`, connects the client from `host`, accepts its request: both end Connected.
void connectPair(gv::EventLoop& loop, TcpSocket& server, Events& se, TcpSocket& client, int port,
                 const std::string& host = "127.0.0.1") {
    se = Events{};
    se.attach(server);
    server.setLocalPort(port);
    ASSERT_TRUE(server.listen());
    ASSERT_EQ(server.state(), TcpSocket::Listening);
    ASSERT_NO_FATAL_FAILURE(dial(client, host, port));
    ASSERT_TRUE(waitFor(loop, [&] { return !se.requests.empty(); }));
    ASSERT_TRUE(server.accept(se.requests.back()));
    EXPECT_EQ(server.state(), TcpSocket::Connected);
    ASSERT_TRUE(waitFor(loop, [&] { return client.state() == TcpSocket::Connected; }));
}

// One message each way; each side gets exactly what the other sent.
void exchange(gv::EventLoop& loop, TcpSocket& a, Events& ae, TcpSocket& b, Events& be, const std::string& tag) {
    ae.received.clear();
    be.received.clear();
    ASSERT_TRUE(a.send("ping " + tag));
    ASSERT_TRUE(b.send("pong " + tag));
    std::size_t size = 5 + tag.size();
    ASSERT_TRUE(waitFor(loop, [&] { return be.received.size() >= size && ae.received.size() >= size; }));
    EXPECT_EQ(be.received, "ping " + tag);
    EXPECT_EQ(ae.received, "pong " + tag);
}

// A plain listener outside TcpSocket that notes the port each peer came from.
struct PortWatcher {
    tcp::acceptor acceptor;
    tcp::socket peer;
    unsigned short peerPort = 0;
    PortWatcher(asio::io_context& io, int port)
        : acceptor(io, tcp::endpoint(asio::ip::address_v4::loopback(), static_cast<unsigned short>(port))), peer(io) {
        acceptor.async_accept(peer, [this](const asio::error_code& ec) {
            asio::error_code ignored;
            if (!ec) peerPort = peer.remote_endpoint(ignored).port();
        });
    }
};

class SocketTest : public ::testing::Test {
protected:
    gv::RealDriver clock;
    gv::EventLoop loop{&clock};
    TcpSocket server{loop};
    TcpSocket client{loop};
    Events se, ce;

    void SetUp() override { ce.attach(client); }
};

using SocketConnect = SocketTest;
using SocketTransfer = SocketTest;
using SocketClose = SocketTest;
using SocketFailure = SocketTest;
using SocketListen = SocketTest;

TEST_F(SocketConnect, ByIPv4Address) {
    ASSERT_NO_FATAL_FAILURE(connectPair(loop, server, se, client, kIPv4));
    ASSERT_NO_FATAL_FAILURE(exchange(loop, client, ce, server, se, "v4"));
    ASSERT_NO_FATAL_FAILURE(exchange(loop, server, se, client, ce, "again"));
    EXPECT_TRUE(ce.closed.empty() && se.closed.empty());
}

TEST_F(SocketConnect, ByLocalhost) {
    ASSERT_NO_FATAL_FAILURE(connectPair(loop, server, se, client, kLocalhost, "localhost"));
    ASSERT_NO_FATAL_FAILURE(exchange(loop, client, ce, server, se, "localhost"));
}

TEST_F(SocketConnect, ByIPv6LoopbackOnTheSameListener) {
    asio::error_code ec;
    tcp::acceptor probe(loop.io());
    probe.open(tcp::v6(), ec);
    if (!ec) probe.bind(tcp::endpoint(asio::ip::address_v6::loopback(), 0), ec);
    if (ec) GTEST_SKIP() << "no IPv6 loopback here";
    probe.close(ec);
    ASSERT_NO_FATAL_FAILURE(connectPair(loop, server, se, client, kIPv6, "::1"));
    ASSERT_NO_FATAL_FAILURE(exchange(loop, client, ce, server, se, "v6"));
}

TEST_F(SocketConnect, UsesTheLocalPortAndFallsBackWhenItIsTaken) {
    PortWatcher watcher(loop.io(), kLocalServer);
    client.setLocalPort(kLocalClient);
    ASSERT_NO_FATAL_FAILURE(dial(client, "127.0.0.1", kLocalServer));
    ASSERT_TRUE(waitFor(loop, [&] { return client.state() == TcpSocket::Connected && watcher.peerPort; }));
    EXPECT_EQ(watcher.peerPort, kLocalClient);
    // The accepting side closes first, so the client's port is free again at once for the next run.
    watcher.peer.close();
    ASSERT_TRUE(waitFor(loop, [&] { return !ce.closed.empty(); }));

    tcp::acceptor taken(loop.io(), tcp::endpoint(tcp::v4(), kLocalTaken));
    PortWatcher second(loop.io(), kLocalServer2);
    client.setLocalPort(kLocalTaken);
    ASSERT_NO_FATAL_FAILURE(dial(client, "127.0.0.1", kLocalServer2));
    ASSERT_TRUE(waitFor(loop, [&] { return client.state() == TcpSocket::Connected && second.peerPort; }));
    EXPECT_NE(second.peerPort, kLocalTaken);
}

TEST_F(SocketTransfer, LargePayloadArrivesCompleteAndInOrderBothWays) {
    ASSERT_NO_FATAL_FAILURE(connectPair(loop, server, se, client, kLarge));
    std::string payload(200 * 1024, '\0');
    for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>((i * 7 + i / 256) & 0xff);
    ASSERT_TRUE(client.send(payload));
    ASSERT_TRUE(server.send(payload));
    std::size_t n = payload.size();
    ASSERT_TRUE(waitFor(loop, [&] { return se.received.size() >= n && ce.received.size() >= n; }, 10000));
    EXPECT_TRUE(se.received == payload) << "the bytes arrived altered or out of order";
    EXPECT_TRUE(ce.received == payload) << "the bytes arrived altered or out of order";
}

TEST_F(SocketTransfer, SeveralSendsArriveInOrderAndReceiveTakesThemAll) {
    ASSERT_NO_FATAL_FAILURE(connectPair(loop, server, se, client, kInOrder));
    server.onDataArrival = nullptr;  // nobody takes the bytes as they come
    std::string expected;
    for (int i = 0; i < 300; ++i) {
        std::string message = "<" + std::to_string(i) + ">" + std::string(i % 50, static_cast<char>(i));
        expected += message;
        ASSERT_TRUE(client.send(message));
    }
    ASSERT_TRUE(waitFor(loop, [&] { return server.bytesAvailable() >= expected.size(); }));
    EXPECT_TRUE(server.receive() == expected);
    EXPECT_EQ(server.bytesAvailable(), 0u);
}

TEST_F(SocketTransfer, DataHandlerMayWaitForMoreData) {
    ASSERT_NO_FATAL_FAILURE(connectPair(loop, server, se, client, kNested));
    int depth = 0, deepest = 0;
    bool innerDone = false;
    std::string got;
    server.onDataArrival = [&](std::size_t) {
        deepest = std::max(deepest, ++depth);
        got += server.receive();
        if (depth == 1 && got == "first") {
            EXPECT_TRUE(client.send("second"));
            // The next arrival is dispatched while this handler is still running.
            innerDone = waitFor(loop, [&] { return got.size() >= 11; });
        }
        --depth;
    };
    ASSERT_TRUE(client.send("first"));
    ASSERT_TRUE(waitFor(loop, [&] { return got.size() >= 11 && depth == 0; }));
    EXPECT_TRUE(innerDone);
    EXPECT_EQ(got, "firstsecond");
    EXPECT_EQ(deepest, 2);
}

TEST_F(SocketClose, PeerCloseReachesTheOtherSideAfterItsLastBytes) {
    ASSERT_NO_FATAL_FAILURE(connectPair(loop, server, se, client, kPeerClose));
    ASSERT_TRUE(client.send("last words"));
    client.close();
    EXPECT_EQ(client.state(), TcpSocket::Closed);
    EXPECT_FALSE(client.send("too late"));
    ASSERT_TRUE(waitFor(loop, [&] { return !se.closed.empty(); }));
    EXPECT_EQ(se.received, "last words");
    EXPECT_EQ(server.state(), TcpSocket::Closed);
    // Closing what is already closed raises nothing and changes nothing.
    server.close();
    client.close();
    EXPECT_FALSE(waitFor(loop, [&] { return se.closed.size() > 1 || !ce.closed.empty(); }, 200));
    EXPECT_EQ(server.state(), TcpSocket::Closed);
    EXPECT_FALSE(loop.socketsActive());
}

TEST_F(SocketClose, ServerCloseReachesTheClientAndThePortCanBeListenedOnAgainAtOnce) {
    ASSERT_NO_FATAL_FAILURE(connectPair(loop, server, se, client, kServerClose));
    server.close();  // the server side closes first, so its port lingers in TIME_WAIT
    ASSERT_TRUE(waitFor(loop, [&] { return !ce.closed.empty(); }));
    EXPECT_EQ(ce.closed.front(), "closed by peer");
    EXPECT_EQ(client.state(), TcpSocket::Closed);
    EXPECT_TRUE(se.closed.empty());
    ASSERT_NO_FATAL_FAILURE(connectPair(loop, server, se, client, kServerClose));
    ASSERT_NO_FATAL_FAILURE(exchange(loop, client, ce, server, se, "after"));
}

TEST_F(SocketClose, DestroyingWithEventsQueuedIsSafe) {
    auto doomed = std::make_unique<TcpSocket>(loop);
    ASSERT_NO_FATAL_FAILURE(connectPair(loop, *doomed, se, client, kDestroy));
    bool raised = false;
    doomed->onDataArrival = [&](std::size_t) { raised = true; };
    doomed->onClosed = [&](const std::string&) { raised = true; };
    ASSERT_TRUE(client.send("unread"));
    client.close();
    // Let the completions queue their events without the loop dispatching them.
    auto end = Clock::now() + std::chrono::seconds(5);
    while (!loop.hasPending() && Clock::now() < end) {
        if (loop.io().stopped()) loop.io().restart();
        loop.io().run_one_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(loop.hasPending());
    doomed.reset();
    waitFor(loop, [] { return false; }, 100);
    EXPECT_FALSE(raised);
    EXPECT_FALSE(loop.socketsActive());
}

TEST_F(SocketFailure, ConnectToAClosedPortEndsInError) {
    ASSERT_NO_FATAL_FAILURE(dial(client, "127.0.0.1", kRefused));
    ASSERT_TRUE(waitFor(loop, [&] { return !ce.closed.empty(); }));
    EXPECT_EQ(client.state(), TcpSocket::Error);
    EXPECT_EQ(ce.closed.front(), "connection refused");
    client.close();
    EXPECT_EQ(client.state(), TcpSocket::Closed);
}

TEST_F(SocketFailure, UnresolvableHostEndsInError) {
    ASSERT_NO_FATAL_FAILURE(dial(client, "no-such-host.invalid", kRefused));
    EXPECT_NE(client.state(), TcpSocket::Closed);
    ASSERT_TRUE(waitFor(loop, [&] { return !ce.closed.empty(); }, 30000));
    EXPECT_EQ(client.state(), TcpSocket::Error);
    EXPECT_EQ(ce.closed.front(), "host not found");
}

TEST_F(SocketFailure, ListenOnAPortInUseFails) {
    se.attach(server);
    server.setLocalPort(kInUse);
    ASSERT_TRUE(server.listen());
    TcpSocket second(loop);
    second.setLocalPort(kInUse);
    EXPECT_FALSE(second.listen());
    EXPECT_EQ(second.state(), TcpSocket::Error);
    // The first listener is untouched.
    ASSERT_NO_FATAL_FAILURE(dial(client, "127.0.0.1", kInUse));
    ASSERT_TRUE(waitFor(loop, [&] { return !se.requests.empty(); }));
}

TEST_F(SocketListen, LaterConnectionDoesNotDisturbTheAcceptedOne) {
    ASSERT_NO_FATAL_FAILURE(connectPair(loop, server, se, client, kLater));
    TcpSocket intruder(loop);
    Events ie;
    ie.attach(intruder);
    ASSERT_NO_FATAL_FAILURE(dial(intruder, "127.0.0.1", kLater));
    ASSERT_TRUE(waitFor(loop, [&] { return !ie.closed.empty(); }));
    EXPECT_EQ(intruder.state(), TcpSocket::Error);
    EXPECT_EQ(se.requests.size(), 1u);
    ASSERT_NO_FATAL_FAILURE(exchange(loop, client, ce, server, se, "still here"));
}

TEST_F(SocketListen, KeepsAcceptingAndDropsTheRequestsNotTaken) {
    se.attach(server);
    EXPECT_FALSE(server.accept(1));
    server.setLocalPort(kPending);
    ASSERT_TRUE(server.listen());
    TcpSocket other(loop);
    Events oe;
    oe.attach(other);
    ASSERT_NO_FATAL_FAILURE(dial(client, "127.0.0.1", kPending));
    ASSERT_NO_FATAL_FAILURE(dial(other, "127.0.0.1", kPending));
    ASSERT_TRUE(waitFor(loop, [&] { return se.requests.size() == 2 && other.state() == TcpSocket::Connected; }));
    EXPECT_NE(se.requests[0], se.requests[1]);
    EXPECT_FALSE(server.accept(se.requests[0] + se.requests[1]));
    EXPECT_EQ(server.state(), TcpSocket::Listening);
    ASSERT_TRUE(server.accept(se.requests[0]));
    EXPECT_FALSE(server.accept(se.requests[0])) << "a request is taken only once";
    EXPECT_FALSE(server.accept(se.requests[1])) << "accepting ends listening and the other requests";
    // The dropped client hears its connection end; the taken one carries on.
    ASSERT_TRUE(waitFor(loop, [&] { return ce.closed.size() + oe.closed.size() == 1; }));
    bool clientDropped = !ce.closed.empty();
    TcpSocket& kept = clientDropped ? other : client;
    ASSERT_NO_FATAL_FAILURE(exchange(loop, kept, clientDropped ? oe : ce, server, se, "chosen"));
}

TEST(SocketVirtualClock, WaitUntilStillSeesSocketEvents) {
    gv::EventLoop loop;
    ASSERT_TRUE(loop.isVirtual());
    TcpSocket server(loop), client(loop);
    Events se, ce;
    ce.attach(client);
    ASSERT_NO_FATAL_FAILURE(connectPair(loop, server, se, client, kVirtual));
    ASSERT_NO_FATAL_FAILURE(exchange(loop, client, ce, server, se, "virtual"));
    client.close();
    ASSERT_TRUE(waitFor(loop, [&] { return !se.closed.empty(); }));

    ASSERT_NO_FATAL_FAILURE(dial(client, "127.0.0.1", kVirtualRefused));
    ASSERT_TRUE(waitFor(loop, [&] { return !ce.closed.empty(); }));
    EXPECT_EQ(client.state(), TcpSocket::Error);
    // With every socket closed nothing can happen any more: the wait says so instead of hanging.
    client.close();
    EXPECT_THROW(loop.waitUntil([] { return false; }), gv::WaitStalled);
}

}  // namespace
