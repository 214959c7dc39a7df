#include "net/chat.h"

#include <algorithm>

#include "platform/utf8.h"

namespace gv::chat {

namespace {

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

bool control(char32_t cp) { return cp < 0x20 || (cp >= 0x7F && cp < 0xA0) || cp == 0x2028 || cp == 0x2029; }

}  // namespace

std::string Clean(std::string_view bytes) {
    std::string out;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < bytes.size() && chars < kMaxChars;) {
        char32_t cp = 0;
        const std::size_t n = DecodeUtf8(bytes.substr(i), cp);
        if (n == 0) {
            out += '?';  // a stray byte, or a character cut short
            ++chars, ++i;
            continue;
        }
        if (!control(cp) && !(cp == ' ' && out.empty())) out.append(bytes.substr(i, n)), ++chars;
        i += n;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

std::size_t Characters(std::string_view text) {
    std::size_t n = 0;
    for (char c : text) n += !continuation(static_cast<unsigned char>(c));
    return n;
}

std::vector<std::string> Pieces(std::string_view line) {
    const std::string clean = Clean(line);
    const std::string_view s = clean;
    std::vector<std::string> pieces;
    for (std::size_t at = 0; at < s.size();) {
        std::size_t end = std::min(at + kPieceBytes, s.size());
        while (end < s.size() && continuation(static_cast<unsigned char>(s[end]))) --end;  // whole characters only
        pieces.push_back(WriteNetMessage(netmsg::chat(std::string(s.substr(at, end - at)), end < s.size())));
        at = end;
    }
    return pieces;
}

std::optional<std::string> Assembler::take(const NetMessage& m) {
    if (m.key != NetMessage::Chat) return std::nullopt;
    if (m.malformed || bytes_.size() + m.piece.size() > kMaxBytes) {
        // Whatever the line was, it is not shown; its last piece ends it.
        spoilt_ = true;
        bytes_.clear();
        if (m.malformed) return std::nullopt;
    } else if (!spoilt_) {
        bytes_ += m.piece;
    }
    if (m.more) return std::nullopt;
    const bool spoilt = spoilt_;
    std::string line = Clean(bytes_);
    clear();
    if (spoilt || line.empty()) return std::nullopt;
    return line;
}

void Assembler::clear() {
    bytes_.clear();
    spoilt_ = false;
}

bool RateLimit::allow(double now) {
    while (!times_.empty() && now - times_.front() >= periodMs_) times_.pop_front();
    if (times_.size() >= lines_) return false;
    times_.push_back(now);
    return true;
}

}  // namespace gv::chat
