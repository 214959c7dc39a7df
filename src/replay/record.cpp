#include "replay/record.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "battle/kinds.h"
#include "platform/numtext.h"
#include "platform/program.h"
#include "net/protocol.h"

namespace gv::replay {

namespace {

constexpr const char* kModeNames[] = {"", "hot-seat", "computer", "host", "joiner"};
constexpr const char* kEndWords[] = {"won 1", "won 2", "both", "outofstep", "link"};
// A battle's clock runs for hours at the most; a pace beyond this is no battle of ours.
constexpr double kMaxAtMs = 1e9;

// Messages travel as they were, but a blank, a '%' or a byte outside printable ASCII is written %XX, so
// every field is one word on its line.
std::string escape(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c > 0x20 && c < 0x7F && c != '%') {
            out += char(c);
        } else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        }
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> unescape(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size()) return std::nullopt;
        int hi = hexDigit(s[i + 1]), lo = hexDigit(s[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += char(hi * 16 + lo);
        i += 2;
    }
    return out;
}

std::string hex(std::uint64_t v, int digits) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%0*llx", digits, static_cast<unsigned long long>(v));
    return buf;
}

std::optional<std::uint64_t> readHex(std::string_view s, std::size_t maxDigits) {
    if (s.empty() || s.size() > maxDigits) return std::nullopt;
    std::uint64_t v = 0;
    for (char c : s) {
        int d = hexDigit(c);
        if (d < 0) return std::nullopt;
        v = v * 16 + std::uint64_t(d);
    }
    return v;
}

std::optional<long long> readWhole(std::string_view s, long long lo, long long hi) {
    long long v = 0;
    if (s.empty() || s.size() > 18) return std::nullopt;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || v < lo || v > hi) return std::nullopt;
    return v;
}

// An aim as a box holds it after its change handling: digits, perhaps a point and up to six decimals,
// from 0 to `limit`.
bool aimText(std::string_view s, double limit) {
    if (s.empty() || s.size() > 10) return false;
    for (char c : s)
        if (!(c == '.' || (c >= '0' && c <= '9'))) return false;
    std::optional<double> v = parseNumber(s);
    return v && *v >= 0 && *v <= limit && formatNumber(*v) == s;
}

// A seed as the game writes one: a whole number in plain digits.
bool seedText(std::string_view s) {
    if (s.empty() || s.size() > 15 || (s[0] == '-' ? s.size() == 1 : false)) return false;
    for (std::size_t i = s[0] == '-' ? 1 : 0; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> w;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        std::size_t start = i;
        while (i < line.size() && line[i] != ' ') ++i;
        if (i > start) w.push_back(line.substr(start, i - start));
    }
    return w;
}

// One line of a file, up to its line feed (a carriage return before it is dropped). Longer lines than
// kMaxLine are not read into memory. A record is plain text: printable ASCII and blanks, nothing else.
enum class LineRead { Line, End, TooLong, CutShort, NotText };
LineRead nextLine(std::istream& in, std::string& line) {
    line.clear();
    for (;;) {
        int c = in.get();
        if (c == std::char_traits<char>::eof()) return line.empty() ? LineRead::End : LineRead::CutShort;
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            for (char ch : line)
                if (ch < 0x20 || ch > 0x7E) return LineRead::NotText;  // also bytes above 127 (char is signed)
            return LineRead::Line;
        }
        if (line.size() >= kMaxLine) return LineRead::TooLong;
        line += char(c);
    }
}

