#include "game/language.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace gv {

namespace {

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::stringstream in(s);
    std::string part;
    while (std::getline(in, part, sep))
        if (!part.empty()) out.push_back(part);
    return out;
}

std::string unquote(std::string v) {
    while (!v.empty() && (v.back() == '\n' || v.back() == '\r' || v.back() == ' ')) v.pop_back();
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
    return v;
}

// The value of `key=` in a shell-style settings file, "" when absent.
std::string settingIn(const char* path, const std::string& key) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::size_t i = line.find_first_not_of(" \t");
        if (i == std::string::npos || line[i] == '#') continue;
        if (line.compare(i, key.size() + 1, key + "=") == 0) return unquote(line.substr(i + key.size() + 1));
    }
    return "";
}

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

std::vector<std::string> xKeyboardLayouts() {
    std::vector<std::string> layouts;
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return layouts;
    Display* d = XOpenDisplay(nullptr);
    if (!d) return layouts;
    // The rules names property: rules, model, layouts, variants, options, each ending in a zero byte.
    Atom prop = XInternAtom(d, "_XKB_RULES_NAMES", True);
    if (prop != None) {
        Atom type;
        int format;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(d, DefaultRootWindow(d), prop, 0, 1024, False, XA_STRING, &type, &format, &items,
                               &after, &data) == Success &&
            data) {
            std::string all(reinterpret_cast<char*>(data), items);
            std::vector<std::string> fields;
            std::size_t start = 0;
            for (std::size_t i = 0; i <= all.size(); ++i)
                if (i == all.size() || all[i] == '\0') fields.push_back(all.substr(start, i - start)), start = i + 1;
            if (fields.size() > 2) layouts = split(fields[2], ',');
            XFree(data);
        }
    }
    XCloseDisplay(d);
    return layouts;
}

}  // namespace

LanguageSettings readLanguageSettings() {
    LanguageSettings s;
    if (const char* language = std::getenv("LANGUAGE"); language && *language)
        for (const auto& l : split(language, ':')) s.userLanguages.push_back(l);
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* v = std::getenv(var); v && *v) {
            s.userLanguages.push_back(v);
            break;
        }
    s.systemLanguage = settingIn("/etc/default/locale", "LANG");
    if (s.systemLanguage.empty()) s.systemLanguage = settingIn("/etc/locale.conf", "LANG");
    s.keyboardLayouts = xKeyboardLayouts();
    if (s.keyboardLayouts.empty()) s.keyboardLayouts = split(settingIn("/etc/default/keyboard", "XKBLAYOUT"), ',');
    return s;
}

bool czechInterface(const LanguageSettings& s) {
    for (const auto& l : s.userLanguages)
        if (isCzechOrSlovak(languageOf(l))) return true;
    if (isCzechOrSlovak(languageOf(s.systemLanguage))) return true;
    for (const auto& k : s.keyboardLayouts)
        if (isCzechOrSlovak(languageOf(k))) return true;
    return false;
}

}  // namespace gv
