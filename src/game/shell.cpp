// The shell in flight: one step per tick, then a walk over every column the step crossed, so a fast
// shell cannot jump over a tree, a tank or a thin ridge. What it meets there, craters, and the settling
// of tanks, trees and crate on the changed ground.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>

#include "battle/columnwalk.h"
#include "battle/effects.h"
#include "battle/geometry.h"
#include "battle/shells.h"
#include "battle/simmath.h"
#include "game/mainfrm.h"

namespace gv {

using simmath::Int;

void Mainfrm::bullettimer_Timer() {
    GameState& s = state;
    s.ShotTime += 0.2;
    s.ShellPrevX = s.ShellX;
    s.ShellPrevY = s.ShellY;
    const bool rolling = s.RollDownhill == True || s.RollUphill == True;
    const int kind = state.weapon(state.shooter());
    if (!rolling)
        battle::FlightStep(s.ShellX, s.ShellY, s.ShotVx, s.ShotVy, s.ShotTime, s.ShotX0, s.ShotY0, s.Gravity, s.Wind,
                           kind == weapon::Drill);
    s.ShellDir = std::int16_t(sign(s.ShellX - s.ShellPrevX) == 0 ? 1 : sign(s.ShellX - s.ShellPrevX));

    if (rolling) {
        RollingStep();
    } else {
        s.ShellDir = std::int16_t(sign(s.ShellX - s.ShellPrevX));  // 0 stays 0 here
        const std::uint32_t battle = s.BattleNumber;
        bool ended = false;  // a wait inside the column test ended the battle
        const ColumnWalkEnd end = WalkColumns(s.ShellPrevX, s.ShellPrevY, s.ShellX, s.ShellY, 799, SweepOrder::DivideFirst,
                                              [&](double sweepX, double sweepY) {
                                                  const Walk w = ColumnTest(sweepX, sweepY);
                                                  ended = battle != s.BattleNumber || unloaded();
                                                  return !ended && w != Walk::Stop;
                                              });
        if (end == ColumnWalkEnd::LeftField) EndShot(ShotEnd::Spent);
        if (ended) return;
    }
    // A bounce ends the tick at its contact: the shell flies on from there next tick.
    if (contactEndsTick_) {
        contactEndsTick_ = false;
        return;
    }
    bullet.setLeft(s.ShellX - bullet.width() / 2);
    bullet.setTop(s.ShellY > 0 ? s.ShellY - bullet.height() / 2 : -(bullet.height() / 2));
    TraceShell(s.ShellX, s.ShellY);
    ShowTopMark();
    CheckBattleEnd();
}

Mainfrm::Walk Mainfrm::ColumnTest(double sweepX, double sweepY) {
    GameState& s = state;
    const int kind = state.weapon(state.shooter());
    // Trees break only near the ground; the shell flies on.
    if (sweepY > s.Ground.at(sweepX) - 45) {
        for (auto& [j, plant] : strom.elements())
            if (InTreeBox(*plant, sweepX, sweepY)) BreakTree(*plant);
    }
    // The ground.
    if (sweepY > s.Ground.at(sweepX)) {
        Flash(sweepX, s.Ground.at(sweepX), battle::Shell(kind).craterRadius);
        const std::uint32_t battle = s.BattleNumber;
        bool aftermath = WeaponContact(kind, sweepX, sweepY);
        if (battle != s.BattleNumber) return Walk::Stop;
        if (aftermath) Aftermath();
        if (kind != weapon::Drill) return Walk::Stop;
        if (!bullettimer.enabled()) return Walk::Stop;
    }
    // The moon starts to fall and the shell flies on; the sun swallows it.
    auto inBox = [&](const Image& body) {
        return body.visible() && geometry::BodyBox(body.left(), body.top()).holds(sweepX, sweepY);
    };
    if (inBox(moon)) moonfalltimer.setEnabled(true);
    if (s.SunUp == True && geometry::BodyBox(s.Sun.left, s.Sun.top).holds(sweepX, sweepY)) {
        PlayEffect(effect::SunSwallow);
        EndShot(ShotEnd::Spent);
        return Walk::Stop;
    }
    // Only some shells can hit the opponent's tank; the shooter's own is never tested.
    if (battle::Shell(kind).hitsTanks) {
        const int target = s.TurnPlayer != 1 ? 2 : 1;
        if (geometry::TankBox(s.tank(target).left, s.tank(target).top).holds(sweepX, sweepY)) {
            Flash(sweepX, sweepY, battle::Shell(kind).craterRadius);
            DirectHit(target, kind);
            EndShot(ShotEnd::DirectHit);
            return Walk::Stop;
        }
    }
    // A landed crate.
    if (s.BonusActive == True && s.CrateFalling == False && geometry::CrateBox(s.CrateLeft, s.CrateTop).holds(sweepX, sweepY)) {
        bonuspic.setVisible(false);
        s.BonusActive = False;
        TakeBonus();
        EndShot(ShotEnd::CrateTaken);
        return Walk::Stop;
    }
    return Walk::Continue;
}

void Mainfrm::BreakTree(Image& plant) {
    // Only a live tree breaks: a green or snowy one, standing. It stays, burnt, and cannot burn again.
    const std::string& t = plant.tag;
    if (!plant.visible() || t.size() != 1 || t[0] < '0' || t[0] > '3') return;
    int kind = t[0] - '0';
    plant.setPicture(kind < 2 ? treeb(kind).picture() : snowb(kind - 2).picture());
    plant.tag.assign(1, '4');
}

void Mainfrm::DarkenPixel(double x, double y, double q) {
    Colour p = world.point(x, y);
    if (p < 0) return;
    world.setPixel(x, y, rgb(int(Int(redOf(p) / q)), int(Int(greenOf(p) / q)), int(Int(blueOf(p) / q))));
}

void Mainfrm::Crater(double cx, double R) {
    battle::Crater(state.Ground, cx, R, [&](double c, double old, double now) { DarkenRows(c, old, now); });
}

void Mainfrm::ClearTrees(double cx, double Q) { ClearTreesBetween(cx - Q, cx + Q); }

void Mainfrm::ClearTreesBetween(double left, double right) {
    for (auto& [j, plant] : strom.elements()) {
        double middle = plant->left() + plant->width() / 2;
        if (plant->visible() && left < middle && middle < right) plant->setVisible(false);
    }
}

bool Mainfrm::InTreeBox(const Image& tree, double x, double y, double below) {
    return tree.left() < x && x < tree.left() + tree.width() && tree.top() < y && y < tree.top() + tree.height() + below;
}

void Mainfrm::SettleTanks(bool withDamage, bool skipTeleported) {
    const int shooter = state.shooter();
    const bool teleported = skipTeleported && state.weapon(shooter) == weapon::Teleport;
    for (int p = 1; p <= 2; ++p) {
        if (teleported && p == shooter) continue;  // the jump costs no health
        battle::Place& tank = state.tank(p);
        const double top = battle::TankRestTop(state.Ground, tank.left);
        if (withDamage) state.health(p) -= battle::SettleLoss(top, tank.top);
        tank.top = top;
        (p == 1 ? tank1 : tank2).setTop(top);
    }
}

void Mainfrm::ReseatTrees() {
    for (auto& [j, plant] : strom.elements())
        if (plant->visible()) plant->setTop(state.Ground.at(plant->left() + plant->width() / 2) - plant->height());
}

void Mainfrm::ReseatBonus() {
    if (state.CrateFalling == True) return;
    state.CrateTop = state.Ground.at(state.CrateLeft + 16) - 32;
    bonuspic.setTop(state.CrateTop);
}

void Mainfrm::CrateExpiry() {
    if (state.BonusActive == True && state.BonusShotsLeft < 1) {
        state.BonusActive = False;
        bonuspic.setVisible(false);
    }
}

void Mainfrm::Aftermath() {
    SettleTanks(true, true);
    if (state.weapon(state.shooter()) != weapon::Drill) EndShot(ShotEnd::Spent);
    Resettle();
}

void Mainfrm::Resettle() {
    SettleTanks(false, false);
    ReseatTrees();
    ShowHealth1();
    ShowHealth2();
    ReseatBonus();
}

// The shell's flight is over: it leaves the field and the hand-over starts. A spent shell or one that hit a
// tank has used up the special weapon it was and ages the crate; a taken crate does neither (the crate is
// gone, and the weapon it gave waits in the slot for the next shot).
void Mainfrm::EndShot(ShotEnd why) {
    bullettimer.setEnabled(false);
    bullet.setVisible(false);
    topmark.setVisible(false);
    if (why != ShotEnd::CrateTaken) {
        ClearSpecialWeapon();
        CrateExpiry();
    }
    showit.setEnabled(true);
}

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