std::optional<Event> parseEvent(std::string_view line, std::string& why) {
    std::vector<std::string_view> w = words(line);
    Event e;
    // The pace comes last: "@" and whole milliseconds.
    if (w.size() < 2 || w.back().size() < 2 || w.back()[0] != '@') return why = "an event without its time", std::nullopt;
    std::optional<long long> at = readWhole(w.back().substr(1), 0, static_cast<long long>(kMaxAtMs));
    if (!at) return why = "a time out of range", std::nullopt;
    e.at = double(*at);
    w.pop_back();
    const std::string_view kind = w[0];
    auto bad = [&](const char* reason) { return why = reason, std::optional<Event>(); };
    if (kind == "fire") {
        e.kind = Event::Fire;
        if (w.size() != 4 && !(w.size() == 6 && w[4] == "fall")) return bad("a shot that is not 'fire PLAYER FORCE ANGLE'");
        std::optional<long long> p = readWhole(w[1], 1, 2);
        if (!p) return bad("a shot by no player 1 or 2");
        e.player = int(*p);
        if (!aimText(w[2], 200)) return bad("a force out of range");
        if (!aimText(w[3], 180)) return bad("an angle out of range");
        e.force = std::string(w[2]);
        e.angle = std::string(w[3]);
        if (w.size() == 6) {
            std::optional<long long> f = readWhole(w[5], 0, 100000);
            if (!f) return bad("a crate's fall out of range");
            e.fall = int(*f);
        }
        return e;
    }
    if (kind == "send" || kind == "recv") {
        e.kind = kind == "send" ? Event::Send : Event::Recv;
        if (w.size() != 2) return bad("a message that is not one word");
        std::optional<std::string> text = unescape(w[1]);
        if (!text || text->empty() || text->size() > kMaxMessage) return bad("a message the game never sends");
        e.text = *text;
        return e;
    }
    if (kind == "chat") {
        e.kind = Event::Chat;
        std::optional<long long> p = w.size() == 3 ? readWhole(w[1], 1, 2) : std::nullopt;
        if (!p) return bad("a chat line that is not 'chat PLAYER PIECE'");
        e.player = int(*p);
        std::optional<std::string> text = unescape(w[2]);
        if (!text || text->size() > kMaxMessage || ReadNetMessage(*text).key != NetMessage::Chat ||
            ReadNetMessage(*text).malformed)
            return bad("a chat piece the game never sends");
        e.text = *text;
        return e;
    }
    if (kind == "clock") {
        e.kind = Event::Clock;
        if (w.size() != 2 || !seedText(w[1])) return bad("a clock seed that is no whole number");
        e.text = std::string(w[1]);
        return e;
    }
    if (kind == "hash") {
        e.kind = Event::Hash;
        if (w.size() != 3) return bad("a hash that is not 'hash TURN HEX'");
        std::optional<long long> n = readWhole(w[1], 0, 999999999);
        std::optional<std::uint64_t> h = readHex(w[2], 12);
        if (!n || !h) return bad("a hash out of range");
        e.sequence = *n;
        e.hash = *h;
        return e;
    }
    if (kind == "end") {
        e.kind = Event::End;
        std::string rest;
        for (std::size_t i = 1; i < w.size(); ++i) rest += (i > 1 ? " " : "") + std::string(w[i]);
        for (const char* word : kEndWords)
            if (rest == word) {
                e.text = rest;
                return e;
            }
        return bad("an end that is no result");
    }
    return bad("a line that is no event");
}

}  // namespace

bool Event::sameAs(const Event& o) const {
    return kind == o.kind && player == o.player && force == o.force && angle == o.angle && fall == o.fall && text == o.text &&
           sequence == o.sequence && hash == o.hash;
}

std::string Event::line() const {
    std::string s;
    switch (kind) {
        case Fire:
            s = "fire " + std::to_string(player) + " " + force + " " + angle;
            if (fall >= 0) s += " fall " + std::to_string(fall);
            break;
        case Send: s = "send " + escape(text); break;
        case Recv: s = "recv " + escape(text); break;
        case Clock: s = "clock " + text; break;
        case Hash: s = "hash " + std::to_string(sequence) + " " + hex(hash & kHashMask, 12); break;
        case End: s = "end " + text; break;
        case Chat: s = "chat " + std::to_string(player) + " " + escape(text); break;
    }
    return s + " @" + std::to_string(std::llround(std::max(0.0, std::min(at, kMaxAtMs))));
}

