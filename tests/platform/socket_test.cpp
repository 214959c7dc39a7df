// TcpSocket over a real loopback connection, driven by the event loop as the game drives it.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "../support/ports.h"
#include "platform/eventloop.h"
#include "platform/tcpsocket.h"

namespace {

using gv::TcpSocket;
using Clock = std::chrono::steady_clock;

// Runs the loop until `done` holds or `ms` of real time have passed; says whether `done` held.
bool waitFor(gv::EventLoop& loop, const std::function<bool()>& done, double ms = 5000) {
    auto end = Clock::now() + std::chrono::duration<double, std::milli>(ms);
    bool ok = false;
    loop.waitUntil([&] { return (ok = done()) || Clock::now() > end; });
    return ok;
}

TEST(Socket, DestroyingWithEventsQueuedIsSafe) {
    gv::RealDriver clock;
    gv::EventLoop loop{&clock};
    TcpSocket client{loop};
    auto doomed = std::make_unique<TcpSocket>(loop);
    // A linked pair: the doomed socket listens and accepts the client.
    int request = -1;
    doomed->onConnectionRequest = [&](int id) { request = id; };
    doomed->setLocalPort(gv::testing::freePorts(1));
    ASSERT_TRUE(doomed->listen());
    client.setRemoteHost("127.0.0.1");
    client.setRemotePort(doomed->localPort());
    ASSERT_TRUE(client.connect());
    ASSERT_TRUE(waitFor(loop, [&] { return request >= 0; }));
    ASSERT_TRUE(doomed->accept(request));
    ASSERT_TRUE(waitFor(loop, [&] { return client.state() == TcpSocket::Connected; }));
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

}  // namespace
