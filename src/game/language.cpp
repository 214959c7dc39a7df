#include "game/language.h"

#include <cctype>
#include <string>

namespace gv {

namespace {

// The language part of a locale name: "cs_CZ.UTF-8" -> "cs".
std::string languageOf(const std::string& locale) {
    std::string lang;
    for (char c : locale) {
        if (c == '_' || c == '.' || c == '@' || c == '-') break;
        lang += char(std::tolower(static_cast<unsigned char>(c)));
    }
    return lang;
}

bool isCzechOrSlovak(const std::string& code) { return code == "cs" || code == "cz" || code == "sk"; }

}  // namespace

bool czechInterface(const LanguageSettings& s) {
    for (const auto& l : s.userLanguages)
        if (isCzechOrSlovak(languageOf(l))) return true;
    if (isCzechOrSlovak(languageOf(s.systemLanguage))) return true;
    // Only the layout typing now: a Czech second layout of an English keyboard is not enough.
    return isCzechOrSlovak(languageOf(s.keyboardLayout()));
}

}  // namespace gv
