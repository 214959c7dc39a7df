// Watching a recorded battle in the window: the menu's "Watch last battle" and `--replay FILE`. The
// battle plays at its own pace; Right or Space fires the next shot at once, F runs it four times as fast,
// Esc leaves to the menu.
#include "game/banner.h"
#include "game/chat.h"
#include "game/mainfrm.h"
#include "game/records.h"
#include "game/netplay.h"
#include "game/playback.h"

namespace gv {

namespace {
constexpr double kFastPace = 4;
}  // namespace

void Records::UpdateWatchButton() {
    g_.watchlast.setEnabled(!g_.Watching() && !replay::BattleRecorder::Newest(g_.desktop.replayFolder).empty());
}

void Records::watchlast_Click() { WatchBattle(replay::BattleRecorder::Newest(g_.desktop.replayFolder)); }

bool Records::WatchBattle(const std::string& path) {
    if (g_.Watching() || g_.state.WorldBusy == True) return false;
    const bool czech = g_.state.CzechUi == True;
    replay::ReadResult read = replay::ReadFile(path);
    if (!read.record) {
        g_.banner().ShowMenuBanner((czech ? "Záznam nelze přehrát: " : "Cannot play the record: ") + read.error, true);
        return false;
    }
    g_.watchCut_ = read.error;
    g_.netplay().LeaveLink();  // a peer we are linked to is told we left
    g_.banner().RestoreBanner();
    g_.modeBeforeWatching_ = g_.state.GameMode;
    for (OptionButton* o : {&g_.Option1, &g_.Option2, &g_.Option3})
        if (o->value()) g_.optionBeforeWatching_ = o;
    g_.inputLocked = true;
    g_.watching_ = std::make_unique<replay::Playback>(g_.table(), std::move(*read.record), replay::Playback::Pace::AsPlayed);
    g_.watching_->onFinish = [this] { g_.loop().post([this] { WatchFinished(); }); };
    g_.chat().Reset();
    g_.watching_->onChat = [this](const replay::Event& e) { g_.chat().Replay(e.player, e.text); };
    g_.watchlast.setEnabled(false);
    g_.watching_->Start();
    return true;
}

bool Records::WatchKey(int key) {
    if (!g_.Watching()) return false;
    switch (key) {
        case Key::Right:
        case Key::Space: g_.watching_->SkipWait(); break;
        case Key::F: g_.loop().setPace(g_.loop().pace() == 1 ? kFastPace : 1); break;
        case Key::Escape: {
            // Back to the menu; what was on the field stays behind it, as after a battle.
            EndWatching();
            g_.netplay().StopBattle();
            g_.Frame5.setVisible(false);
            g_.Frame3.setVisible(true);
            g_.world.setEnabled(false);
            g_.continue_.setEnabled(false);
            g_.novahra.setEnabled(true);
            break;
        }
        default: break;  // the players' keys belong to the record
    }
    return true;
}

void Records::WatchFinished() {
    if (!g_.Watching() || !g_.watching_->finished()) return;
    const bool czech = g_.state.CzechUi == True;
    if (g_.watching_->outcome() == replay::Playback::Outcome::Differs) {
        const std::string turn = std::to_string(g_.watching_->differingTurn());
        g_.banner().ShowMenuBanner(czech ? "Tato bitva se od tahu " + turn + " počítá jinak než záznam"
                                         : "From turn " + turn + " this battle computes differently from the record",
                                   true);
    } else if (!g_.watching_->recordEnds()) {
        const std::string cut = g_.watchCut_.empty() ? "" : " (" + g_.watchCut_ + ")";
        g_.banner().ShowMenuBanner(czech ? "Záznam zde končí" + cut : "The recording ends here" + cut, !cut.empty());
    }
    // A battle that ended shows its result and the menu: the player has the window back.
    if (g_.state.BattleOver == True) EndWatching();
}

void Records::EndWatching() {
    if (!g_.Watching()) return;
    g_.watching_.reset();
    g_.chat().Reset();
    g_.inputLocked = false;
    g_.loop().setPace(1);
    // The player's choice of mode comes back as it was (the network panel stays closed).
    if (g_.optionBeforeWatching_) g_.optionBeforeWatching_->setValue(true);
    g_.netplay().ShowNetworkPanel(false);
    g_.state.GameMode = g_.modeBeforeWatching_;
    UpdateWatchButton();
}

}  // namespace gv
