// Reading the messages of the link and the hidden phrases of the host-name box.
#include <cmath>
#include <optional>

#include "battle/kinds.h"
#include "platform/numtext.h"
#include "net/protocol.h"

namespace gv {

namespace {

bool printable(std::string_view text) {
    for (unsigned char c : text)
        if (c < 32 || c > 126) return false;
    return true;
}

// A whole number in [lo, hi], written as the whole field.
std::optional<long long> wholeNumber(std::string_view field, double lo, double hi) {
    std::optional<double> v = parseNumber(field);
    if (!v || std::trunc(*v) != *v || *v < lo || *v > hi) return std::nullopt;
    return static_cast<long long>(*v);
}

bool digit(char c) { return c >= '0' && c <= '9'; }

// "drawingok" and "bullfired" may carry the host's wind straight after them.
void readJoinedWind(std::string_view text, NetMessage& m) {
    if (text.size() == 9) return;
    if (text[9] != 'W') {
        m.malformed = true;
        return;
    }
    auto w = wholeNumber(text.substr(10), netrange::kWindLow, netrange::kWindHigh);
    if (!w) {
        m.malformed = true;
        return;
    }
    m.withWind = true;
    m.wind = int(*w);
}

// The first "U" after at least one character of force, with at least one of angle after it; both numbers
// by the boxes' own rule: 45.5 is a number, "abc" or "" is not.
bool readShot(std::string_view text, NetMessage& m) {
    std::size_t u = std::string_view::npos;
    for (std::size_t i = 2; i + 1 < text.size(); ++i)
        if (text[i] == 'U') {
            u = i;
            break;
        }
    if (u == std::string_view::npos) return false;
    std::string_view force = text.substr(1, u - 1), angle = text.substr(u + 1);
    if (!parseNumber(force) || !parseNumber(angle)) return false;
    m.force = std::string(force);
    m.angle = std::string(angle);
    return true;
}

// Kind as two digits, the shots as one, then the crate's left edge anywhere on the field (the host draws
// it from a narrower range, but the message allows the whole width).
bool readCrate(std::string_view text, NetMessage& m) {
    if (text.size() < 5 || !digit(text[1]) || !digit(text[2]) || !digit(text[3])) return false;
    m.kind = (text[1] - '0') * 10 + (text[2] - '0');
    m.shots = text[3] - '0';
    auto left = wholeNumber(text.substr(4), 0, netrange::kFieldRight);
    if (m.kind < weapon::Teleport || m.kind >= weapon::kKinds || m.shots < netrange::kCrateShotsLow ||
        m.shots > netrange::kCrateShotsHigh || !left)
        return false;
    m.left = int(*left);
    return true;
}

// Two whole numbers with a colon between: a hash point's sequence number and its hash, or a link's
// name and the messages taken on it.
bool readPair(std::string_view text, double firstMax, double secondMax, long long& first, long long& second) {
    std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return false;
    auto a = wholeNumber(text.substr(1, colon - 1), 0, firstMax);
    auto b = wholeNumber(text.substr(colon + 1), 0, secondMax);
    if (!a || !b) return false;
    first = *a;
    second = *b;
    return true;
}

bool readHash(std::string_view text, NetMessage& m) {
    long long hash = 0;
    if (!readPair(text, kMaxHashPoint, double(kHashMask), m.sequence, hash)) return false;
    m.hash = std::uint64_t(hash);
    return true;
}

bool readResume(std::string_view text, NetMessage& m) {
    long long link = 0;
    if (!readPair(text, double(kHashMask), 1e15, link, m.sequence) || link == 0) return false;
    m.link = std::uint64_t(link);
    return true;
}

// The key of a message: a whole word, or the word or letter its fields follow.
NetMessage::Key keyOf(std::string_view text) {
    struct Word {
        std::string_view text;
        NetMessage::Key key;
    };
    static constexpr Word kWhole[] = {{"connectok", NetMessage::ConnectOk}, {"disconnect", NetMessage::Disconnect},
                                      {"exit", NetMessage::Exit},           {"continue", NetMessage::Continue},
                                      {"K", NetMessage::KeepAlive},         {"seatkept", NetMessage::SeatKept}};
    for (const Word& w : kWhole)
        if (text == w.text) return w.key;
    if (text.empty()) return NetMessage::Unknown;
    if (text.substr(0, 9) == "drawingok") return NetMessage::DrawingOk;
    if (text.substr(0, 9) == "bullfired") return NetMessage::ShotDone;
    switch (text[0]) {
        case 'R': return NetMessage::Battle;
        case 'E': return NetMessage::Quake;
        case 'S': return NetMessage::Shot;
        case 'W': return NetMessage::Wind;
        case 'B': return NetMessage::Crate;
        case 'H': return NetMessage::Hash;
        case 'G': return NetMessage::Greeting;
        case 'L': return NetMessage::LinkName;
        case 'Y': return NetMessage::Resume;
        default: return NetMessage::Unknown;  // whatever it holds
    }
}

// Whether the fields after the key are right, filling them in.
bool readFields(std::string_view text, NetMessage& m) {
    switch (m.key) {
        case NetMessage::DrawingOk:
        case NetMessage::ShotDone: readJoinedWind(text, m); return !m.malformed;
        case NetMessage::Battle:
        case NetMessage::Quake:
            // The whole seconds of a time of day.
            if (!wholeNumber(text.substr(1), 0, netrange::kSeedHigh)) return false;
            m.seed = std::string(text.substr(1));
            return true;
        case NetMessage::Shot: return readShot(text, m);
        case NetMessage::Wind: {
            auto w = wholeNumber(text.substr(1), netrange::kWindLow, netrange::kWindHigh);
            if (!w) return false;
            m.wind = int(*w);
            return true;
        }
        case NetMessage::Crate: return readCrate(text, m);
        case NetMessage::Hash: return readHash(text, m);
        case NetMessage::Resume: return readResume(text, m);
        case NetMessage::LinkName: {
            auto link = wholeNumber(text.substr(1), 1, double(kHashMask));
            if (!link) return false;
            m.link = std::uint64_t(*link);
            return true;
        }
        default: return true;
    }
}

}  // namespace

NetMessage ReadNetMessage(std::string_view text) {
    NetMessage m;
    m.key = keyOf(text);
    switch (m.key) {
        case NetMessage::Unknown:
        case NetMessage::ConnectOk:
        case NetMessage::Disconnect:
        case NetMessage::Exit:
        case NetMessage::Continue:
        case NetMessage::SeatKept:
        case NetMessage::KeepAlive: return m;
        case NetMessage::Greeting: {
            // Whatever follows is some copy's version; one we cannot read is simply not ours.
            auto v = printable(text) ? wholeNumber(text.substr(1), 0, 1e9) : std::nullopt;
            m.version = v ? *v : -1;
            return m;
        }
        default: break;
    }
    // Every other key is followed by fields; the key decides, the fields must then be right.
    m.malformed = !printable(text) || !readFields(text, m);
    return m;
}

namespace {
std::string Compose(const NetMessage& m) {
    auto joinedWind = [&](const char* key) { return std::string(key) + (m.withWind ? "W" + formatNumber(m.wind) : ""); };
    switch (m.key) {
        case NetMessage::ConnectOk: return "connectok";
        case NetMessage::Disconnect: return "disconnect";
        case NetMessage::DrawingOk: return joinedWind("drawingok");
        case NetMessage::Exit: return "exit";
        case NetMessage::Continue: return "continue";
        case NetMessage::Battle: return "R" + m.seed;
        case NetMessage::Quake: return "E" + m.seed;
        case NetMessage::Shot: return "S" + m.force + "U" + m.angle;
        case NetMessage::Wind: return "W" + formatNumber(m.wind);
        case NetMessage::Crate:
            if (m.kind < 0 || m.kind > 99 || m.shots < 0 || m.shots > 9) return std::string();
            return "B" + std::string(1, char('0' + m.kind / 10)) + char('0' + m.kind % 10) + char('0' + m.shots) +
                   formatNumber(m.left);
        case NetMessage::ShotDone: return joinedWind("bullfired");
        case NetMessage::Hash: return "H" + formatNumber(double(m.sequence)) + ":" + formatNumber(double(m.hash));
        case NetMessage::Greeting: return "G" + formatNumber(double(m.version));
        case NetMessage::KeepAlive: return "K";
        case NetMessage::SeatKept: return "seatkept";
        case NetMessage::LinkName: return "L" + formatNumber(double(m.link));
        case NetMessage::Resume: return "Y" + formatNumber(double(m.link)) + ":" + formatNumber(double(m.sequence));
        case NetMessage::Unknown: break;
    }
    return std::string();
}
}  // namespace

// Nothing leaves that the reader at the other end would refuse: such a message is written as "".
std::string WriteNetMessage(const NetMessage& m) {
    std::string text = Compose(m);
    const NetMessage back = ReadNetMessage(text);
    return back.key == m.key && !back.malformed ? text : std::string();
}

namespace netmsg {
NetMessage linkName(std::uint64_t link) {
    NetMessage m = plain(NetMessage::LinkName);
    m.link = link;
    return m;
}
NetMessage resume(std::uint64_t link, long long taken) {
    NetMessage m = plain(NetMessage::Resume);
    m.link = link;
    m.sequence = taken;
    return m;
}
NetMessage plain(NetMessage::Key key) {
    NetMessage m;
    m.key = key;
    return m;
}
NetMessage greeting() {
    NetMessage m = plain(NetMessage::Greeting);
    m.version = kProtocolVersion;
    return m;
}
NetMessage battle(const std::string& seed) {
    NetMessage m = plain(NetMessage::Battle);
    m.seed = seed;
    return m;
}
NetMessage quake(const std::string& seed) {
    NetMessage m = plain(NetMessage::Quake);
    m.seed = seed;
    return m;
}
NetMessage shot(const std::string& force, const std::string& angle) {
    NetMessage m = plain(NetMessage::Shot);
    m.force = force;
    m.angle = angle;
    return m;
}
NetMessage wind(int wind) {
    NetMessage m = plain(NetMessage::Wind);
    m.wind = wind;
    return m;
}
NetMessage crate(int kind, int shots, int left) {
    NetMessage m = plain(NetMessage::Crate);
    m.kind = kind;
    m.shots = shots;
    m.left = left;
    return m;
}
NetMessage hash(long long sequence, std::uint64_t hash) {
    NetMessage m = plain(NetMessage::Hash);
    m.sequence = sequence;
    m.hash = hash & kHashMask;
    return m;
}
}  // namespace netmsg

namespace {

// Bytes in the UTF-8 character that starts with `lead`; a stray byte counts as one character.
std::size_t characterBytes(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF7) return 4;
    if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC0) return 2;
    return 1;
}

}  // namespace

