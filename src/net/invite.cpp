// Invite codes, packed and unpacked bit by bit: see invite.h for what they hold.
#include "net/invite.h"

#include <algorithm>
#include <array>
#include <utility>

#include "net/protocol.h"

namespace gv {

namespace {

constexpr std::uint8_t kFormat = 1;  // the payload's first byte
constexpr std::string_view kPrefixLetters = "GV";
constexpr std::uint32_t kPrefixVersion = 1;  // "GV1-": another base32 or checksum would come as "GV2-"
constexpr std::string_view kDigits = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";  // Crockford's base32
// ICE's characters for ufrags, passwords and foundations, six bits each.
constexpr std::string_view kIceChars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The widths of the fields, in bits. Each holds more than the limits allow, so that the limits are the
// reader's to judge and the tests can write an invite just past them.
constexpr int kKindBits = 1, kHostingBits = 32, kSecretLengthBits = 9, kCountBits = 5;
constexpr int kTypeBits = 2, kTransportBits = 2, kFamilyBits = 1, kComponentBits = 2, kPortBits = 16;
constexpr int kPriorityBits = 32, kPriorityHighBits = 24, kFoundationLengthBits = 6, kCharBits = 6;

constexpr std::size_t kUfragLow = 4, kPasswordLow = 22, kSecretHigh = 256, kFoundationHigh = 32;

// A candidate's priority ends, as ICE computes it, in 256 less its component: such a priority is written
// as its upper 24 bits behind a set flag, any other in full behind a clear one.
constexpr std::uint32_t standardLowByte(std::uint32_t component) { return 256U - component; }

std::uint32_t crc32(std::string_view bytes) {
    std::uint32_t crc = 0xffffffffU;
    for (char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320U & (0U - (crc & 1U)));
    }
    return ~crc;
}

// ---- Addresses: four or sixteen bytes, and their text as inet_ntop writes it.
using AddressBytes = std::array<std::uint8_t, 16>;

std::string formatIpv4(const std::uint8_t* b) {
    return std::to_string(b[0]) + '.' + std::to_string(b[1]) + '.' + std::to_string(b[2]) + '.' + std::to_string(b[3]);
}

// Lower-case hex without leading zeros; the longest run of two or more zero words (the first of equal
// ones) as "::"; an IPv4 address behind six zero words or behind ::ffff: in dots.
std::string formatIpv6(const AddressBytes& b) {
    std::array<unsigned, 8> w{};
    for (std::size_t i = 0; i < 8; ++i) w[i] = unsigned(b[2 * i]) << 8 | b[2 * i + 1];
    std::size_t base = 8, length = 0;
    for (std::size_t i = 0; i < 8;) {
        std::size_t j = i;
        while (j < 8 && w[j] == 0) ++j;
        if (j - i > length && j - i >= 2) base = i, length = j - i;
        i = j == i ? i + 1 : j;
    }
    std::string out;
    for (std::size_t i = 0; i < 8; ++i) {
        if (i >= base && i < base + length) {
            if (i == base) out += ':';
            continue;
        }
        if (i != 0) out += ':';
        if (i == 6 && base == 0 && (length == 6 || (length == 5 && w[5] == 0xffff))) return out + formatIpv4(&b[12]);
        const char* hex = "0123456789abcdef";
        bool started = false;
        for (int shift = 12; shift >= 0; shift -= 4) {
            const unsigned nibble = (w[i] >> shift) & 15U;
            if (nibble != 0 || started || shift == 0) out += hex[nibble], started = true;
        }
    }
    if (length > 0 && base + length == 8) out += ':';
    return out;
}

bool readIpv4(std::string_view s, std::uint8_t* out) {
    for (std::size_t part = 0; part < 4; ++part) {
        if (part > 0) {
            if (s.empty() || s[0] != '.') return false;
            s.remove_prefix(1);
        }
        std::size_t n = 0;
        unsigned v = 0;
        for (; n < s.size() && n < 3 && s[n] >= '0' && s[n] <= '9'; ++n) v = v * 10 + unsigned(s[n] - '0');
        if (n == 0 || v > 255) return false;
        out[part] = static_cast<std::uint8_t>(v);
        s.remove_prefix(n);
    }
    return s.empty();
}

// The words of one side of "::"; the last side may end in an IPv4 address.
bool readWords(std::string_view part, bool last, std::vector<unsigned>& words) {
    while (!part.empty()) {
        const std::size_t colon = part.find(':');
        const std::string_view group = part.substr(0, colon);
        if (colon == std::string_view::npos && last && group.find('.') != std::string_view::npos) {
            std::array<std::uint8_t, 4> four{};
            if (!readIpv4(group, four.data())) return false;
            words.push_back(unsigned(four[0]) << 8 | four[1]);
            words.push_back(unsigned(four[2]) << 8 | four[3]);
            return true;
        }
        if (group.empty() || group.size() > 4) return false;
        unsigned v = 0;
        for (char c : group) {
            const std::size_t digit = std::string_view("0123456789abcdef").find(c);
            if (digit == std::string_view::npos) return false;
            v = v * 16 + unsigned(digit);
        }
        words.push_back(v);
        if (colon == std::string_view::npos) break;
        part.remove_prefix(colon + 1);
        if (part.empty()) return false;  // a colon at the end
    }
    return true;
}

bool readIpv6(std::string_view s, AddressBytes& out) {
    std::vector<unsigned> head, tail;
    const std::size_t gap = s.find("::");
    if (gap == std::string_view::npos) {
        if (!readWords(s, true, head) || head.size() != 8) return false;
    } else if (!readWords(s.substr(0, gap), false, head) || !readWords(s.substr(gap + 2), true, tail) ||
               head.size() + tail.size() > 7) {
        return false;
    }
    std::array<unsigned, 8> w{};
    for (std::size_t i = 0; i < head.size(); ++i) w[i] = head[i];
    for (std::size_t i = 0; i < tail.size(); ++i) w[8 - tail.size() + i] = tail[i];
    for (std::size_t i = 0; i < 8; ++i) {
        out[2 * i] = static_cast<std::uint8_t>(w[i] >> 8);
        out[2 * i + 1] = static_cast<std::uint8_t>(w[i] & 0xff);
    }
    return true;
}

// ---- The fields, most significant bit first.
class BitWriter {
public:
    // A value too wide for its field leaves the invite without a code.
    void put(std::uint64_t value, int width) {
        if (value >> width != 0) fits_ = false;
        for (int i = width - 1; i >= 0; --i) {
            if (used_ == 8) bytes_.push_back('\0'), used_ = 0;
            if ((value >> i & 1U) != 0)
                bytes_.back() = static_cast<char>(static_cast<unsigned char>(bytes_.back()) | (0x80U >> used_));
            ++used_;
        }
    }
    void text(std::string_view s, int lengthBits) {
        put(s.size(), lengthBits);
        for (char c : s) {
            const std::size_t at = kIceChars.find(c);
            if (at == std::string_view::npos) fits_ = false;
            put(at == std::string_view::npos ? 0 : at, kCharBits);
        }
    }
    void fail() { fits_ = false; }
    std::string bytes() const { return fits_ ? bytes_ : std::string(); }

private:
    std::string bytes_;
    int used_ = 8;
    bool fits_ = true;
};

class BitReader {
public:
    explicit BitReader(std::string_view bytes) : bytes_(bytes) {}
    // Past the end it gives zeros and remembers that it ran short.
    std::uint32_t get(int width) {
        std::uint32_t v = 0;
        for (int i = 0; i < width; ++i) {
            if (at_ >= bytes_.size() * 8) {
                short_ = true;
                return 0;
            }
            const auto byte = static_cast<unsigned char>(bytes_[at_ / 8]);
            v = v << 1 | ((byte >> (7 - at_ % 8)) & 1U);
            ++at_;
        }
        return v;
    }
    std::string text(int lengthBits) {
        const std::uint32_t n = get(lengthBits);
        std::string s;
        for (std::uint32_t i = 0; i < n && !short_; ++i) s += kIceChars[get(kCharBits)];
        return s;
    }
    bool ranShort() const { return short_; }
    // Nothing after the last field but the zero bits that fill its byte.
    bool endsClean() {
        if (bytes_.size() - (at_ + 7) / 8 != 0) return false;
        while (at_ % 8 != 0)
            if (get(1) != 0) return false;
        return true;
    }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
    bool short_ = false;
};

bool withinLimits(const Invite& invite) {
    auto between = [](std::size_t n, std::size_t lo, std::size_t hi) { return n >= lo && n <= hi; };
    if (!between(invite.ufrag.size(), kUfragLow, kSecretHigh) || !between(invite.password.size(), kPasswordLow, kSecretHigh) ||
        invite.candidates.size() > kMaxInviteCandidates)
        return false;
    for (const IceCandidate& c : invite.candidates)
        if (!between(c.component, 1, 2) || c.port == 0 || !between(c.foundation.size(), 1, kFoundationHigh)) return false;
    return true;
}

// The fields after the version byte.
InviteProblem unpack(std::string_view fields, Invite& invite) {
    BitReader in(fields);
    invite.kind = in.get(kKindBits) != 0 ? Invite::Kind::Answer : Invite::Kind::Offer;
    invite.hosting = in.get(kHostingBits);
    invite.ufrag = in.text(kSecretLengthBits);
    invite.password = in.text(kSecretLengthBits);
    const std::uint32_t count = in.get(kCountBits);
    bool oneWay = true;  // written the one way the writer writes it
    for (std::uint32_t i = 0; i < count && !in.ranShort(); ++i) {
        IceCandidate c;
        c.type = static_cast<IceCandidate::Type>(in.get(kTypeBits));
        c.transport = static_cast<IceCandidate::Transport>(in.get(kTransportBits));
        const bool v6 = in.get(kFamilyBits) != 0;
        c.component = static_cast<std::uint8_t>(in.get(kComponentBits));
        c.port = static_cast<std::uint16_t>(in.get(kPortBits));
        if (in.get(1) != 0) {
            c.priority = in.get(kPriorityHighBits) << 8 | (standardLowByte(c.component) & 0xffU);
            oneWay = oneWay && c.component != 0;
        } else {
            c.priority = in.get(kPriorityBits);
            oneWay = oneWay && (c.priority & 0xffU) != standardLowByte(c.component);
        }
        AddressBytes a{};
        for (std::size_t k = 0; k < (v6 ? 16U : 4U); ++k) a[k] = static_cast<std::uint8_t>(in.get(8));
        c.address = v6 ? formatIpv6(a) : formatIpv4(a.data());
        c.foundation = in.text(kFoundationLengthBits);
        invite.candidates.push_back(std::move(c));
    }
    if (in.ranShort()) return InviteProblem::Truncated;
    if (!in.endsClean() || !oneWay || !withinLimits(invite)) return InviteProblem::Damaged;
    return InviteProblem::None;
}

bool whitespace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Upper case, and the look-alikes read as what they look like.
char plain(char c) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c == 'O') return '0';
    if (c == 'I' || c == 'L') return '1';
    return c;
}

}  // namespace

