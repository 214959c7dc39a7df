// The control kinds of the UI model, through what the game and the player do with them.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/controls.h"
#include "platform/eventloop.h"

namespace gv {
namespace {

struct ControlsTest : ::testing::Test {
    EventLoop loop;
    Form form{loop};
};

TEST_F(ControlsTest, TextBoxChangeHandlerRunsBeforeTheAssignmentReturns) {
    TextBox& box = form.create<TextBox>(nullptr, "sila1");
    std::vector<std::string> seen;
    box.onChange = [&] { seen.push_back(box.text()); };
    box.setText("42");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "42");
    box.setText("42");  // no change, no handler
    EXPECT_EQ(seen.size(), 1u);
}

TEST_F(ControlsTest, TextBoxHandlerThatNormalisesItsOwnBoxEndsAtOnce) {
    TextBox& box = form.create<TextBox>(nullptr, "uhel1");
    int calls = 0;
    box.onChange = [&] {
        ++calls;
        if (box.text() == "181") box.setText("0");
    };
    box.setText("181");
    EXPECT_EQ(box.text(), "0");
    EXPECT_EQ(calls, 2);
}

TEST_F(ControlsTest, TextBoxHandlerThatKeepsRewritingItsBoxDoesNotRecurseWithoutEnd) {
    TextBox& box = form.create<TextBox>(nullptr, "runaway");
    int calls = 0;
    box.onChange = [&] {
        ++calls;
        box.setText(box.text() + "x");
    };
    box.setText("a");
    EXPECT_LT(calls, 20);
    EXPECT_GT(box.text().size(), 1u);
}

TEST_F(ControlsTest, TypingRespectsMaxLengthButCodeDoesNot) {
    TextBox& box = form.create<TextBox>(nullptr, "sila1");
    box.maxLength = 3;
    box.setText("100");
    form.click(box);
    box.setSelStart(3);
    form.typeChar('5');
    EXPECT_EQ(box.text(), "100");  // a fourth character is refused
    box.setSelStart(0);
    box.setSelLength(3);
    form.typeChar('7');  // replacing the selection is fine
    EXPECT_EQ(box.text(), "7");
    form.typeChar('5');
    EXPECT_EQ(box.text(), "75");
    form.keyDown(Key::Backspace);
    EXPECT_EQ(box.text(), "7");
    box.setText("12345");  // code may write longer texts
    EXPECT_EQ(box.text(), "12345");
}

TEST_F(ControlsTest, TypingGoesToTheFocusedEnabledBoxOnly) {
    Panel& p = form.create<Panel>(nullptr, "Frame1");
    TextBox& box = form.create<TextBox>(&p, "uhel1");
    form.click(box);
    EXPECT_EQ(form.focus(), &box);
    p.setEnabled(false);
    form.typeChar('9');
    EXPECT_EQ(box.text(), "");
    p.setEnabled(true);
    p.setVisible(false);  // hiding the panel takes the focus away
    EXPECT_EQ(form.focus(), nullptr);
}

TEST_F(ControlsTest, OneOptionPerPanelAndSelectingRunsItsClick) {
    Panel& menu = form.create<Panel>(nullptr, "Frame3");
    Panel& other = form.create<Panel>(nullptr, "other");
    auto& o1 = form.create<OptionButton>(&menu, "Option1");
    auto& o2 = form.create<OptionButton>(&menu, "Option2");
    auto& o3 = form.create<OptionButton>(&other, "Option3");
    int clicks2 = 0;
    o2.onClick = [&] { ++clicks2; };
    o1.setValue(true);
    o3.setValue(true);
    o2.setValue(true);
    EXPECT_FALSE(o1.value());
    EXPECT_TRUE(o2.value());
    EXPECT_TRUE(o3.value());  // another panel's group is untouched
    EXPECT_EQ(clicks2, 1);
    form.click(o2);  // already selected
    EXPECT_EQ(clicks2, 1);
    form.click(o1);
    EXPECT_TRUE(o1.value());
    EXPECT_FALSE(o2.value());
}

TEST_F(ControlsTest, PanelVisibilityAndEnabledApplyToChildren) {
    Panel& p = form.create<Panel>(nullptr, "Frame1");
    p.move(100, 50, 200, 100);
    Image& spin = form.create<Image>(&p, "s1up");
    spin.move(10, 10, 16, 16);
    int clicks = 0;
    spin.onClick = [&] { ++clicks; };
    form.mouseDown(115, 65);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(form.controlAt(115, 65), &spin);
    p.setEnabled(false);
    form.mouseDown(115, 65);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(spin.enabledOnScreen());
    p.setEnabled(true);
    p.setVisible(false);
    EXPECT_FALSE(spin.shownOnScreen());
    EXPECT_TRUE(spin.visible());
    form.mouseDown(115, 65);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(form.controlAt(115, 65), nullptr);
}

TEST_F(ControlsTest, ImagesTakeClicksAndDoubleClicks) {
    Image& spin = form.create<Image>(nullptr, "u1up");
    spin.move(0, 0, 16, 16);
    int value = 0;
    spin.onClick = [&] { value += 1; };
    spin.onDblClick = [&] { value += 10; };
    // A double-click arrives after the click of its first press.
    form.mouseDown(5, 5);
    form.mouseDown(5, 5, true);
    EXPECT_EQ(value, 11);
}

TEST_F(ControlsTest, FrontmostControlTakesTheClick) {
    Image& back = form.create<Image>(nullptr, "back");
    Image& front = form.create<Image>(nullptr, "front");
    form.stackInFrontOf(front, back);
    back.move(0, 0, 50, 50);
    front.move(0, 0, 50, 50);
    EXPECT_EQ(form.controlAt(10, 10), &front);
    front.setVisible(false);
    EXPECT_EQ(form.controlAt(10, 10), &back);
}

TEST_F(ControlsTest, EnterPressesTheDefaultButtonOnlyWhileItIsVisibleAndEnabled) {
    Panel& menu = form.create<Panel>(nullptr, "Frame3");
    Button& b = form.create<Button>(&menu, "novahra");
    Button& other = form.create<Button>(&menu, "Command3");
    int presses = 0, keys = 0;
    b.onClick = [&] { ++presses; };
    form.onKeyDown = [&](int, int) { ++keys; };
    b.setDefault(true);
    form.keyDown(Key::Enter);
    EXPECT_EQ(presses, 1);
    menu.setVisible(false);  // a player typing a force and pressing Enter must not start a new game
    form.keyDown(Key::Enter);
    EXPECT_EQ(presses, 1);
    menu.setVisible(true);
    b.setEnabled(false);
    form.keyDown(Key::Enter);
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(keys, 3);  // the window saw every key
    b.setEnabled(true);
    other.setDefault(true);  // one default button at a time
    EXPECT_FALSE(b.isDefault());
    form.keyDown(Key::Enter);
    EXPECT_EQ(presses, 1);
}

TEST_F(ControlsTest, ControlArrayLoadsHiddenCopiesOfElementZero) {
    Canvas& world = form.create<Canvas>(nullptr, "world");
    Image& sun = form.create<Image>(&world, "sun");
    ControlArray<Image> strom;
    Image& first = form.create<Image>(&world, "strom", 0);
    form.stackInFrontOf(first, sun);
    strom.add(0, &first);
    first.stretch = true;
    first.move(5, 6, 17, 28);
    first.tag = "0";
    auto pic = std::make_shared<Picture>(17, 28, Picture::opaque(1));
    first.setPicture(pic);
    EXPECT_EQ(strom.count(), 1);
    Image& e3 = form.loadElement(strom, 3);
    EXPECT_EQ(strom.count(), 2);
    EXPECT_FALSE(e3.visible());
    EXPECT_EQ(e3.index(), 3);
    EXPECT_EQ(e3.left(), 5);
    EXPECT_EQ(e3.width(), 17);
    EXPECT_EQ(e3.picture(), pic);  // pictures are shared
    EXPECT_EQ(&form.loadElement(strom, 3), &e3);  // loading twice gives the same element
    // New elements stack with element 0, in front of the sun.
    const auto& kids = world.children();
    auto pos = [&](Control* c) { return std::find(kids.begin(), kids.end(), c) - kids.begin(); };
    EXPECT_LT(pos(&e3), pos(&sun));
    form.unloadElement(strom, 3);
    EXPECT_EQ(strom.count(), 1);
    EXPECT_EQ(form.find("strom", 3), nullptr);
    form.unloadElement(strom, 0);  // element 0 belongs to the layout
    EXPECT_EQ(strom.count(), 1);
}

TEST_F(ControlsTest, UnloadRunsItsHandlerOnceAndStopsInput) {
    int unloads = 0, keys = 0;
    form.onUnload = [&] { ++unloads; };
    form.onKeyDown = [&](int, int) { ++keys; };
    form.unload();
    form.unload();
    form.keyDown(Key::Space);
    EXPECT_EQ(unloads, 1);
    EXPECT_EQ(keys, 0);
    EXPECT_TRUE(form.unloaded());
}

}  // namespace
}  // namespace gv
