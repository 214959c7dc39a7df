#include "battle/aim.h"

#include "platform/numtext.h"

namespace gv::battle {

namespace {
std::string sixDecimals(std::string text) {
    const std::size_t point = text.find('.');
    if (point == std::string::npos || text.size() - point - 1 <= 6) return text;
    text.resize(point + 7);
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}
}  // namespace

std::string NormalisedAim(const std::string& text, double limit) {
    double v = leadingNumber(text);
    if (v > limit) return "0";
    if (v < 0) return formatNumber(limit);
    return sixDecimals(formatNumber(v));
}

double Aim::forceValue() const { return leadingNumber(force); }
double Aim::angleValue() const { return leadingNumber(angle); }

}  // namespace gv::battle
