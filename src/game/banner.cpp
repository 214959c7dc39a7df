// The banner: "Creating game..." over the battlefield while it is built, a word below the menu when a
// battle or a link ends.
#include "game/levelspanel.h"
#include "game/mainfrm.h"
#include "game/banner.h"
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

const char* Banner::CreatingGameText(bool czech) { return czech ? "Vytvářím hru..." : "Creating game..."; }

const char* Banner::PlayAgainText(bool czech) { return czech ? "Hrát znovu" : "Play again"; }

std::string Banner::ConnectedText(bool czech, const std::string& how, bool host) {
    std::string kind;
    if (how == "direct") kind = czech ? " (přímo)" : " (direct)";
    if (how == "hole-punched") kind = czech ? " (přes router)" : " (through the router)";
    if (how == "relayed") kind = czech ? " (přes relay)" : " (relayed)";
    if (host) return (czech ? "Připojeno" : "Connected") + kind;
    return czech ? "Připojeno" + kind + "; čekám, až hostitel začne hru" : "Connected" + kind + "; waiting for the host to start";
}

std::string Banner::BannerInLanguage(const std::string& text, bool czech) const {
    const std::string& how = g_.net().iceHow;
    for (bool host : {false, true})
        if (text == ConnectedText(!czech, how, host)) return ConnectedText(czech, how, host);
    if (text == g_.x_.resultLine[!czech]) return g_.x_.resultLine[czech];
    return text == CreatingGameText(!czech) ? CreatingGameText(czech) : text;
}

void Banner::ShowMenuBanner(const std::string& text, bool small) {
    if (!g_.bannerMoved_) {
        // A note passing over the banner is not what it says: the words under the note come back later.
        const bool note = !g_.x_.note.empty() && g_.Label8(1).caption() == g_.x_.note;
        for (int i : {0, 1}) g_.bannerBefore_[i] = {note ? g_.x_.noteBefore[i] : g_.Label8(i).caption(), g_.Label8(i).foreColour};
    }
    Font one = g_.Label8(1).font;
    one.points = kMenuBannerPoints[1];
    const bool twoLines = !small && g_.textWidth(one, text) > g_.Label8(1).width() - 10;
    for (int i : {0, 1}) {
        g_.Label8(i).font.points = small ? kSmallBannerPoints[i] : twoLines ? kTwoLinePoints : kMenuBannerPoints[i];
        g_.Label8(i).setHeight(small || twoLines ? kTwoLineHeight : kBannerHeight);
    }
    g_.Label8(0).foreColour = rgb(64, 64, 64);
    g_.Label8(1).foreColour = rgb(255, 255, 0);
    g_.Label8(1).setTop(kMenuBannerTop);
    g_.Label8(0).setTop(kMenuBannerShadowTop);
    for (int i : {0, 1}) {
        g_.Label8(i).setCaption(text);
        g_.Label8(i).setVisible(true);
    }
    g_.bannerMoved_ = true;
}

bool Banner::BannerUnderPanel() const {
    const Label& b = g_.Label8(1);
    return g_.panelOver(b.left(), b.top(), b.width(), b.height());
}

void Banner::PlaceBanner(bool belowMenu) {
    g_.Label8(1).setTop(belowMenu ? kMenuBannerTop : kBannerTop);
    g_.Label8(0).setTop(belowMenu ? kMenuBannerShadowTop : kBannerShadowTop);
}

// Who won, in the words of the game's mode: at one computer by player number, over the network from the
// view of the player at this computer, against the computer with its level after the score (the score is
// against that level), and a duel of two computers by the winning level.
std::string Banner::ResultText(int winner, const std::string& score, bool cz) const {
    const char* you = cz ? "Vyhrál jsi" : "You win";
    if (g_.state.GameMode == mode::Computer) {
        const bool duel = g_.ComputerPlays(1);
        const std::string level = " vs. " + g_.levelsPanel().LevelName(g_.ComputerLevel(2), cz);
        if (winner == 0) return (cz ? "Oba tanky zničeny" : "Both tanks destroyed") + score + (duel ? "" : level);
        const std::string winning = g_.levelsPanel().LevelName(g_.ComputerLevel(winner), cz);
        if (duel) return (cz ? "Vítěz: " + winning : winning + " wins") + score;
        return (winner == 1 ? you : cz ? "Vyhrál počítač" : "The computer wins") + score + level;
    }
    if (winner == 0) return (cz ? "Oba tanky zničeny" : "Both tanks destroyed") + score;
    if (g_.state.GameMode == mode::Host || g_.state.GameMode == mode::Joiner)
        return (winner != g_.PeerPlayer() ? you : cz ? "Prohrál jsi" : "You lose") + score;
    return (cz ? "Vyhrál hráč " + std::to_string(winner) : "Player " + std::to_string(winner) + " wins") + score;
}

void Banner::ShowBattleResult() {
    const bool cz = g_.state.CzechUi == True;
    const bool lost1 = g_.state.Health1 < 1, lost2 = g_.state.Health2 < 1;
    if (!lost1 && !lost2) return;
    const int winner = lost1 && lost2 ? 0 : lost1 ? 2 : 1;
    const std::string score = CountScore(winner);
    // After a result the menu's first button plays the next battle in the same mode, Enter included.
    if (!g_.Watching() && g_.novahra.enabled()) {
        g_.novahra.setCaption(PlayAgainText(cz));
        g_.novahra.setDefault(true);
    }
    // Kept in both languages: a language chosen while it shows turns it round.
    for (bool czech : {false, true}) g_.x_.resultLine[czech] = ResultText(winner, score, czech);
    ShowMenuBanner(g_.x_.resultLine[cz]);
}

void Banner::RestoreBanner() {
    if (!g_.bannerMoved_) return;
    g_.bannerMoved_ = false;
    g_.Label8(1).setTop(kBannerTop);
    g_.Label8(0).setTop(kBannerShadowTop);
    g_.Label8(0).setVisible(false);
    g_.Label8(1).setVisible(false);
    // The joiner's battles keep the banner as New Game last set it (a language chosen meanwhile counts).
    const bool cz = g_.state.CzechUi == True;
    for (int i : {0, 1}) {
        g_.Label8(i).font.points = kBannerPoints[i];
        g_.Label8(i).setHeight(kBannerHeight);
        g_.Label8(i).setCaption(BannerInLanguage(g_.bannerBefore_[i].first, cz));
        g_.Label8(i).foreColour = g_.bannerBefore_[i].second;
    }
}

}  // namespace gv
