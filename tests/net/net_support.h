#pragma once
// Network games under test: a game and a scripted peer on one loop, two games on one loop, and two
// whole games each on a thread of its own, taking turns on one virtual clock.
#include <chrono>
#include <gtest/gtest.h>

#include <asio/ip/tcp.hpp>
#include <asio/write.hpp>
#include <array>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "../support/game_fixture.h"
#include "game/numtext.h"
#include "net/netstate.h"

namespace gv::nettest {

// Every test has ports of its own so parallel runs do not meet (47700-47799); a link takes two.
enum Port : int {
    kConnect = 47700, kOption1 = 47704, kBack = 47706, kFailedJoin = 47708, kBusy = 47710, kMalformed = 47715,
    kParseWind = 47717, kParseShot = 47719, kParseCrate = 47721, kParseKeys = 47723, kParseSplit = 47727,
    kParseBattle = 47731, kUnknown = 47733, kHeldShot = 47735, kOverlong = 47737, kFaultHostDrawn = 47743,
    kFaultJoinDrawn = 47745, kFaultHostShot = 47747, kFaultJoinShot = 47749, kFaultQuake = 47751,
    kFaultCrate = 47753, kDuelBattle = 47755, kDuelNewGame = 47757, kDuelKilled = 47759, kDuelDrift = 47761,
    kUnloaded = 47763, kStray = 47765, kMismatch = 47767,
};

// The virtual clock, with an end: a wait inside the game that nothing ends throws instead of hanging.
// The wall clock bounds it too, for a wait whose timers keep the virtual clock creeping.
struct BoundedClock : VirtualDriver {
    double limitMs = 30 * 60 * 1000.0;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    void sleepUntil(double tMs) override {
        if (tMs > limitMs) throw std::runtime_error("the virtual clock ran out: a wait never ended");
        if (std::chrono::steady_clock::now() - started > std::chrono::seconds(120))
            throw std::runtime_error("two minutes of real time: a wait never ended");
        VirtualDriver::sleepUntil(tMs);
    }
};

// Runs the loop until `done` holds or `virtualMs` of game time have passed.
inline bool pumpUntil(EventLoop& loop, const std::function<bool()>& done, double virtualMs = 120000) {
    const double end = loop.now() + virtualMs;
    while (!done()) {
        if (loop.now() >= end) return false;
        loop.runFor(10);
    }
    return true;
}

// The other end of the link, played by the test at the level of bytes: it reads lines, can answer them,
// and can leave politely, vanish (close) or reset the connection.
class RawPeer {
public:
    explicit RawPeer(EventLoop& loop) : loop_(loop), core_(std::make_shared<Core>(loop.io())) {
        loop_.setSocketActive(this, true);  // the loop keeps polling the sockets while we live
    }
    ~RawPeer() {
        close();
        loop_.setSocketActive(this, false);
    }
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;

    void listen(int port) {
        using asio::ip::tcp;
        asio::error_code ec;
        core_->acceptor.open(tcp::v4(), ec);
        core_->acceptor.set_option(asio::socket_base::reuse_address(true), ec);
        core_->acceptor.bind(tcp::endpoint(asio::ip::make_address("127.0.0.1"), std::uint16_t(port)), ec);
        core_->acceptor.listen(1, ec);
        ASSERT_FALSE(ec) << ec.message();
        auto c = core_;
        c->acceptor.async_accept(c->sock, [c](const asio::error_code& e) {
            if (e) return;
            c->connected = true;
            Core::read(c);
        });
    }
    void connect(int port) {
        auto c = core_;
        c->sock.async_connect({asio::ip::make_address("127.0.0.1"), std::uint16_t(port)},
                              [c](const asio::error_code& e) {
                                  if (e) return;
                                  c->connected = true;
                                  Core::read(c);
                              });
    }
    // Bytes as they are, and one message with its line feed.
    void send(const std::string& bytes) {
        asio::error_code ec;
        asio::write(core_->sock, asio::buffer(bytes), ec);
    }
    void say(const std::string& message) { send(message + "\n"); }
    // Gone without a word: the connection simply ends.
    void close() {
        asio::error_code ec;
        core_->acceptor.close(ec);
        core_->sock.close(ec);
    }
    // Gone with a reset, as a machine that drops the connection on the floor.
    void reset() {
        asio::error_code ec;
        core_->sock.set_option(asio::socket_base::linger(true, 0), ec);
        core_->sock.close(ec);
        core_->acceptor.close(ec);
    }

