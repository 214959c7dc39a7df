#pragma once
// Loopback ports for network tests, handed out by the system: a test asks for them instead of owning a
// number, so tests running side by side never meet.
#include "platform/asio.h"
#include <asio/ip/tcp.hpp>
#include <chrono>
#include <functional>

#include "platform/eventloop.h"

namespace gv::testing {

using Clock = std::chrono::steady_clock;

// Runs a loop on the real clock until `done` holds or `ms` have passed; says whether `done` held.
inline bool waitFor(EventLoop& loop, double ms, const std::function<bool()>& done) {
    const auto end = Clock::now() + std::chrono::duration<double, std::milli>(ms);
    bool ok = false;
    loop.waitUntil([&] { return (ok = done()) || Clock::now() > end; });
    return ok;
}

// Lets the sockets' completions queue their events, for up to `seconds`, without the loop dispatching
// them; whether one is queued.
inline bool queueUndispatched(EventLoop& loop, int seconds) {
    for (auto end = Clock::now() + std::chrono::seconds(seconds); !loop.hasPending() && Clock::now() < end;)
        loop.io().restart(), loop.io().run_one_for(std::chrono::milliseconds(10));
    return loop.hasPending();
}

// The first of `n` neighbouring ports that are free right now (a link takes two: host and join).
inline int freePorts(int n = 2) {
    using asio::ip::tcp;
    asio::io_context io;
    for (int attempt = 0; attempt < 100; ++attempt) {
        asio::error_code ec;
        tcp::acceptor first(io);
        first.open(tcp::v4(), ec);
        first.bind({asio::ip::make_address("127.0.0.1"), 0}, ec);
        if (ec) continue;
        const int port = first.local_endpoint().port();
        bool all = port + n <= 65535;
        for (int k = 1; k < n && all; ++k) {
            tcp::acceptor next(io);
            next.open(tcp::v4(), ec);
            next.bind({asio::ip::make_address("127.0.0.1"), std::uint16_t(port + k)}, ec);
            all = !ec;
        }
        if (all) return port;
    }
    throw std::runtime_error("no free loopback ports");
}

}  // namespace gv::testing
