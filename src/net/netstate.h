#pragma once
// What the network link keeps between events: the receive buffer and its queue of whole messages, who we
// are on the link, a peer's shot that came early, and the battle hashes of both sides.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "game/mainfrm.h"
#include "platform/eventloop.h"

namespace gv {

// The longest message the game ever sends is well under this; anything longer is not ours.
constexpr std::size_t kMaxMessage = 64;
// Bytes that have waited this long for their line feed never will.
constexpr std::size_t kMaxPending = 4096;

// One message as the receiver reads it. Only the fields of its key are filled in.
struct NetMessage {
    enum Key {
        Unknown,     // matches no key: ignored, so newer copies of the game can add messages
        ConnectOk,   // "connectok"
        Disconnect,  // "disconnect"
        DrawingOk,   // "drawingok", perhaps joined by a wind
        Exit,        // "exit"
        Continue,    // "continue"
        Battle,      // "R" + seed
        Quake,       // "E" + seed
        Shot,        // "S" + force + "U" + angle
        Wind,        // "W" + wind
        Crate,       // "B" + kind (two digits) + shots (one digit) + left
        ShotDone,    // "bullfired", perhaps joined by a wind
        Hash,        // "H" + sequence + ":" + hash of the shared battle state
    };
    Key key = Unknown;
    bool malformed = false;  // the key matched but the rest cannot be played on
    bool withWind = false;   // "drawingokW-7", "bullfiredW12"
    int wind = 0;
    std::string seed;
    std::string force, angle;
    int kind = 0, shots = 0, left = 0;
    long long sequence = 0;
    std::uint64_t hash = 0;
};

NetMessage ReadNetMessage(std::string_view text);

// The hidden phrases of the host-name box. The text is UTF-8: positions count characters, not bytes.
struct HiddenPhrases {
    bool hell = false;
    bool variant = false;
};
HiddenPhrases ReadHiddenPhrases(std::string_view text);

// The hashes are cut to 48 bits so they travel as plain whole numbers.
constexpr std::uint64_t kHashMask = (std::uint64_t(1) << 48) - 1;

struct Mainfrm::NetState {
    explicit NetState(EventLoop& loop) : shotTimer(loop, "netshot", 10) {}

    enum class Role { None, Host, Joiner };
    Role role = Role::None;
    bool linkUp = false;    // greeted: "connectok" sent (host) or taken (joiner)
    bool closing = false;   // the window is closing: nothing more is dispatched
    std::string joinName;   // the host name the joiner was given

    std::string pending;              // received bytes of a message whose line feed is still to come
    std::deque<std::string> inbox;    // whole messages, oldest first
    std::shared_ptr<char> alive = std::make_shared<char>(0);  // drain events posted to the loop check it

    // A peer's shot that came before our own hand-over had finished.
    bool shotHeld = false;
    std::string heldForce, heldAngle;
    std::uint32_t heldBattle = 0;
    Timer shotTimer;

    // The joiner has the host's "bullfired" and waits for the wind the host draws right after it.
    bool peerShotPending = false;

    // Battles over this link (each "R" sent or taken), hand-overs in the current one, and the wind the
    // last shot flew with: together they name each hash point the same on both sides.
    long long battles = 0;
    long long handOvers = 0;
    float shotWind = 0;
    std::map<long long, std::uint64_t> ownHashes, peerHashes;

    // The link ended while a battlefield was still being built: that battle must not come alive.
    bool lostWhileBuilding = false;
    std::uint32_t lostBattle = 0;


    // What the link has seen, for anyone who wants to know.
    int hashesCompared = 0;
    int hashMismatches = 0;
    int faults = 0;
};

}  // namespace gv