    bool connected() const { return core_->connected; }
    bool closedByGame() const { return core_->ended; }
    bool heardLine(const std::string& line) const {
        for (const auto& l : core_->heard)
            if (l == line) return true;
        return false;
    }
    int count(const std::string& line) const {
        int n = 0;
        for (const auto& l : core_->heard) n += l == line;
        return n;
    }
    // Runs for every line the game sends (from inside the loop's socket polling: send only, never pump).
    void onLine(std::function<void(const std::string&)> f) { core_->onLine = std::move(f); }

private:
    struct Core {
        explicit Core(asio::io_context& io) : sock(io), acceptor(io) {}
        asio::ip::tcp::socket sock;
        asio::ip::tcp::acceptor acceptor;
        std::array<char, 4096> buf{};
        std::string partial;
        std::vector<std::string> heard;
        std::function<void(const std::string&)> onLine;
        bool connected = false, ended = false;
        static void read(const std::shared_ptr<Core>& c) {
            c->sock.async_read_some(asio::buffer(c->buf), [c](const asio::error_code& e, std::size_t n) {
                c->partial.append(c->buf.data(), n);
                for (std::size_t lf; (lf = c->partial.find('\n')) != std::string::npos;) {
                    std::string line = c->partial.substr(0, lf);
                    c->partial.erase(0, lf + 1);
                    c->heard.push_back(line);
                    if (c->onLine) c->onLine(line);
                }
                if (e) {
                    if (e != asio::error::operation_aborted) c->ended = true;
                    return;
                }
                read(c);
            });
        }
    };
    EventLoop& loop_;
    std::shared_ptr<Core> core_;
};

inline void typeInto(Mainfrm& game, TextBox& box, const std::string& text) {
    game.click(box);
    for (char c : text) game.typeChar(c);
}

// The player's aim that lands a shell nearest to column `target` at angle `angle` (the box's value),
// worked out over the game's own ground and wind.
inline int forceToward(const Mainfrm& g, int player, double target, double angle = 45) {
    const Image& tank = player == 1 ? g.tank1 : g.tank2;
    const double degrees = player == 1 ? angle : 180 - angle;
    const double a = degrees / 180 * 3.1415926;
    int best = 50;
    double bestMiss = 1e9;
    for (int f = 10; f <= 200; ++f) {
        double x0 = tank.left() + 20, y0 = tank.top() + 15;
        double x = x0, y = y0, vx = std::cos(a) * f, vy = std::sin(a) * f;
        for (double t = 0.2; t < 200; t += 0.2) {
            Mainfrm::FlightStep(x, y, vx, vy, t, x0, y0, 10, g.state.Wind, false);
            if (x < 0 || x > 799) break;
            if (y > g.state.Ground.at(x)) {
                double miss = std::fabs(x - target);
                if (miss < bestMiss) bestMiss = miss, best = f;
                break;
            }
        }
    }
    return best;
}

// A game and a scripted peer over one loop.
// One loop and its virtual clock for games under test.
struct NetLoopTest : ::testing::Test {
    testing::QuietAudio quiet;
    BoundedClock clock;
    EventLoop loop{&clock};
    bool until(const std::function<bool()>& done, double virtualMs = 120000) {
        return pumpUntil(loop, done, virtualMs);
    }
};

struct NetGameTest : NetLoopTest {
    Mainfrm game{loop, testing::englishDesktop()};
    RawPeer peer{loop};

