// The help panel: the keys and the pad, the aim, the wind, the crates and every special shell, in the
// menu's look. F1 or the menu's Help opens it; F1, Esc or Back closes it and the game goes on where it was.
#include <vector>

#include "battle/shells.h"
#include "game/mainfrm.h"
#include "game/helppanel.h"

namespace gv {

namespace {
constexpr int kHelpLines = 22;

std::vector<std::string> HelpText(bool cz) {
    std::vector<std::string> lines;
    if (cz)
        lines = {
            "Síla 0 až 200 a úhel 0 až 180: napište je, klikněte na šipky (klik o 1, dvojklik o 11),",
            "podržte šipku, kolečko myši nad polem, Nahoru/Dolů (síla) a Vlevo/Vpravo (hlaveň). Mezerník střílí.",
            "Úhel 0 míří na soupeře, 90 rovně vzhůru. Esc: pauza a menu. M: zvuk. F11: celá obrazovka.",
            "Gamepad: kříž nebo levá páčka míří, A střílí, Start otevře menu, B zpět.",
            "Vítr (šipka nahoře) strhává střelu po celý let; mění se každý tah.",
            "Bedna padá z nebe: zasáhněte ji a získáte zvláštní střelu nebo 250 zdraví.",
            "Zvláštní střely (jedna na tah, pak opět obyčejná):",
        };
    else
        lines = {
            "Force 0 to 200 and angle 0 to 180: type them, click the arrows (1 a click, 11 a double-click),",
            "hold an arrow, use the mouse wheel over a box, Up/Down (force) or Left/Right (barrel). Space fires.",
            "Angle 0 points at the opponent, 90 straight up. Esc: pause and menu. M: sound. F11: full screen.",
            "Game pad: the D-pad or left stick aims, A fires, Start opens the menu, B goes back.",
            "The wind (the arrow at the top) pushes the shell all through its flight; it changes every turn.",
            "A crate falls from the sky: hit it to win a special shell or 250 health.",
            "Special shells (one shot each, then the standard shell again):",
        };
    for (int kind = weapon::Teleport; kind < weapon::kKinds; ++kind) {
        const battle::ShellTraits& s = battle::Shell(kind);
        if (*s.english) lines.push_back(std::string(cz ? s.czech : s.english) + ": " + (cz ? s.czechWhat : s.englishWhat));
    }
    lines.push_back(cz ? "Slunce střelu pohltí, měsíc jde srazit, stromy se lámou."
                       : "The sun swallows shells, the moon can be shot down, trees break.");
    lines.push_back(cz ? "Po síti Enter nebo T píše druhému hráči (Esc zruší); Tab ukáže posledních pět zpráv."
                       : "Over the network Enter or T writes to the other player (Esc cancels); Tab shows the last five lines.");
    lines.push_back(cz ? "F1 nebo Esc zavře nápovědu." : "F1 or Esc closes the help.");
    return lines;
}
}  // namespace

void HelpPanel::BuildHelp() {
    Panel& panel = g_.create<Panel>(nullptr, "Frame7");
    panel.move(40, 24, 720, 552);
    g_.label(&panel, "helptitle", 0, 6, 720, 37, "Nápověda", 21.75).align = Align::Centre;
    for (int i = 0; i < kHelpLines; ++i) {
        Label& line = g_.label(&panel, "helpline", 24, 48 + 20 * i, 672, 20, "", 9.75, rgb(0, 255, 0), i);
        line.font.face = FontFace::Sans;
        g_.x_.helpLines.add(i, &line);
    }
    g_.button(&panel, "helpback", 232, 498, 257, 41, "Zpět").onClick = [this] { ShowHelp(false); };
    g_.image(&panel, "Image7", 0, 0, 720, 552, "Image3", true);
    g_.stackInFrontOf(panel, g_.Frame4);  // in front of every other panel
    panel.setVisible(false);
    // The menu's last row shares its place: Help beside Exit.
    Button& help = g_.button(&g_.Frame3, "helpbutton", 32, 288, 125, 41, "Nápověda");
    g_.stackInFrontOf(help, g_.endgame);
    g_.endgame.move(164, 288, 125, 41);
    help.onClick = [this] { ShowHelp(true); };
}

void HelpPanel::ShowHelp(bool show) {
    Panel& panel = g_.control<Panel>("Frame7");
    if (show == panel.visible()) return;
    if (show) {
        FillHelp();
        // A battle waits behind the help: its panels take no input until the help is closed.
        g_.x_.helpHeldBattle = g_.world.enabled();
        g_.world.setEnabled(false);
        g_.x_.helpDefaultBefore = g_.defaultButton();
        g_.control<Button>("helpback").setDefault(true);  // Enter closes it, and presses nothing behind
    } else {
        if (g_.x_.helpHeldBattle) g_.world.setEnabled(true);
        g_.x_.helpHeldBattle = false;
        if (g_.x_.helpDefaultBefore)
            g_.x_.helpDefaultBefore->setDefault(true);
        else
            g_.control<Button>("helpback").setDefault(false);
    }
    panel.setVisible(show);
}

void HelpPanel::FillHelp() {
    const bool cz = g_.state.CzechUi == True;
    const std::vector<std::string> text = HelpText(cz);
    for (int i = 0; i < kHelpLines; ++i) g_.x_.helpLines(i).setCaption(text[std::size_t(i)]);
    g_.control<Label>("helptitle").setCaption(cz ? "Nápověda" : "Help");
    g_.control<Button>("helpback").setCaption(cz ? "Zpět" : "Back");
    g_.control<Button>("helpbutton").setCaption(cz ? "Nápověda" : "Help");
}

std::string HelpPanel::ShellName(int kind, bool czech) {
    if (kind < 0 || kind >= weapon::kKinds) return "";
    return czech ? battle::Shell(kind).czech : battle::Shell(kind).english;
}

bool HelpPanel::HelpKey(int key) {
    const bool shown = g_.control<Panel>("Frame7").visible();
    if (key == Key::F1 || (shown && key == Key::Escape)) {
        ShowHelp(!shown);
        return true;
    }
    return shown;  // nothing else reaches the game while the help is up
}

}  // namespace gv
