#pragma once
// Invite codes: how two players behind any routers find each other. The host turns its ICE credentials and
// candidates into an offer code and sends it to a friend by any chat; the joiner pastes it and sends back an
// answer code made the same way; the host pastes that and ICE connects. Only the text is here: no ICE, no
// socket, no window.
//
// A code is "GV1-" (the digit versions the code's form) and then groups of five Crockford base32
// characters (digits and upper-case letters without I, L, O and U) joined by '-', for reading aloud. Behind
// them lie, bit-packed, a version byte, the kind, the hosting, the ufrag and password (six bits a character),
// the candidates (an IPv4 address in four bytes, an IPv6 one in sixteen) and a CRC-32 of all that. A host
// with four IPv4 candidates makes about 150 characters.
//
// An invite names the hosting it was made for (an answer carries its offer's). Whether a code is out of date
// is for the caller, which knows the hosting it has open now: the codec has no clock.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/icestream.h"

namespace gv {

// The letters and digits a pasted text may have before it is read at all; whitespace and dashes do not
// count. The longest invite's code has 1860 of them (2231 characters with its dashes).
constexpr std::size_t kMaxInviteChars = 2048;
constexpr std::size_t kMaxInviteCandidates = 16;

// A candidate as the ICE stream gathers and takes them.
using IceCandidate = IceCredentials::Candidate;

struct Invite {
    enum class Kind { Offer, Answer } kind = Kind::Offer;
    std::uint32_t hosting = 0;             // names the hosting it was made for; an answer carries the offer's
    std::string ufrag;                     // 4 to 256 ICE characters
    std::string password;                  // 22 to 256 ICE characters
    std::vector<IceCandidate> candidates;  // at most kMaxInviteCandidates
    bool operator==(const Invite&) const = default;
};

enum class InviteProblem {
    None,
    Empty,
    Foreign,       // not one of our codes: no prefix, or another program's
    NewerVersion,  // made by a newer copy of the game
    Damaged,       // a character that cannot be in a code, the checksum differs, bytes after the last field,
                   // a field outside its limits, or a text too long to be a code
    Truncated,     // the checksum is there but the payload ends early or shorter than its lengths say
    WrongKind,     // the joiner pasted an answer, or the host its own offer
};

struct InviteRead {
    std::optional<Invite> invite;  // only when there is no problem
    InviteProblem problem = InviteProblem::None;
};

// The code of an invite. Reading it back gives the same invite when the invite keeps the limits above; one
// outside them still gets a code when its fields fit (a ufrag of 3, a port of 0, 17 candidates), which
// reads back refused. An address not in inet_ntop's form, a character that is not an ICE character, or
// more than 31 candidates give no code at all: an empty text.
std::string WriteInvite(const Invite& invite);

// The candidates a code carries, of those gathered: all, or where there are more than kMaxInviteCandidates
// (a machine on many networks), the relays and the public addresses first, as they are what reaches a
// friend behind another router, then the local ones, each in the order gathered.
std::vector<IceCandidate> InviteCandidates(std::vector<IceCandidate> gathered);

// Reads a pasted code, forgiving what chat programs and people do to it: whitespace and line breaks around
// it or inside it, lower case, and O for 0, I and L for 1. A code of the other kind is refused as WrongKind.
InviteRead ReadInvite(std::string_view text, Invite::Kind expected);

// The STUN and TURN servers a player names in the settings, several apart by spaces or commas:
//   net.stun = HOST[:PORT]
//   net.turn = turn:USER:PASSWORD@HOST[:PORT][?transport=udp|tcp]
// The port is 3478 unless given; a TURN server without a transport is used over UDP and over TCP both. The
// password runs to the last '@', so it may hold any character but spaces and commas.
struct IceServer {
    std::string host;
    int port = 3478;
    std::string user, password;  // TURN only
    bool udp = true, tcp = true;
    bool operator==(const IceServer&) const = default;
};
// Nothing when any of them cannot be read: the setting is refused whole, so a typing error is never half
// obeyed. An empty text is no servers.
std::optional<std::vector<IceServer>> ReadIceServers(std::string_view text, bool turn);

// The two layers of a code, for the tests and the fuzzer: the packed fields (empty when they do not fit),
// and any bytes wrapped as a code with their checksum.
std::string InvitePayload(const Invite& invite);
std::string InviteCode(std::string_view payload);

}  // namespace gv
