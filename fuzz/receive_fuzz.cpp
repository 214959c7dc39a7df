// Arbitrary bytes from the peer, cut into pieces of arbitrary size, against a whole game as host or
// joiner in each state of the link: the game never crashes, never keeps more than its bounds, and
// always comes back to its menu once the link is gone.
//
// The input: one byte for the seat, then pieces, each a length byte and that many bytes. The pieces
// arrive one per 5 ms of game time, while the game does whatever they made it do (building a
// battlefield, flying a shell, waiting for the peer).
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "game/mainfrm.h"
#include "net/netstate.h"

namespace {

using gv::Mainfrm;

gv::Desktop quietDesktop() {
    gv::Desktop d;
    d.languageSettings = [] { return gv::LanguageSettings{{"en_GB.UTF-8"}, "en_US.UTF-8", {"us"}}; };
    d.openUrl = [](const std::string&) {};
    return d;
}

void check(bool ok) {
    if (!ok) std::abort();
}

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
    static Mainfrm& game = [] () -> Mainfrm& {
        static Mainfrm game(loop, quietDesktop());
        game.Form_Load();
        loop.runFor(1500);
        return game;
    }();
    Mainfrm& g = game;

    // The seat: 0-1 host and joiner linked at the menu, 2 a host that has pressed New Game, 3 a joiner
    // that has not been greeted yet, 4 a host whose connection has not greeted it yet; 5-7 as 0-2 in Czech.
    Mainfrm::NetState& n = g.net();
    g.state.CzechUi = seat >= 5 ? gv::True : gv::False;
    g.peerGone = false;
    const int s = seat % 5;
    const bool host = s == 0 || s == 2 || s == 4;
    n.role = host ? Mainfrm::NetState::Role::Host : Mainfrm::NetState::Role::Joiner;
    n.linkUp = s <= 2;
    n.greeting = s == 4;
    g.state.GameMode = s == 3 || s == 4 ? 1 : host ? 3 : 4;
    if (!host && n.linkUp) g.novahra.setEnabled(false);
    if (s == 2) loop.post([&g] { g.click(g.novahra); });

    std::size_t next = 0;
    bool ended = false;
    gv::Timer feeder(loop, "feeder", 5);
    feeder.onTimer = [&] {
        if (next < pieces.size()) {
            const std::string piece = pieces[next++];
            loop.post([&g, &n, piece] {
                g.TakeBytes(piece);
                check(n.inbox.size() <= gv::kMaxQueued && n.inboxBytes <= gv::kMaxQueuedBytes);
                check(n.pending.size() <= gv::kMaxPending);
                check(n.peerHashes.size() <= 64);
            });
        } else if (!ended) {
            ended = true;
            loop.post([&g] { g.PeerDisconnected(Mainfrm::LinkEnd::NetworkError); });
        }
    };
    feeder.setEnabled(true);
    // The game's own doings (a battlefield built inside "R") take game time too: run until all is fed.
    while (!ended) loop.runFor(20);
    // Whatever the bytes did, the link is gone and the game is back at its menu, ready for New Game.
    loop.runFor(50);
    check(ended);
    check(g.state.WorldBusy == gv::False);
    check(g.Frame3.visible());
    check(g.novahra.enabled());
    check(!g.bullettimer.enabled() && !g.showit.enabled() && !g.hideit.enabled());
    feeder.setEnabled(false);
    return 0;
}
