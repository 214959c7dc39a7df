// Network play: the host and the joiner, and the messages that keep both copies of the game in step.
#include "game/mainfrm.h"

namespace gv {

void Mainfrm::WireNetwork() {}
void Mainfrm::AfterBattlefieldBuilt() {}
void Mainfrm::AfterPeerShotDone() {}

}  // namespace gv
