#include "platform/numtext.h"

#include <charconv>
#include <cmath>

namespace gv {

NumberScan scanNumber(std::string_view text) {
    NumberScan r;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::size_t start = i;
    bool point = false;
    std::size_t digits = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
        ++i;
    }
    if (digits == 0) return r;
    // Only digits and one point are left in [start, i): from_chars reads them exactly, without locale.
    std::string body(text.substr(start, i - start));
    if (body.front() == '.') body.insert(body.begin(), '0');
    if (body.back() == '.') body.pop_back();
    double v = 0;
    auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), v, std::chars_format::fixed);
    if (ec == std::errc::result_out_of_range) v = HUGE_VAL;
    (void)end;
    r.value = negative ? -v : v;
    r.used = i;
    r.found = true;
    return r;
}

double leadingNumber(std::string_view text) {
    NumberScan s = scanNumber(text);
    return s.found ? s.value : 0.0;
}

std::optional<double> parseNumber(std::string_view text) {
    if (text.empty() || text.front() == ' ' || text.front() == '\t') return std::nullopt;
    NumberScan s = scanNumber(text);
    if (!s.found || s.used != text.size() || !std::isfinite(s.value)) return std::nullopt;
    return s.value;
}

std::string formatNumber(double v) {
    if (v == 0) return "0";  // also -0
    char buf[64];
    if (std::floor(v) == v && std::fabs(v) < 1e15) {
        auto [p, ec] = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(v));
        return std::string(buf, p);
    }
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    if (ec != std::errc()) return "0";
    return std::string(buf, p);
}

}  // namespace gv
