// The shell in flight as the window shows it: each tick of the rules moves the sprite and draws what the
// shot did, and the view of a shot that the rules tell as it happens.
#include <algorithm>
#include <cmath>
#include <memory>

#include "battle/simmath.h"
#include "game/battleview.h"
#include "game/helppanel.h"
#include "game/banner.h"
#include "game/gauges.h"
#include "game/mainfrm.h"
#include "game/records.h"
#include "game/netplay.h"
#include "net/protocol.h"
#include "platform/numtext.h"

namespace gv {

void Mainfrm::bullettimer_Timer() {
    BattleView view(*this);
    if (battle::ShellTick(state, random, view) != battle::Tick::Moved) return;
    bullet.setLeft(state.ShellX - bullet.width() / 2);
    bullet.setTop(state.ShellY > 0 ? state.ShellY - bullet.height() / 2 : -(bullet.height() / 2));
    gauges().TraceShell(state.ShellX, state.ShellY);
    ShowTopMark();
    CheckBattleEnd();
}

// The shell's flight is over: it leaves the field and the hand-over starts.
void Mainfrm::EndShot(battle::ShotEnd why) {
    bullettimer.setEnabled(false);
    bullet.setVisible(false);
    topmark.setVisible(false);
    if (why != battle::ShotEnd::CrateTaken) {
        gauges().ShowSlots();
        bonuspic.setVisible(state.BonusActive == True);
    }
    showit.setEnabled(true);
}

void Mainfrm::ShowTrees() {
    std::size_t i = 0;
    for (const battle::State::Tree& t : state.Trees) {
        // Tree sprites are made on first need and kept, hidden, for later battles.
        Image& sprite = strom.has(int(i)) ? strom(int(i)) : loadElement(strom, int(i));
        ++i;
        if (sprite.left() != t.left || sprite.top() != t.top || sprite.width() != t.width || sprite.height() != t.height)
            sprite.move(t.left, t.top, t.width, t.height);
        const int k = t.look % 2;
        const PictureRef& picture =
            t.look < 2 ? (t.burnt ? treeb(k) : tree(k)).picture() : (t.burnt ? snowb(k) : snow(k)).picture();
        if (sprite.picture() != picture) sprite.setPicture(picture);
        sprite.setVisible(t.standing);
    }
    for (auto& [j, plant] : strom.elements())
        if (std::size_t(j) >= i) plant->setVisible(false);
}

BattleView::BattleView(Mainfrm& game) : g_(game), battle_(game.state.BattleNumber) {}

void BattleView::Sound(int effect) { g_.PlayEffect(effect); }
void BattleView::Flash(double x, double y, double radius) { g_.Flash(x, y, radius); }
void BattleView::ShellHidden() { g_.bullet.setVisible(false); }

void BattleView::Dug(double c, double before, double after) {
    // The rows the ground left at half brightness: what a hole shows.
    for (double y = before; y <= after; ++y) Marked(c, y, 2);
}

void BattleView::Marked(double x, double y, double q) {
    Colour p = g_.world.point(x, y);
    if (p < 0) return;
    using simmath::Int;
    g_.world.setPixel(x, y, rgb(int(Int(redOf(p) / q)), int(Int(greenOf(p) / q)), int(Int(blueOf(p) / q))));
}

void BattleView::Raised(double c, double y, const battle::Earth& colour) {
    g_.world.setPixel(c, y, rgb(colour.red, colour.green, colour.blue));
}

void BattleView::TreesChanged() { g_.ShowTrees(); }
void BattleView::TankJumped(int player) { (player == 1 ? g_.tank1 : g_.tank2).setLeft(g_.state.tank(player).left); }

void BattleView::Settled() {
    const GameState& s = g_.state;
    g_.tank1.setTop(s.Tank1.top);
    g_.tank2.setTop(s.Tank2.top);
    g_.ShowTrees();
    g_.bonuspic.setTop(s.CrateTop);
    g_.gauges().ShowHealth1();
    g_.gauges().ShowHealth2();
}

void BattleView::MoonStruck() { g_.moonfalltimer.setEnabled(true); }

void BattleView::CrateTaken(int kind) {
    g_.bonuspic.setVisible(false);
    g_.gauges().ShowHealth1();
    g_.gauges().ShowHealth2();
    g_.gauges().ShowSlots();
    // With the numbers on, the shell won is named on the banner for a moment.
    if (kind != weapon::Health && g_.extras().numbers)
        g_.banner().ShowNote(HelpPanel::ShellName(kind, g_.state.CzechUi == True), 2000);
}

void BattleView::ShotOver(battle::ShotEnd why) { g_.EndShot(why); }
void BattleView::BattleMayEnd() { g_.CheckBattleEnd(); }
void BattleView::Cutting() { g_.loop().pumpEvents(); }

bool BattleView::QuakeSeeded() {
    // Both copies of a network game draw from the same seed: the host's clock gives it.
    GameState& s = g_.state;
    if (s.GameMode == mode::Host) {
        s.RandomSeed = g_.records().ClockSeed();
        g_.records().RecordClock(s.RandomSeed);
        g_.netplay().SendMessage(netmsg::quake(s.RandomSeed));
    } else if (s.GameMode == mode::Joiner) {
        if (!g_.WaitInBattle([&] { return s.PeerSeedReady == True; }, true)) return false;
        s.PeerSeedReady = False;
    } else {
        return true;
    }
    g_.random.reset();
    g_.random.seed(leadingNumber(s.RandomSeed));
    return true;
}

bool BattleView::Left() { return battle_ != g_.state.BattleNumber || g_.unloaded(); }

// ---- What the player sees of a shot. Sprites only: nothing here touches the canvas, the random
// generator or anything the battle reads, so two network copies stay in step whatever their screens show.

void Mainfrm::Flash(double x, double y, double radius) {
    const double r = std::max(radius, 6.0) + 6;
    flash.move(x - r, y - r, 2 * r, 2 * r);
    flash.setVisible(true);
    flashTicks_ = 0;
    flashtimer.setEnabled(true);
}

void Mainfrm::flashtimer_Timer() {
    // Two ticks at full size, one smaller about the same centre, then gone.
    if (++flashTicks_ >= 3) {
        flash.setVisible(false);
        flashtimer.setEnabled(false);
    } else if (flashTicks_ == 2) {
        const double w = flash.width() * 0.6, h = flash.height() * 0.6;
        flash.move(flash.left() + (flash.width() - w) / 2, flash.top() + (flash.height() - h) / 2, w, h);
    }
}

void Mainfrm::ShowTopMark() {
    const bool above = bullet.visible() && bullettimer.enabled() && state.ShellY < 0;
    if (above) topmark.move(state.ShellX - topmark.width() / 2, 0, topmark.width(), topmark.height());
    topmark.setVisible(above);
}

PictureRef Mainfrm::FlashPicture() {
    // A round glow: white in the middle through yellow to orange, fading out to the rim.
    const int S = 48;
    auto p = std::make_shared<Picture>(S, S);
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x) {
            const double dx = (x + 0.5 - S / 2.0) / (S / 2.0), dy = (y + 0.5 - S / 2.0) / (S / 2.0);
            const double d = simmath::Sqrt(dx * dx + dy * dy);
            if (d >= 1) continue;
            const int g = int(255 - 150 * d), b = int(std::max(0.0, 230 - 460 * d));
            const int a = int(255 * std::min(1.0, 1.6 * (1 - d)));
            p->at(x, y) = std::uint32_t(rgb(255, g, b)) | std::uint32_t(a) << 24;
        }
    return p;
}

PictureRef Mainfrm::TopMarkPicture() {
    // A small yellow wedge pointing up, outlined in black so it shows on any sky.
    const int W = 11, H = 8;
    auto p = std::make_shared<Picture>(W, H);
    for (int y = 0; y < H; ++y) {
        const int half = (y * (W / 2)) / (H - 1);
        for (int x = W / 2 - half; x <= W / 2 + half; ++x) {
            const bool edge = y == H - 1 || x == W / 2 - half || x == W / 2 + half;
            p->at(x, y) = Picture::opaque(edge ? rgb(0, 0, 0) : rgb(255, 230, 0));
        }
    }
    return p;
}

}  // namespace gv
