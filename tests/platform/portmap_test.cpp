// PortMapper against routers scripted on loopback: one that answers SSDP searches and the UPnP actions,
// one that speaks NAT-PMP, one that never says a word, and ones that answer without end.
#include <gtest/gtest.h>

#include <array>
#include "platform/asio.h"
#include <asio/co_spawn.hpp>
#include <asio/detached.hpp>
#include <asio/ip/udp.hpp>
#include <asio/read.hpp>
#include <asio/read_until.hpp>
#include <asio/steady_timer.hpp>
#include <asio/use_awaitable.hpp>
#include <asio/write.hpp>
#include <sched.h>

#include <cmath>
#include <ctime>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "../support/ports.h"
#include "platform/portmap.h"
#include "platform/tcpsocket.h"

namespace {

using asio::awaitable;
using asio::use_awaitable;
using asio::ip::tcp;
using asio::ip::udp;
using gv::testing::Clock;
const std::string kExternal = "203.0.113.7";

bool waitFor(gv::EventLoop& loop, const std::function<bool()>& done) { return gv::testing::waitFor(loop, 8000, done); }
double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// Notes the longest sleep the loop asks for: with no timer or socket to wait for, a loop sleeps until input.
struct NotingDriver : gv::RealDriver {
    double longest = 0;
    void sleepUntil(double tMs) override {
        longest = std::max(longest, tMs - nowMs());
        gv::RealDriver::sleepUntil(tMs);
    }
};

std::string element(const std::string& xml, const std::string& name) {
    auto at = xml.find("<" + name + ">") + name.size() + 2;
    return xml.substr(at, xml.find("</" + name + ">", at) - at);
}

// What a router does instead of answering plainly: sends a description, a SOAP answer or headers without
// end (the headers slowly), answers a search as 100 devices of 5 MB descriptions, answers from another
// address than its description's, tells a junk external address; or there is no way to its NAT-PMP side.
enum class Flood { None, Description, Soap, Head, Devices, Foreign, JunkAddress, Unreachable };

// The router, on a thread of its own, writes down the mappings it is asked to add and delete. Its NAT-PMP
// side listens on port 5351 of an address of its own, one of loopback's many.
struct Router {
    asio::io_context io;
    udp::socket ssdp{io, {asio::ip::make_address_v4("127.0.0.1"), 0}};
    udp::socket elsewhere{io, {asio::ip::make_address_v4("127.0.0.2"), 0}};
    tcp::acceptor http{io, {asio::ip::make_address_v4("127.0.0.1"), 0}};
    udp::socket natPmp{io, udp::v4()};
    std::mutex m;
    std::condition_variable noted;
    std::vector<std::string> log;
    int descriptions = 0, floods = 0, cut = 0;  // descriptions asked for; endless answers begun, cut off
    Flood flood;
    std::thread thread;

    Router(bool upnp, bool natpmp, Flood f = Flood::None) : flood(f) {
        asio::error_code ec{asio::error::address_in_use};
        for (int k = 1; ec && k < 255; ++k) natPmp.bind({asio::ip::make_address_v4("127.53.51." + std::to_string(k)), 5351}, ec);
        if (upnp) asio::co_spawn(io, answerSearches(), asio::detached), asio::co_spawn(io, acceptHttp(), asio::detached);
        if (natpmp) asio::co_spawn(io, answerNatPmp(), asio::detached);
        thread = std::thread([this] { io.run(); });
    }
    ~Router() { io.stop(), thread.join(); }
    void aim(gv::PortMapper& mapper) {
        mapper.searchAddress = "127.0.0.1:" + std::to_string(ssdp.local_endpoint().port());
        mapper.natPmpGateway = natPmp.local_endpoint().address().to_string();
    }
    void note(bool add, const std::string& port, const std::string& client) {
        std::lock_guard g(m);
        log.push_back((add ? "add TCP " + port + " -> " + client + ":" : "delete TCP ") + port);
        noted.notify_all();
    }
    std::vector<std::string> seen(std::size_t atLeast = 0) {
        std::unique_lock g(m);
        noted.wait_for(g, std::chrono::seconds(5), [&] { return log.size() >= atLeast; });
        return log;
    }
    void count(int& n) {
        std::lock_guard g(m);
        ++n;
        noted.notify_all();
    }
    int counted(const int& n) {
        std::lock_guard g(m);
        return n;
    }
    bool allCut(std::chrono::seconds within) {
        std::unique_lock g(m);
        return noted.wait_for(g, within, [&] { return cut == floods; });
    }
    // Sends an answer's first line and `head`, then `piece` again and again, as fast as it is read or
    // dripping, until the game hangs up.
    awaitable<void> pour(tcp::socket& s, std::string head, std::string piece, bool drip = false) {
        count(floods);
        head = "HTTP/1.1 200 OK\r\n" + head;
        try {
            co_await asio::async_write(s, asio::buffer(head), use_awaitable);
            for (asio::steady_timer pause(io);; pause.expires_after(std::chrono::milliseconds(drip ? 5 : 0))) {
                co_await asio::async_write(s, asio::buffer(piece), use_awaitable);
                co_await pause.async_wait(use_awaitable);
            }
        } catch (const std::system_error&) {}
        count(cut);
    }

