// The window as it stands before any game code runs: its size and start states.
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
    // A long word below the menu: the grey shadow breaks its lines where the text does, in either size.
    for (bool small : {false, true}) {
        f.ShowMenuBanner("Games out of step. Saved for a bug report: file /home/someone/.local/share/gorvath/"
                         "replays/2026-12-08_21-40-05_host.replay, then more words than a line takes",
                         small);
        auto lines = [&](const Label& l) {
            return wrapWords(l.caption(), int(l.width()), [&](const std::string& s) { return f.textWidth(l.font, s); });
        };
        EXPECT_EQ(lines(f.Label8(0)), lines(f.Label8(1)));
    }
}

}  // namespace
}  // namespace gv
