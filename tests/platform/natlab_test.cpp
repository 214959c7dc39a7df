// ICE between two players in the NAT lab, each on a machine of its own behind a router as real players
// are: the pair ICE chooses for each kind of router, and the bytes getting through it whole and in order.
#include <gtest/gtest.h>

#ifdef GORVATH_ICE
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <cstdio>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "../support/natlab.h"
#include "platform/icestream.h"

namespace {

using gv::testing::NatLab;
using Router = NatLab::Router;
using Candidate = gv::IceCredentials::Candidate;

// One player's stream, with the lab's STUN server (and a second named after it) and, unless `stunOnly`, its
// TURN server over UDP and over TCP.
struct Peer {
    gv::IceStream stream;
    gv::IceCredentials local;
    std::string got, closed;
    Peer(gv::EventLoop& loop, bool controlling, bool stunOnly) : stream(loop, controlling) {
        stream.onGathered = [this](const gv::IceCredentials& c) { local = c; };
        stream.onReadyRead = [this](std::size_t) { got += stream.receive(); };
        stream.onClosed = [this](const std::string& why) { closed = why.empty() ? "?" : why; };
        stream.addStunServer(NatLab::kServer, NatLab::kServerPort);
        stream.addStunServer("203.0.113.250", NatLab::kServerPort);  // nobody there: the first server is the one asked
        for (bool tcp : {false, true})
            if (!stunOnly) stream.addTurnServer(NatLab::kServer, NatLab::kServerPort, NatLab::kUser, NatLab::kPassword, tcp);
        stream.gather();
    }
    // The chosen pair as "local>remote" ("srflx>srflx", "relay/tcp>prflx"). A relay's priority tells how
    // its TURN server is reached: libnice's reliable agent gives a relay over UDP type preference 15, one
    // over TCP 10.
    std::string route() const {
        auto name = [](const Candidate& c) {
            static const char* const kTypes[] = {"host", "srflx", "prflx", "relay"};
            std::string n = kTypes[static_cast<int>(c.type)];
            if (c.type == Candidate::Type::Relayed)
                n += (c.priority >> 24) == 15 ? "/udp" : (c.priority >> 24) == 10 ? "/tcp" : "/?";
            return n;
        };
        return name(stream.localCandidate()) + ">" + name(stream.remoteCandidate());
    }
};

// The process's open sockets.
std::size_t openSockets() {
    std::error_code ec;
    return static_cast<std::size_t>(
        std::ranges::count_if(std::filesystem::directory_iterator("/proc/self/fd", ec), [](const auto& f) {
            std::error_code gone;
            return std::filesystem::read_symlink(f.path(), gone).string().starts_with("socket:");
        }));
}

double secondsSince(gv::testing::Clock::time_point t) {
    return std::chrono::duration<double>(gv::testing::Clock::now() - t).count();
}

// The host (player A, controlling) and the guest gather, trade credentials, connect and send each other a
// few KB. Behind one router they meet directly; behind home routers they punch holes from their public
// addresses; behind carrier-grade NATs, which map every peer to a port of its own, they need the relay,
// and behind a router that forwards no UDP the host reaches it over TCP. Streams that go, closed first as
// the game closes them or not, leave nothing open once they have given their relays back.
TEST(IceThroughNat, EachKindOfRouterGetsThePairItAllowsAndCarriesBytes) {
    const std::size_t socketsBefore = openSockets();
    struct Case {
        const char* what;
        Router a, b;
        const char* how;
        std::vector<std::string> routes;  // the host's chosen pair, as route() says it: one of these
        bool stunOnly = false;            // no TURN server: the public addresses come from STUN alone
    };
    // clang-format off
    const Case cases[] = {
        {"one LAN", Router::Home, Router::Shared, "direct", {"host>host"}},
        {"home routers", Router::Home, Router::Home, "hole-punched", {"srflx>srflx"}, true},
        {"carrier-grade NATs", Router::CarrierGrade, Router::CarrierGrade, "relayed",
         {"prflx>relay/udp", "relay/udp>prflx", "relay/udp>relay/udp"}},
        {"UDP blocked", Router::UdpBlocked, Router::Home, "relayed", {"relay/tcp>srflx", "relay/tcp>prflx", "relay/tcp>relay/udp"}}};
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto began = gv::testing::Clock::now();
        NatLab lab(c.a, c.b);
        if (!lab.ready()) GTEST_SKIP() << lab.why();
        NatLab::Machine a(lab, NatLab::Player::A), b(lab, NatLab::Player::B);
        Peer& host = a.make<Peer>(true, c.stunOnly);
        Peer& guest = b.make<Peer>(false, c.stunOnly);
        // Each side's credentials, or why it gave up; the peer connects with them.
        auto gathered = [](NatLab::Machine& m, Peer& p) {
            std::string why;
            m.waitFor(30000, [&] { return !(why = p.closed).empty() || !p.local.ufrag.empty(); });
            EXPECT_TRUE(why.empty()) << why;
            return m.call([&](gv::EventLoop&) { return p.local; });
        };
        const auto hostCredentials = gathered(a, host), guestCredentials = gathered(b, guest);
        a.call([&](gv::EventLoop&) { host.stream.connect(guestCredentials); });
        b.call([&](gv::EventLoop&) { guest.stream.connect(hostCredentials); });
        ASSERT_TRUE(a.waitFor(40000, [&] { return host.stream.connected() || !host.closed.empty(); }));
        ASSERT_TRUE(b.waitFor(40000, [&] { return guest.stream.connected() || !guest.closed.empty(); }));

        // Both say how, and see the same pair from its two ends.
        const auto [hostHow, hostRoute, hostLocal, hostRemote] = a.call([&](gv::EventLoop&) {
            return std::tuple(host.closed.empty() ? host.stream.how() : "closed: " + host.closed, host.route(),
                              host.stream.localCandidate(), host.stream.remoteCandidate());
        });
        const auto [guestHow, guestRoute, guestLocal, guestRemote] = b.call([&](gv::EventLoop&) {
            return std::tuple(guest.closed.empty() ? guest.stream.how() : "closed: " + guest.closed, guest.route(),
                              guest.stream.localCandidate(), guest.stream.remoteCandidate());
        });
        std::printf("[ NAT lab  ] %s: %s, host %s, guest %s, after %.1f s\n", c.what, hostHow.c_str(), hostRoute.c_str(),
                    guestRoute.c_str(), secondsSince(began));
        EXPECT_TRUE(hostHow == c.how && guestHow == c.how) << hostHow << " / " << guestHow;
        if (hostHow.starts_with("closed") || guestHow.starts_with("closed")) continue;
        EXPECT_TRUE(std::find(c.routes.begin(), c.routes.end(), hostRoute) != c.routes.end()) << hostRoute;
        EXPECT_EQ(guestRoute, hostRoute.substr(hostRoute.find('>') + 1) + ">" + hostRoute.substr(0, hostRoute.find('>')));
        EXPECT_TRUE(hostLocal.address == guestRemote.address && hostLocal.port == guestRemote.port &&
                    hostRemote.address == guestLocal.address && hostRemote.port == guestLocal.port)
            << hostLocal.address << ":" << hostLocal.port << " is " << guestRemote.address << ":" << guestRemote.port;

        // A few KB each way, whole and in order.
        std::string fromHost(6000, '\0'), fromGuest;
        for (std::size_t i = 0; i < fromHost.size(); ++i) fromHost[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
        fromGuest.assign(fromHost.rbegin(), fromHost.rend());
        a.call([&](gv::EventLoop&) { host.stream.send(fromHost), host.stream.send("fire 45 80;"); });
        b.call([&](gv::EventLoop&) { guest.stream.send(fromGuest), guest.stream.send("wind -3;"); });
        fromHost += "fire 45 80;", fromGuest += "wind -3;";
        EXPECT_TRUE(b.waitFor(20000, [&] { return guest.got.size() >= fromHost.size(); }) && b.call([&](gv::EventLoop&) {
            return guest.got == fromHost;
        })) << "the guest did not get the host's bytes as sent";
        EXPECT_TRUE(a.waitFor(20000, [&] { return host.got.size() >= fromGuest.size(); }) && a.call([&](gv::EventLoop&) {
            return host.got == fromGuest;
        })) << "the host did not get the guest's bytes as sent";
        std::printf("[ NAT lab  ] %s: %zu bytes each way in %.1f s in all\n", c.what, fromHost.size(), secondsSince(began));
        a.call([&](gv::EventLoop&) { host.stream.close(); });
    }
    const auto gone = gv::testing::Clock::now();
    while (openSockets() > socketsBefore && secondsSince(gone) < 30) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_LE(openSockets(), socketsBefore) << "the streams that went left sockets open";
    std::printf("[ NAT lab  ] the streams' sockets closed %.1f s after the last went\n", secondsSince(gone));
}

}  // namespace
#endif