    void start() {
        game.Form_Load();
        loop.runFor(1500);
    }
    // The game hosts; the peer joins, greets and is greeted.
    void hostForPeer(int port, RawPeer* joiner = nullptr) {
        RawPeer& p = joiner ? *joiner : peer;
        game.hostPort = port;
        game.joinPort = port + 1;
        game.click(game.Option3);
        game.click(game.Command3);
        ASSERT_EQ(game.tcpcontrol.state(), TcpSocket::Listening);
        p.connect(port);
        ASSERT_TRUE(until([&] { return p.connected(); }));
        p.say("G1");
        ASSERT_TRUE(until([&] { return game.state.GameMode == 3 && p.heardLine("connectok"); }));
    }
    // The peer hosts; the game joins, greets and is greeted.
    void joinPeer(int port) {
        peer.listen(port);
        game.hostPort = port;
        game.joinPort = port + 1;
        game.click(game.Option3);
        typeInto(game, game.compname, "127.0.0.1");
        game.click(game.Command4);
        ASSERT_TRUE(until([&] { return peer.heardLine("G1"); }));
        peer.say("connectok");
        ASSERT_TRUE(until([&] { return game.state.GameMode == 4; }));
    }
    // The peer plays a joiner that builds at once and never shoots unless told to.
    void peerPlaysJoiner() {
        peer.onLine([this](const std::string& line) {
            if (!line.empty() && line[0] == 'R') peer.say("drawingok");
            if (line == "bullfired") peer.say("bullfired");
        });
    }
    // The peer plays a host: "drawingok" and a calm wind back, and at each hand-over the host's
    // "bullfired", its wind and, when the field has none, a crate.
    std::string crate = "B133400";
    void peerPlaysHost() {
        peer.onLine([this](const std::string& line) {
            if (line == "drawingok") {
                peer.say("drawingok");
                peer.say("W0");
            }
            if (line == "bullfired") {
                const bool crateDue = game.state.BonusActive == False;
                peer.say("bullfired");
                peer.say("W0");
                if (crateDue) peer.say(crate);
            }
        });
    }
    // A joiner's battle from the peer's seed, built and ready for player 1's shot.
    void battleFromPeer(const std::string& seed) {
        peerPlaysHost();
        peer.say("R" + seed);
        ASSERT_TRUE(until([&] { return settled() && game.tank1.visible(); }));
    }
    // The game's turn has started: nothing of the last shot or its hand-over is running.
    bool settled() const {
        return game.state.WorldBusy == False && !game.hideit.enabled() && !game.showit.enabled() &&
               game.showit.interval() == 1 && !game.bullettimer.enabled() && !game.net().shotHeld;
    }
    // Back at the menu in two-player mode, as after the peer's "disconnect".
    void expectBackAtMenu() {
        EXPECT_TRUE(game.Frame3.visible());
        EXPECT_FALSE(game.Frame4.visible());
        EXPECT_EQ(game.state.GameMode, 1);
        EXPECT_TRUE(game.Option1.value());
        EXPECT_TRUE(game.novahra.enabled());
        EXPECT_FALSE(game.continue_.enabled());
        EXPECT_FALSE(game.world.enabled());
        EXPECT_EQ(game.tcpcontrol.state(), TcpSocket::Closed);
        EXPECT_EQ(game.state.WorldBusy, False);
        EXPECT_TRUE(game.PeerGone());
    }
    // Whatever was running has stopped, the menu is back and New Game works.
    void expectRecovered() {
        ASSERT_TRUE(until([&] {
            return game.state.WorldBusy == False && !game.showit.enabled() && !game.hideit.enabled() &&
                   !game.bullettimer.enabled();
        }));
        expectBackAtMenu();
        expectNewGameWorks();
    }
    // New Game works again: a battle of two players at one computer.
    void expectNewGameWorks() {
        game.click(game.novahra);
        EXPECT_EQ(game.state.GameMode, 1);
        EXPECT_FALSE(game.Frame3.visible());
        EXPECT_TRUE(game.world.enabled());
        EXPECT_TRUE(game.tank1.visible());
        EXPECT_TRUE(game.tank2.visible());
        EXPECT_TRUE(game.Command1.enabled());
        EXPECT_EQ(game.state.WorldBusy, False);
    }
};

// Two whole games on one loop: enough for everything that does not wait for the peer.
struct NetPairTest : NetLoopTest {
    Mainfrm host{loop, testing::englishDesktop()};
    Mainfrm joiner{loop, testing::englishDesktop()};

