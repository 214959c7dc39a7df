// The window as it stands before any game code runs: names, places, stacking, start states.
#include <gtest/gtest.h>

#include <algorithm>
#include <type_traits>

#include "game/mainfrm.h"

namespace gv {
namespace {

// The flight sums and the network copies rely on these widths.
static_assert(sizeof(GameState::WorldBusy) == 2 && True == -1 && False == 0);
static_assert(std::is_same_v<decltype(GameState::ShotX0), float> && std::is_same_v<decltype(GameState::ShotVx), double>);
static_assert(std::is_same_v<decltype(GameState::ShellDir), std::int16_t>);

struct LayoutTest : ::testing::Test {
    EventLoop loop;
    Mainfrm f{loop};
    static int pos(const Control& c) {
        const auto& list = c.parent() ? c.parent()->children() : c.form().topLevel();
        return int(std::find(list.begin(), list.end(), &c) - list.begin());
    }
};

TEST_F(LayoutTest, OnlyTheMenuAndTheDisabledCanvasShowAtStartAndEveryTimerIsStopped) {
    EXPECT_EQ(f.caption, "Gorvath");
    EXPECT_TRUE(f.clientWidth() == 800 && f.clientHeight() == 600);
    EXPECT_TRUE(f.Frame3.shownOnScreen() && !f.Frame4.visible() && !f.Frame5.visible());
    EXPECT_TRUE(f.world.visible() && !f.world.enabled());
    for (Control* c : f.world.children()) EXPECT_FALSE(c->visible()) << c->name() << c->index();
    EXPECT_FALSE(f.Frame2.enabled() || f.continue_.enabled() || f.Command1.enabled());
    EXPECT_TRUE(f.Option1.value() && !f.Option2.value() && !f.Option3.value());
    for (Timer* t : {&f.startuptimer, &f.showit, &f.hideit, &f.aitimer, &f.arrowtimer, &f.bonusfalltimer, &f.tankexpl,
                     &f.bullettimer, &f.moonfalltimer})
        EXPECT_FALSE(t->enabled()) << t->name();
    EXPECT_TRUE(f.state.GameMode == 0 && f.state.WorldBusy == False && f.state.RandomSeed.empty());
}

TEST_F(LayoutTest, StackingFollowsTheLayout) {
    // Window: Frame4, Frame5, Frame3, world; then the canvas, front to back.
    std::vector<Control*> order = {&f.Frame4, &f.Frame5, &f.Frame3, &f.world};
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end(), [](auto* a, auto* b) { return pos(*a) < pos(*b); }));
    order = {&f.Frame1, &f.Frame2, &f.Label8(1), &f.wind,   &f.Label8(0), &f.hmm,      &f.arrow,
             &f.moon,   &f.tank2,  &f.tank1,     &f.bullet, &f.bonuspic,  &f.strom(0), &f.sun};
    for (std::size_t i = 1; i < order.size(); ++i)
        EXPECT_LT(pos(*order[i - 1]), pos(*order[i])) << order[i - 1]->name() << " before " << order[i]->name();
    // Each panel's background picture lies behind everything else in it, the health bars among them.
    for (Image* bg : {&f.Image1, &f.Image2, &f.Image3, &f.Image4, &f.Image5})
        EXPECT_EQ(pos(*bg), int(bg->parent()->children().size()) - 1) << bg->name();
}

}  // namespace
}  // namespace gv
