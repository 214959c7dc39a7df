// What the game remembers between starts: the language, the host typed last, the hosting port, whether
// hosting asks the router to open it, and the sound; and M, which switches the sound off and on.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "net/protocol.h"
#include "game/levelspanel.h"
#include "game/mainfrm.h"

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
    SetNumbers(settings_.get("view.numbers") == "yes");
    SetTrace(settings_.get("view.trace") == "yes");
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
    ShowNote(text, 1500);
}

void Mainfrm::ShowNote(const std::string& text, int ms) {
    // A note on the banner for a moment; whatever the banner said comes back (in the language chosen
    // meanwhile), unless something newer took its place.
    if (x_.note.empty()) {
        x_.noteBefore[0] = Label8(0).caption(), x_.noteBefore[1] = Label8(1).caption();
        x_.noteVisibleBefore = Label8(1).visible();
    }
    x_.note = text;
    // Under a panel (a sound switched in the options or the menu) it shows below the menu, for its time.
    if (!bannerMoved_ && BannerUnderPanel()) x_.noteBelow = true, PlaceBanner(true);
    for (int i : {0, 1}) Label8(i).setCaption(text), Label8(i).setVisible(true);
    if (!x_.noteTimer) {
        x_.noteTimer = std::make_unique<Timer>(loop(), "notetimer", ms);
        x_.noteTimer->onTimer = [this] {
            x_.noteTimer->setEnabled(false);
            if (Label8(1).caption() == x_.note) {
                for (int i : {0, 1}) {
                    Label8(i).setCaption(BannerInLanguage(x_.noteBefore[i], state.CzechUi == True));
                    Label8(i).setVisible(x_.noteVisibleBefore);
                }
            }
            if (std::exchange(x_.noteBelow, false) && !bannerMoved_) PlaceBanner(false);
            x_.note.clear();
        };
    }
    x_.noteTimer->setInterval(ms);
    x_.noteTimer->setEnabled(false), x_.noteTimer->setEnabled(true);
}

}  // namespace gv
