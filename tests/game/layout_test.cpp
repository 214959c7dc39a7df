// The window as it stands before any game code runs: its size, its start states, and every text in its place.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "../support/screenfonts.h"
#include "game/helppanel.h"
#include "game/banner.h"
#include "game/gauges.h"
#include "game/mainfrm.h"

namespace gv {
namespace {

struct LayoutTest : ::testing::Test {
    EventLoop loop;
    Mainfrm f{loop};
};

// Boxes as the original game placed them, each with its text's size, that the game keeps at its defaults.
// clang-format off
struct Box { const char* name; double l, t, w, h, pt; };
constexpr Box kOriginal[] = {
    {"Label1", 8, 1, 73, 17, 9.75},       {"sila1", 8, 17, 57, 37, 21.75},      {"s1up", 65, 17, 16, 16, 0},
    {"s1down", 65, 38, 16, 16, 0},        {"uhel1", 88, 17, 57, 37, 21.75},     {"Label9", 168, 1, 57, 17, 9.75},
    {"Label3", 216, 1, 73, 17, 9.75},     {"sila2", 216, 17, 57, 37, 21.75},    {"Label4", 136, 1, 73, 17, 9.75},
    {"uhel2", 136, 17, 57, 37, 21.75},    {"Label10", 80, 1, 57, 17, 9.75},     {"wind", 296, 8, 209, 17, 11.25},
    {"Label13", 16, 8, 73, 17, 12},       {"Label17", 56, 24, 257, 25, 18},     {"Label14", 16, 64, 153, 17, 12},
    {"Label20", 144, 72, 169, 25, 18},    {"Label15", 16, 80, 113, 17, 12},     {"Label19", 104, 88, 193, 25, 20.25},
    {"Label16", 16, 96, 81, 17, 12},      {"Label18", 72, 112, 209, 25, 21.75}, {"Label12", 16, 136, 289, 49, 15.75},
    {"Label21", 24, 160, 265, 25, 15.75}};
// clang-format on
// A control in the box the original gave it: its texts may run as far past it as they did there.
bool original(const Control& c) {
    for (const Box& b : kOriginal)
        if (c.name() == b.name) return c.left() == b.l && c.top() == b.t && c.width() == b.w && c.height() == b.h;
    return false;
}

TEST_F(LayoutTest, OnlyTheMenuAndTheDisabledCanvasShowAtStartAndEveryTimerIsStopped) {
    EXPECT_TRUE(f.Frame3.shownOnScreen() && !f.Frame4.visible() && !f.Frame5.visible() && f.world.visible() &&
                !f.world.enabled());
    for (Control* c : f.world.children()) EXPECT_FALSE(c->visible()) << c->name() << c->index();
    EXPECT_FALSE(f.Frame2.enabled() || f.continue_.enabled() || f.Command1.enabled());
    EXPECT_TRUE(f.Option1.value() && !f.Option2.value() && !f.Option3.value());
    for (Timer* t : {&f.startuptimer, &f.showit, &f.hideit, &f.aitimer, &f.arrowtimer, &f.bonusfalltimer, &f.tankexpl,
                     &f.bullettimer, &f.moonfalltimer})
        EXPECT_FALSE(t->enabled()) << t->name();
    EXPECT_TRUE(f.state.GameMode == 0 && f.state.WorldBusy == False && f.state.RandomSeed.empty());
    for (const Box& b : kOriginal)
        EXPECT_TRUE(original(*f.find(b.name)) && (!b.pt || f.find(b.name)->font.points == b.pt)) << b.name;
    // A long word below the menu: the grey shadow breaks its lines where the text does, in either size.
    for (bool small : {false, true}) {
        f.banner().ShowMenuBanner(
            "Games out of step. Saved for a bug report: file /home/someone/.local/share/gorvath/"
            "replays/2026-12-08_21-40-05_host.replay, then more words than a line takes",
            small);
        auto lines = [&](const Label& l) {
            return wrapWords(l.caption(), int(l.width()), [&](const std::string& s) { return f.textWidth(l.font, s); });
        };
        EXPECT_EQ(lines(f.Label8(0)), lines(f.Label8(1)));
    }
}

// Every text now in a control that does not fit its box at some window scale: a label's one line, a
// button's caption inside its bevel, a box's text inside its margins; a label that wraps (as the game
// wraps it) must hold all its lines. The original's own boxes are as it made them. And every character
// shown has its glyph in the game's fonts.
void misfits(const Form& f, testing::ScreenFonts& fonts, const std::string& language, std::set<std::string>& out) {
    std::function<void(Control&)> walk = [&](Control& c) {
        for (Control* child : c.children()) walk(*child);
        if (original(c)) return;
        const int w = int(std::nearbyint(c.width())), h = int(std::nearbyint(c.height()));
        std::string text;
        int need = 0, room = w - 4;
        if (auto* l = dynamic_cast<Label*>(&c)) {
            text = l->caption(), room = w;
            const int skip = fonts.lineSkip(c.font);
            auto lines = wrapWords(text, w, [&](const std::string& s) { return fonts.width(c.font, s); });
            for (const std::string& line : h < 2 * skip ? std::vector{text} : lines)
                need = std::max(need, fonts.widest(c.font, line));
            if (h >= 2 * skip && int(lines.size()) * skip > h)
                out.insert(c.name() + " [" + language + "] \"" + text + "\": " + std::to_string(lines.size()) + " lines of " +
                           std::to_string(skip) + " px in " + std::to_string(h) + " px");
        }
        if (auto* b = dynamic_cast<Button*>(&c)) text = b->caption();
        if (auto* o = dynamic_cast<OptionButton*>(&c)) text = o->caption();
        if (auto* t = dynamic_cast<TextBox*>(&c)) text = t->text();
        if (c.kind() != ControlKind::Label) need = fonts.widest(c.font, text);
        if (const std::string m = fonts.missing(c.font, text); !m.empty())
            out.insert(c.name() + " [" + language + "] \"" + text + "\": no glyph for \"" + m + "\"");
        if (!text.empty() && need > room)
            out.insert(c.name() + " [" + language + "] \"" + text + "\": needs " + std::to_string(need) + " px, has " +
                       std::to_string(room));
    };
    for (Control* c : f.topLevel()) walk(*c);
}

// Labels with text whose boxes cross, within one panel.
void overlaps(const Control& panel, const std::string& language, std::set<std::string>& out) {
    std::vector<const Label*> shown;
    for (Control* c : panel.children())
        if (auto* l = dynamic_cast<Label*>(c); l && l->visible() && !l->caption().empty()) shown.push_back(l);
    for (std::size_t i = 0; i < shown.size(); ++i)
        for (std::size_t j = i + 1; j < shown.size(); ++j) {
            const Label &a = *shown[i], &b = *shown[j];
            if (!(original(a) && original(b)) && a.left() < b.left() + b.width() && b.left() < a.left() + a.width() &&
                a.top() < b.top() + b.height() && b.top() < a.top() + a.height())
                out.insert(a.name() + " overlaps " + b.name() + " in " + panel.name() + " [" + language + "]");
        }
}

using testing::ScreenFonts;

TEST_F(LayoutTest, EveryTextFitsItsControlWithTheScreensFontsInBothLanguages) {
    ScreenFonts fonts;
    f.measureText = [&](const Font& font, const std::string& s) { return fonts.width(font, s); };
    std::set<std::string> faults;
    auto check = [&](const std::string& language) {
        misfits(f, fonts, language, faults);
        for (Control* panel : {&f.Frame1, &f.Frame2, &f.Frame5, &f.Frame6}) overlaps(*panel, language, faults);
        // The greatest force inside its box's margins.
        for (TextBox* box : {&f.sila1, &f.sila2})
            if (fonts.width(box->font, "200") + 4 > box->width()) faults.insert(box->name() + ": \"200\" outside its margins");
    };
    check("layout");
    f.click(f.options);
    bool czechSystem = true;
    f.desktop.languageSettings = [&] { return LanguageSettings{{czechSystem ? "cs_CZ.UTF-8" : "en_US.UTF-8"}, "", {}}; };
    for (const char* choice : {"auto", "auto", "cs", "en"}) {
        f.SetLanguage(choice);
        const bool cz = f.state.CzechUi == True;
        const std::string language = std::string(choice) + (cz ? "/cs" : "/en");
        czechSystem = false;
        // The longest words the game writes into the layout while it runs.
        f.state.Health1 = 100, f.state.Health2 = 0;
        f.banner().ShowBattleResult();
        f.Label11.setCaption(cz ? "Čekám na připojení protihráče..." : "Waiting for opponent...");
        for (TextBox* box : {&f.sila1, &f.sila2}) box->setText("200");
        for (TextBox* box : {&f.uhel1, &f.uhel2}) box->setText("180");
        for (float wind : {-30.f, 30.f}) {
            f.state.Wind = wind;
            f.gauges().ShowWind();
            check(language);
        }
        // And the options' other settings, and with the numbers on every special shell named over its slot.
        for (const char* row : {"optmute", "optfull", "optscale", "optrouter"}) f.click(*f.find(row));
        f.gauges().SetNumbers(true);
        for (int kind = weapon::Teleport; kind <= weapon::Bouncer; ++kind) {
            f.state.Weapon1 = f.state.Weapon2 = kind;
            f.gauges().ShowSlots();
            EXPECT_EQ(f.Label9.caption(), HelpPanel::ShellName(kind, cz));
            check(language);
        }
        f.gauges().SetNumbers(false);
    }
    std::string list;
    for (const std::string& s : faults) list += "\n  " + s;
    EXPECT_TRUE(faults.empty()) << "texts that do not fit:" << list;
}

}  // namespace
}  // namespace gv
