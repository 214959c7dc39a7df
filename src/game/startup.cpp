// Start-up, the intro, the menu's small actions, the pause key and closing the window.
#include <cmath>

#include "assets/sounds.h"
#include "battle/simmath.h"
#include "battlefield/sky.h"
#include "game/levelspanel.h"
#include "game/helppanel.h"
#include "game/aimpanels.h"
#include "game/mainfrm.h"
#include "game/chat.h"
#include "game/records.h"
#include "game/netplay.h"
#include "platform/numtext.h"
#include "net/protocol.h"

namespace gv {

using simmath::Int;

// The window is loaded (the single-instance rule is applied before, by the program).
void Mainfrm::Form_Load() {
    state.CzechUi = flag(czechInterface(desktop.languageSettings()));
    LoadSettings();
    ApplyLanguageTexts(state.CzechUi == True);
    random.seed(loop().timeOfDay());

    // The intro sky: concentric arcs, darkest at the top, drawn with the canvas's starting pen of 5 pixels.
    double A = Int(random.Rnd() * 55), B = Int(random.Rnd() * 105), C = Int(random.Rnd() * 105) + 50;
    // Its circles, 2300 - i around (400, 1401) and (400, 1400), are filled row by row like the battlefield's.
    std::vector<Colour> shades;
    for (double i = 800; i <= 1500; i += 0.5)
        shades.push_back(rgb(int(simmath::Round(Int((i - 800) / 4 + A))), int(simmath::Round(Int((i - 800) / 5 + B))),
                             int(simmath::Round(Int((i - 800) / 7 + C)))));
    SkyFill sky(world, std::move(shades), SkyFill::kIntroFirstCentreY);
    sky.paintTo(sky.shades());
    // A green hill line across the lower half, its band y kept within 0..400.
    state.IntroY = 400;
    double x = 0, y = Int(random.Rnd() * 400);
    if (y < state.IntroY) state.IntroY = std::int16_t(y);
    while (x <= 800) {
        double w = Int(random.Rnd() * 70) + 20;
        double r = random.Rnd();
        double k = Int(random.Rnd() * 100);
        double d = (Int(r * 3) - 1) * k;
        if (y + d < 0 || y + d > 400) d = -d;
        world.line(x, y + 200, x + w, y + d + 200, rgb(0, 255, 0));
        x += w;
        y += d;
        if (y < state.IntroY) state.IntroY = std::int16_t(y);
    }
    startuptimer.setEnabled(true);
    records().UpdateWatchButton();
    state.HellMode = False;
    state.HellVariant = False;
}

void Mainfrm::startuptimer_Timer() {
    if (startuptimer.interval() == 1000) {
        PlayEffect(effect::Boing);
        startuptimer.setInterval(40);
        // The burst goes somewhere the menu does not cover: beside it, above it, or clear below its last row.
        const double left = Frame3.left(), right = left + Frame3.width(), top = Frame3.top();
        const double below = top + Frame3.height() + 8;
        do {
            state.IntroX = std::int16_t(Int(random.Rnd() * 520) + 40);
            state.IntroY = std::int16_t(Int(state.IntroY * random.Rnd()) + 40);
        } while (!(state.IntroX <= left || state.IntroX >= right || state.IntroY <= top || state.IntroY >= below));
        return;
    }
    double tag = leadingNumber(startuptimer.tag) + 6;
    startuptimer.tag = formatNumber(tag);
    world.circle(state.IntroX, state.IntroY, tag, rgb(0, 255, 0));
    if (tag == 36) {
        startuptimer.setEnabled(false);
        world.setDrawWidth(1);
    }
}

void Mainfrm::credits_Click() {
    Command6.setDefault(true);
    Frame5.setVisible(true);
}

void Mainfrm::Command6_Click() { Frame5.setVisible(false); }

void Mainfrm::Label7_Click() {
    PlayEffect(effect::Bell);
    if (desktop.openUrl) desktop.openUrl(kMakersUrl);
}

// Every key reaches the window first: aiming keys for the player whose panel is armed, Esc for the pause.
void Mainfrm::Form_KeyDown(int key, int shift) {
    if (key == Key::F11) return options_->SwitchFullScreen();  // whatever shows
    if (chat().ChatKey(key, shift)) return;                    // Enter, T and Tab in a network battle; every key while writing
    // Nothing while a battlefield is built, in the pause or after the battle: the canvas is not taking input.
    // Esc while we have long waited for a silent peer leaves the link.
    if (help().HelpKey(key) || records().WatchKey(key) || levelsPanel().LevelsKey(key)) return;
    if (options_->Key(key, shift)) return;
    if (key == Key::Escape && netplay().LeaveWaitForPeer()) return;
    // M is the sound's, except in a text box (a host's name, the port), where it types.
    const bool caret = focus() && focus()->kind() == ControlKind::TextBox && focus()->enabledOnScreen();
    if (key == Key::M && shift == 0 && !caret) return ToggleMute();
    if (state.WorldBusy == True || !world.enabled()) return;
    // An arrow with Shift or Ctrl held edits the selection in the focused box and steps nothing.
    if (shift != 0 && key >= Key::Left && key <= Key::Down) return;
    if (key != Key::Escape) {
        // While a box has the caret, the keys that move it edit the text and turn no barrel.
        if (caret && (key == Key::Left || key == Key::Right || key == Key::Home || key == Key::End)) return;
        for (int player = 1; player <= 2; ++player) AimKey(player, key);
        return;
    }
    continue_.setEnabled(true);
    world.setEnabled(false);
    Frame3.setVisible(true);
    if (Networked()) netplay().SendMessage(netmsg::plain(NetMessage::Exit));
}

void Mainfrm::AimKey(int player, int key) {
    Panel& panel = player == 1 ? Frame1 : Frame2;
    if (!panel.enabled() || !panel.visible()) return;
    TextBox& force = player == 1 ? sila1 : sila2;
    TextBox& angle = player == 1 ? uhel1 : uhel2;
    // Left and right move the barrel the way the arrow points for both players.
    const int towardsLeft = player == 1 ? 1 : -1;
    switch (key) {
        case Key::Space: player == 1 ? FireTank1() : FireTank2(); break;
        case Key::Up: aiming().Spin(force, 1); break;
        case Key::Down: aiming().Spin(force, -1); break;
        case Key::Left: aiming().Spin(angle, towardsLeft); break;
        case Key::Right: aiming().Spin(angle, -towardsLeft); break;
        default: break;
    }
}

void Mainfrm::Form_Unload() {
    StopEffect();
    // Tell a connected peer we are gone, let the message leave, then close; nothing more is dispatched.
    netplay().CloseLinkForGood();
}

void Mainfrm::PlayEffect(int id) {
    if (onlooker_) onlooker_->EffectPlayed(id);
    if (!muted) sound.PlayEffect(id, assets::sound(id));
}

void Mainfrm::StopEffect() { sound.StopEffect(); }

bool Mainfrm::WaitInBattle(const std::function<bool()>& done, bool peerWait) {
    const std::uint32_t battle = state.BattleNumber;
    auto interrupted = [&] { return state.BattleNumber != battle || unloaded() || (peerWait && peerGone); };
    // While we wait for the peer, the link may tell the player so.
    struct PeerWait {
        Mainfrm& game;
        bool on;
        ~PeerWait() {
            if (on) game.netplay().NoteWaitForPeer(-1);
        }
    } mark{*this, peerWait};
    if (peerWait) netplay().NoteWaitForPeer(1);
    loop().waitUntil([&] { return done() || interrupted(); });
    return !interrupted();
}

}  // namespace gv
