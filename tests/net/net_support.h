#pragma once
// Network games under test: a game and a scripted peer on one loop, two games on one loop, and two
// whole games each on a thread of its own, taking turns on one virtual clock.
#include "platform/asio.h"
#include <asio/ip/tcp.hpp>
#include <asio/write.hpp>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

#include "../support/game_fixture.h"
#include "../support/ports.h"
#include "platform/numtext.h"

namespace gv::nettest {

// The virtual clock, with an end: a wait inside the game that nothing ends throws instead of hanging.
// The wall clock bounds it too, for a wait whose timers keep the virtual clock creeping.
// With a speed it runs at most that many times faster than real time: an ICE stream's checks and timers
// are real, and the game's must not outrun them.
struct BoundedClock : VirtualDriver {
    double limitMs = 30 * 60 * 1000.0;
    double speed = 0;  // 0: as fast as the computer goes
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    void sleepUntil(double tMs) override {
        if (tMs > limitMs) throw std::runtime_error("the virtual clock ran out: a wait never ended");
        if (std::chrono::steady_clock::now() - started > std::chrono::seconds(120))
            throw std::runtime_error("two minutes of real time: a wait never ended");
        if (speed > 0 && tMs > nowMs())
            std::this_thread::sleep_for(std::chrono::duration<double, std::milli>((tMs - nowMs()) / speed));
        VirtualDriver::sleepUntil(tMs);
    }
};

// The other end of the link, played by the test at the level of bytes: it reads lines, can answer them,
// and can leave politely or vanish (close).
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
        core_->acceptor.async_accept(core_->sock, Core::linked(core_));
    }
    void connect(int port) {
        core_->sock.async_connect({asio::ip::make_address("127.0.0.1"), std::uint16_t(port)}, Core::linked(core_));
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

    bool connected() const { return core_->connected; }
    bool closedByGame() const { return core_->ended; }
    int count(const std::string& line) const { return int(std::ranges::count(core_->heard, line)); }
    bool heardLine(const std::string& line) const { return count(line) > 0; }
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
        static std::function<void(const asio::error_code&)> linked(const std::shared_ptr<Core>& c) {
            return [c](const asio::error_code& e) {
                if (!e) c->connected = true, read(c);
            };
        }
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

// The network panel's two ways into a link: host, or join the host of that name.
inline void hostGame(Mainfrm& g) { g.click(g.Option3), g.click(g.Command3); }
inline void joinGame(Mainfrm& g, const std::string& name = "127.0.0.1") {
    g.click(g.Option3);
    g.compname.setText(name);
    g.click(g.Command4);
}

// What a copy whose link broke shows while it keeps the seat, before its countdown's seconds.
inline const std::string kCountdown = "Connection lost; waiting for the other player to return (";

using testing::freePorts;
using testing::idle;
inline bool linkedModes(const Mainfrm& h, const Mainfrm& j) {
    return h.state.GameMode == mode::Host && j.state.GameMode == mode::Joiner;
}
// Back at the menu in two-player mode with the link closed, as after the peer's "disconnect".
inline bool backAtMenu(const Mainfrm& g) {
    return g.Frame3.visible() && !g.Frame4.visible() && g.Option1.value() && g.PeerGone() && g.novahra.enabled() &&
           !g.continue_.enabled() && !g.world.enabled() && g.state.GameMode == mode::HotSeat && g.state.WorldBusy == False &&
           g.tcpcontrol.state() == TcpSocket::Closed;
}

// Fresh ports for the games' links, the same for every game given; the host's port.
inline int usePorts(std::initializer_list<Mainfrm*> games) {
    const int port = freePorts();
    for (Mainfrm* g : games) g->hostPort = port, g->joinPort = port + 1;
    return port;
}

// One loop and its virtual clock for games under test.
struct NetLoopTest : ::testing::Test {
    testing::QuietAudio quiet;
    BoundedClock clock;
    EventLoop loop{&clock};
    // Starts the games as the program does, and lets their intros finish.
    void load(std::initializer_list<Mainfrm*> games) {
        for (Mainfrm* g : games) g->Form_Load();
        loop.runFor(1500);
    }
    // Runs the loop until `done` holds or `virtualMs` of game time have passed.
    bool until(const std::function<bool()>& done, double virtualMs = 120000) {
        for (const double end = loop.now() + virtualMs; !done(); loop.runFor(10))
            if (loop.now() >= end) return false;
        return true;
    }
    // `p` connects to the port and is connected.
    bool dial(RawPeer& p, int port) {
        return p.connect(port), until([&] { return p.connected(); });
    }
    // `g` joins the host of that name; what its panel says once that is no longer under way.
    std::string joinSays(Mainfrm& g, const std::string& name = "127.0.0.1") {
        joinGame(g, name);
        until([&] { return g.Label11.caption() != "Connecting to " + name; });
        return g.Label11.caption();
    }
};

struct NetGameTest : NetLoopTest {
    Mainfrm game{loop, testing::englishDesktop()};
    RawPeer peer{loop};

    void SetUp() override { load({&game}); }
    // The game hosts; the peer joins, greets and is greeted.
    void hostForPeer(RawPeer* joiner = nullptr) {
        RawPeer& p = joiner ? *joiner : peer;
        const int port = usePorts({&game});
        hostGame(game);
        ASSERT_EQ(game.tcpcontrol.state(), TcpSocket::Listening);
        ASSERT_TRUE(dial(p, port));
        p.say("G2");
        ASSERT_TRUE(until([&] { return game.state.GameMode == mode::Host && p.heardLine("connectok"); }));
    }
    // The peer hosts; the game joins, greets and is greeted.
    void joinPeer() {
        peer.listen(usePorts({&game}));
        joinGame(game);
        ASSERT_TRUE(until([&] { return peer.heardLine("G2"); }));
        peer.say("connectok");
        ASSERT_TRUE(until([&] { return game.state.GameMode == mode::Joiner; }));
    }
    // The game hosts a battle; the peer plays a joiner that builds at once and never shoots unless told to.
    void battleForPeer() {
        ASSERT_NO_FATAL_FAILURE(hostForPeer());
        peer.onLine([this](const std::string& line) {
            if (!line.empty() && line[0] == 'R') peer.say("drawingok");
            if (line == "bullfired") peer.say("bullfired");
        });
        game.click(game.novahra);
    }
    // The peer plays a host: "drawingok" and a calm wind back, and at each hand-over the host's
    // "bullfired", its wind, when the field has none, a crate, and then whatever `afterHandOver` says.
    std::string crate = "B133400";
    void peerPlaysHost(std::function<void()> afterHandOver = {}) {
        peer.onLine([this, afterHandOver](const std::string& line) {
            if (line == "drawingok") peer.say("drawingok"), peer.say("W0");
            if (line != "bullfired") return;
            const bool crateDue = game.state.BonusActive == False;
            peer.say("bullfired"), peer.say("W0");
            if (crateDue) peer.say(crate);
            if (afterHandOver) afterHandOver();
        });
    }
    // The game joins the peer and builds a battle from the peer's seed, ready for player 1's shot.
    void battleFromPeer(const std::string& seed) {
        ASSERT_NO_FATAL_FAILURE(joinPeer());
        peerPlaysHost();
        peer.say("R" + seed);
        ASSERT_TRUE(until([&] { return idle(game) && game.tank1.visible(); }));
    }
    // Whatever was running has stopped, the menu is back and New Game gives a battle at one computer.
    void expectRecovered() {
        ASSERT_TRUE(until([&] { return idle(game); }));
        EXPECT_TRUE(backAtMenu(game));
        game.click(game.novahra);
        EXPECT_TRUE(game.state.GameMode == mode::HotSeat && !game.Frame3.visible() && game.world.enabled() &&
                    game.tank1.visible() && game.tank2.visible() && game.Command1.enabled() && game.state.WorldBusy == False);
    }
};

// Two whole games on one loop: enough for everything that does not wait for the peer.
struct NetPairTest : NetLoopTest {
    Mainfrm host{loop, testing::englishDesktop()};
    Mainfrm joiner{loop, testing::englishDesktop()};

    void SetUp() override { load({&host, &joiner}); }
    bool linked() {
        return until([&] { return linkedModes(host, joiner); });
    }
    void connect() {
        usePorts({&host, &joiner});
        hostGame(host), joinGame(joiner);
        ASSERT_TRUE(linked());
    }
};

// ---- Two whole games, each on its own thread with its own loop, taking turns on one virtual clock

// Only one party runs at a time: the test (0), the host (1) and the joiner (2) hand the turn round.
class TurnTaking {
public:
    explicit TurnTaking(int parties) : live_(std::size_t(parties), true) {}
    void await(int me) {
        std::unique_lock l(m_);
        cv_.wait(l, [&] { return turn_ == me; });
    }
    void pass(int me) {
        std::unique_lock<std::mutex> l(m_);
        turn_ = next(me);
        cv_.notify_all();
        cv_.wait(l, [&] { return turn_ == me; });
    }
    // A party leaves the round (handing on the turn if it had it), or joins it again.
    void setLive(int me, bool live) {
        std::unique_lock<std::mutex> l(m_);
        live_[std::size_t(me)] = live;
        if (!live && turn_ == me) turn_ = next(me);
        cv_.notify_all();
    }
    bool live(int who) {
        std::lock_guard l(m_);
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
    double speed = 0;  // as BoundedClock's: 0 runs as fast as the computer goes
    double dayBase = 12 * 3600.0;
    double timeOfDay() const {
        double t = std::fmod(dayBase + nowMs / 1000.0, 86400.0);
        return t < 0 ? t + 86400.0 : t;
    }
};

struct Stopped {};

// One game on a thread of its own, its loop on the shared clock: every pump and every sleep hands the turn on.
struct Seat : Mainfrm::Onlooker, Driver {
    Seat(SharedClock& c, TurnTaking& t, int seatId, Desktop desk)
        : clock(c),
          turns(t),
          id(seatId),
          loop(this),
          game(loop, std::move(desk)),
          awake(loop, "awake", 50) {
        awake.setEnabled(true);  // some timer always runs, so the virtual clock always moves on
        game.setOnlooker(this);
    }
    double nowMs() override { return clock.nowMs; }
    double timeOfDay() override { return clock.timeOfDay(); }
    void collectInput() override { handOn(); }
    void sleepUntil(double tMs) override {
        if (clock.speed > 0 && tMs > clock.nowMs)
            std::this_thread::sleep_for(std::chrono::duration<double, std::milli>((tMs - clock.nowMs) / clock.speed));
        clock.nowMs = std::max(clock.nowMs, tMs), handOn();
    }
    bool isVirtual() const override { return true; }
    void handOn() {
        turns.pass(id);
        if (stop) throw Stopped{};  // the test is over: out of whatever the game was doing
    }
    void HashesCompared(bool same) override {
        ++hashesCompared;
        hashMismatches += !same;
    }
    SharedClock& clock;
    TurnTaking& turns;
    std::atomic<int> hashesCompared{0}, hashMismatches{0};
    int id;
    std::atomic<bool> stop{false};
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
        : desk_(desk),
          host(clock, turns, 1, desk),
          joiner(clock, turns, 2, desk) {
        turns.setLive(3, false);  // the seat of a program started again, while there is none
    }
    ~NetDuel() { stop(); }

    testing::QuietAudio quiet;
    TurnTaking turns{4};
    SharedClock clock;
    Desktop desk_;
    Seat host, joiner;
    std::optional<Seat> again;  // a killed game's program, started again
    // Where a seat's thread runs (1 the host's, 2 the joiner's): here, unless a test puts each into a
    // network of its own.
    std::function<std::thread(int seat, std::function<void()> body)> spawn;

    void start() {
        for (Seat* s : {&host, &joiner}) launch(*s);
        runFor(1500);
    }
    void stop() {
        for (Seat* s : {&host, &joiner, again ? &*again : nullptr})
            if (s) s->stop = true;
        while (turns.live(1) || turns.live(2) || turns.live(3)) turns.pass(0);
        for (Seat* s : {&host, &joiner, again ? &*again : nullptr})
            if (s && s->thread.joinable()) s->thread.join();
    }
    // The killed game's program starts again on this computer: its battles in the same folder, its ports
    // the same. Returns the new game, loaded and at its menu.
    Mainfrm& restart(Seat& killed) {
        again.emplace(clock, turns, 3, desk_);
        again->game.hostPort = killed.game.hostPort, again->game.joinPort = killed.game.joinPort;
        turns.setLive(3, true);
        launch(*again);
        runFor(1500);
        return again->game;
    }
    // A game vanishes as a killed program does: its socket closes and it runs no more. Whether the other
    // copy then keeps the battle for its return.
    bool kill(Seat& s) {
        s.game.tcpcontrol.close();
        s.stop = true;
        while (turns.live(s.id)) turns.pass(0);
        s.thread.join();
        return until([&] { return (&s == &host ? joiner : host).game.net().resuming; });
    }
    // The test's turns: until `done` holds, a game ended or `virtualMs` of game time passed.
    bool until(const std::function<bool()>& done, double virtualMs = 600000) {
        for (const double end = clock.nowMs + virtualMs;; turns.pass(0)) {
            if (done()) return true;
            if (clock.nowMs > end || !host.error.empty() || !joiner.error.empty()) return false;
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
    // Both copies have been through `handOvers` hand-overs of a battle and wait for the next shot.
    bool bothAt(long long handOvers) const {
        const Mainfrm &H = host.game, &J = joiner.game;
        return idle(H) && idle(J) && H.net().handOvers == handOvers && J.net().handOvers == handOvers &&
               H.state.TurnPlayer == J.state.TurnPlayer && H.net().battles == J.net().battles && H.net().battles > 0;
    }
    // The player whose turn it is aims and fires on their own copy (the host's `h`, the joiner's `j`), as that
    // player's input.
    bool shoot(const std::string& force, const std::string& angle) { return shoot(force, angle, host, joiner); }
    bool shoot(const std::string& force, const std::string& angle, Seat& h, Seat& j) {
        const int player = int(h.game.state.TurnPlayer);
        Mainfrm& g = (player == 1 ? h : j).game;
        return on(player == 1 ? h : j,
                  [&] { testing::aim(g, player, force, angle), g.click(player == 1 ? g.Command1 : g.Command2); });
    }
    // The host invites, the joiner answers, each code passed on as the players would, and the stream links
    // them.
    void connectByInvite() {
        Mainfrm &H = host.game, &J = joiner.game;
        ASSERT_TRUE(on(host, [&] { H.click(H.Option3), H.click(H.Invite); }));
        ASSERT_TRUE(until([&] { return !H.InviteCode.text().empty(); }));
        ASSERT_TRUE(on(joiner, [&] { J.click(J.Option3), J.InvitePaste.setText(H.InviteCode.text()), J.click(J.InviteUse); }));
        ASSERT_TRUE(until([&] { return !J.InviteCode.text().empty(); })) << J.InviteNote.caption();
        ASSERT_TRUE(on(host, [&] { H.InvitePaste.setText(J.InviteCode.text()), H.click(H.InviteUse); }));
        ASSERT_TRUE(until([&] { return linkedModes(H, J); })) << H.InviteNote.caption() << " / " << J.InviteNote.caption();
    }
    void connect() {
        usePorts({&host.game, &joiner.game});
        ASSERT_TRUE(on(host, [&] { hostGame(host.game); }));
        ASSERT_TRUE(on(joiner, [&] { joinGame(joiner.game); }));
        ASSERT_TRUE(until([&] { return linkedModes(host.game, joiner.game); }));
    }

private:
    void launch(Seat& s) {
        s.loop.post([&s] { s.game.Form_Load(); });
        s.thread = spawn ? spawn(s.id, [this, &s] { run(s); }) : std::thread([this, &s] { run(s); });
    }
    void run(Seat& s) {
        turns.await(s.id);
        try {
            while (!s.stop) s.loop.runFor(20);
        } catch (const Stopped&) {
        } catch (const std::exception& e) {
            s.error = e.what();
        }
        turns.setLive(s.id, false);
    }
};

}  // namespace gv::nettest
