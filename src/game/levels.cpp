// The computer's level for "1 vs. AI", chosen from the options: a panel in the menu's place and look with one
// button a level (the one in use framed), a line on what the framed one does, and Back. The choice is kept.
#include <algorithm>
#include <iterator>

#include "game/mainfrm.h"

namespace gv {

namespace {
constexpr const char* kButtons[] = {"lvlpractice", "lvlbeginner", "lvlnormal", "lvlexpert", "lvlback"};
struct LevelText {
    const char *czech, *english, *czechWhat, *englishWhat;
};
constexpr LevelText kLevelTexts[] = {
    {"Cvičení", "Practice", "Cíl, který nestřílí. Stopa střel je zapnutá.", "A target that never fires. The shot trace is on."},
    {"Začátečník", "Beginner", "Míří jako normální soupeř, ale víc chybuje.", "Aims like Normal, but misses by more."},
    {"Normální", "Normal", "Počítač, jak ho hra vždy měla.", "The computer the game has always had."},
    {"Expert", "Expert", "Počítá přesný let střely a umí zvláštní střely.",
     "Works out the exact flight and uses every special shell."},
};
}  // namespace

void Mainfrm::BuildLevels() {
    Panel& panel = create<Panel>(nullptr, "Frame8");
    panel.move(240, 136, 321, 361);
    label(&panel, "Label25", 0, 4, 321, 37, "Soupeř", 21.75).align = Align::Centre;
    for (int i = 0; i < 4; ++i) {
        Button& b = button(&panel, kButtons[i], 32, 48 + 46 * i, 257, 41, kLevelTexts[i].czech);
        b.onClick = [this, i] {
            ChooseLevel(i);
            ShowLevels(false);
        };
    }
    Label& what = label(&panel, "Label26", 16, 236, 289, 58, "", 9.75, rgb(0, 255, 0));
    what.font.face = FontFace::Sans;
    what.align = Align::Centre;
    button(&panel, kButtons[4], 32, 304, 257, 41, "Zpět").onClick = [this] { ShowLevels(false); };
    image(&panel, "Image8", 0, 0, 321, 361, "Image3", true);
    panel.setVisible(false);
    stackInFrontOf(panel, Frame6);  // over the options, which open it
}

void Mainfrm::ShowLevels(bool show) {
    Panel& panel = control<Panel>("Frame8");
    if (show == panel.visible()) return;
    if (show) {
        control<Button>(kButtons[levels_[1]]).setDefault(true);
        FillLevels();
    }
    panel.setVisible(show);
    if (!show) optionsPanel().LevelChosen();
}

// The captions in the language of the moment, and the line on the framed level.
void Mainfrm::FillLevels() {
    const bool cz = state.CzechUi == True;
    for (int i = 0; i < 4; ++i) control<Button>(kButtons[i]).setCaption(LevelName(i, cz));
    control<Button>(kButtons[4]).setCaption(cz ? "Zpět" : "Back");
    control<Label>("Label25").setCaption(cz ? "Soupeř" : "Opponent");
    std::string what;
    for (int i = 0; i < 4; ++i)
        if (defaultButton() == &control<Button>(kButtons[i])) what = cz ? kLevelTexts[i].czechWhat : kLevelTexts[i].englishWhat;
    control<Label>("Label26").setCaption(what);
}

bool Mainfrm::LevelsKey(int key) {
    if (!control<Panel>("Frame8").visible()) return false;
    if (key == Key::Escape) ShowLevels(false);
    if (key == Key::Up || key == Key::Down || key == Key::Tab) {
        int at = 0;
        while (at < 4 && defaultButton() != &control<Button>(kButtons[at])) ++at;
        const int n = int(std::size(kButtons));
        control<Button>(kButtons[(at + (key == Key::Up ? n - 1 : 1)) % n]).setDefault(true);
        FillLevels();
    }
    return true;  // nothing else sees a key while the panel is up; the form's Enter clicks the framed button
}

int Mainfrm::LevelNamed(const std::string& name) {
    for (int l = level::Practice; l <= level::Expert; ++l)
        if (name == level::kNames[l]) return l;
    return level::Human;
}

std::string Mainfrm::LevelName(int level, bool czech) {
    const LevelText& t = kLevelTexts[std::clamp(level, int(level::Practice), int(level::Expert))];
    return czech ? t.czech : t.english;
}

void Mainfrm::StartDuel(int player1, int player2) {
    SetLevels(player1, player2);
    Option2.setValue(true);
    novahra_Click();
}

void Mainfrm::ChooseLevel(int chosen) {
    levels_ = {level::Human, chosen};
    SaveSetting("computer.level", level::kNames[chosen]);
}

}  // namespace gv
