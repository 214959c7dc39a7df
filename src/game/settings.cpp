// What the game remembers between starts: the language, the host typed last, the hosting port, whether
// hosting asks the router to open it, and the sound; and M, which switches the sound off and on.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "net/invite.h"
#include "net/protocol.h"
#include "game/levelspanel.h"
#include "game/gauges.h"
#include "game/mainfrm.h"
#include "game/banner.h"

namespace gv {

namespace {

using Check = SettingsFile::Check;

// A value that is one of `words`.
Check oneOf(std::vector<std::string> words) {
    return [words = std::move(words)](const std::string& v) { return std::find(words.begin(), words.end(), v) != words.end(); };
}

int port(const std::string& v) {
    const JoinAddress a = ReadJoinAddress("p:" + v);
    return a.ok ? a.port : 0;
}

// A whole number in [lo, hi], written plainly.
Check whole(int lo, int hi) {
    return [lo, hi](const std::string& v) {
        if (v.empty() || v.size() > 6 || v == "-") return false;
        for (std::size_t i = v[0] == '-' ? 1 : 0; i < v.size(); ++i)
            if (v[i] < '0' || v[i] > '9') return false;
        const int n = std::stoi(v);
        return n >= lo && n <= hi;
    };
}

}  // namespace

void Mainfrm::LoadSettings() {
    const Check yesNo = oneOf({"yes", "no"});
    std::vector<std::string> levelWords;
    for (const level::Level& l : level::kLevels) levelWords.push_back(l.word);
    settings_.load({
        {"language", oneOf({"auto", "cs", "en"})},
        {"sound.mute", yesNo},
        {"sound.volume", oneOf({"0", "10", "20", "30", "40", "50", "60", "70", "80", "90", "100"})},
        {"net.port", [](const std::string& v) { return port(v) > 0; }},
        {"net.host", nullptr},
        {"net.router", yesNo},
        {"net.stun", [](const std::string& v) { return ReadIceServers(v, false).has_value(); }},
        {"net.turn", [](const std::string& v) { return ReadIceServers(v, true).has_value(); }},
        {"window.fullscreen", yesNo},
        {"view.numbers", yesNo},
        {"view.trace", yesNo},
        {"computer.level", oneOf(levelWords)},
        {"window.scaling", oneOf({"smooth", "whole"})},
        {"window.width", whole(1, 16384)},
        {"window.height", whole(1, 16384)},
        {"window.x", whole(-32768, 32767)},
        {"window.y", whole(-32768, 32767)},
    });
    const std::string language = settings_.get("language").value_or("auto");
    if (language != "auto") state.CzechUi = flag(language == "cs");
    muted = settings_.get("sound.mute") == "yes";
    SetAskRouter(settings_.get("net.router") != "no");
    gauges().SetNumbers(settings_.get("view.numbers") == "yes");
    gauges().SetTrace(settings_.get("view.trace") == "yes");
    levels_ = {level::Human, levelsPanel().LevelNamed(settings_.get("computer.level").value_or("normal"))};
    sound.setVolume(std::stoi(settings_.get("sound.volume").value_or("100")));
    if (auto host = settings_.get("net.host")) compname.setText(*host);
    if (auto p = settings_.get("net.port")) {
        hostPort = port(*p);
        joinPort = hostPort < 65535 ? hostPort + 1 : 0;
    }
}

void Mainfrm::SaveSetting(const std::string& key, const std::string& value) { settings_.set(key, value); }

void Mainfrm::SetAskRouter(bool on) {
    askRouter = on;
    desktop.mapPorts = mayAskRouter_ && on;
}

void Mainfrm::ToggleMute() {
    muted = !muted;
    if (muted) StopEffect();
    SaveSetting("sound.mute", muted ? "yes" : "no");
    if (options_) options_->Refresh();
    const bool cz = state.CzechUi == True;
    const std::string text = muted ? (cz ? "Zvuk vypnut (M)" : "Sound off (M)") : (cz ? "Zvuk zapnut (M)" : "Sound on (M)");
    banner().ShowNote(text, 1500);
}

void Banner::ShowNote(const std::string& text, int ms) {
    // A note on the banner for a moment; whatever the banner said comes back (in the language chosen
    // meanwhile), unless something newer took its place.
    if (g_.x_.note.empty()) {
        g_.x_.noteBefore[0] = g_.Label8(0).caption(), g_.x_.noteBefore[1] = g_.Label8(1).caption();
        g_.x_.noteVisibleBefore = g_.Label8(1).visible();
    }
    g_.x_.note = text;
    // Under a panel (a sound switched in the options or the menu) it shows below the menu, for its time.
    if (!g_.bannerMoved_ && BannerUnderPanel()) g_.x_.noteBelow = true, PlaceBanner(true);
    for (int i : {0, 1}) g_.Label8(i).setCaption(text), g_.Label8(i).setVisible(true);
    if (!g_.x_.noteTimer) {
        g_.x_.noteTimer = std::make_unique<Timer>(g_.loop(), "notetimer", ms);
        g_.x_.noteTimer->onTimer = [this] {
            g_.x_.noteTimer->setEnabled(false);
            if (g_.Label8(1).caption() == g_.x_.note) {
                for (int i : {0, 1}) {
                    g_.Label8(i).setCaption(BannerInLanguage(g_.x_.noteBefore[i], g_.state.CzechUi == True));
                    g_.Label8(i).setVisible(g_.x_.noteVisibleBefore);
                }
            }
            if (std::exchange(g_.x_.noteBelow, false) && !g_.bannerMoved_) PlaceBanner(false);
            g_.x_.note.clear();
        };
    }
    g_.x_.noteTimer->setInterval(ms);
    g_.x_.noteTimer->setEnabled(false), g_.x_.noteTimer->setEnabled(true);
}

}  // namespace gv
