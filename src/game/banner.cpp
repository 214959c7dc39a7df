// The banner: "Creating game..." over the battlefield while it is built, a word below the menu when a
// battle or a link ends.
#include "game/levelspanel.h"
#include "game/mainfrm.h"
#include "game/netplay.h"

namespace gv {

namespace {
constexpr double kMenuBannerTop = 518, kMenuBannerShadowTop = 520;
// The banner's type over the battlefield (the shadow a little smaller), and below the menu: shadow and text
// alike, so a long reason wraps the same in both; the small one fits a path, two lines of 72 characters.
constexpr double kBannerPoints[2] = {35.25, 36}, kMenuBannerPoints[2] = {36, 36}, kSmallBannerPoints[2] = {12, 12};
// The band below the menu holds one line of 36 points or two of 24; the banner over the battlefield is one
// line high.
constexpr double kTwoLinePoints = 24, kTwoLineHeight = 80;
}  // namespace

const char* Mainfrm::CreatingGameText(bool czech) { return czech ? "Vytvářím hru..." : "Creating game..."; }

const char* Mainfrm::PlayAgainText(bool czech) { return czech ? "Hrát znovu" : "Play again"; }

const char* Mainfrm::ConnectedText(bool czech) {
    return czech ? "Připojeno; čekám, až hostitel začne hru" : "Connected; waiting for the host to start";
}

std::string Mainfrm::BannerInLanguage(const std::string& text, bool czech) const {
    if (text == ConnectedText(!czech)) return ConnectedText(czech);
    if (text == x_.resultLine[!czech]) return x_.resultLine[czech];
    return text == CreatingGameText(!czech) ? CreatingGameText(czech) : text;
}

void Mainfrm::ShowMenuBanner(const std::string& text, bool small) {
    if (!bannerMoved_) {
        // A note passing over the banner is not what it says: the words under the note come back later.
        const bool note = !x_.note.empty() && Label8(1).caption() == x_.note;
        for (int i : {0, 1}) bannerBefore_[i] = {note ? x_.noteBefore[i] : Label8(i).caption(), Label8(i).foreColour};
    }
    Font one = Label8(1).font;
    one.points = kMenuBannerPoints[1];
    const bool twoLines = !small && textWidth(one, text) > Label8(1).width() - 10;
    for (int i : {0, 1}) {
        Label8(i).font.points = small ? kSmallBannerPoints[i] : twoLines ? kTwoLinePoints : kMenuBannerPoints[i];
        Label8(i).setHeight(small || twoLines ? kTwoLineHeight : kBannerHeight);
    }
    Label8(0).foreColour = rgb(64, 64, 64);
    Label8(1).foreColour = rgb(255, 255, 0);
    Label8(1).setTop(kMenuBannerTop);
    Label8(0).setTop(kMenuBannerShadowTop);
    for (int i : {0, 1}) {
        Label8(i).setCaption(text);
        Label8(i).setVisible(true);
    }
    bannerMoved_ = true;
}

bool Mainfrm::BannerUnderPanel() const {
    const Label& b = Label8(1);
    return panelOver(b.left(), b.top(), b.width(), b.height());
}

void Mainfrm::PlaceBanner(bool belowMenu) {
    Label8(1).setTop(belowMenu ? kMenuBannerTop : kBannerTop);
    Label8(0).setTop(belowMenu ? kMenuBannerShadowTop : kBannerShadowTop);
}

// Who won, in the words of the game's mode: at one computer by player number, over the network from the
// view of the player at this computer, against the computer with its level after the score (the score is
// against that level), and a duel of two computers by the winning level.
std::string Mainfrm::ResultText(int winner, const std::string& score, bool cz) const {
    const char* you = cz ? "Vyhrál jsi" : "You win";
    if (state.GameMode == mode::Computer) {
        const bool duel = ComputerPlays(1);
        const std::string level = " vs. " + levelsPanel().LevelName(ComputerLevel(2), cz);
        if (winner == 0) return (cz ? "Oba tanky zničeny" : "Both tanks destroyed") + score + (duel ? "" : level);
        const std::string winning = levelsPanel().LevelName(ComputerLevel(winner), cz);
        if (duel) return (cz ? "Vítěz: " + winning : winning + " wins") + score;
        return (winner == 1 ? you : cz ? "Vyhrál počítač" : "The computer wins") + score + level;
    }
    if (winner == 0) return (cz ? "Oba tanky zničeny" : "Both tanks destroyed") + score;
    if (state.GameMode == mode::Host || state.GameMode == mode::Joiner)
        return (winner != PeerPlayer() ? you : cz ? "Prohrál jsi" : "You lose") + score;
    return (cz ? "Vyhrál hráč " + std::to_string(winner) : "Player " + std::to_string(winner) + " wins") + score;
}

void Mainfrm::ShowBattleResult() {
    const bool cz = state.CzechUi == True;
    const bool lost1 = state.Health1 < 1, lost2 = state.Health2 < 1;
    if (!lost1 && !lost2) return;
    const int winner = lost1 && lost2 ? 0 : lost1 ? 2 : 1;
    const std::string score = CountScore(winner);
    // After a result the menu's first button plays the next battle in the same mode, Enter included.
    if (!Watching() && novahra.enabled()) {
        novahra.setCaption(PlayAgainText(cz));
        novahra.setDefault(true);
    }
    // Kept in both languages: a language chosen while it shows turns it round.
    for (bool czech : {false, true}) x_.resultLine[czech] = ResultText(winner, score, czech);
    ShowMenuBanner(x_.resultLine[cz]);
}

void Mainfrm::RestoreBanner() {
    if (!bannerMoved_) return;
    bannerMoved_ = false;
    Label8(1).setTop(kBannerTop);
    Label8(0).setTop(kBannerShadowTop);
    Label8(0).setVisible(false);
    Label8(1).setVisible(false);
    // The joiner's battles keep the banner as New Game last set it (a language chosen meanwhile counts).
    const bool cz = state.CzechUi == True;
    for (int i : {0, 1}) {
        Label8(i).font.points = kBannerPoints[i];
        Label8(i).setHeight(kBannerHeight);
        Label8(i).setCaption(BannerInLanguage(bannerBefore_[i].first, cz));
        Label8(i).foreColour = bannerBefore_[i].second;
    }
}

}  // namespace gv
