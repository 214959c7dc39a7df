#pragma once
// A battle record: everything needed to compute one battle again, as a small text file a person can read.
//
//   gorvath-replay 1                 the format and its version
//   game 0.1                         the game that recorded it
//   mode hot-seat                    hot-seat, computer, host or joiner
//   started 2026-12-08 21:40:05      for people only
//   hell 0 0                         the hidden battlefields (hell, its variant)
//   random 4a6f727661746882          the generator when the battle began
//   seed 43512                       network games: the battle's seed, as the host sent it
//   players human expert             against the computer, when not a person against the normal level:
//                                    who plays player 1 and player 2 (human, practice, beginner, normal, expert)
//   link 3f0a0b1c2d3e 2 14 9 h:7701  network games: the link's name, its battle, the messages taken and sent
//                                    on it before this battle, and (the joiner) the host as typed, so a copy
//                                    restarted in the battle can come back to it
//   fire 1 150 45 @5210              player 1 fired force "150", angle "45", 5.21 s into the battle
//   fire 2 120 130 fall 17 @9100     ... while a crate had fallen for 17 ticks
//   hash 1 3f0a0b1c2d3e @10480       the battle's state hash after the first hand-over
//   send W-7 @10480                  a message to the peer (network games)
//   recv S150U45 @12000              a message from the peer
//   clock 43700 @15020               a seed the host took from its clock (a quake)
//   chat 2 C.hello%20there @16000    a piece of a chat line, as it travelled, and who wrote it (network games);
//                                    for people only: a battle computed again passes it over
//   end won 1 @20100                 who won: won 1, won 2, both; outofstep; link (the link ended)
//
// Everything after '@' only paces a playback; the rest of every line must come out the same when the
// battle is computed again.
#include <array>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace gv::replay {

constexpr const char* kMagic = "gorvath-replay";
constexpr int kFormatVersion = 1;
// Reading stops at these: no battle of the game comes near them, and a file past them is not ours.
constexpr std::size_t kMaxLine = 256;
constexpr std::size_t kMaxEvents = 200000;

struct Event {
    enum Kind { Fire, Send, Recv, Clock, Hash, End, Chat };
    Kind kind = Fire;
    int player = 0;            // Fire, Chat: 1 or 2
    std::string force, angle;  // Fire: the boxes' texts as fired
    int fall = -1;             // Fire: ticks the crate had fallen (-1: no crate was falling)
    std::string text;          // Send, Recv, Chat: the message; Clock: the seed; End: the result
    long long sequence = 0;    // Hash: hand-overs so far in this battle
    std::uint64_t hash = 0;    // Hash
    double at = 0;             // milliseconds since the battle began

    // The same event, whenever it happened.
    bool sameAs(const Event& o) const;
    std::string line() const;  // without the line feed
};

// Where a network battle stands on its link.
struct LinkInfo {
    std::uint64_t name = 0;
    long long battle = 0, taken = 0, sent = 0;
    std::string joined;  // the joiner's text for the host; "" on the host

    bool operator==(const LinkInfo&) const = default;
};

struct Record {
    std::string game;  // the game's version
    int mode = 0;      // a mode::Id
    std::string started;
    bool hell = false, hellVariant = false;
    std::uint64_t random = 0;                               // the generator's state
    std::string seed;                                       // network games only
    std::array<std::string, 2> players{"human", "normal"};  // games against the computer
    std::optional<LinkInfo> link;                           // network games recorded since links had names
    std::vector<Event> events;

    std::string header() const;  // the lines before the first event, each with its line feed
    std::string text() const;    // the whole file
    static const char* modeName(int mode);
};

struct ReadResult {
    std::optional<Record> record;
    // Why the file is no record we can play. With a record: why it stops early (a file cut short in the
    // middle of a line gives its events up to the cut, to be played as an unfinished battle).
    std::string error;
};

ReadResult Read(std::istream& in);
ReadResult ReadFile(const std::string& path);

// The shot number an event belongs to: the fires up to and including it (0: the battlefield itself).
int TurnOf(const Record& r, std::size_t index);

}  // namespace gv::replay
