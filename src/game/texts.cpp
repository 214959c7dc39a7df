// The window's texts in Czech and English, and switching between them while the game runs.
#include "game/levelspanel.h"
#include "game/helppanel.h"
#include "game/banner.h"
#include "game/gauges.h"
#include "game/mainfrm.h"

namespace gv {

namespace {
// A control's caption in both languages; the layout is made with the Czech one.
struct Text {
    const char* control;
    const char* czech;
    const char* english;
};
constexpr Text kTexts[] = {
    {"Command3", "Založit hru", "Host game"},
    {"Command4", "Připojit", "Join"},
    {"Command5", "Zpět", "Back"},
    {"InviteTitle", "Přes jakýkoli router", "Through any router"},
    {"Invite", "Pozvat", "Invite"},
    {"InviteCopy", "Kopírovat kód", "Copy code"},
    {"InviteUse", "Použít kód", "Use code"},
    {"Command6", "Zpět", "Back"},
    {"novahra", "Nová Hra", "New Game"},
    {"continue", "Pokračovat", "Continue"},
    {"endgame", "Konec", "Exit"},
    {"options", "Nastavení", "Options"},
    {"Option1", "2 hráči", "2 players"},
    {"Option3", "2 po síti", "2 overnet"},
    {"Label17", "stará jako PC samo", "old as PC itself"},
    {"Label14", "Programování...", "Programming..."},
    {"Label15", "Grafika...", "Artwork..."},
    {"Label16", "Zvuk...", "Sounds..."},
    {"watchlast", "Přehrát poslední bitvu", "Watch last battle"},
    {"Label1", "Síla:", "Force:"},
    {"Label3", "Síla:", "Force:"},
    {"Label2", "Úhel:", "Angle:"},
    {"Label4", "Úhel:", "Angle:"},
    {"Label9", "Zbraň:", "Weapon:"},
    {"Label10", "Zbraň:", "Weapon:"},
};
constexpr const char* kHostPrompt[] = {"Network name of hosting computer?", "Síťové jméno hostujícího počítače?"};
constexpr const char* kPastePrompt[] = {"Paste a code here", "Sem vložte kód"};
}  // namespace

void Mainfrm::ApplyLanguageTexts(bool czech) {
    const bool playAgain =
        novahra.caption() == Banner::PlayAgainText(!czech) || novahra.caption() == Banner::PlayAgainText(czech);
    for (const Text& t : kTexts) {
        Control* c = find(t.control);
        const char* text = czech ? t.czech : t.english;
        if (auto* b = dynamic_cast<Button*>(c)) b->setCaption(text);
        if (auto* l = dynamic_cast<Label*>(c)) l->setCaption(text);
        if (auto* o = dynamic_cast<OptionButton*>(c)) o->setCaption(text);
    }
    // Texts the game wrote itself change only while they still say what the game wrote: a host name the
    // player typed, or a banner with news, stays.
    if (compname.text() == kHostPrompt[czech ? 0 : 1]) compname.setText(kHostPrompt[czech ? 1 : 0]);
    if (InvitePaste.text() == kPastePrompt[czech ? 0 : 1]) InvitePaste.setText(kPastePrompt[czech ? 1 : 0]);
    if (playAgain) novahra.setCaption(Banner::PlayAgainText(czech));
    const std::string line = banner().BannerInLanguage(Label8(1).caption(), czech);
    if (bannerMoved_ && line != Label8(1).caption())
        banner().ShowMenuBanner(line);  // fitted again: the other language may need two lines, or one
    else
        for (int i : {0, 1}) Label8(i).setCaption(banner().BannerInLanguage(Label8(i).caption(), czech));
    if (wind.visible()) gauges().ShowWind();
    if (options_) options_->Refresh();
    help().FillHelp();
    levelsPanel().FillLevels();
    gauges().ShowSlots();
}

void Mainfrm::SetLanguage(const std::string& choice) {
    SaveSetting("language", choice);
    const bool czech = choice == "auto" ? czechInterface(desktop.languageSettings()) : choice == "cs";
    state.CzechUi = flag(czech);
    ApplyLanguageTexts(czech);
}

}  // namespace gv
