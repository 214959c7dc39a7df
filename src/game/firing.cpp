// Firing a shell and handing the turn over: the panels slide out, the shell flies, a new wind, the arrow,
// perhaps a crate, the panels slide back and the next player is armed.
#include <cmath>

#include "battle/aim.h"
#include "battle/effects.h"
#include "battle/geometry.h"
#include "battle/shells.h"
#include "battle/shot.h"
#include "battle/simmath.h"
#include "battle/turn.h"
#include "computer/player.h"
#include "game/banner.h"
#include "game/gauges.h"
#include "game/mainfrm.h"
#include "game/records.h"
#include "game/netplay.h"
#include "platform/numtext.h"
#include "net/protocol.h"

namespace gv {

// The player's button, key or pad: what its boxes say is fired.
void Mainfrm::FireTank(int player) {
    Fire(player, battle::Aim((player == 1 ? sila1 : sila2).text(), (player == 1 ? uhel1 : uhel2).text()));
}

void Mainfrm::Fire(int player, const battle::Aim& aim) {
    // Aim and fire act only on a live battle in front of the player.
    if (state.BattleOver == True) return;
    const bool one = player == 1;
    (one ? sila1 : sila2).setText(aim.force);  // a shot from elsewhere shows in the boxes
    (one ? uhel1 : uhel2).setText(aim.angle);
    if (!passing_) records().RecordFire(player, aim);

    // The crate's fall follows each machine's clock: seated at once, both copies agree it can be hit.
    if (Networked() && state.CrateFalling == True) {
        SetCrateFalling(false);
        battle::SeatCrate(state);
        bonuspic.setTop(state.CrateTop);
    }
    battle::FireShell(state, player, aim.forceValue(), aim.angleValue());
    bullet.setLeft(state.ShellX - bullet.width() / 2);
    bullet.setTop(state.ShellY - bullet.height() / 2);
    bullet.setVisible(!passing_);
    if (!passing_) gauges().StartTrace(one ? 1 : 2);

    if (one) {
        Frame1.setEnabled(false);
        Command1.setEnabled(false);
        Command1.setPicture(fbutt2.picture());
    } else {
        Command2.setPicture(fbutt2.picture());
    }
    Frame2.setEnabled(false);
    Command2.setEnabled(false);
    arrow.setVisible(false);
    if (ComputerPlays(player)) hmm.setVisible(false);

    if (!passing_) PlayEffect(effect::Fire);
    hideit.setEnabled(true);
    if ((one && state.GameMode == mode::Host) || (!one && state.GameMode == mode::Joiner))
        netplay().SendMessage(netmsg::shot(aim.force, aim.angle));
}

void Mainfrm::FireTank1() { FireTank(1); }
void Mainfrm::FireTank2() { FireTank(2); }

void Mainfrm::hideit_Timer() {
    const bool out = battle::PanelsOut(state);
    Frame1.setLeft(state.Panels);
    Frame2.setLeft(Frame2.left() + battle::kPanelStep);
    wind.setTop(wind.top() - 2);
    gauges().FollowWind();
    if (out) {
        hideit.setEnabled(false);
        if (passing_) {
            // A turn passed: no shell, straight on to the next turn; a crate ages as after a shot.
            passing_ = false;
            battle::AgeCrate(state);
            bonuspic.setVisible(state.BonusActive == True);
            showit.setEnabled(true);
            return;
        }
        // The shooter holds the armour-piercing shell: its own whistle.
        PlayEffect(battle::Shell(state.weapon(state.shooter())).launchSound);
        bullettimer.setEnabled(true);
    }
}

void Mainfrm::showit_Timer() {
    if (HandOverPhase() == HandOver::Report) {
        if (Networked()) {
            showit.setEnabled(false);
            SetHandOverPhase(HandOver::Arrow);
            netplay().SendMessage(netmsg::plain(NetMessage::ShotDone));
            if (!WaitInBattle([&] { return state.PeerShotDone == True; }, true)) return;
            state.PeerShotDone = False;
            netplay().AfterPeerShotDone();
            records().RecordHandOver();
            showit.setEnabled(true);
            if (state.GameMode == mode::Host) ChangeWind();
        } else {
            records().RecordHandOver();
            SetHandOverPhase(HandOver::Arrow);
            ChangeWind();
        }
        return;
    }
    if (HandOverPhase() == HandOver::Arrow) {
        if (!tankexpl.enabled()) PlayEffect(effect::Fire);
        gauges().ShowTurnArrow();
        const std::uint32_t battle = state.BattleNumber;
        PlaceBonus();
        if (battle != state.BattleNumber) return;  // the crate wait ended with a new battle
        SetHandOverPhase(HandOver::Slide);
    }
    const bool home = battle::PanelsHome(state);
    Frame1.setLeft(state.Panels);
    Frame2.setLeft(Frame2.left() - battle::kPanelStep);
    wind.setTop(wind.top() + 2);
    gauges().FollowWind();
    if (home) {
        showit.setEnabled(false);
        SetHandOverPhase(HandOver::Report);
        StartTurn();
        recorder_.TurnArmed();
    }
}

void Mainfrm::StartTurn() {
    // A finished battle arms nobody: it cannot be resumed or shot into.
    if (state.BattleOver == True) return;
    if (state.TurnPlayer == 1) {
        Command1.setPicture(fbutt1.picture());
        if (state.GameMode == mode::Joiner) return;
        if (ComputerPlays(1)) return aitimer.setEnabled(true);
        Frame1.setEnabled(true);
        Command1.setEnabled(true);
    } else {
        Command2.setPicture(fbutt1.picture());
        if (state.GameMode == mode::Host) return;
        if (state.GameMode != mode::Computer) Frame2.setEnabled(true);
        Command2.setEnabled(true);
        if (state.GameMode == mode::Computer) aitimer.setEnabled(true);
    }
}

// The practice target's turn, or an expert's that finds no shot it would risk: the panels go out and
// back as after a shot, but no shell flies.
void Mainfrm::PassTurn(int player) {
    computer().thought.passed = true;
    if (state.TurnPlayer != player || state.BattleOver == True) return;
    const bool cz = state.CzechUi == True;
    if (ComputerLevel(player) == level::Practice)
        banner().ShowNote(cz ? "Cvičný cíl nestřílí" : "The practice target holds its fire", 1500);
    else
        banner().ShowNote(cz ? "Počítač čeká" : "The computer holds its fire", 1500);
    passing_ = true;
    FireTank(player);
}

}  // namespace gv