std::string InvitePayload(const Invite& invite) {
    BitWriter out;
    out.put(kFormat, 8);
    out.put(invite.kind == Invite::Kind::Answer ? 1 : 0, kKindBits);
    out.put(invite.hosting, kHostingBits);
    out.text(invite.ufrag, kSecretLengthBits);
    out.text(invite.password, kSecretLengthBits);
    out.put(invite.candidates.size(), kCountBits);
    for (const IceCandidate& c : invite.candidates) {
        AddressBytes a{};
        const bool v6 = c.address.find(':') != std::string::npos;
        const bool address = v6 ? readIpv6(c.address, a) && formatIpv6(a) == c.address
                                : readIpv4(c.address, a.data()) && formatIpv4(a.data()) == c.address;
        if (!address) out.fail();
        out.put(static_cast<std::uint64_t>(c.type), kTypeBits);
        out.put(static_cast<std::uint64_t>(c.transport), kTransportBits);
        out.put(v6 ? 1 : 0, kFamilyBits);
        out.put(c.component, kComponentBits);
        out.put(c.port, kPortBits);
        if ((c.priority & 0xffU) == standardLowByte(c.component)) {
            out.put(1, 1);
            out.put(c.priority >> 8, kPriorityHighBits);
        } else {
            out.put(0, 1);
            out.put(c.priority, kPriorityBits);
        }
        for (std::size_t k = 0; k < (v6 ? 16U : 4U); ++k) out.put(a[k], 8);
        out.text(c.foundation, kFoundationLengthBits);
    }
    return out.bytes();
}