    awaitable<void> answerSearches() {
        for (std::array<char, 1500> in;;) {
            udp::endpoint from;
            co_await ssdp.async_receive_from(asio::buffer(in), from, use_awaitable);
            for (int k = 0; k < (flood == Flood::Devices ? 100 : 1); ++k) {
                // clang-format off
                std::string out = "HTTP/1.1 200 OK\r\nST: urn:schemas-upnp-org:device:InternetGatewayDevice:1\r\nLOCATION: "
                                  "http://127.0.0.1:" + std::to_string(http.local_endpoint().port()) + "/rootDesc.xml?" +
                                  std::to_string(k) + "\r\n\r\n";
                // clang-format on
                co_await (flood == Flood::Foreign ? elsewhere : ssdp).async_send_to(asio::buffer(out), from, use_awaitable);
            }
        }
    }
    awaitable<void> acceptHttp() {
        for (;;) asio::co_spawn(io, answerHttp(co_await http.async_accept(use_awaitable)), asio::detached);
    }
    awaitable<void> answerHttp(tcp::socket s) {
        std::string in, body;
        std::size_t head = co_await asio::async_read_until(s, asio::dynamic_buffer(in), "\r\n\r\n", use_awaitable);
        auto length = in.find("Content-Length:");
        std::size_t total = head + (length < head ? std::stoul(in.substr(length + 15)) : 0);
        if (in.size() < total)
            co_await asio::async_read(s, asio::dynamic_buffer(in), asio::transfer_exactly(total - in.size()), use_awaitable);
        const std::string service = "urn:schemas-upnp-org:service:WANIPConnection:1";
        static const std::string kBig(5'000'000, ' '), kChunk = "1000\r\n" + std::string(4096, 'x') + "\r\n";
        const bool get = in.starts_with("GET /rootDesc.xml");
        if (get) count(descriptions);
        if (get && flood == Flood::Description) co_return co_await pour(s, "\r\n<root>", kChunk);
        if (get && flood == Flood::Head) co_return co_await pour(s, "", "X-Pad: y\r\n", true);
        if (get && flood == Flood::Devices) co_return co_await pour(s, "Content-Length: 5000000\r\n\r\n", kBig);
        if (!get && flood == Flood::Soap) co_return co_await pour(s, "Transfer-Encoding: chunked\r\n\r\n", kChunk);
        if (get) {
            // clang-format off
            body = "<root><device><deviceType>urn:schemas-upnp-org:device:InternetGatewayDevice:1</deviceType><serviceList>"
                   "<service><serviceType>urn:schemas-upnp-org:service:WANCommonInterfaceConfig:1</serviceType></service>"
                   "<service><serviceType>" + service + "</serviceType><controlURL>/ctl</controlURL></service>"
                   "</serviceList></device></root>";
            // clang-format on
        } else {
            auto hash = in.find('#', in.find("SOAPAction:"));
            std::string action = in.substr(hash + 1, in.find('"', hash) - hash - 1), values;
            if (action == "GetStatusInfo") values = "<NewConnectionStatus>Connected</NewConnectionStatus>";
            if (action == "GetExternalIPAddress")
                values = "<NewExternalIPAddress>" + (flood == Flood::JunkAddress ? "1.2.3.4 JOIN EV" : kExternal) +
                         "</NewExternalIPAddress>";
            if (action.ends_with("PortMapping"))
                note(action == "AddPortMapping", element(in, "NewExternalPort"), element(in, "NewInternalClient"));
            body = "<s:Envelope><s:Body><u:" + action + "Response xmlns:u=\"" + service + "\">" + values + "</u:" + action +
                   "Response></s:Body></s:Envelope>";
        }
        std::string out = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
        co_await asio::async_write(s, asio::buffer(out), use_awaitable);
    }
    awaitable<void> answerNatPmp() {
        for (std::array<unsigned char, 12> q;;) {
            udp::endpoint from;
            co_await natPmp.async_receive_from(asio::buffer(q), from, use_awaitable);
            // Version 0, the answer's opcode, result 0, epoch 1; then the address, or the request's ports and lifetime.
            std::array<unsigned char, 16> a{0, static_cast<unsigned char>(128 + q[1]), 0, 0, 0, 0, 0, 1, 203, 0, 113, 7};
            if (q[1] != 0) std::copy(q.begin() + 4, q.end(), a.begin() + 8);
            if (q[1] == 2) note(q[8] | q[9] | q[10] | q[11], std::to_string(q[4] * 256 + q[5]), from.address().to_string());
            co_await natPmp.async_send_to(asio::buffer(a, q[1] == 0 ? 12 : 16), from, use_awaitable);
        }
    }
};

TEST(NetPortMap, MapsRemapsAndRemovesThroughTheRouter) {
    // Hosting, the port listens while the router is asked; or there is no socket at all.
    for (auto [upnp, hosting] : {std::pair{true, true}, std::pair{false, false}}) {
        SCOPED_TRACE(upnp ? "UPnP" : "NAT-PMP");
        NotingDriver clock;
        gv::EventLoop loop{&clock};
        Router router(upnp, !upnp);
        const int port = gv::testing::freePorts(2);
        gv::TcpSocket host{loop};
        host.setLocalPort(port);
        ASSERT_TRUE(!hosting || host.listen());
        auto mapper = std::make_unique<gv::PortMapper>(loop);
        router.aim(*mapper);
        std::vector<gv::PortMapResult> results;
        mapper->onResult = [&](const gv::PortMapResult& r) { results.push_back(r); };
        auto map = [&](int p) {
            mapper->start(p);
            std::size_t before = results.size();
            ASSERT_TRUE(waitFor(loop, [&] { return results.size() > before; }));
            const gv::PortMapResult& r = results.back();
            EXPECT_TRUE(r.mapped && r.how == (upnp ? "UPnP" : "NAT-PMP") && r.externalAddress == kExternal && r.externalPort == p)
                << r.how << " " << r.externalAddress << ":" << r.externalPort << " " << r.why;
        };
        map(port);
        map(port + 1);  // takes the first mapping away
        mapper->stop();
        EXPECT_EQ(router.seen(4).size(), 4u);
        // Gone with its answer queued but not yet handed out: the answer is dropped, the mapping removed.
        mapper->start(port);
        ASSERT_TRUE(gv::testing::queueUndispatched(loop, 8));
        mapper.reset();
        loop.pumpEvents();
        auto add = [](int p) { return "add TCP " + std::to_string(p) + " -> 127.0.0.1:" + std::to_string(p); };
        auto del = [](int p) { return "delete TCP " + std::to_string(p); };
        EXPECT_EQ(router.seen(),
                  (std::vector<std::string>{add(port), del(port), add(port + 1), del(port + 1), add(port), del(port)}));
        EXPECT_EQ(results.size(), 2u);
        EXPECT_TRUE(std::isfinite(clock.longest));  // it never slept until input while the router was asked
    }
}

TEST(NetPortMap, GivesUpOnASilentRouterSoonWhileTheLoopGoesOn) {
    gv::RealDriver clock;
    gv::EventLoop loop{&clock};
    Router silent(false, false), quiet(false, false);
    gv::PortMapper mapper{loop};
    auto doomed = std::make_unique<gv::PortMapper>(loop);
    silent.aim(mapper), quiet.aim(*doomed);
    std::optional<gv::PortMapResult> result;
    bool doomedAnswered = false;
    mapper.onResult = [&](const gv::PortMapResult& r) { result = r; };
    doomed->onResult = [&](const gv::PortMapResult&) { doomedAnswered = true; };
    int ticks = 0;
    gv::Timer tick(loop, "tick", 20);
    tick.onTimer = [&] { ++ticks; };
    tick.setEnabled(true);
    auto began = Clock::now();
    mapper.start(40000), doomed->start(40000);
    ASSERT_TRUE(waitFor(loop, [&] { return quiet.ssdp.available() > 0; }));
    doomed.reset();  // gone while its thread is still asking
    ASSERT_TRUE(waitFor(loop, [&] { return result.has_value(); }));
    EXPECT_TRUE(secondsSince(began) < 4.5 && !result->mapped && !result->why.empty()) << result->why;
    EXPECT_GT(ticks, 20);  // a loop held up meanwhile would tick once when free again
    // The search and the NAT-PMP requests went to the silent router, not out to the network.
    EXPECT_TRUE(silent.ssdp.available() > 0 && silent.natPmp.available() > 0 && !doomedAnswered);
}

// The process's CPU time in seconds, its resident memory (now, or at most since the last reset) in MB,
// and its open descriptors.
double cpuSeconds() { return double(std::clock()) / CLOCKS_PER_SEC; }
double residentMb(const char* which = "VmRSS:") {
    std::ifstream status("/proc/self/status");
    for (std::string word; status >> word;)
        if (word == which && status >> word) return std::stod(word) / 1024;
    return 0;
}
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }
auto openFiles() { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); }

