#pragma once
// The help panel: built with the window, filled in the language of the moment when it opens, and the
// special shells' names.
#include <string>

#include "battle/kinds.h"
#include "game/windowpart.h"

namespace gv {

class Mainfrm;

class HelpPanel : public WindowPart {
public:
    using WindowPart::WindowPart;

    // The help panel: built with the window, filled in the language of the moment when it opens.
    void BuildHelp();
    void ShowHelp(bool show);
    void FillHelp();
    bool HelpKey(int key);                               // F1, and every key while the help is up
    static std::string ShellName(int kind, bool czech);  // a special shell's name; "" for any other kind
};

}  // namespace gv
