#pragma once
// The messages of the link, text in and text out, with no window and no socket: the receive handler,
// every sender and the fuzzer all go through here.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "battle/turn.h"
#include "platform/numtext.h"

namespace gv {

// The version in our greeting; a copy that greets with another one does not speak our protocol.
// Version 2 numbers the hash points by battle and hand-over in bits of their own.
constexpr int kProtocolVersion = 2;
// The longest message the game ever sends is well under this; anything longer is not ours.
constexpr std::size_t kMaxMessage = 64;
// Bytes that have waited this long for their line feed never will.
constexpr std::size_t kMaxPending = 4096;
// Whole messages waiting to be dispatched, and their bytes (line feeds included): past either, the
// peer is flooding us.
constexpr std::size_t kMaxQueued = 256;
constexpr std::size_t kMaxQueuedBytes = 16 * 1024;
// The hashes are cut to 48 bits so they travel as plain whole numbers.
constexpr std::uint64_t kHashMask = (std::uint64_t(1) << 48) - 1;

// A hash point's number: the battle on the link above bit 32, the hand-over within it below, so the points
// of a battle never run into the next one's however long it lasts. It stays below 2^53 for two million
// battles on one link.
constexpr long long HashPoint(long long battle, long long handOver) { return battle << 32 | handOver; }
constexpr long long HandOverOfPoint(long long point) { return point & 0xffffffffLL; }
constexpr double kMaxHashPoint = 9007199254740991.0;  // 2^53 - 1: whole numbers a double holds exactly

// The values messages carry, for the reader, the writer and the game that draws them alike.
namespace netrange {
constexpr int kWindLow = battle::kWindLow, kWindHigh = battle::kWindHigh;
constexpr int kCrateShotsLow = battle::kCrateShotsLow, kCrateShotsHigh = battle::kCrateShotsHigh;
constexpr int kFieldRight = 799;  // a crate's left edge lies on the field
constexpr int kSeedHigh = 86399;  // a seed is the whole seconds of a time of day
}  // namespace netrange

// Why a link ends; anything but the peer leaving is told on the banner.
enum class LinkEnd { PeerLeft, NotResponding, NoAnswer, NetworkError, OutOfStep, Mismatch, WeLeft };

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
        Greeting,    // "G" + protocol version: the joiner's first message
        KeepAlive,   // "K": nothing but a sign of life
        LinkName,    // "L" + link: the host names the link, so a joiner whose connection broke can come back to it
        Resume,      // "Y" + link + ":" + messages taken: a broken link goes on; the first line of a joiner
                     // that comes back, and the host's answer
        SeatKept,    // "seatkept": the host keeps its seat for a player whose link broke; no one else joins now
        Chat,        // "C" + "+" or "." + a piece of a chat line: "+" when more of the line follows, "." on its last
                     // piece. Copies before chat read it as Unknown and pass it over; it is no part of the battle.
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
    long long version = -1;  // a greeting's, -1 when it is no number
    std::uint64_t link = 0;  // the link's name (48 bits), with "L" and "Y"; "Y" counts in `sequence`
    bool more = false;       // a chat piece that more of its line follows
    std::string piece;       // a chat piece's bytes, as they came

    bool operator==(const NetMessage&) const = default;
};

