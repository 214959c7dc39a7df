// The window as it stands before any game code runs: names, places, stacking, start states.
#include <gtest/gtest.h>

#include <algorithm>

#include "game/mainfrm.h"

namespace gv {
namespace {

struct LayoutTest : ::testing::Test {
    EventLoop loop;
    Mainfrm f{loop};
    static int pos(const Control& c) {
        const auto& list = c.parent() ? c.parent()->children() : c.form().topLevel();
        return int(std::find(list.begin(), list.end(), &c) - list.begin());
    }
};

TEST_F(LayoutTest, OnlyTheMenuAndTheDisabledCanvasShowAtStart) {
    EXPECT_EQ(f.caption, "Gorvath");
    EXPECT_EQ(f.clientWidth(), 800);
    EXPECT_EQ(f.clientHeight(), 600);
    EXPECT_TRUE(f.Frame3.shownOnScreen());
    EXPECT_FALSE(f.Frame4.visible());
    EXPECT_FALSE(f.Frame5.visible());
    EXPECT_TRUE(f.world.visible());
    EXPECT_FALSE(f.world.enabled());
    for (Control* c : f.world.children()) EXPECT_FALSE(c->visible()) << c->name() << c->index();
    EXPECT_FALSE(f.Frame2.enabled());
    EXPECT_FALSE(f.continue_.enabled());
    EXPECT_TRUE(f.Option1.value());
    EXPECT_FALSE(f.Option2.value());
    EXPECT_FALSE(f.Option3.value());
}

TEST_F(LayoutTest, StackingFollowsTheLayout) {
    // Window: Frame4, Frame5, Frame3, world, front to back.
    EXPECT_LT(pos(f.Frame4), pos(f.Frame5));
    EXPECT_LT(pos(f.Frame5), pos(f.Frame3));
    EXPECT_LT(pos(f.Frame3), pos(f.world));
    // Canvas: panels, Label8(1), wind, Label8(0), hmm, arrow, moon, tank2, tank1, bullet, bonuspic, strom(0), sun.
    std::vector<Control*> order = {&f.Frame1, &f.Frame2, &f.Label8(1), &f.wind,     &f.Label8(0), &f.hmm,
                                   &f.arrow,  &f.moon,   &f.tank2,     &f.tank1,    &f.bullet,    &f.bonuspic,
                                   &f.strom(0), &f.sun};
    for (std::size_t i = 1; i < order.size(); ++i)
        EXPECT_LT(pos(*order[i - 1]), pos(*order[i])) << order[i - 1]->name() << " before " << order[i]->name();
    // Each panel's background picture lies behind everything else in it.
    for (Image* bg : {&f.Image1, &f.Image2, &f.Image3, &f.Image4, &f.Image5})
        EXPECT_EQ(pos(*bg), int(bg->parent()->children().size()) - 1) << bg->name();
    // The health bars lie in front of the panel background.
    EXPECT_LT(pos(f.health1(4)), pos(f.Image1));
}

TEST_F(LayoutTest, PlacesAndSizes) {
    struct Want {
        Control* c;
        int l, t, w, h;
    };
    for (auto [c, l, t, w, h] : std::vector<Want>{
             {&f.Frame3, 240, 136, 321, 313}, {&f.Frame4, 240, 192, 321, 240}, {&f.Frame5, 240, 192, 321, 240},
             {&f.novahra, 32, 72, 257, 41},   {&f.Option2, 120, 112, 81, 25},  {&f.Label7, 0, 296, 321, 17},
             {&f.compname, 32, 104, 257, 21}, {&f.Command5, 32, 192, 257, 33}, {&f.Image4, 0, -56, 321, 313},
             {&f.world, 0, 0, 801, 601},      {&f.Frame1, 0, 0, 297, 73},      {&f.Frame2, 504, 0, 297, 73},
             {&f.sila1, 8, 17, 57, 37},       {&f.s2down, 273, 38, 16, 16},    {&f.uhel2, 136, 17, 57, 37},
             {&f.weapon2, 88, 19, 32, 32},    {&f.Command1, 224, 8, 65, 45},   {&f.Command2, 8, 8, 65, 45},
             {&f.wind, 296, 8, 209, 17},      {&f.Label8(0), 0, 266, 801, 57}, {&f.Label8(1), 0, 264, 801, 57},
             {&f.tank1, 0, 560, 40, 40},      {&f.tank2, 760, 560, 40, 40},    {&f.bullet, 0, 0, 8, 8},
             {&f.strom(0), 0, 0, 17, 28},     {&f.sun, 0, 0, 72, 72}}) {
        EXPECT_EQ(c->left(), l) << c->name();
        EXPECT_EQ(c->top(), t) << c->name();
        EXPECT_EQ(c->width(), w) << c->name();
        EXPECT_EQ(c->height(), h) << c->name();
    }
    EXPECT_EQ(f.health2(2).y1, 64);
    EXPECT_EQ(f.health1(0).x1, 8);
    EXPECT_EQ(f.health1(0).x2, 288);
    EXPECT_EQ(f.health1(2).foreColour, rgb(0, 255, 0));
    EXPECT_EQ(f.Line2.foreColour, rgb(64, 64, 64));
}

TEST_F(LayoutTest, AimBoxesHoldTheirStartValuesAndTheForceBoxTakesThreeCharacters) {
    EXPECT_EQ(f.sila1.text(), "100");
    EXPECT_EQ(f.sila2.text(), "100");
    EXPECT_EQ(f.uhel1.text(), "45");
    EXPECT_EQ(f.uhel2.text(), "45");
    // Typing into the boxes of player 1 once the panel can be used.
    f.Frame1.setVisible(true);
    f.world.setEnabled(true);
    f.click(f.sila1);
    f.sila1.setSelStart(3);
    f.typeChar('1');
    EXPECT_EQ(f.sila1.text(), "100");
    EXPECT_EQ(f.sila2.maxLength, 3);
    EXPECT_EQ(f.uhel1.maxLength, 0);  // no length limit on the angle
    EXPECT_EQ(f.uhel2.maxLength, 0);
}

TEST_F(LayoutTest, TimersWithTheirIntervalsAllStopped) {
    struct Want {
        Timer* t;
        int interval;
    };
    for (auto [t, ms] : std::vector<Want>{{&f.startuptimer, 1000},
                                          {&f.showit, 1},
                                          {&f.hideit, 40},
                                          {&f.aitimer, 500},
                                          {&f.arrowtimer, 40},
                                          {&f.bonusfalltimer, 40},
                                          {&f.tankexpl, 40},
                                          {&f.bullettimer, 40},
                                          {&f.moonfalltimer, 40}}) {
        EXPECT_EQ(t->interval(), ms) << t->name();
        EXPECT_FALSE(t->enabled()) << t->name();
    }
    EXPECT_EQ(f.startuptimer.tag, "0");
}

TEST_F(LayoutTest, PictureHoldersAndArrays) {
    EXPECT_EQ(f.bonusvzor.count(), 13);
    EXPECT_TRUE(f.bonusvzor.has(1));
    EXPECT_TRUE(f.bonusvzor.has(13));
    EXPECT_FALSE(f.bonusvzor.has(0));
    for (auto* arr : {&f.tree, &f.treeb, &f.snow, &f.snowb}) {
        ASSERT_EQ(arr->count(), 2);
        EXPECT_EQ((*arr)(0).picture()->width, 17);
        EXPECT_EQ((*arr)(1).picture()->height, 28);
    }
    EXPECT_EQ(f.strom.count(), 1);
    EXPECT_EQ(f.tdd.picture()->width, 800);
    EXPECT_EQ(f.fbutt1.picture()->width, 65);
    EXPECT_EQ(f.sunn.picture()->height, 72);
    EXPECT_EQ(f.tankleft.picture()->width, 40);
    EXPECT_EQ(f.weapon1.picture(), nullptr);
    EXPECT_EQ(f.Command1.picture(), nullptr);
    EXPECT_FALSE(f.Command1.enabled());
    EXPECT_EQ(f.find("Label8", 1), &f.Label8(1));
    EXPECT_EQ(f.find("continue"), &f.continue_);
}

TEST_F(LayoutTest, GameStateStartsEmpty) {
    const GameState& s = f.state;
    EXPECT_EQ(s.GameMode, 0);
    EXPECT_EQ(s.Gravity, 0);
    EXPECT_EQ(s.WorldBusy, False);
    EXPECT_EQ(s.Health1, 0);
    EXPECT_EQ(s.Ground(-1), 0);
    EXPECT_EQ(s.Ground(800), 0);
    EXPECT_TRUE(s.RandomSeed.empty());
    static_assert(sizeof(s.WorldBusy) == 2 && True == -1 && False == 0);
    static_assert(std::is_same_v<decltype(s.ShotX0), float>);
    static_assert(std::is_same_v<decltype(s.ShotVx), double>);
    static_assert(std::is_same_v<decltype(s.ShellDir), std::int16_t>);
    static_assert(std::is_same_v<decltype(s.GameMode), std::uint8_t>);
}

}  // namespace
}  // namespace gv