    void start() {
        host.Form_Load();
        joiner.Form_Load();
        loop.runFor(1500);
    }
    void connect(int port) {
        for (Mainfrm* g : {&host, &joiner}) {
            g->hostPort = port;
            g->joinPort = port + 1;
        }
        host.click(host.Option3);
        host.click(host.Command3);
        joiner.click(joiner.Option3);
        typeInto(joiner, joiner.compname, "127.0.0.1");
        joiner.click(joiner.Command4);
        ASSERT_TRUE(until([&] { return host.state.GameMode == 3 && joiner.state.GameMode == 4; }));
    }
};

// ---- Two whole games, each on its own thread with its own loop, taking turns on one virtual clock

// Only one party runs at a time: the test (0), the host (1) and the joiner (2) hand the turn round.
class TurnTaking {
public:
    explicit TurnTaking(int parties) : live_(std::size_t(parties), true) {}
    void await(int me) {
        std::unique_lock<std::mutex> l(m_);
        cv_.wait(l, [&] { return turn_ == me; });
    }
    void pass(int me) {
        std::unique_lock<std::mutex> l(m_);
        turn_ = next(me);
        cv_.notify_all();
        cv_.wait(l, [&] { return turn_ == me; });
    }
    void leave(int me) {
        std::unique_lock<std::mutex> l(m_);
        live_[std::size_t(me)] = false;
        if (turn_ == me) turn_ = next(me);
        cv_.notify_all();
    }
    bool live(int who) {
        std::unique_lock<std::mutex> l(m_);
        return live_[std::size_t(who)];
    }

private:
    int next(int me) const {
        const int n = int(live_.size());
        for (int k = 1; k <= n; ++k)
            if (live_[std::size_t((me + k) % n)]) return (me + k) % n;
        return me;
    }
    std::mutex m_;
    std::condition_variable cv_;
    int turn_ = 0;
    std::vector<bool> live_;
};

struct SharedClock {
    double nowMs = 0;
    double dayBase = 12 * 3600.0;
    double timeOfDay() const {
        double t = std::fmod(dayBase + nowMs / 1000.0, 86400.0);
        return t < 0 ? t + 86400.0 : t;
    }
};

struct Stopped {};

// One game's view of the shared clock: every pump and every sleep hands the turn on.
class SeatDriver : public Driver {
public:
    SeatDriver(SharedClock& clock, TurnTaking& turns, int me, std::atomic<bool>& stop)
        : clock_(clock), turns_(turns), me_(me), stop_(stop) {}
    double nowMs() override { return clock_.nowMs; }
    double timeOfDay() override { return clock_.timeOfDay(); }
    void collectInput() override { handOn(); }
    void sleepUntil(double tMs) override {
        if (tMs > clock_.nowMs) clock_.nowMs = tMs;
        handOn();
    }
    bool isVirtual() const override { return true; }

private:
    void handOn() {
        turns_.pass(me_);
        if (stop_) throw Stopped{};  // the test is over: out of whatever the game was doing
    }
    SharedClock& clock_;
    TurnTaking& turns_;
    int me_;
    std::atomic<bool>& stop_;
};

struct Seat : Mainfrm::Onlooker {
    Seat(SharedClock& clock, TurnTaking& turns, int id, Desktop desk)
        : id(id), driver(clock, turns, id, stop), loop(&driver), game(loop, std::move(desk)), awake(loop, "awake", 50) {
        awake.setEnabled(true);  // some timer always runs, so the virtual clock always moves on
        game.setOnlooker(this);
    }
    void HashesCompared(bool same) override {
        ++hashesCompared;
        hashMismatches += !same;
    }
    std::atomic<int> hashesCompared{0}, hashMismatches{0};
    int id;
    std::atomic<bool> stop{false};
    SeatDriver driver;
    EventLoop loop;
    Mainfrm game;
    Timer awake;
    std::thread thread;
    std::string error;
};

// Why not one loop for both: a game that waits for its peer inside a long handler (the joiner builds its
// battlefield inside the host's "R") would hold the other game's unfinished handler below it on the one
// stack, and neither could ever go on. Each game here has its stack, loop and sockets; the clock is one.
struct NetDuel {
    explicit NetDuel(Desktop desk = testing::englishDesktop())
        : host(clock, turns, 1, desk), joiner(clock, turns, 2, desk) {}
    ~NetDuel() { stop(); }

