#pragma once
#include <functional>
#include <string>
#include <vector>

#include "game/language.h"

namespace gv {

// What the window needs from the desktop besides drawing: kept apart so tests can stand in for it.
struct Desktop {
    std::function<LanguageSettings()> languageSettings = readLanguageSettings;
    std::function<void(const std::string& url)> openUrl;  // the makers' web page; errors are ignored
    std::string replayFolder;                             // where battles are recorded; empty: kept in memory only
    bool mapPorts = false;                  // hosting asks the home router to forward the port (the real program does)
    std::string settingsFolder;             // where the player's settings stay; empty: kept in memory only
    std::vector<std::string> iceAddresses;  // where invites gather (none: every interface but loopback)
};

}  // namespace gv
