#include "replay/referee.h"

#include <cmath>

#include "battle/hash.h"
#include "battle/kinds.h"
#include "battlefield/world.h"
#include "net/protocol.h"
#include "platform/numtext.h"

namespace gv::replay {

// What a shot does is all in the state: nothing to show, no peer to wait for.
class Referee::View final : public battle::ShotView {
public:
    explicit View(Referee& r) : r_(r) {}
    void Sound(int) override {}
    void Flash(double, double, double) override {}
    void ShellHidden() override {}
    void Dug(double, double, double) override {}
    void Marked(double, double, double) override {}
    void Raised(double, double, const battle::Earth&) override {}
    void TreesChanged() override {}
    void TankJumped(int) override {}
    void Settled() override {}
    void MoonStruck() override { r_.moon_.setEnabled(true); }
    void CrateTaken(int) override {}
    void ShotOver(battle::ShotEnd) override { r_.EndShot(); }
    void BattleMayEnd() override { r_.CheckBattleEnd(); }
    // The game lets its other timers tick between the leveller's columns: so does this clock.
    void Cutting() override { r_.loop_.pumpEvents(); }
    bool QuakeSeeded() override { return r_.QuakeSeeded(); }
    bool Left() override { return false; }

private:
    Referee& r_;
};

Referee::Referee(EventLoop& loop)
    : loop_(loop),
      showit_(loop, "showit", int(battle::HandOver::Report)),
      hideit_(loop, "hideit", battle::kTickMs),
      ai_(loop, "aitimer", battle::kComputerWaitMs),
      crate_(loop, "bonusfalltimer", battle::kTickMs),
      explosion_(loop, "tankexpl", battle::kTickMs),
      shell_(loop, "bullettimer", battle::kTickMs),
      moon_(loop, "moonfalltimer", battle::kTickMs),
      heldShot_(loop, "netshot", 10),
      computer_(s_, random_, *this) {
    showit_.onTimer = [this] { HandOver(); };
    hideit_.onTimer = [this] { SlideOut(); };
    ai_.onTimer = [this] {
        ai_.setEnabled(false);  // one tick per turn
        if (!busy_) computer_.ComputerTurn();
    };
    crate_.onTimer = [this] {
        if (!battle::CrateFall(s_)) crate_.setEnabled(false);
    };
    explosion_.onTimer = [this] {
        if (!battle::ExplosionTick(s_, random_, [](int) {})) explosion_.setEnabled(false);
    };
    shell_.onTimer = [this] { ShellTick(); };
    view_ = std::make_unique<View>(*this);
    moon_.onTimer = [this] {
        if (!battle::MoonFall(s_)) moon_.setEnabled(false);
    };
    heldShot_.onTimer = [this] { CheckHeldShot(); };
}

Referee::~Referee() = default;

void Referee::Stop() {
    over_ = true;
    for (Timer* t : {&showit_, &hideit_, &ai_, &crate_, &explosion_, &shell_, &moon_, &heldShot_}) t->setEnabled(false);
}

void Referee::Begin(const replay::Record& r, const std::function<void()>&) {
    s_ = {};
    s_.HellMode = flag(r.hell);
    s_.HellVariant = flag(r.hellVariant);
    mode_ = r.mode;
    peer_ = {};
    busy_ = true;
    armed_ = {};
    levels_ = {level::Human, level::Human};
    computerBattle_ = r.mode == mode::Computer;
    if (computerBattle_) levels_ = {level::Named(r.players[0]), level::Named(r.players[1])};
    replay::Record header;
    header.game = r.game;
    header.mode = r.mode;
    if (Networked()) {
        // Both copies draw from the host's seed, which the host takes from its clock.
        header.seed = mode_ == mode::Host && seeds_ ? seeds_() : r.seed;
        random_.reset();
        random_.seed(leadingNumber(header.seed));
    } else {
        random_.setState(r.random);
    }
    if (r.mode == mode::Computer)
        for (std::size_t p : {0u, 1u}) header.players[p] = levels_[p] == level::Human ? "human" : level::kLevels[levels_[p]].word;
    header.hell = r.hell;
    header.hellVariant = r.hellVariant;
    header.random = random_.state();
    recorder_.Begin(std::move(header), loop_.now());

    battlefield::BuildUnseen(s_, random_);
    if (!BattlefieldDrawn()) return;
    if (mode_ != mode::Joiner) s_.Wind = battle::DrawWind(random_);
    if (mode_ == mode::Host) Send(netmsg::wind(int(s_.Wind)));
    battlefield::SeatAndArm(s_);
    armed_[0] = !Plays(1) && mode_ != mode::Joiner;
    busy_ = false;
    if (Plays(1)) ai_.setEnabled(true);  // two computers: the first begins
    if (Networked()) {
        SendHash();
        CheckHeldShot();
    }
    HandOverRecorded();
    recorder_.TurnArmed();
}

bool Referee::Armed(int player) const {
    return !busy_ && s_.BattleOver == False && s_.TurnPlayer == player && armed_[std::size_t(player - 1)] && !hideit_.enabled() &&
           !showit_.enabled() && !shell_.enabled();
}

void Referee::Fire(int player, const battle::Aim& aim, bool passing) {
    if (s_.BattleOver == True || over_) return;
    if (!passing) recorder_.Add(FireEvent(player, aim, s_, !Networked()), loop_.now());
    if (Networked()) peer_.shotWind = s_.Wind;
    // Over the network a falling crate is seated at once: each copy's fall follows its own clock.
    if (Networked() && s_.CrateFalling == True) {
        s_.CrateFalling = False;
        crate_.setEnabled(false);
        battle::SeatCrate(s_);
    }
    battle::FireShell(s_, player, aim.forceValue(), aim.angleValue());
    armed_ = {};
    hideit_.setEnabled(true);
    if (Networked() && player != PeerPlayer()) Send(netmsg::shot(aim.force, aim.angle));
}

// The state's hash after a hand-over, and the battle's end once it is over.
void Referee::HandOverRecorded() { recorder_.AddHandOver(battle::Hash(s_, peer_.shotWind) & kHashMask, s_, loop_.now()); }

// The computer holds its fire: the panels go out and back as after a shot, with no shell.
void Referee::Pass(int player) {
    if (s_.TurnPlayer != player || s_.BattleOver == True) return;
    passing_ = true;
    Fire(player, battle::Aim("0", "0"), true);  // launched only to hand the turn on: no shell flies
}

bool Referee::Wait(const std::function<bool()>& done) { return WaitFor(done); }

bool Referee::WaitFor(const std::function<bool()>& done) {
    loop_.waitUntil([&] { return over_ || done(); });
    return !over_;
}

bool Referee::Think() {
    loop_.pumpEvents();
    return true;
}

// The panels leave; once they are out of sight the shell flies (a turn passed: the crate ages, and the
// panels come back).
void Referee::SlideOut() {
    if (!battle::PanelsOut(s_)) return;
    hideit_.setEnabled(false);
    if (passing_) {
        passing_ = false;
        battle::AgeCrate(s_);
        showit_.setEnabled(true);
        return;
    }
    shell_.setEnabled(true);
}

void Referee::ShellTick() {
    if (battle::ShellTick(s_, random_, *view_) != battle::Tick::Moved) return;
    CheckBattleEnd();
}

void Referee::CheckBattleEnd() {
    if (battle::BattleEnds(s_)) explosion_.setEnabled(true);
}

void Referee::EndShot() {
    shell_.setEnabled(false);
    showit_.setEnabled(true);
}

void Referee::SetPhase(battle::HandOver phase) {
    phase_ = phase;
    showit_.setInterval(int(phase));
}

// The hand-over: the state's hash and a new wind at once, the crate a second later, then the panels
// come back and the next player is armed.
void Referee::HandOver() {
    using battle::HandOver;
    if (phase_ == HandOver::Report) {
        SetPhase(HandOver::Arrow);
        if (Networked() && !ShotDoneOnBothSides()) return;
        HandOverRecorded();
        if (mode_ != mode::Joiner) s_.Wind = battle::DrawWind(random_);
        if (mode_ == mode::Host) Send(netmsg::wind(int(s_.Wind)));
        return;
    }
    if (phase_ == HandOver::Arrow) {
        if (s_.BonusActive == False) {
            battle::Crate crate;
            if (mode_ == mode::Joiner) {
                if (!CrateFromHost(crate)) return;
            } else {
                crate = battle::DrawCrate(s_, random_);
                if (mode_ == mode::Host) Send(netmsg::crate(crate.kind, int(crate.shots), int(crate.left)));
            }
            battle::DropCrate(s_, crate);
            crate_.setEnabled(true);
        }
        SetPhase(HandOver::Slide);
    }
    if (!battle::PanelsHome(s_)) return;
    showit_.setEnabled(false);
    SetPhase(HandOver::Report);
    StartTurn();
    recorder_.TurnArmed();
}

// The next player's turn: a person's fire button, or the computer's thought after a moment (against the
// computer its side's button stays live: the person may fire it for it).
void Referee::StartTurn() {
    if (s_.BattleOver == True) return;
    const int player = int(s_.TurnPlayer);
    if (Networked() && player == PeerPlayer()) return;  // its shot comes from the peer
    if (player == 1 && Plays(1)) return ai_.setEnabled(true);
    armed_[std::size_t(player - 1)] = true;
    if (player == 2 && computerBattle_) ai_.setEnabled(true);
}

}  // namespace gv::replay
