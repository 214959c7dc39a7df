// The wind: drawn for every turn, shown as a word with an arrow of dashes.
#include <cmath>

#include "battle/simmath.h"
#include "battle/turn.h"
#include "game/mainfrm.h"
#include "game/gauges.h"
#include "game/netplay.h"
#include "platform/numtext.h"
#include "net/protocol.h"

namespace gv {

void Mainfrm::ChangeWind() {
    if (state.GameMode != mode::Joiner) state.Wind = battle::DrawWind(random);
    if (state.GameMode == mode::Host) netplay().SendMessage(netmsg::wind(int(state.Wind)));
    if (state.GameMode == mode::Joiner) state.Wind = float(leadingNumber(state.PeerWind));
    gauges().ShowWind();
}

void Gauges::ShowWind() {
    std::string text;
    const bool czech = g_.state.CzechUi == True;
    if (g_.state.Wind == 0) {
        text = czech ? "Bezvětří" : "Calm";
    } else {
        text = czech ? " Vítr " : " Wind ";
        std::string dashes(std::size_t(std::trunc(std::fabs(g_.state.Wind) / 2) + 1), '-');
        text = g_.state.Wind < 0 ? "<" + dashes + text : text + dashes + ">";
    }
    g_.wind.setCaption(text);
    g_.wind.setVisible(true);
    // With numbers on, its strength and sign under the arrow (the longest arrow fills the label's width).
    Label& number = *g_.x_.windNumber;
    FollowWind();
    number.setCaption((g_.state.Wind > 0 ? "+" : "") + std::to_string(int(g_.state.Wind)));
    number.setVisible(g_.x_.numbers);
}

}  // namespace gv
