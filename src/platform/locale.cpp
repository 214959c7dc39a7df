#include "platform/locale.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>

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

// The X display's layouts and the keyboard's group, an index into them; nothing without a display.
void readXKeyboard(LanguageSettings& s) {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return;
    Display* d = XOpenDisplay(nullptr);
    if (!d) return;
    // The rules names property: rules, model, layouts, variants, options, each ending in a zero byte.
    Atom prop = XInternAtom(d, "_XKB_RULES_NAMES", True);
    if (prop != None) {
        Atom type;
        int format;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(d, DefaultRootWindow(d), prop, 0, 1024, False, XA_STRING, &type, &format, &items, &after, &data) ==
                Success &&
            data) {
            std::string all(reinterpret_cast<char*>(data), items);
            std::vector<std::string> fields;
            std::size_t start = 0;
            for (std::size_t i = 0; i <= all.size(); ++i)
                if (i == all.size() || all[i] == '\0') fields.push_back(all.substr(start, i - start)), start = i + 1;
            if (fields.size() > 2) s.keyboardLayouts = split(fields[2], ',');
            XFree(data);
        }
    }
    // The group is the layout switched to now ("us,cz" in group 1 types Czech).
    XkbStateRec state{};
    if (XkbGetState(d, XkbUseCoreKbd, &state) == Success) s.keyboardGroup = state.group;
    XCloseDisplay(d);
}

}  // namespace

std::string LanguageSettings::keyboardLayout() const {
    if (keyboardLayouts.empty()) return "";
    return keyboardGroup >= 0 && std::size_t(keyboardGroup) < keyboardLayouts.size() ? keyboardLayouts[keyboardGroup]
                                                                                     : keyboardLayouts.front();
}

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
    readXKeyboard(s);
    if (s.keyboardLayouts.empty()) {
        s.keyboardLayouts = split(settingIn("/etc/default/keyboard", "XKBLAYOUT"), ',');
        s.keyboardGroup = 0;
    }
    return s;
}

}  // namespace gv