    testing::QuietAudio quiet;
    TurnTaking turns{3};
    SharedClock clock;
    Seat host, joiner;

    void start() {
        for (Seat* s : {&host, &joiner}) {
            s->loop.post([s] { s->game.Form_Load(); });
            s->thread = std::thread([this, s] { run(*s); });
        }
        runFor(1500);
    }
    void stop() {
        for (Seat* s : {&host, &joiner}) s->stop = true;
        while (turns.live(1) || turns.live(2)) turns.pass(0);
        for (Seat* s : {&host, &joiner})
            if (s->thread.joinable()) s->thread.join();
    }
    // A game vanishes as a killed program does: its socket closes and it runs no more.
    void kill(Seat& s) {
        s.game.tcpcontrol.close();
        s.stop = true;
        while (turns.live(s.id)) turns.pass(0);
        s.thread.join();
    }
    // The test's turns: until `done` holds, a game ended or `virtualMs` of game time passed.
    bool until(const std::function<bool()>& done, double virtualMs = 600000) {
        const double end = clock.nowMs + virtualMs;
        for (;;) {
            if (done()) return true;
            if (clock.nowMs > end) return false;
            if (!host.error.empty() || !joiner.error.empty()) return false;
            turns.pass(0);
        }
    }
    void runFor(double ms) {
        const double end = clock.nowMs + ms;
        until([&] { return clock.nowMs >= end; });
    }
    // Runs `action` on the seat's own thread, as the player's input, and waits until it has returned.
    bool on(Seat& s, std::function<void()> action) {
        auto done = std::make_shared<bool>(false);
        s.loop.post([action = std::move(action), done] {
            action();
            *done = true;
        });
        return until([done] { return *done; });
    }
    void connect(int port) {
        for (Seat* s : {&host, &joiner}) {
            s->game.hostPort = port;
            s->game.joinPort = port + 1;
        }
        ASSERT_TRUE(on(host, [&] {
            host.game.click(host.game.Option3);
            host.game.click(host.game.Command3);
        }));
        ASSERT_TRUE(on(joiner, [&] {
            joiner.game.click(joiner.game.Option3);
            typeInto(joiner.game, joiner.game.compname, "127.0.0.1");
            joiner.game.click(joiner.game.Command4);
        }));
        ASSERT_TRUE(until([&] { return host.game.state.GameMode == 3 && joiner.game.state.GameMode == 4; }));
    }

private:
    void run(Seat& s) {
        turns.await(s.id);
        try {
            while (!s.stop) s.loop.runFor(20);
        } catch (const Stopped&) {
        } catch (const std::exception& e) {
            s.error = e.what();
        }
        turns.leave(s.id);
    }
};

}  // namespace gv::nettest
