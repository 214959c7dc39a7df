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

}  // namespace
}  // namespace gv