std::string InviteCode(std::string_view payload) {
    std::string bytes(payload);
    const std::uint32_t crc = crc32(payload);
    for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>((crc >> shift) & 0xffU);
    std::string digits;
    unsigned pending = 0;
    int bits = 0;
    for (char c : bytes) {
        pending = pending << 8 | static_cast<unsigned char>(c);
        bits += 8;
        while (bits >= 5) {
            bits -= 5;
            digits += kDigits[(pending >> bits) & 31U];
        }
        pending &= (1U << bits) - 1;
    }
    if (bits > 0) digits += kDigits[(pending << (5 - bits)) & 31U];
    std::string code = std::string(kPrefixLetters) + std::to_string(kPrefixVersion) + '-';
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && i % 5 == 0) code += '-';
        code += digits[i];
    }
    return code;
}

std::vector<IceCandidate> InviteCandidates(std::vector<IceCandidate> gathered) {
    if (gathered.size() <= kMaxInviteCandidates) return gathered;
    auto rank = [](const IceCandidate& c) {
        switch (c.type) {
            case IceCandidate::Type::Relayed: return 0;
            case IceCandidate::Type::Host: return 2;
            default: return 1;
        }
    };
    std::ranges::stable_sort(gathered, {}, rank);
    gathered.resize(kMaxInviteCandidates);
    return gathered;
}

