// Watching a recorded battle in the window: the menu's "Watch last battle" and `--replay FILE`. The
// battle plays at its own pace; Right or Space fires the next shot at once, F runs it four times as fast,
// Esc leaves to the menu.
#include "game/mainfrm.h"
#include "game/netplay.h"
#include "game/playback.h"

namespace gv {

namespace {
constexpr double kFastPace = 4;
}  // namespace

void Mainfrm::UpdateWatchButton() {
    watchlast.setEnabled(!Watching() && !replay::BattleRecorder::Newest(desktop.replayFolder).empty());
}

void Mainfrm::watchlast_Click() { WatchBattle(replay::BattleRecorder::Newest(desktop.replayFolder)); }

bool Mainfrm::WatchBattle(const std::string& path) {
    if (Watching() || state.WorldBusy == True) return false;
    const bool czech = state.CzechUi == True;
    replay::ReadResult read = replay::ReadFile(path);
    if (!read.record) {
        ShowMenuBanner((czech ? "Záznam nelze přehrát: " : "Cannot play the record: ") + read.error, true);
        return false;
    }
    watchCut_ = read.error;
    netplay().LeaveLink();  // a peer we are linked to is told we left
    RestoreBanner();
    modeBeforeWatching_ = state.GameMode;
    for (OptionButton* o : {&Option1, &Option2, &Option3})
        if (o->value()) optionBeforeWatching_ = o;
    inputLocked = true;
    watching_ = std::make_unique<replay::Playback>(*this, std::move(*read.record), replay::Playback::Pace::AsPlayed);
    watching_->onFinish = [this] { loop().post([this] { WatchFinished(); }); };
    watchlast.setEnabled(false);
    watching_->Start();
    return true;
}

bool Mainfrm::WatchKey(int key) {
    if (!Watching()) return false;
    switch (key) {
        case Key::Right:
        case Key::Space: watching_->SkipWait(); break;
        case Key::F: loop().setPace(loop().pace() == 1 ? kFastPace : 1); break;
        case Key::Escape: {
            // Back to the menu; what was on the field stays behind it, as after a battle.
            EndWatching();
            netplay().StopBattle();
            Frame5.setVisible(false);
            Frame3.setVisible(true);
            world.setEnabled(false);
            continue_.setEnabled(false);
            novahra.setEnabled(true);
            break;
        }
        default: break;  // the players' keys belong to the record
    }
    return true;
}

void Mainfrm::WatchFinished() {
    if (!Watching() || !watching_->finished()) return;
    const bool czech = state.CzechUi == True;
    if (watching_->outcome() == replay::Playback::Outcome::Differs) {
        const std::string turn = std::to_string(watching_->differingTurn());
        ShowMenuBanner(czech ? "Tato bitva se od tahu " + turn + " počítá jinak než záznam"
                             : "From turn " + turn + " this battle computes differently from the record",
                       true);
    } else if (!watching_->recordEnds()) {
        const std::string cut = watchCut_.empty() ? "" : " (" + watchCut_ + ")";
        ShowMenuBanner(czech ? "Záznam zde končí" + cut : "The recording ends here" + cut, !cut.empty());
    }
    // A battle that ended shows its result and the menu: the player has the window back.
    if (state.BattleOver == True) EndWatching();
}

void Mainfrm::EndWatching() {
    if (!Watching()) return;
    watching_.reset();
    inputLocked = false;
    loop().setPace(1);
    // The player's choice of mode comes back as it was (the network panel stays closed).
    if (optionBeforeWatching_) optionBeforeWatching_->setValue(true);
    Frame4.setVisible(false);
    state.GameMode = modeBeforeWatching_;
    UpdateWatchButton();
}

}  // namespace gv
