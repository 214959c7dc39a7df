#pragma once
// The options panel over the menu: volume, mute, language, full screen, scaling, the views, the computer's
// level in "1 vs. AI" (a click opens the levels' panel, Left/Right step through them), whether hosting
// asks the router to open the port, and the hosting port, each a row the mouse, the keyboard (Tab or Up/Down between rows,
// Left/Right change, Enter toggles) and a game pad work alike. Every change takes effect at once and is kept in the settings.
#include <functional>
#include <string>
#include <vector>

#include "platform/controls.h"

namespace gv {

class Mainfrm;

// What the panel changes in the real window; without one (a test, a headless run) only the settings change.
struct ScreenControl {
    virtual ~ScreenControl() = default;
    virtual bool fullScreen() const = 0;
    virtual void setFullScreen(bool on) = 0;
    virtual void setSmooth(bool smooth) = 0;
};

class OptionsPanel {
public:
    explicit OptionsPanel(Mainfrm& game);
    void attachScreen(ScreenControl* screen);

    bool shown() const;
    void open();
    void close();
    // A key while the panel is shown; true when the panel used it (then nothing else sees it but the form's
    // Enter, which clicks the row marked as default).
    bool Key(int key, int shift);
    // The rows' captions in the language of the moment.
    void Refresh();
    // The computer's level panel, opened from its row, has closed: back on that row.
    void LevelChosen();
    // F11 (or Alt+Enter), wherever the player is: as the full screen's row, shown and kept at once.
    void SwitchFullScreen() { change(FullScreen, 1); }

private:
    enum Row { Volume, Mute, Language, FullScreen, Scaling, Numbers, Trace, Level, Router, Port, Back, kRows };
    void select(int row);
    void change(int row, int step, bool round = false);  // Left/Right: -1 or +1; a click or Enter: +1, round
    void portTyped();
    Control& rowControl(int row) const;
    Mainfrm& game_;
    ScreenControl* screen_ = nullptr;
    int row_ = Volume;
    Button* defaultBefore_ = nullptr;
};

}  // namespace gv
