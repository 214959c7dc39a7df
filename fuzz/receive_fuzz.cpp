// Arbitrary bytes from the peer, cut into pieces of arbitrary size, against a whole game as host or
// joiner in each state of the link: the game never crashes, never keeps more than its bounds, and
// always comes back to its menu once the link is gone.
//
// The input: one byte for the seat, then pieces, each a length byte and that many bytes. The pieces
// arrive back to back, each in an event of its own, wherever the game is (building a battlefield, flying
// a shell, waiting for the peer); game time passes only where a piece is empty: the peer keeps quiet
// while the game runs on until it has nothing of its own left to do, so a battlefield gets built, a
// shell lands, a hand-over ends. Right after the last piece the link goes.
//
// Nobody looks at this game: its canvas is unseen, so a battlefield's sky and ground are neither painted
// nor shown rising frame by frame, while the battle itself is built draw for draw as on a screen.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "game/mainfrm.h"
#include "game/netplay.h"
#include "net/link.h"

namespace {

using gv::Mainfrm;

// A quiet peer: at least a tick, then until the game is idle, but never longer than the most. All the
// quiet of one input together is bounded too, so that no input takes long.
constexpr int kPauseTickMs = 20;
constexpr double kLongestPauseMs = 8000;
constexpr double kMostQuietMs = 20000;

gv::Desktop quietDesktop() {
    gv::Desktop d;
    d.languageSettings = [] { return gv::LanguageSettings{{"en_GB.UTF-8"}, "en_US.UTF-8", {"us"}}; };
    d.openUrl = [](const std::string&) {};
    return d;
}

void check(bool ok) {
    if (!ok) std::abort();
}

// Nothing of the game's own runs: no battlefield being built, no shell, hand-over or explosion, no peer's
// shot held back (a crate may still be falling: a player may fire meanwhile). Or it waits for the peer,
// which only the peer can end.
bool idle(const Mainfrm& g) {
    if (g.net().waitingForPeer > 0) return true;
    return g.state.WorldBusy == gv::False && !g.hideit.enabled() && !g.showit.enabled() && !g.bullettimer.enabled() &&
           !g.tankexpl.enabled() && !g.net().shotHeld;
}

// Hands the pieces to the game one event after another, a pause where a piece is empty, and ends the link
// after the last. The next piece is queued before a piece is taken: a piece that sets the game waiting
// (a battlefield inside "R") has the following ones arrive inside that wait. Once the game has let the
// connection go, nothing more arrives on it: the rest of the input is left unsent.
class Feeder {
public:
    Feeder(gv::EventLoop& loop, Mainfrm& game, std::vector<std::string> pieces, std::function<bool()> connected)
        : loop_(loop),
          game_(game),
          pieces_(std::move(pieces)),
          connected_(std::move(connected)),
          pause_(loop, "quietpeer", kPauseTickMs) {
        pause_.onTimer = [this] { pauseTick(); };
    }
    bool ended() const { return ended_; }
    void start() { feedNext(); }

private:
    void feedNext() {
        // Once this input has kept quiet long enough, its empty pieces are passed over.
        while (next_ < pieces_.size() && pieces_[next_].empty() && quietMs_ >= kMostQuietMs) ++next_;
        if (next_ == pieces_.size() || !connected_()) return finish();
        std::string piece = std::move(pieces_[next_++]);
        if (piece.empty()) {
            pauseSince_ = loop_.now();
            pause_.setEnabled(true);
            return;
        }
        loop_.post([this, piece = std::move(piece)] {
            if (!connected_()) return finish();
            feedNext();
            // A connection still at the host's door speaks to the door; one that took the seat, to the link.
            gv::Link& n = game_.net();
            if (!n.callers.empty())
                game_.netplay().TakeCallerBytes(*n.callers.front(), piece);
            else
                game_.netplay().TakeBytes(piece);
            check(n.inbox.size() <= gv::kMaxQueued && n.inboxBytes <= gv::kMaxQueuedBytes);
            check(n.pending.size() <= gv::kMaxPending);
            check(n.hashes.peer.size() <= 64);
        });
    }
    void pauseTick() {
        const double quiet = loop_.now() - pauseSince_;
        if (quiet < kPauseTickMs || (quiet < kLongestPauseMs && !idle(game_))) return;
        pause_.setEnabled(false);
        quietMs_ += quiet;
        feedNext();
    }
    // The link goes, whatever the game thinks of it by now.
    void finish() {
        if (finishing_) return;
        finishing_ = true;
        loop_.post([this] {
            game_.netplay().PeerDisconnected(Mainfrm::LinkEnd::NetworkError);
            ended_ = true;
        });
    }

    gv::EventLoop& loop_;
    Mainfrm& game_;
    std::vector<std::string> pieces_;
    std::function<bool()> connected_;
    std::size_t next_ = 0;
    bool finishing_ = false, ended_ = false;
    gv::Timer pause_;
    double pauseSince_ = 0, quietMs_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const int seat = data[0] & 7;
    std::vector<std::string> pieces;
    for (std::size_t i = 1; i < size;) {
        const std::size_t n = data[i++];
        const std::size_t take = std::min(n, size - i);
        pieces.emplace_back(reinterpret_cast<const char*>(data + i), take);
        i += take;
    }

    // One game for every input, started once: each input ends with the link gone and the game at its
    // menu, which is where the next one begins.
    static gv::VirtualDriver clock{12 * 3600.0};
    static gv::EventLoop loop{&clock};
    static Mainfrm& game = []() -> Mainfrm& {
        static Mainfrm game(loop, quietDesktop());
        game.Form_Load();
        loop.runFor(1500);
        game.world.setUnseen(true);
        return game;
    }();
    Mainfrm& g = game;

    // The seat: 0-1 host and joiner linked at the menu, 2 a host that has pressed New Game, 3 a joiner
    // that has not been greeted yet, 4 a host whose connection has not greeted it yet; 5-7 as 0-2 in Czech.
    gv::Link& n = g.net();
    g.state.CzechUi = seat >= 5 ? gv::True : gv::False;
    g.peerGone = false;
    const int s = seat % 5;
    const bool host = s == 0 || s == 2 || s == 4;
    n.role = host ? gv::Link::Role::Host : gv::Link::Role::Joiner;
    n.linkUp = s <= 2;
    if (s == 4) n.callers.push_back(std::make_shared<gv::NetCaller>(loop));
    g.state.GameMode = s == 3 || s == 4 ? 1 : host ? 3 : 4;
    if (!host && n.linkUp) g.novahra.setEnabled(false);
    if (s == 2) loop.post([&g] { g.click(g.novahra); });

    // The connection stays until the game lets it go: the link ended, or a connection that never greeted
    // was dropped.
    auto connected = [&g, &n] {
        using Role = gv::Link::Role;
        return !g.peerGone && (n.linkUp || !n.callers.empty() || n.role == Role::Joiner);
    };
    Feeder feeder(loop, g, std::move(pieces), connected);
    feeder.start();
    // Game time passes only while the game waits for something of its own or the peer keeps quiet.
    loop.waitUntil([&] { return feeder.ended(); });
    // Whatever the bytes did, the link is gone and the game is back at its menu, ready for New Game.
    loop.runFor(50);
    check(g.state.WorldBusy == gv::False);
    check(g.Frame3.visible());
    check(g.novahra.enabled());
    check(!g.bullettimer.enabled() && !g.showit.enabled() && !g.hideit.enabled());
    return 0;
}
