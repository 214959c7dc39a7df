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

}  // namespace

namespace netform {

// "drawingok" and "bullfired" may carry the host's wind straight after them.
bool readJoinedWind(std::string_view text, NetMessage& m) {
    if (text.size() == 9) return true;
    if (text[9] != 'W') return false;
    auto w = wholeNumber(text.substr(10), netrange::kWindLow, netrange::kWindHigh);
    if (!w) return false;
    m.withWind = true;
    m.wind = int(*w);
    return true;
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

bool readSeed(std::string_view text, NetMessage& m) {
    // The whole seconds of a time of day.
    if (!wholeNumber(text.substr(1), 0, netrange::kSeedHigh)) return false;
    m.seed = std::string(text.substr(1));
    return true;
}

bool readWind(std::string_view text, NetMessage& m) {
    auto w = wholeNumber(text.substr(1), netrange::kWindLow, netrange::kWindHigh);
    if (!w) return false;
    m.wind = int(*w);
    return true;
}

bool readLinkName(std::string_view text, NetMessage& m) {
    auto link = wholeNumber(text.substr(1), 1, double(kHashMask));
    if (!link) return false;
    m.link = std::uint64_t(*link);
    return true;
}

// Whatever follows is some copy's version; one we cannot read is simply not ours.
bool readGreeting(std::string_view text, NetMessage& m) {
    auto v = printable(text) ? wholeNumber(text.substr(1), 0, 1e9) : std::nullopt;
    m.version = v ? *v : -1;
    return true;
}

// A piece of a chat line: any bytes at all; the whole line is checked once its last piece is here.
bool readChat(std::string_view text, NetMessage& m) {
    if (text.size() < 2 || (text[1] != '+' && text[1] != '.')) return false;
    m.more = text[1] == '+';
    m.piece = std::string(text.substr(2));
    return true;
}

std::string joinedWind(std::string_view word, const NetMessage& m) {
    return std::string(word) + (m.withWind ? "W" + formatNumber(m.wind) : "");
}

}  // namespace netform

namespace {

using netform::Form;
using netform::kForms;

// The message's form: the whole word it is, or the word its fields follow.
const Form* formOf(std::string_view text) {
    for (const Form& f : kForms)
        if (f.read ? text.substr(0, f.word.size()) == f.word : text == f.word) return &f;
    return nullptr;
}

const Form* formOf(NetMessage::Key key) {
    for (const Form& f : kForms)
        if (f.key == key) return &f;
    return nullptr;
}

}  // namespace

NetMessage ReadNetMessage(std::string_view text) {
    NetMessage m;
    const Form* form = formOf(text);
    if (!form) return m;  // Unknown: whatever it holds
    m.key = form->key;
    // Every key with fields decides how they read, and they must then be right.
    if (form->read) m.malformed = !(form->anyText || printable(text)) || !form->read(text, m);
    return m;
}

std::vector<std::string_view> NetMessageWords() {
    std::vector<std::string_view> words;
    for (const Form& f : kForms) words.push_back(f.word);
    return words;
}

// Nothing leaves that the reader at the other end would refuse: such a message is written as "".
std::string WriteNetMessage(const NetMessage& m) {
    const Form* form = formOf(m.key);
    if (!form) return std::string();
    std::string text = form->write ? form->write(m) : std::string(form->word);
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
NetMessage chat(std::string piece, bool more) {
    NetMessage m = plain(NetMessage::Chat);
    m.piece = std::move(piece);
    m.more = more;
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
