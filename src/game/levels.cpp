// The computer's level for "1 vs. AI", chosen from the options: a panel in the menu's place and look with one
// button a level (the one in use framed), a line on what the framed one does, and Back. The choice is kept.
#include <algorithm>
#include <string>
#include <vector>

#include "game/mainfrm.h"
#include "game/levelspanel.h"

namespace gv {

namespace {
// One button a level, named after its word, then Back.
const char* ButtonName(int i) {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (const level::Level& l : level::kLevels) n.push_back(std::string("lvl") + l.word);
        n.push_back("lvlback");
        return n;
    }();
    return names[std::size_t(i)].c_str();
}
}  // namespace

void LevelsPanel::BuildLevels() {
    Panel& panel = g_.create<Panel>(nullptr, "Frame8");
    const double below = 48 + 46 * level::kCount;  // under the last level's button
    panel.move(240, 136, 321, below + 129);
    g_.label(&panel, "Label25", 0, 4, 321, 37, "Soupeř", 21.75).align = Align::Centre;
    for (int i = 0; i < level::kCount; ++i) {
        Button& b = g_.button(&panel, ButtonName(i), 32, 48 + 46 * i, 257, 41, level::kLevels[i].czech);
        b.onClick = [this, i] {
            ChooseLevel(i);
            ShowLevels(false);
        };
    }
    Label& what = g_.label(&panel, "Label26", 16, below + 4, 289, 58, "", 9.75, rgb(0, 255, 0));
    what.font.face = FontFace::Sans;
    what.align = Align::Centre;
    g_.button(&panel, ButtonName(level::kCount), 32, below + 72, 257, 41, "Zpět").onClick = [this] { ShowLevels(false); };
    g_.image(&panel, "Image8", 0, 0, 321, below + 129, "Image3", true);
    panel.setVisible(false);
    g_.stackInFrontOf(panel, g_.Frame6);  // over the options, which open it
}

void LevelsPanel::ShowLevels(bool show) {
    Panel& panel = g_.control<Panel>("Frame8");
    if (show == panel.visible()) return;
    if (show) {
        g_.control<Button>(ButtonName(g_.levels_[1])).setDefault(true);
        FillLevels();
    }
    panel.setVisible(show);
    if (!show) g_.optionsPanel().LevelChosen();
}

// The captions in the language of the moment, and the line on the framed level.
void LevelsPanel::FillLevels() {
    const bool cz = g_.state.CzechUi == True;
    for (int i = 0; i < level::kCount; ++i) g_.control<Button>(ButtonName(i)).setCaption(LevelName(i, cz));
    g_.control<Button>(ButtonName(level::kCount)).setCaption(cz ? "Zpět" : "Back");
    g_.control<Label>("Label25").setCaption(cz ? "Soupeř" : "Opponent");
    std::string what;
    for (int i = 0; i < level::kCount; ++i)
        if (g_.defaultButton() == &g_.control<Button>(ButtonName(i)))
            what = cz ? level::kLevels[i].czechWhat : level::kLevels[i].englishWhat;
    g_.control<Label>("Label26").setCaption(what);
}

bool LevelsPanel::LevelsKey(int key) {
    if (!g_.control<Panel>("Frame8").visible()) return false;
    if (key == Key::Escape) ShowLevels(false);
    if (key == Key::Up || key == Key::Down || key == Key::Tab) {
        int at = 0;
        while (at < level::kCount && g_.defaultButton() != &g_.control<Button>(ButtonName(at))) ++at;
        const int n = level::kCount + 1;  // and Back
        g_.control<Button>(ButtonName((at + (key == Key::Up ? n - 1 : 1)) % n)).setDefault(true);
        FillLevels();
    }
    return true;  // nothing else sees a key while the panel is up; the form's Enter clicks the framed button
}

int LevelsPanel::LevelNamed(const std::string& name) { return level::Named(name); }

std::string LevelsPanel::LevelName(int level, bool czech) {
    const level::Level& t = level::kLevels[std::clamp(level, 0, level::kCount - 1)];
    return czech ? t.czech : t.english;
}

void LevelsPanel::StartDuel(int player1, int player2) {
    g_.SetLevels(player1, player2);
    g_.Option2.setValue(true);
    g_.novahra_Click();
}

void LevelsPanel::ChooseLevel(int chosen) {
    g_.levels_ = {level::Human, chosen};
    g_.SaveSetting("computer.level", level::kLevels[chosen].word);
}

}  // namespace gv
