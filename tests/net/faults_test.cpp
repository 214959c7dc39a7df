// A link that never hangs: a peer that vanishes or falls silent during each of the four waits, floods,
// and messages that cannot be played on.
#include <SDL.h>

#include "net_support.h"
#include "platform/sdl/sdlbackend.h"

namespace gv::nettest {
namespace {

struct NetFaults : NetGameTest {
    // The peer falls silent, as a stopped program does, once the game is in the state `waiting` describes
    // (the start of a wait for it): until the link ends by itself, the same with a keep-alive every second
    // from a program that runs but says nothing more, until the player leaves with Esc a second into the
    // wait, or until the peer resumes after ten seconds.
    enum class Fate { Silent, KeepAlivesOnly, EscAtOnce, SilentThenResume };
    std::unique_ptr<Timer> silencer;
    bool silenced = false, resumed = false, escaped = false;
    double silentAt = -1, heardAt = -1, waitTextAt = -1, waitTextGoneAt = -1;
    std::function<void()> resume;  // says what the peer held back
    bool waitText() const { return game.Label8(1).visible() && game.Label8(1).caption() == "Waiting for the other player..."; }
    void silenceWhen(std::function<bool()> waiting, Fate fate, RawPeer* other = nullptr) {
        silencer = std::make_unique<Timer>(loop, "silencer", 5);
        silencer->onTimer = [this, waiting, fate, &p = other ? *other : peer, alive = 0.0]() mutable {
            const double now = loop.now();
            if (!silenced) {
                if (!waiting()) return;
                silenced = true, silentAt = alive = now;
                p.onLine(nullptr);
                return;
            }
            if (fate == Fate::KeepAlivesOnly && now - alive >= 1000 && p.connected()) p.say("K"), alive = now;
            if (fate == Fate::EscAtOnce && !escaped && now - silentAt >= 1000) escaped = true, game.keyDown(Key::Escape);
            if (waitTextAt < 0 && waitText()) waitTextAt = now, heardAt = game.net().lastHeard;  // its last byte
            if (waitTextAt >= 0 && waitTextGoneAt < 0 && !waitText()) waitTextGoneAt = now;
            if (fate == Fate::SilentThenResume && !resumed && now - silentAt >= 10000) resumed = true, resume();
        };
        silencer->setEnabled(true);
    }
    // The waiting text came five seconds into the wait and the link ended thirty seconds after the peer's
    // last byte, or thirty seconds into the wait when keep-alives kept coming; or Esc left it at once.
    void expectSilence(Fate fate, RawPeer* other = nullptr) {
        ASSERT_TRUE(until([&] { return game.state.GameMode == mode::HotSeat; }));
        if (fate == Fate::EscAtOnce) {
            EXPECT_NEAR(loop.now(), silentAt + 1000, 50);
            EXPECT_TRUE((other ? *other : peer).heardLine("disconnect") && !game.Label8(1).visible());
        } else {
            EXPECT_NEAR(waitTextAt - silentAt, 5000, 300);
            EXPECT_NEAR(loop.now() - (fate == Fate::Silent ? heardAt : silentAt), 30000, 300);
            EXPECT_EQ(game.Label8(1).caption(), "The other player is not responding");
        }
        ASSERT_NO_FATAL_FAILURE(expectRecovered());
    }
    // The game hosts a battle whose joiner vanishes: it keeps the seat and counts down over the battlefield.
    bool countingDown() const {
        const Label& l = game.Label8(1);
        return l.visible() && l.top() == Banner::kBannerTop && l.caption().rfind(kCountdown, 0) == 0;
    }
    void countdown() {
        ASSERT_NO_FATAL_FAILURE(battleForPeer());
        peer.close();
        ASSERT_TRUE(until([&] { return game.net().resuming && countingDown(); }));
    }
};

TEST_F(NetFaults, AnotherVersionAtTheDoorDuringTheCountdownLeavesTheSeatAndItsWords) {
    ASSERT_NO_FATAL_FAILURE(countdown());
    RawPeer other(loop), back(loop);
    ASSERT_TRUE(dial(other, game.hostPort));
    other.say("G1");
    ASSERT_TRUE(until([&] { return other.closedByGame(); }));
    EXPECT_TRUE(other.heardLine("G2") && game.net().resuming && countingDown());
    // The joiner comes back to its seat, having taken all we sent.
    ASSERT_TRUE(dial(back, game.hostPort));
    back.say(WriteNetMessage(netmsg::resume(game.net().linkName, game.net().sent)));
    ASSERT_TRUE(until([&] { return !game.net().resuming; }));
    EXPECT_TRUE(game.state.GameMode == mode::Host && game.tcpcontrol.state() == TcpSocket::Connected &&
                !game.Label8(1).visible());
}

// The countdown in a real window (SDL's display-less driver) at the game's own size and at 1224 x 918, on a
// hill as green as its words: every pixel of its letters is edged two of the game's pixels out, so the hill
// never touches them, and they keep off the window's sides.
TEST_F(NetFaults, TheCountdownReadsOnAGreenHillWithinTheWindowAtAnySize) {
    ASSERT_NO_FATAL_FAILURE(countdown());
    for (int y = 0; y < Canvas::kHeight; ++y) game.world.fillRow(y, 0, Canvas::kWidth - 1, rgb(0, 200, 0));
    for (Control* c : game.world.children()) c->setVisible(c->name() == "Label8");
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
    SdlDriver screen(game);
    screen.show();
    SDL_Window* window = nullptr;
    for (Uint32 id = 1; !window && id < 100; ++id) window = SDL_GetWindowFromID(id);
    ASSERT_NE(window, nullptr);
    for (auto [w, h] : {std::pair{800, 600}, {1224, 918}}) {
        SDL_SetWindowSize(window, w, h);
        screen.collectInput();
        screen.present();
        SDL_Surface* s = SDL_GetWindowSurface(window);
        auto at = [s](int x, int y) { return static_cast<Uint32*>(s->pixels)[y * s->pitch / 4 + x] & 0xFFFFFF; };
        const double k = w / 800.0;
        const int d = int(2 * k);
        int letters = 0, bare = 0, left = w, right = 0;
        for (int y = int(Banner::kBannerTop * k); y < int((Banner::kBannerTop + 2 * Banner::kBannerHeight) * k); ++y)
            for (int x = d; x < s->w - d; ++x) {
                if (at(x, y) != 0x00FF00) continue;  // the letters' own green
                ++letters, left = std::min(left, x), right = std::max(right, x);
                for (auto [dx, dy] : {std::pair{d, 0}, {-d, 0}, {0, d}, {0, -d}}) bare += at(x + dx, y + dy) == 0x00C800;
            }
        EXPECT_TRUE(s->w == w && letters > 2000 * k * k && bare == 0) << w << ": " << letters << " letter pixels, " << bare;
        EXPECT_TRUE(left >= 16 * k && right < w - 16 * k) << w << ": " << left << ".." << right;
    }
}

TEST_F(NetFaults, PeerGoneWhileTheHostWaitsForItsDrawing) {
    ASSERT_NO_FATAL_FAILURE(hostForPeer());
    // The joiner takes the seed and is never heard of again: first gone, then only silent.
    peer.onLine([&](const std::string& line) {
        if (line == "drawingok") peer.close();
    });
    game.click(game.novahra);  // returns once the wait has ended
    EXPECT_TRUE(peer.heardLine("drawingok") && game.Label8(1).caption() == "The other player left the game");
    ASSERT_NO_FATAL_FAILURE(expectRecovered());
    RawPeer stopped(loop);
    game.keyDown(Key::Escape);
    ASSERT_NO_FATAL_FAILURE(hostForPeer(&stopped));
    silenceWhen([&] { return game.state.WorldBusy == True && stopped.heardLine("drawingok"); }, Fate::KeepAlivesOnly, &stopped);
    game.click(game.novahra);
    ASSERT_NO_FATAL_FAILURE(expectSilence(Fate::KeepAlivesOnly));
}

TEST_F(NetFaults, PeerGoneWhileTheJoinerWaitsForTheHostsDrawing) {
    ASSERT_NO_FATAL_FAILURE(joinPeer());
    // The host takes our "drawingok" and says nothing more; the player leaves a second later.
    silenceWhen([&] { return peer.heardLine("drawingok"); }, Fate::EscAtOnce);
    peer.say("R8086");
    ASSERT_NO_FATAL_FAILURE(expectSilence(Fate::EscAtOnce));
}

TEST_F(NetFaults, PeerGoneWhileTheHostWaitsAtTheHandOver) {
    ASSERT_NO_FATAL_FAILURE(battleForPeer());
    ASSERT_TRUE(game.Command1.enabled());
    // The joiner stops before its "bullfired" and goes on ten seconds later, in step.
    peer.onLine([&](const std::string& line) {
        if (line == "bullfired") peer.say("K");  // its last word for a while
    });
    resume = [&] { peer.say("bullfired"); };
    silenceWhen([&] { return peer.heardLine("bullfired"); }, Fate::SilentThenResume);
    game.click(game.Command1);
    ASSERT_TRUE(until([&] { return resumed && idle(game) && game.state.TurnPlayer == 2; }));
    EXPECT_NEAR(waitTextAt - silentAt, 5000, 300);  // the keep-alive is no progress
    EXPECT_GE(waitTextGoneAt, silentAt + 10000);    // gone with the first byte
    EXPECT_TRUE(!game.Label8(1).visible() && game.tcpcontrol.state() == TcpSocket::Connected);
}

TEST_F(NetFaults, PeerGoneWhileTheJoinerWaitsForTheQuakeSeed) {
    ASSERT_NO_FATAL_FAILURE(battleFromPeer("3000"));
    // The host's player holds the quake.
    testing::arm(game, weapon::Quake);
    silenceWhen([&] { return game.bullettimer.running() && !game.bullet.visible() && game.state.PeerSeedReady == False; },
                Fate::Silent);
    peer.say("S82U45");  // into the middle of the field
    ASSERT_NO_FATAL_FAILURE(expectSilence(Fate::Silent));
}

TEST_F(NetFaults, PeerGoneWhileTheJoinerWaitsForTheCrate) {
    ASSERT_NO_FATAL_FAILURE(battleFromPeer("4000"));
    // The host answers the hand-over but never says which crate drops.
    peer.onLine([&](const std::string& line) {
        if (line == "bullfired") peer.say("bullfired"), peer.say("W-3");
    });
    silenceWhen(
        [&] {
            return game.showit.running() && game.state.BonusActive == True && game.state.PeerBonusKind == 0 &&
                   !game.bonuspic.visible();
        },
        Fate::KeepAlivesOnly);
    peer.say("S100U45");
    ASSERT_NO_FATAL_FAILURE(expectSilence(Fate::KeepAlivesOnly));
    // No crate at all, never one of kind 0.
    EXPECT_TRUE(game.state.BonusActive == False && !game.bonuspic.visible() && !game.bonusfalltimer.enabled());
}

struct NetOverlong : NetFaults {
    // The link ended on both sides with a network error below the menu; New Game puts the banner back over
    // the battlefield with its own text, and Esc leaves that battle for the menu.
    void check(RawPeer* other = nullptr) {
        RawPeer& p = other ? *other : peer;
        ASSERT_TRUE(until([&] { return game.state.GameMode == mode::HotSeat && p.closedByGame(); }));
        EXPECT_TRUE(p.heardLine("disconnect") && backAtMenu(game));
        EXPECT_TRUE(game.Label8(1).visible() && game.Label8(1).caption() == "Network error");
        EXPECT_GT(game.Label8(1).top(), game.Frame3.top() + game.Frame3.height());  // in view
        game.click(game.novahra);
        EXPECT_TRUE(game.Label8(1).top() == 264 && game.Label8(1).foreColour == rgb(0, 255, 0) &&
                    game.Label8(1).caption() == "Creating game...");
        game.keyDown(Key::Escape);
    }
};

TEST_F(NetOverlong, AMessageOverSixtyFourBytesOrFourKilobytesWithoutALineFeedEndTheLink) {
    ASSERT_NO_FATAL_FAILURE(joinPeer());
    peer.say(std::string(64, 'x'));  // 64 is still a message (an unknown one)
    peer.say("W1");
    ASSERT_TRUE(until([&] { return game.state.Wind == 1; }));
    peer.say(std::string(65, 'x'));  // whatever its key
    check();
    RawPeer other(loop);
    ASSERT_NO_FATAL_FAILURE(hostForPeer(&other));
    other.send(std::string(4096, 'a'));
    loop.runFor(200);
    EXPECT_EQ(game.state.GameMode, mode::Host);  // still waiting for the rest
    other.send("a");
    check(&other);
}

TEST_F(NetOverlong, FloodsOfEmptyLinesOrOfHashesEndTheLinkWithBoundedMemory) {
    std::size_t most = 0;
    testing::Every watch(loop, "watch", 1,
                         [&] { most = std::max(most, game.net().inbox.size() + game.net().hashes.peer.size()); });
    // Eight megabytes of empty lines while the game waits for nothing in particular.
    ASSERT_NO_FATAL_FAILURE(joinPeer());
    peer.send(std::string(255, '\n'));  // with the wind, as many as may wait: still a link
    peer.say("W1");
    ASSERT_TRUE(until([&] { return game.state.Wind == 1; }));
    for (int i = 0; i < 64 && game.state.GameMode == mode::Joiner; ++i) peer.send(std::string(128 * 1024, '\n')), loop.runFor(5);
    check();
    // Hashes: a few ahead of ours wait for their pair, one far ahead is no copy in step.
    RawPeer flood(loop);
    ASSERT_NO_FATAL_FAILURE(hostForPeer(&flood));
    for (int n = 0; n <= 8; ++n) flood.say("H" + std::to_string(n) + ":1");  // up to eight ahead
    flood.say("W9");                                                         // a joiner's wind: ignored, it only marks the end
    ASSERT_TRUE(until([&] { return game.state.SendText == "W9"; }));
    EXPECT_EQ(game.state.GameMode, mode::Host);
    for (int n = 9; n < 100000 && game.state.GameMode == mode::Host; n += 1000) {
        std::string many;
        for (int k = n; k < n + 1000; ++k) many += "H" + std::to_string(k) + ":1\n";
        flood.send(many);
        loop.runFor(5);
    }
    check(&flood);
    EXPECT_LE(most, 256u + 17u);
}

TEST_F(NetFaults, AClosedWindowDispatchesNothingMore) {
    ASSERT_NO_FATAL_FAILURE(joinPeer());
    // The window closes while the joiner builds inside "R", with more of the host's messages waiting:
    // the winds come in one read once the building is under way, and the window goes after the first.
    bool sent = false;
    double windAtClose = 0;
    testing::Every closer(loop, "closer", 1, [&] {
        if (game.state.WorldBusy != True || game.unloaded()) return;
        if (!sent) {
            peer.send("W5\nW6\nW7\nW8\nexit\n");
            sent = true;
        } else if (game.state.Wind >= 5) {
            windAtClose = game.state.Wind;
            game.tcpcontrol.send("K\n");  // "disconnect" then waits behind a write under way
            game.unload();
        }
    });
    peer.say("R123");
    ASSERT_TRUE(until([&] { return game.unloaded() && peer.closedByGame(); }));
    loop.runFor(2000);
    EXPECT_TRUE(windAtClose < 8 && static_cast<double>(game.state.Wind) == windAtClose) << windAtClose;
    EXPECT_TRUE(game.state.SendText == "disconnect" && peer.heardLine("disconnect") && !peer.heardLine("drawingok"));
    EXPECT_TRUE(!game.continue_.enabled() && game.tcpcontrol.state() == TcpSocket::Closed);  // "exit" was never taken
}

// Each malformed message, sent by a real game, ends the link cleanly on both sides.
struct NetMalformed : NetPairTest {};

TEST_F(NetMalformed, EachMalformedMessageEndsTheLinkOnBothSides) {
    // clang-format off
    struct Case { std::string text; bool fromHost; };  // a host's message goes to the joiner, a joiner's to the host
    for (const auto& [text, fromHost] : std::vector<Case>{
        {"SU45", false},       {"S100U", false},     {"S100", false},      {"SabcU45", true},
        {"S100Ux", true},      {"S1e5U3", false},    {"S10 U5", false},    {"S 10U5", false},
        {"S10\tU5", false},    {"B", true},          {"Bxx412", true},     {"B00412", true},
        {"B14612", true},      {"B07112", true},     {"B07812", true},     {"B074800", true},     {"B074-1", true},     {"B0741.5", true},    {"R86400", true},     {"R-1", true},
        {"R12.5", true},       {"R", true},          {"Rabc", true},       {"E", true},
        {"E86400", true},      {"Eabc", true},       {"W30", true},        {"W-31", true},
        {"W2.5", true},        {"W", true},          {"Wx", true},         {"drawingokW99", true},
        {"drawingokX", false}, {"bullfiredW", true}, {"bullfiredWx", true}, {"H12", false},
        {"H:5", false},        {"Hx:5", true},       {"H1:x", true},       {"S10U5\x7f", false},
        {"W\xc3\xa9", true},   {"R1\x01", true},     {"W" + std::string(64, '0'), true}}) {
        // clang-format on
        SCOPED_TRACE(text);
        ASSERT_NO_FATAL_FAILURE(connect());
        Mainfrm& from = fromHost ? host : joiner;
        Mainfrm& to = fromHost ? joiner : host;
        from.netplay().SendMessage(text);
        ASSERT_TRUE(until([&] { return backAtMenu(host) && backAtMenu(joiner); }));
        EXPECT_TRUE(to.Label8(1).caption() == "Network error" && to.Label8(1).visible());
        EXPECT_EQ(from.Label8(1).caption(), "The other player left the game");  // it only heard "disconnect"
    }
}

}  // namespace
}  // namespace gv::nettest