const char* Record::modeName(int mode) { return mode >= 1 && mode <= 4 ? kModeNames[mode] : "?"; }

// The link line as it is written (the name always in its 12 digits).
static std::string linkLine(const LinkInfo& l) {
    return "link " + hex(l.name & kHashMask, 12) + " " + std::to_string(l.battle) + " " + std::to_string(l.taken) + " " +
           std::to_string(l.sent) + (l.joined.empty() ? "" : " " + escape(l.joined));
}

std::string Record::header() const {
    std::string s = std::string(kMagic) + " " + std::to_string(kFormatVersion) + "\n";
    s += "game " + game + "\n";
    s += std::string("mode ") + modeName(mode) + "\n";
    s += "started " + started + "\n";
    s += std::string("hell ") + (hell ? "1" : "0") + " " + (hellVariant ? "1" : "0") + "\n";
    s += "random " + hex(random, 16) + "\n";
    if (mode == mode::Host || mode == mode::Joiner) s += "seed " + seed + "\n";
    if (mode == mode::Computer && players != Record{}.players) s += "players " + players[0] + " " + players[1] + "\n";
    if (link && (mode == mode::Host || mode == mode::Joiner)) s += linkLine(*link) + "\n";
    return s;
}

std::string Record::text() const {
    std::string s = header();
    for (const Event& e : events) s += e.line() + "\n";
    return s;
}

// The players line of a game against the computer: player 1 a person or a level, player 2 a level.
static bool readPlayers(const std::string& line, Record& rec) {
    const std::vector<std::string_view> w = words(line);
    auto known = [](std::string_view p) {
        if (p == "human") return true;
        for (const level::Level& l : level::kLevels)
            if (p == l.word) return true;
        return false;
    };
    if (w.size() != 3 || !known(w[1]) || !known(w[2]) || w[2] == "human") return false;
    rec.players = {std::string(w[1]), std::string(w[2])};
    return true;
}

// The link line of a network battle: its name, battle and counts, and what the joiner typed.
static bool readLink(const std::string& line, Record& rec) {
    const std::vector<std::string_view> w = words(line);
    if (w.size() != 5 && w.size() != 6) return false;
    std::optional<std::uint64_t> name = readHex(w[1], 12);
    std::optional<long long> battle = readWhole(w[2], 1, 1LL << 40), taken = readWhole(w[3], 0, 1LL << 50),
                             sent = readWhole(w[4], 0, 1LL << 50);
    std::optional<std::string> joined = w.size() == 6 ? unescape(w[5]) : std::string();
    if (!name || *name == 0 || !battle || !taken || !sent || !joined || joined->size() > kMaxLine) return false;
    const LinkInfo link{*name, *battle, *taken, *sent, *joined};
    // Written again, the line must still be one a reader takes (a short name is written in all its digits).
    if (linkLine(link).size() >= kMaxLine) return false;
    rec.link = link;
    return true;
}

// The last line of a file whose writer stopped mid-way; what came before it still plays.
constexpr std::string_view kCutShort = "cut short in the middle of a line";

// The events, to the end of the file: "" when all are well, else what is wrong at line `lineNo`.
static std::string readEvents(std::istream& in, Record& rec, int& lineNo) {
    std::string line;
    for (;;) {
        LineRead got = nextLine(in, line);
        ++lineNo;
        if (got == LineRead::End) return "";
        if (got == LineRead::TooLong) return "a line longer than " + std::to_string(kMaxLine) + " characters";
        if (got == LineRead::NotText) return "a line that is not plain text";
        if (got == LineRead::CutShort) return std::string(kCutShort);
        if (line.empty() || line[0] == '#') continue;
        if (rec.mode == mode::Computer && rec.events.empty() && line.rfind("players ", 0) == 0) {
            if (!readPlayers(line, rec)) return "the players are not a person or the computer's levels";
            continue;
        }
        if ((rec.mode == mode::Host || rec.mode == mode::Joiner) && rec.events.empty() && !rec.link &&
            line.rfind("link ", 0) == 0) {
            if (!readLink(line, rec)) return "the link line is wrong";
            continue;
        }
        if (rec.events.size() >= kMaxEvents) return "more events than any battle has";
        std::string why;
        std::optional<Event> e = parseEvent(line, why);
        if (!e) return why;
        if (!rec.events.empty() && rec.events.back().kind == Event::End) return "an event after the end";
        rec.events.push_back(std::move(*e));
    }
}