// Whatever a router sends, the answer comes soon, the game hangs up on it, and it costs little memory, little
// CPU and no descriptor.
TEST(NetPortMap, ARouterThatAnswersWithoutEndCostsLittleAndNotForLong) {
    // clang-format off
    struct Case { Flood flood; const char* what; std::string how, external; };  // how it is mapped ("" not at all), the address shown
    for (const Case& c : {Case{Flood::Description, "a description without end", "NAT-PMP", kExternal},
                          Case{Flood::Soap, "a SOAP answer in chunks without end", "NAT-PMP", kExternal},
                          Case{Flood::Head, "headers dripping without end", "NAT-PMP", kExternal},
                          Case{Flood::Devices, "100 devices of 5 MB descriptions", "NAT-PMP", kExternal},
                          Case{Flood::Foreign, "a description elsewhere than the answer", "NAT-PMP", kExternal},
                          Case{Flood::JunkAddress, "a junk external address", "UPnP", ""},
                          Case{Flood::Unreachable, "no way to the NAT-PMP gateway", "", ""}}) {
        // clang-format on
        SCOPED_TRACE(c.what);
        const auto files = openFiles();
        resetPeak();
        const double memory = residentMb(), cpu = cpuSeconds();
        {
            gv::RealDriver clock;
            gv::EventLoop loop{&clock};
            const bool unreachable = c.flood == Flood::Unreachable;
            Router router(!unreachable, c.flood != Flood::JunkAddress && !unreachable, c.flood);
            gv::PortMapper mapper{loop};
            router.aim(mapper);
            if (unreachable) mapper.natPmpGateway = "255.255.255.255";  // no socket may reach it: nothing is sent
            std::optional<gv::PortMapResult> result;
            mapper.onResult = [&](const gv::PortMapResult& r) { result = r; };
            const auto began = Clock::now();
            mapper.start(gv::testing::freePorts(1));
            ASSERT_TRUE(waitFor(loop, [&] { return result.has_value(); }));
            EXPECT_TRUE(secondsSince(began) < 4.5 && result->how == c.how && result->mapped == !c.how.empty() &&
                        result->externalAddress == c.external)
                << secondsSince(began) << " s: " << result->how << " " << result->externalAddress << " " << result->why;
            // A few devices at most, and only those whose description is where their answer came from.
            EXPECT_LE(router.counted(router.descriptions), c.flood == Flood::Foreign ? 0 : 4);
            EXPECT_TRUE(router.allCut(std::chrono::seconds(3)));  // it hung up on every endless answer
        }
        EXPECT_TRUE(residentMb("VmHWM:") - memory < 64 && cpuSeconds() - cpu < 1.0 && openFiles() == files)
            << residentMb("VmHWM:") - memory << " MB, " << cpuSeconds() - cpu << " s, " << openFiles() - files << " files";
    }
}

TEST(NetPortMapDeathTest, ATestThatWouldAskTheRealNetworksRouterEndsAtOnce) {
    setenv("GORVATH_TEST_NETWORK_GUARD", "1", 1);
    gv::EventLoop loop;
    for (bool realSearch : {true, false}) {
        gv::PortMapper mapper{loop};
        (realSearch ? mapper.natPmpGateway : mapper.searchAddress) = "127.0.0.1:9";
        // In a network of its own, where the system gives one: even a guard that failed reaches no router.
        EXPECT_DEATH((unshare(CLONE_NEWUSER | CLONE_NEWNET), mapper.start(7701)), "a test asked the real network's router");
    }
}

}  // namespace
