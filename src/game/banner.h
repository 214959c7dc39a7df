#pragma once
// The banner over the battlefield and below the menu: the words of a battle's start and end with the
// score, a short note, and a word to the player when a link ends.
#include <string>

#include "battle/kinds.h"
#include "game/windowpart.h"

namespace gv {

class Mainfrm;

class Banner : public WindowPart {
public:
    using WindowPart::WindowPart;

    // A short note on the banner for `ms`; what the banner said before comes back after it.
    void ShowNote(const std::string& text, int ms);
    // The banner below the menu: a word to the player when a battle or a link ends. New Game puts the
    // banner back over the battlefield.
    // `small`: in a small font, for a long text such as a file's path.
    void ShowMenuBanner(const std::string& text, bool small = false);
    void RestoreBanner();
    // Whether a panel shown over the battlefield (the menu, the options) covers the banner; the banner
    // below the menu or back in its place over the battlefield, as it says.
    bool BannerUnderPanel() const;
    void PlaceBanner(bool belowMenu);
    // The banner's text while a battlefield is built, and its place over the battlefield (its shadow
    // two pixels lower).
    static const char* CreatingGameText(bool czech);
    static constexpr int kBannerTop = 264, kBannerShadowTop = 266, kBannerHeight = 57;
    // The joiner's word below the menu while it waits for the host's first battle.
    // What the menu says while a link waits for its first battle: the joiner waits for the host. A link
    // over ICE says how it runs (`how` as the stream tells it), for the host too.
    static std::string ConnectedText(bool czech, const std::string& how = "", bool host = false);
    // The menu's first button after a result.
    static const char* PlayAgainText(bool czech);
    // The banner's words in the language chosen: "Creating game...", the joiner's "Connected" and the last
    // result line are the game's own and are translated, any news stays as it is.
    std::string BannerInLanguage(const std::string& text, bool czech) const;
    // The result line of a battle that has ended, in the current language.
    void ShowBattleResult();
    // The words of that line for `winner` (0: both tanks lost), with the score.
    std::string ResultText(int winner, const std::string& score, bool czech) const;
    // Counts the battle that just ended for `winner` (0: both tanks lost) and gives ", A : B" to add to the
    // result line.
    std::string CountScore(int winner);
};

}  // namespace gv
