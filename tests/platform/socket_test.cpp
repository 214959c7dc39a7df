// TcpSocket over real loopback connections, driven by the event loop as the game drives it.
#include <gtest/gtest.h>

#include <asio/ip/tcp.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../support/ports.h"
#include "platform/eventloop.h"
#include "platform/tcpsocket.h"

namespace {

using asio::ip::tcp;
using gv::TcpSocket;
using Clock = std::chrono::steady_clock;

using gv::testing::freePorts;

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
    ASSERT_NO_FATAL_FAILURE(dial(client, host, port));
    ASSERT_TRUE(waitFor(loop, [&] { return !se.requests.empty(); }));
    ASSERT_TRUE(server.accept(se.requests.back()));
    ASSERT_TRUE(waitFor(loop, [&] { return client.state() == TcpSocket::Connected; }));
    EXPECT_EQ(server.state(), TcpSocket::Connected);
}

// One message each way; each side gets exactly what the other sent.
void exchange(gv::EventLoop& loop, TcpSocket& a, Events& ae, TcpSocket& b, Events& be, const std::string& tag) {
    ae.received.clear();
    be.received.clear();
    ASSERT_TRUE(a.send("ping " + tag));
    ASSERT_TRUE(b.send("pong " + tag));
    const std::size_t n = 5 + tag.size();
    ASSERT_TRUE(waitFor(loop, [&] { return be.received.size() >= n && ae.received.size() >= n; }));
    EXPECT_EQ(be.received, "ping " + tag);
    EXPECT_EQ(ae.received, "pong " + tag);
}

class Socket : public ::testing::Test {
protected:
    gv::RealDriver clock;
    gv::EventLoop loop{&clock};
    TcpSocket server{loop};
    TcpSocket client{loop};
    Events se, ce;

    void SetUp() override { ce.attach(client); }
};

TEST_F(Socket, DestroyingWithEventsQueuedIsSafe) {
    auto doomed = std::make_unique<TcpSocket>(loop);
    ASSERT_NO_FATAL_FAILURE(connectPair(loop, *doomed, se, client, freePorts(1)));
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

TEST_F(Socket, AcceptTakesOneRequestDropsTheOthersAndRefusesLaterOnes) {
    se.attach(server);
    EXPECT_FALSE(server.accept(1));
    const int port = freePorts(1);
    server.setLocalPort(port);
    ASSERT_TRUE(server.listen());
    TcpSocket other(loop);
    Events oe;
    oe.attach(other);
    ASSERT_NO_FATAL_FAILURE(dial(client, "127.0.0.1", port));
    ASSERT_NO_FATAL_FAILURE(dial(other, "127.0.0.1", port));
    ASSERT_TRUE(waitFor(loop, [&] { return se.requests.size() == 2 && other.state() == TcpSocket::Connected; }));
    EXPECT_NE(se.requests[0], se.requests[1]);
    EXPECT_FALSE(server.accept(se.requests[0] + se.requests[1]));
    EXPECT_EQ(server.state(), TcpSocket::Listening);
    ASSERT_TRUE(server.accept(se.requests[0]));
    EXPECT_FALSE(server.accept(se.requests[0])) << "a request is taken only once";
    EXPECT_FALSE(server.accept(se.requests[1])) << "accepting ends listening and the other requests";
    // The dropped client hears its connection end; the taken one carries on.
    ASSERT_TRUE(waitFor(loop, [&] { return ce.closed.size() + oe.closed.size() == 1; }));
    const bool clientDropped = !ce.closed.empty();
    ASSERT_NO_FATAL_FAILURE(
        exchange(loop, clientDropped ? other : client, clientDropped ? oe : ce, server, se, "chosen"));
}

}  // namespace
