// The game's window as the table a record is played on.
#include "game/levelspanel.h"
#include "game/mainfrm.h"
#include "game/netplay.h"
#include "game/playback.h"
#include "game/records.h"
#include "net/link.h"

namespace gv {

EventLoop& WindowTable::loop() { return g_.loop(); }
replay::BattleRecorder& WindowTable::recorder() { return g_.recorder(); }
void WindowTable::SeedsFrom(std::function<std::string()> seeds) { g_.seedFromClock = std::move(seeds); }

void WindowTable::Begin(const replay::Record& r, const std::function<void()>& standIn) {
    g_.Frame5.setVisible(false);
    g_.state.HellMode = flag(r.hell);
    g_.state.HellVariant = flag(r.hellVariant);
    switch (r.mode) {
        case mode::HotSeat:
        case mode::Computer:
            levelsBefore_ = {g_.ComputerLevel(1), g_.ComputerLevel(2)};
            g_.SetLevels(LevelsPanel::LevelNamed(r.players[0]), LevelsPanel::LevelNamed(r.players[1]));
            (r.mode == mode::HotSeat ? g_.Option1 : g_.Option2).setValue(true);
            g_.random.setState(r.random);
            g_.novahra_Click();
            break;
        case mode::Host:
            g_.Option3.setValue(true);
            g_.records().OpenStandInLink(true);
            standIn();
            g_.novahra_Click();
            break;
        default:
            g_.Option3.setValue(true);
            g_.records().OpenStandInLink(false);
            standIn();
            g_.netplay().TakeBytes(WriteNetMessage(netmsg::battle(r.seed)) + "\n");
            break;
    }
}

void WindowTable::Restore() {
    if (g_.Networked()) g_.records().CloseStandInLink();
    if (levelsBefore_[1] != level::Human) g_.SetLevels(levelsBefore_[0], levelsBefore_[1]), levelsBefore_ = {};
}

bool WindowTable::Armed(int player) const {
    return g_.state.WorldBusy == False && g_.state.BattleOver == False && g_.state.TurnPlayer == player &&
           (player == 1 ? g_.Command1 : g_.Command2).enabled() && !g_.hideit.enabled() && !g_.showit.enabled() &&
           !g_.bullettimer.enabled();
}

const battle::State& WindowTable::battle() const { return g_.state; }
double WindowTable::CrateDue() const { return g_.bonusfalltimer.due(); }
int WindowTable::CrateInterval() const { return g_.bonusfalltimer.interval(); }
void WindowTable::Fire(int player, const battle::Aim& aim) { g_.Fire(player, aim); }
void WindowTable::Receive(const std::string& line) { g_.netplay().TakeBytes(line + "\n"); }
long long WindowTable::LinkBattles() const { return g_.net().battles; }

}  // namespace gv

namespace gv::replay {

Verdict VerifyFile(const std::string& path, const std::function<void(Mainfrm&)>& prepare) {
    return VerifyFile(path, TableMaker([&](EventLoop& loop) {
                          struct Unseen {
                              Desktop desktop;  // no folder: the battle computed again is not recorded anew
                              std::unique_ptr<Mainfrm> game;
                          };
                          auto u = std::make_shared<Unseen>();
                          u->desktop.languageSettings = [] { return LanguageSettings{{"en_US"}, "", {}}; };
                          u->game = std::make_unique<Mainfrm>(loop, u->desktop);
                          u->game->sound.setSilent(true);
                          u->game->world.setUnseen(true);  // nobody looks: no pixels, and no sky unpacked for a hell
                          if (prepare) prepare(*u->game);
                          // No start-up: its intro sky is for people, and the record sets the generator itself.
                          return std::shared_ptr<Table>(u, &u->game->table());
                      }));
}

}  // namespace gv::replay
