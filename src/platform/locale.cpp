#include "platform/locale.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/windowsystem.h"

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

}  // namespace

std::vector<std::string> KeyboardLayoutsNamed(const std::string& rulesNames) {
    // Past the rules and the model: the third field.
    std::size_t start = 0;
    for (int field = 0; field < 2; ++field) {
        start = rulesNames.find('\0', start);
        if (start == std::string::npos) return {};
        ++start;
    }
    return split(rulesNames.substr(start, rulesNames.find('\0', start) - start), ',');
}

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
    // Asking the display loads the desktop's parts; a program that cannot load them goes on without.
    try {
        windowSystem().readKeyboard(s);
    } catch (const std::runtime_error&) {}
    if (s.keyboardLayouts.empty()) {
        s.keyboardLayouts = split(settingIn("/etc/default/keyboard", "XKBLAYOUT"), ',');
        s.keyboardGroup = 0;
    }
    return s;
}

}  // namespace gv
