#pragma once
// UTF-8 as the game reads what people type, paste and send: one character at a time, refusing what is no
// character at all.
#include <cstddef>
#include <string_view>

namespace gv {

// The character at the start of `s` and its bytes; 0 bytes when no valid character starts there (an
// overlong form, a surrogate, a value past U+10FFFF, a sequence cut short, a stray continuation byte).
inline std::size_t DecodeUtf8(std::string_view s, char32_t& cp) {
    if (s.empty()) return 0;
    const auto lead = static_cast<unsigned char>(s[0]);
    if (lead < 0x80) return cp = lead, 1;
    std::size_t n = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        n = 2, cp = lead & 0x1Fu, least = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF)
        n = 3, cp = lead & 0x0Fu, least = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4)
        n = 4, cp = lead & 0x07u, least = 0x10000;
    else
        return 0;
    if (s.size() < n) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const auto b = static_cast<unsigned char>(s[k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (b & 0x3Fu);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

}  // namespace gv
