#pragma once
// Which language the interface speaks: Czech when the user's or the system's language, or the keyboard
// layout, is Czech or Slovak; English otherwise.
#include <string>
#include <vector>

namespace gv {

struct LanguageSettings {
    std::vector<std::string> userLanguages;  // locale names: "cs_CZ.UTF-8", "en_GB", "sk"
    std::string systemLanguage;              // the machine's default locale
    std::vector<std::string> keyboardLayouts;  // X keyboard layouts: "us", "cz", "sk"
};

// Reads the settings of this desktop: LANGUAGE, then LC_ALL, LC_MESSAGES, LANG for the user;
// /etc/default/locale or /etc/locale.conf for the system; the X display's keyboard layouts, else
// /etc/default/keyboard.
LanguageSettings readLanguageSettings();

bool czechInterface(const LanguageSettings& s);

}  // namespace gv
