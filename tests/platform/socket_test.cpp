// TcpSocket over a real loopback connection, driven by the event loop as the game drives it.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "../support/ports.h"
#include "platform/tcpsocket.h"

namespace {

using gv::TcpSocket;
using gv::testing::waitFor;

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
    ASSERT_TRUE(waitFor(loop, 5000, [&] { return request >= 0; }));
    ASSERT_TRUE(doomed->accept(request));
    ASSERT_TRUE(waitFor(loop, 5000, [&] { return client.state() == TcpSocket::Connected; }));
    bool raised = false;
    doomed->onDataArrival = [&](std::size_t) { raised = true; };
    doomed->onClosed = [&](const std::string&) { raised = true; };
    ASSERT_TRUE(client.send("unread"));
    client.close();
    ASSERT_TRUE(gv::testing::queueUndispatched(loop, 5));
    doomed.reset();
    waitFor(loop, 100, [] { return false; });
    EXPECT_FALSE(raised || loop.socketsActive());
}

}  // namespace
