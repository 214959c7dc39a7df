#pragma once
// Numbers in text, read the way the game's boxes read them: optional blanks, an optional sign, digits and at
// most one decimal point. Nothing else counts: no exponents, hex, "inf" or "nan". Every box and every number
// that arrives over the network is read through here.
#include <optional>
#include <string>
#include <string_view>

namespace gv {

struct NumberScan {
    double value = 0;      // the number read (0 when there is none)
    std::size_t used = 0;  // characters taken, leading blanks included
    bool found = false;    // at least one digit was read
};

// Reads the leading number of the text; whatever follows it is left alone.
NumberScan scanNumber(std::string_view text);

// The box rule: the leading number, 0 when the text has none ("12abc" is 12, "abc" is 0).
double leadingNumber(std::string_view text);

// The whole text is one number by the same rule (no blanks, nothing after it); otherwise nothing.
std::optional<double> parseNumber(std::string_view text);

// The decimal rendering of a number: whole numbers without a point ("45", "-5"), fractions as the shortest
// text that reads back to the same value ("45.5").
std::string formatNumber(double v);

}  // namespace gv