std::string WriteInvite(const Invite& invite) {
    const std::string payload = InvitePayload(invite);
    return payload.empty() ? std::string() : InviteCode(payload);
}

InviteRead ReadInvite(std::string_view text, Invite::Kind expected) {
    auto refused = [](InviteProblem problem) { return InviteRead{std::nullopt, problem}; };
    // What was pasted, without whitespace, in upper case; the dashes stay for now to end the prefix.
    std::string code;
    std::size_t counted = 0;
    for (char c : text) {
        if (whitespace(c)) continue;
        if (c != '-' && ++counted > kMaxInviteChars) return refused(InviteProblem::Damaged);
        code += plain(c);
    }
    if (code.empty()) return refused(InviteProblem::Empty);

    // "GV", the version of the code's form in one digit, and the dash, which people may type as a space.
    std::string_view rest(code);
    if (rest.size() < 3 || rest.substr(0, 2) != kPrefixLetters || rest[2] < '1' || rest[2] > '9')
        return refused(InviteProblem::Foreign);
    if (std::uint32_t(rest[2] - '0') > kPrefixVersion) return refused(InviteProblem::NewerVersion);
    rest.remove_prefix(3);

    // Base32 to bytes: every character a digit, the last one's spare bits zero, none left over.
    std::string bytes;
    unsigned pending = 0;
    int bits = 0;
    for (char c : rest) {
        if (c == '-') continue;
        const std::size_t v = kDigits.find(c);
        if (v == std::string_view::npos) return refused(InviteProblem::Damaged);
        pending = pending << 5 | unsigned(v);
        bits += 5;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((pending >> bits) & 0xffU);
        }
        pending &= (1U << bits) - 1;
    }
    if (bits >= 5 || pending != 0 || bytes.size() < 5) return refused(InviteProblem::Damaged);

    const std::string_view payload = std::string_view(bytes).substr(0, bytes.size() - 4);
    std::uint32_t sum = 0;
    for (std::size_t i = payload.size(); i < bytes.size(); ++i) sum = sum << 8 | static_cast<unsigned char>(bytes[i]);
    if (sum != crc32(payload)) return refused(InviteProblem::Damaged);
    const auto format = static_cast<unsigned char>(payload[0]);
    if (format > kFormat) return refused(InviteProblem::NewerVersion);
    if (format != kFormat) return refused(InviteProblem::Damaged);

    Invite invite;
    if (const InviteProblem problem = unpack(payload.substr(1), invite); problem != InviteProblem::None) return refused(problem);
    if (invite.kind != expected) return refused(InviteProblem::WrongKind);
    return InviteRead{std::move(invite), InviteProblem::None};
}

std::optional<std::vector<IceServer>> ReadIceServers(std::string_view text, bool turn) {
    std::vector<IceServer> servers;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find_first_of(" \t,", at), text.size());
        std::string_view item = text.substr(at, end - at);
        at = end + 1;
        if (item.empty()) continue;
        IceServer server;
        if (turn) {
            static constexpr std::string_view kScheme = "turn:", kTransport = "?transport=";
            if (item.substr(0, kScheme.size()) != kScheme) return std::nullopt;
            item.remove_prefix(kScheme.size());
            if (const std::size_t q = item.find(kTransport); q != std::string_view::npos) {
                const std::string_view how = item.substr(q + kTransport.size());
                if (how != "udp" && how != "tcp") return std::nullopt;
                server.udp = how == "udp", server.tcp = how == "tcp";
                item = item.substr(0, q);
            }
            const std::size_t colon = item.find(':'), atSign = item.rfind('@');
            if (colon == 0 || colon == std::string_view::npos || atSign == std::string_view::npos || atSign <= colon + 1)
                return std::nullopt;
            server.user = std::string(item.substr(0, colon));
            server.password = std::string(item.substr(colon + 1, atSign - colon - 1));
            item.remove_prefix(atSign + 1);
        }
        const JoinAddress address = ReadJoinAddress(item);
        if (!address.ok) return std::nullopt;
        server.host = address.host;
        if (address.port) server.port = address.port;
        servers.push_back(std::move(server));
    }
    return servers;
}

}  // namespace gv
