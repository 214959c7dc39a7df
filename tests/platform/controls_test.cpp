// The control kinds of the UI model, through what the game and the player do with them.
#include <gtest/gtest.h>

#include <functional>

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
    EXPECT_TRUE(box.text() == "0" && seen == (std::vector<std::string>{"42", "181", "0"}));
    int calls = 0;
    box.onChange = [&] {
        ++calls;
        box.setText(box.text() + "x");
    };
    box.setText("a");
    EXPECT_TRUE(calls < 20 && box.text().size() > 1u) << calls;
}

// A text longer than its box (a pasted invite, a long chat line) scrolls so that the caret stays in
// sight, the view moving only as far as the caret leaves it; a click finds the character drawn under it.
TEST_F(ControlsTest, ALongTextScrollsToKeepTheCaretInSightAndAClickFindsTheCharacterUnderIt) {
    form.measureText = [](const Font&, const std::string& s) { return int(s.size()) * 10; };
    TextBox& box = form.create<TextBox>(nullptr, "chatbox");
    box.move(0, 0, 104, 25);  // the text has 100 columns, from 2 to 101
    box.setText(std::string(30, 'a'));
    const int left = 2, right = 101;
    auto caretX = [&] { return box.textLeft() + box.widthOf(box.caret()); };
    EXPECT_EQ(box.textLeft(), left) << "a caret at the start shows the start";
    box.editKey(Key::End);
    EXPECT_EQ(caretX(), right) << "the end in sight, with no room after it";
    for (int i = 0; i < 5; ++i) box.editKey(Key::Left);
    EXPECT_EQ(box.textLeft(), left - 201) << "a caret still in sight moves the view not at all";
    box.clickAt(box.textLeft() + box.widthOf(27) + 3, false);
    EXPECT_EQ(box.caret(), 27);
    for (int i = 0; i < 20; ++i) box.editKey(Key::Left);
    EXPECT_EQ(caretX(), left) << "the caret leaving on the left takes the view with it";
    box.typeChar('b');
    EXPECT_TRUE(caretX() >= left && caretX() <= right) << caretX();
    box.editKey(Key::End);
    for (int i = 0; i < 24; ++i) box.editKey(Key::Backspace);
    EXPECT_EQ(box.textLeft(), left) << "a text that fits again shows from its start";
    box.align = Align::Right;
    box.setText(std::string(30, 'c'));
    EXPECT_EQ(box.textLeft(), right + 1 - 300) << "a right-aligned box keeps its end at the edge";
}

TEST_F(ControlsTest, LabelsBreakLinesOnlyBetweenWordsAndKeepAWordTooWideWhole) {
    auto tenEach = [](const std::string& s) { return int(s.size()) * 10; };
    using Lines = std::vector<std::string>;
    EXPECT_EQ(wrapWords("Sounds...", 81, tenEach), Lines{"Sounds..."});  // clipped when drawn, never broken
    EXPECT_EQ(wrapWords("Game by  The VELMORAN", 120, tenEach), (Lines{"Game by The", "VELMORAN"}));
    EXPECT_TRUE(wrapWords("a\nb c", 30, tenEach) == (Lines{"a", "b c"}) && wrapWords("", 50, tenEach).empty());
}

TEST_F(ControlsTest, HoldingASpinArrowStepsOnAndTheReleaseAddsNoStepWhileTheWheelTurnsIt) {
    Panel& spin = form.create<Panel>(nullptr, "spin");
    spin.move(0, 0, 100, 100);
    Image& up = form.create<Image>(&spin, "up");
    up.move(10, 10, 20, 20);
    up.repeatsWhenHeld = true;
    int steps = 0, doubles = 0, turned = 0;
    up.onClick = [&] { ++steps; };
    up.onDblClick = [&] { ++doubles; };
    // What the backend sends for a press held `ms` on the arrow; `meanwhile` happens half way.
    auto hold = [&](
                    double ms, std::function<void()> meanwhile = [] {}) {
        steps = 0;
        form.holdStart(15, 15), loop.runFor(ms / 2), meanwhile(), loop.runFor(ms / 2);
        form.holdEnd(), form.mouseDown(15, 15);
        return steps;
    };
    EXPECT_EQ(hold(1000), 13);  // 500, 540, ... 980
    EXPECT_EQ(hold(100), 1);    // a quick click
    // Hidden under the mouse, the hold is over, even when the arrow shows again.
    EXPECT_EQ(hold(1200, [&] { loop.runFor(10), up.setVisible(false), loop.runFor(10), up.setVisible(true); }), 3);
    steps = 0;
    form.holdStart(15, 15), form.holdEnd(), form.mouseDown(15, 15);  // a double-click as today
    form.holdStart(15, 15), form.mouseDown(15, 15, true), form.holdEnd();
    EXPECT_TRUE(steps == 1 && doubles == 1);
    // The wheel over the arrow turns the panel around it; never while locked, nor disabled.
    spin.onWheel = [&](int n) { turned += n; };
    form.wheel(15, 15, 2), form.wheel(80, 80, -1), form.wheel(300, 300, 5);
    form.inputLocked = true, form.wheel(15, 15, 3), form.inputLocked = false;
    spin.setEnabled(false), form.wheel(15, 15, 3);
    EXPECT_EQ(turned, 1);
}

}  // namespace
}  // namespace gv
