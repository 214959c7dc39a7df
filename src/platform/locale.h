#pragma once
// What the desktop says about the user's language and keyboard: the locale variables, the machine's
// default locale, and the keyboard layouts set up with the one in use.
#include <string>
#include <vector>

namespace gv {

struct LanguageSettings {
    std::vector<std::string> userLanguages;    // locale names: "cs_CZ.UTF-8", "en_GB", "sk"
    std::string systemLanguage;                // the machine's default locale
    std::vector<std::string> keyboardLayouts;  // X keyboard layouts, in their order: "us", "cz", "sk"
    int keyboardGroup = 0;                     // which of them is in use now

    // The layout in use: the group's, or the first when the group is past the list; "" without layouts.
    std::string keyboardLayout() const;
};

// The layouts the X display's rules names give (rules, model, layouts, variants and options, each ending in
// a zero byte), in their order: "us,cz" gives us and cz; none when there is no layouts field.
std::vector<std::string> KeyboardLayoutsNamed(const std::string& rulesNames);

// Reads the settings of this desktop: LANGUAGE, then LC_ALL, LC_MESSAGES, LANG for the user;
// /etc/default/locale or /etc/locale.conf for the system; the X display's keyboard layouts and its
// keyboard's group, else the layouts of /etc/default/keyboard with the first in use.
LanguageSettings readLanguageSettings();

}  // namespace gv
