// The options panel: one row a setting, the row in use framed like a default button.
#include "game/options.h"

#include "battle/kinds.h"
#include "game/levelspanel.h"
#include "game/gauges.h"
#include "game/mainfrm.h"
#include "net/protocol.h"

namespace gv {

namespace {
const char* const kRowNames[] = {"optvolume", "optmute",  "optlanguage", "optfull", "optscale", "optnumbers",
                                 "opttrace",  "optlevel", "optrouter",   "optport", "optback"};
const char* const kLanguages[] = {"auto", "cs", "en"};
}  // namespace

OptionsPanel::OptionsPanel(Mainfrm& game) : game_(game) {
    for (int row = 0; row < kRows; ++row) {
        Control& c = rowControl(row);
        if (row == Port) {
            auto& box = static_cast<TextBox&>(c);
            box.maxLength = 5;
            box.onChange = [this] { portTyped(); };
            // The row is taken by clicking into its box.
            box.onClick = [this] { select(Port); };
        } else {
            if (row != Back) c.font.points = 12;  // a size the longest captions fit, both languages
            c.onClick = [this, row] {
                select(row);
                change(row, 1, true);
            };
        }
    }
    game_.options.onClick = [this] { open(); };
}

void OptionsPanel::attachScreen(ScreenControl* screen) {
    screen_ = screen;
    if (!screen_) return;
    screen_->setSmooth(game_.settings().get("window.scaling") != "whole");
}

Control& OptionsPanel::rowControl(int row) const { return *game_.find(kRowNames[row]); }

bool OptionsPanel::shown() const { return game_.Frame6.visible(); }

void OptionsPanel::open() {
    defaultBefore_ = game_.defaultButton();
    game_.Frame6.setVisible(true);
    Refresh();
    select(Volume);
}

void OptionsPanel::close() {
    // A port left half typed goes back to the one in use.
    static_cast<TextBox&>(rowControl(Port)).setText(std::to_string(game_.hostPort));
    game_.Frame6.setVisible(false);
    game_.setFocus(nullptr);
    if (defaultBefore_) defaultBefore_->setDefault(true);
}

void OptionsPanel::select(int row) {
    row_ = (row + kRows) % kRows;
    Control& c = rowControl(row_);
    if (row_ == Port) {
        // Typing goes into the box; Enter clicks nothing.
        if (Button* b = game_.defaultButton()) b->setDefault(false);
        auto& box = static_cast<TextBox&>(c);
        game_.setFocus(&box);
        box.setSelStart(0), box.setSelLength(int(box.text().size()));
    } else {
        game_.setFocus(nullptr);
        static_cast<Button&>(c).setDefault(true);
    }
}

bool OptionsPanel::Key(int key, int shift) {
    if (!shown()) return false;
    switch (key) {
        case Key::Escape: close(); return true;
        case Key::Tab: select(row_ + ((shift & Key::ShiftMask) ? -1 : 1)); return true;
        case Key::Up: select(row_ - 1); return true;
        case Key::Down: select(row_ + 1); return true;
        case Key::Left:
        case Key::Right:
            // In the port's box the arrows move its caret, as in every text box.
            if (row_ != Port) change(row_, key == Key::Left ? -1 : 1);
            return row_ != Port;
        default: return false;
    }
}

void OptionsPanel::change(int row, int step, bool round) {
    SoundOutput& sound = game_.sound;
    switch (row) {
        case Volume: {
            // The arrows stop at 0 and 100; a click or Enter goes on from 100 to 0.
            int v = sound.volume() + 10 * step;
            if (v > 100) v = round && v == 110 ? 0 : 100;
            if (v < 0) v = 0;
            sound.setVolume(v);
            game_.SaveSetting("sound.volume", std::to_string(sound.volume()));
            // A sample at the new volume, heard even when the sound was off.
            if (game_.muted) game_.ToggleMute();
            game_.PlayEffect(effect::Bell);
            break;
        }
        case Mute: game_.ToggleMute(); break;
        case Language: {
            const std::string now = game_.settings().get("language").value_or("auto");
            int i = 0;
            while (i < 3 && now != kLanguages[i]) ++i;
            game_.SetLanguage(kLanguages[((i % 3) + step + 3) % 3]);
            break;
        }
        case FullScreen: {
            const bool on = game_.settings().get("window.fullscreen") == "yes";
            const bool now = screen_ ? screen_->fullScreen() : on;
            game_.SaveSetting("window.fullscreen", now ? "no" : "yes");
            if (screen_) screen_->setFullScreen(!now);
            break;
        }
        case Scaling: {
            const bool smooth = game_.settings().get("window.scaling") == "whole";
            game_.SaveSetting("window.scaling", smooth ? "smooth" : "whole");
            if (screen_) screen_->setSmooth(smooth);
            break;
        }
        case Numbers:
            game_.gauges().SetNumbers(!game_.extras().numbers);
            game_.SaveSetting("view.numbers", game_.extras().numbers ? "yes" : "no");
            break;
        case Trace:
            game_.gauges().SetTrace(!game_.extras().trace);
            game_.SaveSetting("view.trace", game_.extras().trace ? "yes" : "no");
            break;
        case Level:
            if (round) return game_.levelsPanel().ShowLevels(true);
            game_.levelsPanel().ChooseLevel((game_.ComputerLevel(2) + step + 4) % 4);
            break;
        case Router:
            game_.SetAskRouter(!game_.askRouter);
            game_.SaveSetting("net.router", game_.askRouter ? "yes" : "no");
            break;
        case Back: close(); return;
        default: break;
    }
    Refresh();
}

void OptionsPanel::portTyped() {
    const auto& box = static_cast<TextBox&>(rowControl(Port));
    const JoinAddress a = ReadJoinAddress("p:" + box.text());
    // Only a whole port is taken; anything else stays in the box until it is one or the panel closes.
    if (!a.ok || a.port == 0 || std::to_string(a.port) != box.text() || a.port == game_.hostPort) return;
    game_.hostPort = a.port;
    game_.joinPort = a.port < 65535 ? a.port + 1 : 0;
    game_.SaveSetting("net.port", box.text());
}

void OptionsPanel::LevelChosen() {
    if (!shown()) return;
    Refresh();
    select(Level);
}

void OptionsPanel::Refresh() {
    const bool cz = game_.state.CzechUi == True;
    const SettingsFile& s = game_.settings();
    const bool full = screen_ ? screen_->fullScreen() : s.get("window.fullscreen") == "yes";
    const std::string language = s.get("language").value_or("auto");
    auto caption = [&](int row, const std::string& text) { static_cast<Button&>(rowControl(row)).setCaption(text); };
    caption(Volume, (cz ? "Hlasitost: " : "Volume: ") + std::to_string(game_.sound.volume()) + " %");
    caption(Mute, game_.muted ? (cz ? "Zvuk: vypnutý (M)" : "Sound: off (M)") : (cz ? "Zvuk: zapnutý (M)" : "Sound: on (M)"));
    caption(Language, std::string(cz ? "Jazyk: " : "Language: ") + (language == "cs"   ? "čeština"
                                                                    : language == "en" ? "English"
                                                                    : cz               ? "podle systému"
                                                                                       : "automatic"));
    caption(FullScreen,
            full ? (cz ? "Celá obrazovka: ano" : "Full screen: on") : (cz ? "Celá obrazovka: ne" : "Full screen: off"));
    caption(Scaling, s.get("window.scaling") == "whole" ? (cz ? "Zvětšení: celé násobky" : "Scaling: whole multiples")
                                                        : (cz ? "Zvětšení: plynulé" : "Scaling: smooth"));
    caption(Numbers, game_.extras().numbers ? (cz ? "Čísla: ano" : "Numbers: on") : (cz ? "Čísla: ne" : "Numbers: off"));
    caption(Trace,
            game_.extras().trace ? (cz ? "Stopa střely: ano" : "Shot trace: on") : (cz ? "Stopa střely: ne" : "Shot trace: off"));
    caption(Level, "1 vs. AI: " + LevelsPanel::LevelName(game_.ComputerLevel(2), cz));
    caption(Router, game_.askRouter ? (cz ? "ano" : "on") : (cz ? "ne" : "off"));
    caption(Back, cz ? "Zpět" : "Back");
    game_.Label22.setCaption(cz ? "Nastavení" : "Options");
    game_.Label24.setCaption(cz ? "Požádat router o otevření portu:" : "Ask the router to open the port:");
    game_.Label23.setCaption(cz ? "Port hostitele:" : "Hosting port:");
    auto& box = static_cast<TextBox&>(rowControl(Port));
    if (game_.focus() != &box) box.setText(std::to_string(game_.hostPort));
}

}  // namespace gv
