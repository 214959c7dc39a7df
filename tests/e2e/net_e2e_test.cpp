// Two real copies of the game, each on its own screen, playing over a real TCP connection on this machine.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <thread>
#include <tuple>

#include "../support/ports.h"
#include "desktop.h"

namespace gv::e2e {
namespace {

// Where the menu's controls are on the screen.
constexpr int kOption3X = 455, kOption3Y = 256;  // "2 over the network"
constexpr int kHostX = 400, kHostY = 228;        // Command3, and New Game under it once the panel is gone
constexpr int kJoinX = 400, kJoinY = 276;        // Command4
constexpr int kNameX = 400, kNameY = 306;        // compname

// The share of the battlefield (below the panels) that two screens show alike.
double sameField(const Screenshot& a, const Screenshot& b) { return alike(a, b, 80); }

// The host's steps (the network panel, Host) and the joiner's (the panel, the host's address, Join); the
// host's network panel has gone once the joiner is linked: its New Game button is back as `menu` had it.
void link(Game& host, Game& joiner, const std::string& address, const Screenshot& menu) {
    host.desk.click(kOption3X, kOption3Y);
    host.desk.click(kHostX, kHostY);
    joiner.desk.click(kOption3X, kOption3Y);
    joiner.desk.click(kNameX, kNameY);  // selects the whole name, so typing replaces it
    std::string keys;
    for (char c : address) keys += std::string(keys.empty() ? "" : " ") + (c == ':' ? "colon" : c == '.' ? "period" : std::string(1, c));
    joiner.desk.key(keys);
    joiner.desk.click(kJoinX, kJoinY);
    auto linked = [&](const Screenshot& s) {
        int differ = 0;
        for (int y = 212; y < 244; ++y)  // inside its frame, which shows where the focus is
            for (int x = 278; x < 522; ++x) differ += s.at(x, y) != menu.at(x, y);
        return differ < 50;
    };
    ASSERT_TRUE(linked(host.waitFor(linked, 20))) << "the joiner did not get through";
}

// The network between the joiner and the host: it passes bytes both ways and can fail under both.
class Relay {
public:
    Relay(int port, int hostPort) : hostPort_(hostPort) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        const int one = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        const sockaddr_in at = address(port);
        ok_ = ::bind(listener_, reinterpret_cast<const sockaddr*>(&at), sizeof at) == 0 && ::listen(listener_, 4) == 0;
        thread_ = std::thread([this] { run(); });
    }
    ~Relay() {
        stop_ = true;
        thread_.join();
        ::close(listener_);
    }
    bool ok() const { return ok_; }
    void cut() { cut_ = true; }
    int connections() const { return connections_; }

private:
    static sockaddr_in address(int port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(std::uint16_t(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return a;
    }
    void run() {
        std::vector<int> ends;  // pairs: the joiner's side, then the host's
        auto drop = [&](std::size_t pair) {
            for (std::size_t k : {pair, pair + 1}) ::shutdown(ends[k], SHUT_RDWR), ::close(ends[k]);
            ends.erase(ends.begin() + long(pair), ends.begin() + long(pair) + 2);
        };
        while (!stop_) {
            if (cut_.exchange(false))
                while (!ends.empty()) drop(0);
            std::vector<pollfd> fds{{listener_, POLLIN, 0}};
            for (int fd : ends) fds.push_back({fd, POLLIN, 0});
            if (::poll(fds.data(), fds.size(), 50) <= 0) continue;
            for (std::size_t i = ends.size(); i-- > 0;) {
                if (!fds[i + 1].revents) continue;
                char buf[4096];
                const ssize_t n = ::read(ends[i], buf, sizeof buf);
                const int to = ends[i ^ 1];
                if (n <= 0 || ::send(to, buf, std::size_t(n), MSG_NOSIGNAL) != n) {
                    drop(i & ~std::size_t(1));
                    break;
                }
            }
            if (fds[0].revents & POLLIN) {
                const int in = ::accept(listener_, nullptr, nullptr), out = ::socket(AF_INET, SOCK_STREAM, 0);
                const sockaddr_in host = address(hostPort_);
                if (::connect(out, reinterpret_cast<const sockaddr*>(&host), sizeof host) == 0) {
                    ends.insert(ends.end(), {in, out});
                    ++connections_;
                } else {
                    ::close(in), ::close(out);
                }
            }
        }
        while (!ends.empty()) drop(0);
    }
    int hostPort_, listener_ = -1;
    bool ok_ = false;
    std::atomic<bool> stop_{false}, cut_{false};
    std::atomic<int> connections_{0};
    std::thread thread_;
};

// Screenshots of both screens once they show the same battlefield (the host's wind reaches the joiner
// after its "drawingok").
std::pair<Screenshot, Screenshot> bothAlike(Game& host, Game& joiner) {
    Screenshot j;
    Screenshot h = host.waitFor([&](const Screenshot& s) { return sameField(s, j = joiner.desk.screenshot()) > 0.99; }, 10);
    return {h, j};
}

TEST(NetworkE2E, HostAndJoinerBuildTheSameBattlefieldShareAShotResumeACutLinkAndTheHostSurvivesAKilledJoiner) {
    Game host, joiner;
    const int port = testing::freePorts(3);  // the host's, the joiner's own, and the relay's
    host.args = {"--port", std::to_string(port)};
    Relay relay(port + 2, port);
    ASSERT_TRUE(relay.ok());
    if (!host.start(GORVATH_BINARY) || !joiner.start(GORVATH_BINARY)) GTEST_SKIP() << "no display";
    const Screenshot menu = host.waitMenu();
    ASSERT_NO_FATAL_FAILURE(link(host, joiner, "localhost:" + std::to_string(port + 2), menu));

    host.desk.click(kHostX, kHostY);  // New Game: the joiner follows
    ASSERT_TRUE(armed(host.waitArmed(1), 1)) << "the host's battle did not start";
    ASSERT_TRUE(armed(joiner.waitArmed(1), 1)) << "the joiner did not follow";
    auto [h, j] = bothAlike(host, joiner);
    EXPECT_GT(sameField(h, j), 0.99) << "the two copies built different battlefields";

    // The host fires; the shell flies on both screens and the turn passes to the joiner on both.
    host.desk.key("space");
    host.waitArmed(2);
    EXPECT_TRUE(armed(joiner.waitArmed(2), 2)) << "the joiner was not armed";
    std::tie(h, j) = bothAlike(host, joiner);
    EXPECT_GT(sameField(h, j), 0.99) << "the shot left different battlefields";

    // The network fails under both: the joiner comes back by itself, and its shot flies on both screens.
    relay.cut();
    for (int i = 0; i < 150 && relay.connections() < 2; ++i) sleepMs(100);
    ASSERT_EQ(relay.connections(), 2) << "the joiner did not come back";
    joiner.desk.key("space");
    host.waitArmed(1);
    EXPECT_TRUE(armed(joiner.waitArmed(1), 1)) << "the battle did not go on";
    std::tie(h, j) = bothAlike(host, joiner);
    EXPECT_GT(sameField(h, j), 0.99) << "the shot after the cut left different battlefields";

    // The joiner's program dies: the host says it waits for its return, Esc takes it to its menu, and it
    // keeps running. What the link says over the battlefield reaches further left than "Creating game...".
    auto saysItWaits = [](const Screenshot& w) { return w.count(0x00FF00, 90, 264, 160, 300) >= 20; };
    joiner.process->kill();
    EXPECT_TRUE(saysItWaits(host.waitFor(saysItWaits, 12))) << "the host did not say that it waits";
    host.desk.key("Escape");
    EXPECT_TRUE(atMenu(host.waitMenu())) << "the host did not return to its menu";
    EXPECT_TRUE(host.process->running());

    // A second joiner is stopped (as by Ctrl+Z) while the host builds the battlefield: five seconds on the
    // host says it is waiting (the screen is looked at for longer, for a loaded machine), and Esc takes it
    // back to its menu.
    Game stopped;
    if (!stopped.start(GORVATH_BINARY)) GTEST_SKIP() << "no display";
    ASSERT_NO_FATAL_FAILURE(link(host, stopped, "localhost:" + std::to_string(port), menu));
    host.desk.click(kHostX, kHostY);
    ::kill(stopped.process->pid(), SIGSTOP);
    EXPECT_TRUE(saysItWaits(host.waitFor(saysItWaits, 12))) << "the host did not say that it waits";
    host.desk.key("Escape");
    EXPECT_TRUE(atMenu(host.waitMenu())) << "Esc did not take the host back to its menu";
    ::kill(stopped.process->pid(), SIGCONT);
}

}  // namespace
}  // namespace gv::e2e
