#pragma once
// The computer's levels: the panel that chooses the player's opponent (opened from the options), their
// names, and a battle of two computers watched.
#include <string>

#include "battle/kinds.h"
#include "game/windowpart.h"

namespace gv {

class Mainfrm;

class LevelsPanel : public WindowPart {
public:
    using WindowPart::WindowPart;

    static int LevelNamed(const std::string& name);       // `level::Human` for "human" and any other word
    static std::string LevelName(int level, bool czech);  // as the level's button says it
    void StartDuel(int player1, int player2);             // a battle of two computers, watched
    void ChooseLevel(int chosen);                         // the player's opponent from now on, kept in the settings
    // The panel that chooses it, opened from the options.
    void BuildLevels();
    void ShowLevels(bool show);
    void FillLevels();
    bool LevelsKey(int key);
};

}  // namespace gv