ReadResult Read(std::istream& in) {
    ReadResult r;
    Record rec;
    std::string line;
    int lineNo = 0;
    auto fail = [&](const std::string& why) {
        r.error = lineNo > 0 ? "line " + std::to_string(lineNo) + ": " + why : why;
        return r;
    };
    // The header: its lines in their order.
    auto headerLine = [&](const char* key) -> std::optional<std::vector<std::string_view>> {
        LineRead got = nextLine(in, line);
        ++lineNo;
        if (got != LineRead::Line) return std::nullopt;
        std::vector<std::string_view> w = words(line);
        if (w.empty() || w[0] != key) return std::nullopt;
        w.erase(w.begin());
        return w;
    };
    {
        auto w = headerLine(kMagic);
        if (!w || w->size() != 1) {
            lineNo = 0;
            return fail("not a Gorvath battle record");
        }
        std::optional<long long> v = readWhole((*w)[0], 0, 1000000);
        if (!v) return fail("not a Gorvath battle record");
        if (*v != kFormatVersion)
            return fail("format version " + std::string((*w)[0]) + ", this game reads version " + std::to_string(kFormatVersion));
    }
    auto need = [&](const char* key, std::size_t n) -> std::optional<std::vector<std::string_view>> {
        auto w = headerLine(key);
        if (!w || (n && w->size() != n)) return std::nullopt;
        return w;
    };
    auto game = need("game", 1);
    if (!game || (*game)[0].size() > 32) return fail("the game's version is missing");
    rec.game = std::string((*game)[0]);
    auto m = need("mode", 1);
    if (!m) return fail("the mode is missing");
    for (int i = 1; i <= 4; ++i)
        if ((*m)[0] == kModeNames[i]) rec.mode = i;
    if (rec.mode == 0) return fail("no such mode: " + std::string((*m)[0]));
    auto started = need("started", 0);
    if (!started) return fail("the start time is missing");
    for (auto w : *started) rec.started += (rec.started.empty() ? "" : " ") + std::string(w);
    auto hell = need("hell", 2);
    if (!hell || !readWhole((*hell)[0], 0, 1) || !readWhole((*hell)[1], 0, 1)) return fail("the hell line is wrong");
    rec.hell = (*hell)[0] == "1";
    rec.hellVariant = (*hell)[1] == "1";
    auto random = need("random", 1);
    std::optional<std::uint64_t> state = random ? readHex((*random)[0], 16) : std::nullopt;
    if (!state) return fail("the generator's state is missing");
    rec.random = *state;
    if (rec.mode == mode::Host || rec.mode == mode::Joiner) {
        auto seed = need("seed", 1);
        if (!seed || !seedText((*seed)[0])) return fail("the network battle's seed is missing");
        rec.seed = std::string((*seed)[0]);
    }
    if (std::string why = readEvents(in, rec, lineNo); !why.empty()) {
        fail(why);
        if (why != kCutShort) return r;
    }
    r.record = std::move(rec);
    return r;
}

ReadResult ReadFile(const std::string& path) {
    std::ifstream in(PathOf(path), std::ios::binary);
    if (!in) {
        ReadResult r;
        r.error = std::string("cannot open: ") + std::strerror(errno);
        return r;
    }
    return Read(in);
}

int TurnOf(const Record& r, std::size_t index) {
    int turn = 0;
    for (std::size_t i = 0; i <= index && i < r.events.size(); ++i)
        if (r.events[i].kind == Event::Fire) ++turn;
    return turn;
}

}  // namespace gv::replay
