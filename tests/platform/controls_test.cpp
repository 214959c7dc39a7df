// The control kinds of the UI model, through what the game and the player do with them.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "platform/controls.h"
#include "platform/eventloop.h"

namespace gv {
namespace {

struct ControlsTest : ::testing::Test {
    EventLoop loop;
    Form form{loop};
};

TEST_F(ControlsTest, TextBoxChangeHandlerRunsAtOnceAndCannotRecurseWithoutEnd) {
    TextBox& box = form.create<TextBox>(nullptr, "uhel1");
    std::vector<std::string> seen;
    box.onChange = [&] {
        seen.push_back(box.text());
        if (box.text() == "181") box.setText("0");  // the game normalises an angle in its own box
    };
    box.setText("42");
    box.setText("42");  // no change, no handler
    EXPECT_EQ(seen, std::vector<std::string>{"42"});
    box.setText("181");
    EXPECT_EQ(box.text(), "0");
    EXPECT_EQ(seen, (std::vector<std::string>{"42", "181", "0"}));
    int calls = 0;
    box.onChange = [&] {
        ++calls;
        box.setText(box.text() + "x");
    };
    box.setText("a");
    EXPECT_LT(calls, 20);
    EXPECT_GT(box.text().size(), 1u);
}

TEST_F(ControlsTest, LabelsBreakLinesOnlyBetweenWordsAndKeepAWordTooWideWhole) {
    auto tenEach = [](const std::string& s) { return int(s.size()) * 10; };
    using Lines = std::vector<std::string>;
    EXPECT_EQ(wrapWords("Sounds...", 81, tenEach), Lines{"Sounds..."});  // clipped when drawn, never broken
    EXPECT_EQ(wrapWords("Game by  The VELMORAN", 120, tenEach), (Lines{"Game by The", "VELMORAN"}));
    EXPECT_EQ(wrapWords("a\nb c", 30, tenEach), (Lines{"a", "b c"}));
    EXPECT_TRUE(wrapWords("", 50, tenEach).empty());
}

TEST_F(ControlsTest, EnterPressesTheDefaultButtonWhileItIsShownAndEnabledAndUnloadEndsInput) {
    Panel& menu = form.create<Panel>(nullptr, "Frame3");
    Button& b = form.create<Button>(&menu, "novahra");
    Button& other = form.create<Button>(&menu, "Command3");
    int presses = 0, keys = 0, unloads = 0;
    b.onClick = [&] { ++presses; };
    form.onKeyDown = [&](int, int) { ++keys; };
    form.onUnload = [&] { ++unloads; };
    b.setDefault(true);
    form.keyDown(Key::Enter);
    EXPECT_EQ(presses, 1);
    menu.setVisible(false);  // a player typing a force and pressing Enter must not start a new game
    form.keyDown(Key::Enter);
    menu.setVisible(true);
    b.setEnabled(false);
    form.keyDown(Key::Enter);
    b.setEnabled(true);
    other.setDefault(true);  // one default button at a time
    EXPECT_FALSE(b.isDefault());
    form.keyDown(Key::Enter);
    form.unload();
    form.unload();
    form.keyDown(Key::Space);
    EXPECT_TRUE(form.unloaded());
    EXPECT_EQ(std::tuple(presses, keys, unloads), std::tuple(1, 4, 1));  // the window saw every key until the unload
}

TEST_F(ControlsTest, ControlArrayLoadsHiddenCopiesOfElementZeroStackedWithIt) {
    Canvas& world = form.create<Canvas>(nullptr, "world");
    Image& sun = form.create<Image>(&world, "sun");
    ControlArray<Image> strom;
    Image& first = form.create<Image>(&world, "strom", 0);
    form.stackInFrontOf(first, sun);
    strom.add(0, &first);
    first.move(5, 6, 17, 28);
    first.setPicture(std::make_shared<Picture>(17, 28, Picture::opaque(1)));
    Image& e3 = form.loadElement(strom, 3);
    EXPECT_EQ(&form.loadElement(strom, 3), &e3);  // loading twice gives the same element
    EXPECT_EQ(strom.count(), 2);
    EXPECT_FALSE(e3.visible());
    EXPECT_EQ(std::tuple(e3.index(), e3.left(), e3.width()), std::tuple(3, 5.0, 17.0));
    EXPECT_EQ(e3.picture(), first.picture());  // pictures are shared
    const auto& kids = world.children();
    EXPECT_LT(std::ranges::find(kids, &e3), std::ranges::find(kids, &sun)) << "not in front of the sun";
    form.unloadElement(strom, 3);
    form.unloadElement(strom, 0);  // element 0 belongs to the layout
    EXPECT_EQ(form.find("strom", 3), nullptr);
    EXPECT_EQ(strom.count(), 1);
}

}  // namespace
}  // namespace gv