JoinAddress ReadJoinAddress(std::string_view text) {
    JoinAddress a;
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    std::string_view port;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) return a;
        a.host = std::string(text.substr(1, close - 1));
        std::string_view rest = text.substr(close + 1);
        if (!rest.empty() && (rest.front() != ':' || rest.size() == 1)) return a;
        if (!rest.empty()) port = rest.substr(1);
    } else if (const std::size_t colon = text.find(':');
               colon != std::string_view::npos && text.find(':', colon + 1) == std::string_view::npos) {
        a.host = std::string(text.substr(0, colon));
        port = text.substr(colon + 1);
        if (port.empty()) return a;
    } else {
        a.host = std::string(text);  // a name, an IPv4 address, or an IPv6 address without brackets
    }
    if (!port.empty()) {
        if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string_view::npos) return a;
        a.port = std::stoi(std::string(port));
        if (a.port < 1 || a.port > 65535) return a;
    }
    a.ok = !a.host.empty();
    return a;
}

HiddenPhrases ReadHiddenPhrases(std::string_view text) {
    static constexpr std::string_view kFirst = "we go where rivers flow";  // 23 characters
    static constexpr std::string_view kSecond = "from the far hill";
    HiddenPhrases h;
    // The first phrase is plain ASCII, so its 23 characters are the text's first 23 bytes.
    if (text.size() < kFirst.size() || text.substr(0, kFirst.size()) != kFirst) return h;
    h.hell = true;
    // The 24th character is free, whatever its length in bytes; the second phrase is the rest.
    std::size_t at = kFirst.size();
    if (at >= text.size()) return h;
    at += characterBytes(static_cast<unsigned char>(text[at]));
    if (at > text.size()) return h;
    h.variant = text.substr(at) == kSecond;
    return h;
}

}  // namespace gv
