#pragma once
// The game window: it owns the game state and every control of the layout, and the parts that work on it
// (each in a header of its own): the aiming panels, the battlefield's builder, the gauges, the banner, the
// record, the help and levels panels, the computer player and network play.
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "battle/kinds.h"
#include "battle/random.h"
#include "game/computer.h"
#include "game/desktop.h"
#include "game/extras.h"
#include "game/gamestate.h"
#include "game/language.h"
#include "game/layout.h"
#include "game/options.h"
#include "net/protocol.h"
#include "platform/controls.h"
#include "platform/eventloop.h"
#include "platform/settings.h"
#include "platform/sound.h"
#include "platform/tcpsocket.h"
#include "replay/recorder.h"

namespace gv {

class Link;
class NetPlay;
class ChatBox;
class AimPanels;
class WorldBuilder;
class Gauges;
class Banner;
class Records;
class HelpPanel;
class LevelsPanel;
class ComputerPlayer;
class ComputerSeat;
class WindowTable;
namespace battlefield {
enum class Palette;
}
namespace battle {
struct Aim;
enum class ShotEnd;
}  // namespace battle
namespace replay {
class Playback;
}

class Mainfrm : public MainLayout {
public:
    explicit Mainfrm(EventLoop& loop, Desktop desktop = {});
    ~Mainfrm() override;
    // The window's parts.
    AimPanels& aiming() const { return *aiming_; }
    WorldBuilder& builder() const { return *builder_; }
    Gauges& gauges() const { return *gauges_; }
    Banner& banner() const { return *banner_; }
    Records& records() const { return *records_; }
    HelpPanel& help() const { return *help_; }
    LevelsPanel& levelsPanel() const { return *levelsPanel_; }
    ComputerPlayer& computer() const { return *computer_; }
    WindowTable& table() const { return *table_; }  // what a record is played on

    GameState state;
    Random random;  // every random draw of this game
    SoundOutput sound;
    using ComputerThought = gv::ComputerThought;
    using Onlooker = gv::Onlooker;
    void setOnlooker(Onlooker* onlooker) { onlooker_ = onlooker; }

    static constexpr const char* kMakersUrl = "https://velmoran.example/gorvath";

    // ---- Start-up and the menu
    void Form_Load();
    void Form_KeyDown(int key, int shift);
    // An aiming key (Space, the arrows) for `player`, when that player's panel is armed.
    void AimKey(int player, int key);
    // A game pad's press or repeat: the menus, the options and, in a battle, the tank it plays.
    void PadButton_Press(int pad, PadButton button);
    void Form_Unload();
    // Every text of the window in the language chosen: "auto" (the desktop's), "cs" or "en"; kept.
    void SetLanguage(const std::string& choice);
    void ApplyLanguageTexts(bool czech);
    OptionsPanel& optionsPanel() { return *options_; }
    const ViewExtras& extras() const { return x_; }
    void startuptimer_Timer();
    void credits_Click();
    void Command6_Click();
    void Label7_Click();
    void novahra_Click();
    void continue_Click();
    void endgame_Click();
    // Stops what a battle leaves running (hand-over, computer turn) and puts panels and wind label back.
    void ResetHandOver();
    void StopBattleTimers();

    // ---- The battlefield (built by `builder()`); a new wind for each turn
    using Palette = battlefield::Palette;
    void ChangeWind();

    // ---- Firing and the turn hand-over
    void FireTank1();
    void FireTank2();
    // `player` fires `aim`, whoever gave it: the player's boxes, the peer or a record.
    void Fire(int player, const battle::Aim& aim);
    void hideit_Timer();
    void showit_Timer();
    void StartTurn();
    // The hand-over's phase: the shot's report, the turn arrow and the crate, the panels sliding back in;
    // each the interval in ms `showit` ticks at in that phase.
    using HandOver = battle::HandOver;
    HandOver HandOverPhase() const { return handOver_; }
    // Each phase has its own pace: the timer ticks at the phase's interval.
    void SetHandOverPhase(HandOver phase) { handOver_ = phase, showit.setInterval(int(phase)); }

    // ---- The shell: each tick the rules move it (see `BattleView` for what the window shows meanwhile)
    void bullettimer_Timer();
    // The shot is over: the shell goes, the slots and crate show what is left, the hand-over begins.
    void EndShot(battle::ShotEnd why);
    // The trees' sprites as the battle has them.
    void ShowTrees();

    // ---- The end of a battle
    void CheckBattleEnd();
    void tankexpl_Timer();

    // ---- What the player sees of a shot, and nothing more: the battle never reads it back.
    // A short flash around (x, y), as wide as a crater of `radius`.
    void Flash(double x, double y, double radius);
    void flashtimer_Timer();
    // The mark at the top edge over a shell that flies above the window, hidden otherwise.
    void ShowTopMark();
    static PictureRef FlashPicture();
    static PictureRef TopMarkPicture();

    // ---- Bonus crates
    void PlaceBonus();
    void bonusfalltimer_Timer();
    // The crate starts or ends its fall, and its timer with it.
    void SetCrateFalling(bool falling) { state.CrateFalling = flag(falling), bonusfalltimer.setEnabled(falling); }

