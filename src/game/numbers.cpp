// Numbers for those who want them (an option, off by default): the wind as a signed number, health as a
// number on each bar, and each loss of health floating up from the tank for a second. Labels only: nothing
// here touches the battlefield's pixels or anything a battle reads.
#include <algorithm>
#include <cmath>

#include "game/helppanel.h"
#include "game/mainfrm.h"
#include "game/gauges.h"

namespace gv {

namespace {
constexpr int kFloatTicks = 25;  // a second at the timer's 40 ms
constexpr double kWindTop = 8;   // the wind label's place while the panels are in
// A health number's top in its panel, its digits on the bar's rows, and the room either side of them.
constexpr double kNumberTop = 58, kNumberMargin = 3;
// Letters that read on a bar of colour c: black on a light one, white on a dark one.
Colour LettersOn(Colour c) {
    return 0.2126 * redOf(c) + 0.7152 * greenOf(c) + 0.0722 * blueOf(c) >= 118 ? rgb(0, 0, 0) : rgb(255, 255, 255);
}
std::string HealthText(double health) { return std::to_string(int(std::max(0.0, std::floor(health)))); }
}  // namespace

void Gauges::BuildNumbers() {
    for (int p : {1, 2}) {
        Panel& panel = p == 1 ? g_.Frame1 : g_.Frame2;
        ControlArray<LineShape>& bar = p == 1 ? g_.health1 : g_.health2;
        Label& health = g_.label(&panel, p == 1 ? "healthnum1" : "healthnum2", 8, kNumberTop, 280, 16, "", 8.25, rgb(0, 0, 0));
        health.align = Align::Centre;
        health.setVisible(false);
        g_.stackInFrontOf(health, bar(0));
        Label& loss = g_.label(&g_.world, p == 1 ? "damage1" : "damage2", 0, 0, 60, 20, "", 12, rgb(255, 64, 32));
        loss.align = Align::Centre;
        loss.setVisible(false);
        g_.stackInFrontOf(loss, g_.hmm);  // in front of every sprite, as every text on the battlefield
    }
    Label& windNumber =
        g_.label(&g_.world, "windnum", int(g_.wind.left()), 25, int(g_.wind.width()), 16, "", 9.75, g_.wind.foreColour);
    windNumber.align = Align::Centre;
    windNumber.setVisible(false);
    g_.stackInFrontOf(windNumber, g_.wind);
    g_.x_.windNumber = &windNumber;
    g_.x_.damageTimer = std::make_unique<Timer>(g_.loop(), "damagetimer", 40);
    g_.x_.damageTimer->onTimer = [this] {
        bool moving = false;
        for (int p : {0, 1}) {
            Label& loss = g_.control<Label>(p == 0 ? "damage1" : "damage2");
            if (!loss.visible()) continue;
            if (++g_.x_.floatTicks[p] >= kFloatTicks) {
                loss.setVisible(false);
                continue;
            }
            loss.setTop(loss.top() - 1);
            moving = true;
        }
        if (!moving) g_.x_.damageTimer->setEnabled(false);
    };
}

void Gauges::SetNumbers(bool on) {
    g_.x_.numbers = on;
    if (g_.wind.visible()) ShowWind();
    if (!on) g_.x_.windNumber->setVisible(false);
    for (int p : {1, 2}) {
        ShowHealthNumber(p, p == 1 ? g_.state.Health1 : g_.state.Health2);
        g_.control<Label>(p == 1 ? "healthnum1" : "healthnum2").setVisible(on);
        if (!on) g_.control<Label>(p == 1 ? "damage1" : "damage2").setVisible(false);
    }
    ShowSlots();
}

void Gauges::ShowHealthNumber(int player, double health) {
    Label& number = g_.control<Label>(player == 1 ? "healthnum1" : "healthnum2");
    number.setCaption(HealthText(health));
    // Player 1's bar grows from its left end, player 2's from its right end (pixels of the panel).
    const LineShape& bar = (player == 1 ? g_.health1 : g_.health2)(2);
    const double from = std::min(bar.x1, bar.x2), to = std::max(bar.x1, bar.x2);
    const double width = g_.textWidth(number.font, number.caption()) + 2 * kNumberMargin;
    const bool inside = to - from >= width;
    number.foreColour = inside ? LettersOn(bar.foreColour) : Mainfrm::kGreen;
    const double left = player == 1 ? (inside ? to - width : to) : (inside ? from : from - width);
    number.move(left, kNumberTop, width, number.height());
}

void Gauges::FollowWind() {
    // 17 pixels under the label in its place; the label slides up 30 pixels as the panels go, off the
    // window, and the number half as fast again, off the window too.
    g_.x_.windNumber->setTop(g_.wind.top() + 17 + (g_.wind.top() - kWindTop) / 2);
}

// A slot holding a special shell is named over its picture in a smaller face and a wider box, so the
// longest name fits; an empty slot reads "Weapon:" in the layout's box as always.
void Gauges::ShowSlots() {
    const bool cz = g_.state.CzechUi == True;
    static constexpr double kLeft[2][2] = {{168, 162}, {80, 72}};  // player 1's and 2's: the layout's, a name's
    for (int p : {1, 2}) {
        const int kind = g_.state.weapon(p);
        (p == 1 ? g_.weapon1 : g_.weapon2).setPicture(kind == weapon::Standard ? nullptr : g_.bonusvzor(kind).picture());
        Label& label = p == 1 ? g_.Label9 : g_.Label10;
        const std::string name = g_.x_.numbers ? HelpPanel::ShellName(kind, cz) : "";
        label.move(kLeft[p - 1][!name.empty()], label.top(), name.empty() ? 57 : 64, label.height());
        label.setCaption(name.empty() ? (cz ? "Zbraň:" : "Weapon:") : name);
        label.font.face = name.empty() ? FontFace::Mono : FontFace::Sans;
        label.font.points = name.empty() ? 9.75 : 7.5;
    }
}

void Gauges::NoteHealth(int player, double health) {
    double& shown = g_.x_.shownHealth[player - 1];
    const double lost = shown - health;
    shown = health;
    if (!g_.x_.numbers) return;
    ShowHealthNumber(player, health);
    // A loss in a battle floats up from the tank; a new battle's full bars are no loss.
    if (lost < 0.5) return;
    const Image& tank = player == 1 ? g_.tank1 : g_.tank2;
    if (!tank.visible()) return;
    Label& loss = g_.control<Label>(player == 1 ? "damage1" : "damage2");
    loss.setCaption("-" + std::to_string(int(std::lround(lost))));
    loss.move(tank.left() - 10, tank.top() - 22, 60, 20);
    loss.setVisible(true);
    g_.x_.floatTicks[player - 1] = 0;
    g_.x_.damageTimer->setEnabled(true);
}

}  // namespace gv
