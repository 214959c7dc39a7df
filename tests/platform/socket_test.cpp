// TcpSocket over a real loopback connection, driven by the event loop as the game drives it.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "../support/ports.h"
#include "platform/tcpsocket.h"
#ifdef GORVATH_ICE
#include "platform/icestream.h"
#endif

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

#ifdef GORVATH_ICE
// One side of an ICE pair under test: what its stream says, kept; host candidates on loopback only.
struct IcePeer {
    gv::IceStream stream;
    gv::IceCredentials local;
    std::string how, closed, got;
    bool gathered = false, lost = false;
    IcePeer(gv::EventLoop& loop, bool controlling) : stream(loop, controlling) {
        stream.onGathered = [this](const gv::IceCredentials& c) { local = c, gathered = true; };
        stream.onConnected = [this](const std::string& h) { how = h; };
        stream.onReadyRead = [this](std::size_t) { got += stream.receive(); };
        stream.onClosed = [this](const std::string& reason) { closed = reason.empty() ? "?" : reason; };
        stream.onLost = [this] { lost = true; };
        stream.addLocalAddress("127.0.0.1");
        stream.gather();
    }
};

// Two ICE streams in one process find a direct pair on loopback and carry bytes whole and in order both
// ways, the bytes sent before the pair was found first; a path that fails under both comes back by a
// reconnect, the bytes going on where they were; one side closes and the other finds its path lost, and
// no way back. A peer that never answers ends in onClosed.
TEST(IceStream, LoopbackPairCarriesBytesInOrderUntilClosed) {
    gv::RealDriver clock;
    gv::EventLoop loop{&clock};
    IcePeer host{loop, true}, guest{loop, false}, stranger{loop, true};
    ASSERT_TRUE(waitFor(loop, 10000, [&] { return host.gathered && guest.gathered && stranger.gathered; }));
    ASSERT_FALSE(host.local.candidates.empty());
    for (const auto& c : host.local.candidates) {
        EXPECT_EQ(c.address, "127.0.0.1");
        EXPECT_TRUE(c.type == gv::IceCredentials::Candidate::Type::Host && c.component == 1 && c.port != 0);
        EXPECT_FALSE(c.foundation.empty());
    }
    EXPECT_FALSE(host.local.ufrag.empty() || host.local.password.empty());
    EXPECT_NE(host.local.ufrag, guest.local.ufrag);

    std::string fromHost = "early:", fromGuest;
    ASSERT_TRUE(host.stream.send(fromHost));
    guest.stream.connect(host.local);
    host.stream.connect(guest.local);
    ASSERT_TRUE(waitFor(loop, 20000, [&] { return !host.how.empty() && !guest.how.empty(); }))
        << host.closed << " / " << guest.closed;
    EXPECT_EQ(host.how, "direct");
    EXPECT_EQ(guest.how, "direct");
    EXPECT_TRUE(host.stream.controlling() && host.stream.connected());
    EXPECT_FALSE(guest.stream.controlling());

    // 100 KB each way, then a few small messages.
    std::string bulk(100 * 1024, '\0');
    for (std::size_t i = 0; i < bulk.size(); ++i) bulk[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    fromHost += bulk, fromGuest = std::string(bulk.rbegin(), bulk.rend());
    ASSERT_TRUE(host.stream.send(bulk) && guest.stream.send(fromGuest));
    for (const char* m : {"fire 45 80;", "wind -3;", "bye;"}) {
        ASSERT_TRUE(host.stream.send(m) && guest.stream.send(m));
        fromHost += m, fromGuest += m;
    }
    const bool arrived =
        waitFor(loop, 20000, [&] { return guest.got.size() >= fromHost.size() && host.got.size() >= fromGuest.size(); });
    EXPECT_TRUE(arrived) << guest.got.size() << " and " << host.got.size() << " bytes arrived";
    EXPECT_TRUE(guest.got == fromHost) << guest.got.size() << " bytes of " << fromHost.size();
    EXPECT_TRUE(host.got == fromGuest) << host.got.size() << " bytes of " << fromGuest.size();

    // The path fails under both: each starts again with the next generation's credentials, and what the host
    // sends meanwhile arrives after what came before.
    host.stream.breakConnection(), guest.stream.breakConnection();
    ASSERT_TRUE(waitFor(loop, 5000, [&] { return host.lost && guest.lost; }));
    EXPECT_FALSE(host.stream.connected() || guest.stream.connected());
    ASSERT_TRUE(host.stream.send("again;"));
    fromHost += "again;", host.how.clear(), guest.how.clear();
    host.stream.reconnect(1), guest.stream.reconnect(1);
    EXPECT_TRUE(
        waitFor(loop, 20000, [&] { return guest.got.size() >= fromHost.size() && !host.how.empty() && !guest.how.empty(); }));
    EXPECT_TRUE(guest.got == fromHost && host.how == "direct")
        << guest.got.substr(std::min(guest.got.size(), fromHost.size() - 6));

    // The host closes with bytes from the guest on their way: it raises nothing more and refuses to send.
    // The guest finds its path lost (a peer that left looks as a path gone down), and a reconnect with
    // nobody to answer ends in onClosed.
    const std::size_t heard = host.got.size();
    guest.lost = false;
    ASSERT_TRUE(guest.stream.send("unheard"));
    gv::testing::queueUndispatched(loop, 2);
    host.stream.close();
    EXPECT_FALSE(host.stream.send("late"));
    EXPECT_TRUE(waitFor(loop, 30000, [&] { return guest.lost; })) << "the guest never found the path lost";
    guest.stream.setConnectTimeout(3000);
    guest.stream.reconnect(2);
    EXPECT_TRUE(waitFor(loop, 15000, [&] { return !guest.closed.empty(); }));
    EXPECT_EQ(host.got.size(), heard);
    EXPECT_TRUE(host.closed.empty() && !guest.stream.connected() && !guest.stream.send("more"));

    // A stranger offered the guest's credentials on a port where nobody answers gives up.
    gv::IceCredentials nobody = guest.local;
    for (auto& c : nobody.candidates) c.port = static_cast<std::uint16_t>(gv::testing::freePorts(1));
    stranger.stream.setConnectTimeout(3000);
    stranger.stream.connect(nobody);
    EXPECT_TRUE(waitFor(loop, 15000, [&] { return !stranger.closed.empty(); }));
    EXPECT_TRUE(stranger.how.empty());

    // A stream destroyed with its peer's bytes queued for it on the loop raises nothing after it is gone.
    auto doomed = std::make_unique<IcePeer>(loop, true);
    IcePeer survivor{loop, false};
    ASSERT_TRUE(waitFor(loop, 10000, [&] { return doomed->gathered && survivor.gathered; }));
    doomed->stream.connect(survivor.local);
    survivor.stream.connect(doomed->local);
    ASSERT_TRUE(waitFor(loop, 20000, [&] { return !doomed->how.empty() && !survivor.how.empty(); }));
    ASSERT_TRUE(survivor.stream.send("unread"));
    ASSERT_TRUE(gv::testing::queueUndispatched(loop, 5));
    doomed.reset();
    EXPECT_TRUE(waitFor(loop, 30000, [&] { return survivor.lost; }));
}
#endif

}  // namespace