    void PassTurn(int player);
    // Who plays each side in a game against the computer: `level::Human` or a computer's level. Player 2 is
    // always a computer there; player 1 is one in a duel of two computers.
    int ComputerLevel(int player) const { return levels_[player == 1 ? 0 : 1]; }
    bool ComputerPlays(int player) const { return state.GameMode == mode::Computer && ComputerLevel(player) != level::Human; }
    void SetLevels(int player1, int player2) { levels_ = {player1, player2}; }

private:
    std::array<int, 2> levels_{level::Human, level::Normal};
    bool passing_ = false;  // the practice target's turn: no shell flies

public:
    // ---- The battle's record and the settings
    replay::BattleRecorder& recorder() { return recorder_; }
    SettingsFile& settings() { return settings_; }
    // The settings file read at load: the language, the last host typed, the hosting port, the sound.
    void LoadSettings();
    // A setting changed: it is written at once.
    void SaveSetting(const std::string& key, const std::string& value);
    // M: the sound off or on again, said briefly on the banner.
    void ToggleMute();
    bool muted = false;
    // Whether hosting asks the home router to open the port (net.router): only where the desktop let it at
    // the start (desktop.mapPorts; the command line's --no-router forbids it), so this sets desktop.mapPorts.
    void SetAskRouter(bool on);
    bool askRouter = true;
    const replay::BattleRecorder& recorder() const { return recorder_; }
    // Seeds the host takes from the clock (each battle's, each quake's); a playback gives the recorded ones.
    std::function<std::string()> seedFromClock;

    bool Watching() const { return watching_ != nullptr; }
    replay::Playback* watching() { return watching_.get(); }

    // ---- Sound
    void PlayEffect(int id);
    void StopEffect();

    // ---- Network play: the glue between the window, the link and the battle is `NetPlay`'s (netplay.h).
    NetPlay& netplay() const { return *netplay_; }
    ChatBox& chat() const { return *chat_; }
    bool peerGone = false;  // the peer left or the link failed: every wait for it ends
    // The host listens on `hostPort`; the joiner connects to it from its own `joinPort`.
    int hostPort = 7701;
    int joinPort = 7702;
    using LinkEnd = gv::LinkEnd;
    struct LinkDeleter {
        void operator()(Link* l) const;
    };
    Link& net() const { return *net_; }

private:
    // The parts work on the window's controls and state as the window itself does.
    friend class NetPlay;
    friend class AimPanels;
    friend class WorldBuilder;
    friend class Gauges;
    friend class Banner;
    friend class Records;
    friend class HelpPanel;
    friend class LevelsPanel;
    friend class ComputerSeat;
    friend class WindowTable;
    friend class ChatBox;
    std::unique_ptr<Link, LinkDeleter> net_;
    std::unique_ptr<NetPlay> netplay_;
    std::unique_ptr<AimPanels> aiming_;
    std::unique_ptr<WorldBuilder> builder_;
    std::unique_ptr<Gauges> gauges_;
    std::unique_ptr<Banner> banner_;
    std::unique_ptr<Records> records_;
    std::unique_ptr<HelpPanel> help_;
    std::unique_ptr<LevelsPanel> levelsPanel_;
    std::unique_ptr<ComputerSeat> seat_;
    std::unique_ptr<ComputerPlayer> computer_;
    std::unique_ptr<WindowTable> table_;
    std::unique_ptr<ChatBox> chat_;

public:
    // ---- The link to the peer
    bool Networked() const { return state.GameMode == mode::Host || state.GameMode == mode::Joiner; }
    // Over the network: the player the peer plays (1 when this computer joined, 2 when it hosts).
    int PeerPlayer() const { return state.GameMode == mode::Joiner ? 1 : 2; }
    bool PeerGone() const { return peerGone; }
    // Hides everything of the battle on the field before a new one is built.
    void HideBattle();

    // Waits, processing events, until `done` holds. Also ends when a new battle has started, the window
    // closed or (with `peerWait`) the peer left; then it returns false and the caller does nothing more.
    bool WaitInBattle(const std::function<bool()>& done, bool peerWait = false);

    // ---- Timers
    Timer startuptimer;
    Timer showit;
    Timer hideit;
    Timer aitimer;
    Timer arrowtimer;
    Timer bonusfalltimer;
    Timer tankexpl;
    Timer bullettimer;
    Timer moonfalltimer;
    Timer flashtimer;

    // ---- The network link
    TcpSocket tcpcontrol;

    Desktop desktop;

private:
    void wireHandlers();
    // The constructor's styling of the layout, one part of the window at a time.
    void StyleMenuPanels();
    void StyleBattlefield();
    void AddControlArrays();
    Onlooker* onlooker_ = nullptr;
    replay::BattleRecorder recorder_;
    SettingsFile settings_;
    bool mayAskRouter_ = false;
    std::unique_ptr<OptionsPanel> options_;
    ViewExtras x_;
    std::unique_ptr<replay::Playback> watching_;
    std::uint8_t modeBeforeWatching_ = 0;
    OptionButton* optionBeforeWatching_ = nullptr;
    std::string watchCut_;                            // why the record being watched stops early, said where it does
    bool bannerMoved_ = false;                        // the banner is below the menu, telling the player something
    std::pair<std::string, Colour> bannerBefore_[2];  // what it said over the battlefield before
    HandOver handOver_ = HandOver::Report;
    int flashTicks_ = 0;  // ticks the flash has shown
    void FireTank(int player);
};

}  // namespace gv