// ---- Every message in one place: its key above, its form here, its handler in the game. A new message is
// a key, an entry (with an existing reader of its fields, or one of its own in messages.cpp) and a case
// in the game's dispatch.
namespace netform {
// The readers of fields, each given the whole text: true when the fields are right.
bool readJoinedWind(std::string_view text, NetMessage& m);  // "drawingok"/"bullfired", perhaps with "W" + wind
bool readShot(std::string_view text, NetMessage& m);
bool readCrate(std::string_view text, NetMessage& m);
bool readHash(std::string_view text, NetMessage& m);
bool readResume(std::string_view text, NetMessage& m);
bool readSeed(std::string_view text, NetMessage& m);
bool readWind(std::string_view text, NetMessage& m);
bool readLinkName(std::string_view text, NetMessage& m);
bool readGreeting(std::string_view text, NetMessage& m);
bool readChat(std::string_view text, NetMessage& m);
std::string joinedWind(std::string_view word, const NetMessage& m);

// Every message in one table: its key; the word that is the whole message, or the word or letter its
// fields follow; how the fields are read (all of the text is given) and how the whole message is
// written. The reader and the writer both work from here; a message with fields must be printable.
struct Form {
    NetMessage::Key key;
    std::string_view word;
    bool (*read)(std::string_view text, NetMessage& m);  // none: the word is the whole message
    std::string (*write)(const NetMessage& m);           // none: the word is the whole message
    bool anyText = false;                                // its fields may hold anything (the greeting)
};
inline constexpr Form kForms[] = {
    {NetMessage::ConnectOk, "connectok", nullptr, nullptr},
    {NetMessage::Disconnect, "disconnect", nullptr, nullptr},
    {NetMessage::Exit, "exit", nullptr, nullptr},
    {NetMessage::Continue, "continue", nullptr, nullptr},
    {NetMessage::KeepAlive, "K", nullptr, nullptr},
    {NetMessage::SeatKept, "seatkept", nullptr, nullptr},
    {NetMessage::DrawingOk, "drawingok", readJoinedWind, [](const NetMessage& m) { return joinedWind("drawingok", m); }},
    {NetMessage::ShotDone, "bullfired", readJoinedWind, [](const NetMessage& m) { return joinedWind("bullfired", m); }},
    {NetMessage::Battle, "R", readSeed, [](const NetMessage& m) { return "R" + m.seed; }},
    {NetMessage::Quake, "E", readSeed, [](const NetMessage& m) { return "E" + m.seed; }},
    {NetMessage::Shot, "S", readShot, [](const NetMessage& m) { return "S" + m.force + "U" + m.angle; }},
    {NetMessage::Wind, "W", readWind, [](const NetMessage& m) { return "W" + formatNumber(m.wind); }},
    {NetMessage::Crate, "B", readCrate,
     [](const NetMessage& m) {
         if (m.kind < 0 || m.kind > 99 || m.shots < 0 || m.shots > 9) return std::string();
         return "B" + std::string(1, char('0' + m.kind / 10)) + char('0' + m.kind % 10) + char('0' + m.shots) +
                formatNumber(m.left);
     }},
    {NetMessage::Hash, "H", readHash,
     [](const NetMessage& m) { return "H" + formatNumber(double(m.sequence)) + ":" + formatNumber(double(m.hash)); }},
    {NetMessage::Greeting, "G", readGreeting, [](const NetMessage& m) { return "G" + formatNumber(double(m.version)); }, true},
    {NetMessage::LinkName, "L", readLinkName, [](const NetMessage& m) { return "L" + formatNumber(double(m.link)); }},
    {NetMessage::Resume, "Y", readResume,
     [](const NetMessage& m) { return "Y" + formatNumber(double(m.link)) + ":" + formatNumber(double(m.sequence)); }},
    {NetMessage::Chat, "C", readChat, [](const NetMessage& m) { return (m.more ? "C+" : "C.") + m.piece; }, true},
};

}  // namespace netform

NetMessage ReadNetMessage(std::string_view text);
// The words messages are or begin with, from the messages' table (the fuzz target's dictionary).
std::vector<std::string_view> NetMessageWords();
// The text of a message, without its line feed. Reading it back gives the same message.
std::string WriteNetMessage(const NetMessage& m);

// The messages as the game sends them.
namespace netmsg {
NetMessage plain(NetMessage::Key key);
NetMessage greeting();
NetMessage battle(const std::string& seed);
NetMessage quake(const std::string& seed);
NetMessage shot(const std::string& force, const std::string& angle);
NetMessage wind(int wind);
NetMessage crate(int kind, int shots, int left);
NetMessage hash(long long sequence, std::uint64_t hash);
NetMessage linkName(std::uint64_t link);
NetMessage resume(std::uint64_t link, long long taken);
NetMessage chat(std::string piece, bool more);
}  // namespace netmsg

// What the join box names: a host (a name, an IPv4 address, an IPv6 address with or without brackets) and
// an optional ":PORT" after a name, an IPv4 address or a bracketed IPv6 address. `port` is 0 when none is
// given; `ok` is false for an empty host or a port that is not 1 to 65535.
struct JoinAddress {
    std::string host;
    int port = 0;
    bool ok = false;
};
JoinAddress ReadJoinAddress(std::string_view text);

// The hidden phrases of the host-name box. The text is UTF-8: positions count characters, not bytes.
struct HiddenPhrases {
    bool hell = false;
    bool variant = false;
};
HiddenPhrases ReadHiddenPhrases(std::string_view text);

}  // namespace gv
