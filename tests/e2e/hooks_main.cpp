// The game with a few extra keys for the end-to-end tests (this program is built for the tests only):
//   K  a landed pit crate right on player 1's tank and no wind, so a shot straight up takes it
//   P, M, N, Q  a pit, mound, nuke or quake shell into the slot of the player whose turn it is
//   U, V  the aim of the player whose turn it is: force 30 straight up, or force 60 at 50 degrees
//   H  the health of the player whose turn it is down to 5
#include "game/app.h"
#include "game/mainfrm.h"

int main(int argc, char** argv) {
    return gv::runGame(argc, argv, [](gv::Mainfrm& game) {
        auto normal = game.onKeyDown;
        game.onKeyDown = [&game, normal](int key, int shift) {
            auto arm = [&](int kind) {
                gv::Image& slot = game.Frame1.enabled() ? game.weapon1 : game.weapon2;
                slot.tag = std::to_string(kind);
                slot.setPicture(game.bonusvzor(kind).picture());
            };
            auto aim = [&](const char* force, const char* angle) {
                const bool first = game.Frame1.enabled();
                (first ? game.sila1 : game.sila2).setText(force);
                (first ? game.uhel1 : game.uhel2).setText(angle);
            };
            switch (key) {
                case 'K':
                    game.state.BonusActive = gv::True;
                    game.state.BonusShotsLeft = 5;
                    game.bonusfalltimer.setEnabled(false);
                    game.state.Wind = 0;  // no drift: the shot straight up comes down on the crate
                    game.bonuspic.setPicture(game.bonusvzor(3).picture());
                    game.bonuspic.tag.assign(1, '3');
                    game.bonuspic.setLeft(game.tank1.left() + 4);
                    game.ReseatBonus();
                    game.bonuspic.setVisible(true);
                    return;
                case 'P': arm(3); return;
                case 'M': arm(4); return;
                case 'N': arm(8); return;
                case 'Q': arm(9); return;
                case 'U': aim("30", "90"); return;
                case 'V': aim("60", "50"); return;
                case 'H': (game.Frame1.enabled() ? game.state.Health1 : game.state.Health2) = 5; return;
                default: normal(key, shift);
            }
        };
    });
}
