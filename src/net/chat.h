#pragma once
// Chat between the two players of a network game, with no window in it: what a line may hold, the pieces
// it travels in, putting them together again, and how many lines a few seconds may carry.
//
// A line is at most 200 characters of UTF-8 and travels in pieces that each fit the longest message a
// copy of the game takes (kMaxMessage), never cut inside a character. Copies from before chat read the
// pieces as unknown messages and pass them over. Chat is not counted for resuming a broken link (a line
// lost there is lost), is no part of the battle's hash and never reaches the battle.
#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/protocol.h"

namespace gv::chat {

constexpr std::size_t kMaxChars = 200;
// The most bytes of UTF-8 that 200 characters take; a peer's line beyond it is not put together at all.
constexpr std::size_t kMaxBytes = 4 * kMaxChars;
// A piece's bytes after its key and its mark ("C+", "C.").
constexpr std::size_t kPieceBytes = kMaxMessage - 2;
// Lines a side sends, and takes, in any few seconds; a flood beyond is dropped. The receiver allows more
// than a sender sends, as lines sent apart may arrive together.
constexpr std::size_t kSendLines = 3, kTakeLines = 6;
constexpr double kRatePeriodMs = 5000;

// A line fit to show: valid UTF-8 (a byte that begins no character, or ends one early, is a '?'), no control
// characters, no blanks at either end, at most kMaxChars characters.
std::string Clean(std::string_view bytes);
// Characters of a valid UTF-8 text.
std::size_t Characters(std::string_view text);
// The messages a line travels in, in order, each at most kMaxMessage bytes; none for a line that cleans
// to nothing.
std::vector<std::string> Pieces(std::string_view line);

// Puts a peer's pieces together into lines. A line whose pieces run over kMaxBytes, or that has a piece
// that is no chat piece (no mark), is dropped whole when its last piece comes.
class Assembler {
public:
    // A chat message of the peer's: the line, clean, once its last piece is here and it holds anything.
    std::optional<std::string> take(const NetMessage& m);
    void clear();
    bool partial() const { return !bytes_.empty() || spoilt_; }

private:
    std::string bytes_;
    bool spoilt_ = false;
};

// At most `lines` in any `periodMs`.
class RateLimit {
public:
    RateLimit(std::size_t lines, double periodMs) : lines_(lines), periodMs_(periodMs) {}
    // Whether a line may go (or be taken) at `now`; one that may is counted.
    bool allow(double now);
    void clear() { times_.clear(); }

private:
    std::size_t lines_;
    double periodMs_;
    std::deque<double> times_;
};

}  // namespace gv::chat
