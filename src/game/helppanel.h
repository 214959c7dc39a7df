#pragma once
// The help panel: built with the window, filled in the language of the moment when it opens, and the
// special shells' names.
#include <cstdint>
#include <functional>
#include <string>

#include "battle/kinds.h"

namespace gv {

class Mainfrm;

class HelpPanel {
public:
    explicit HelpPanel(Mainfrm& game);
    ~HelpPanel();
    HelpPanel(const HelpPanel&) = delete;
    HelpPanel& operator=(const HelpPanel&) = delete;

    // The help panel: built with the window, filled in the language of the moment when it opens.
    void BuildHelp();
    void ShowHelp(bool show);
    void FillHelp();
    bool HelpKey(int key);                               // F1, and every key while the help is up
    static std::string ShellName(int kind, bool czech);  // a special shell's name; "" for any other kind

private:
    Mainfrm& g_;
};

}  // namespace gv
