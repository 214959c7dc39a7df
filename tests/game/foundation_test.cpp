// Foundations every later part of the game stands on: the random generator, numbers in text, the one
// running copy, the terrain lookup.
#include <gtest/gtest.h>

#include <filesystem>
#include <cmath>

#include "battle/columnwalk.h"
#include "battle/random.h"
#include "game/gamestate.h"
#include "platform/numtext.h"
#include "platform/program.h"

namespace gv {
namespace {

TEST(RandomGenerator, ResetThenSeedGivesPinnedValuesWhateverCameBefore) {
    // Two copies of a network game depend on these numbers: a change to the generator must be deliberate.
    Random r, used;
    used.seed(77);  // some history
    used.Rnd();
    for (Random* g : {&r, &used}) {
        g->reset();
        g->seed(12345);
        for (double want : {0.6927477678930266, 0.4124635066451843, 0.3599441090316037, 0.2541466019797506})
            EXPECT_EQ(g->Rnd(), want);
    }
    r.reset(), r.seed(86399), used.reset(), used.seed(86398);
    EXPECT_NE(r.Rnd(), used.Rnd());
    Random z1, z2;
    z1.seed(0.0), z2.seed(-0.0);
    EXPECT_EQ(z1.state(), z2.state());
}

TEST(NumberText, BoxesReadTheLeadingNumberNetworkFieldsTheWholeTextAndRenderingReadsBack) {
    // None of the things a C library would also read as numbers (inf, nan, hex, exponents, commas).
    // clang-format off
    for (auto [text, v] : std::vector<std::pair<const char*, double>>{
             {"100", 100}, {"  42", 42}, {"-5", -5}, {"+7", 7}, {"45.5", 45.5}, {".5", 0.5}, {"12abc", 12},
             {"1.2.3", 1.2}, {"", 0}, {"abc", 0}, {"-", 0}, {".", 0}, {"inf", 0}, {"nan", 0}, {"0x1A", 0},
             {"1e5", 1}, {"1,5", 1}})
        // clang-format on
        EXPECT_EQ(leadingNumber(text), v) << text;
    EXPECT_TRUE(parseNumber("45.5") == 45.5 && parseNumber("-30") == -30);
    for (std::string bad :
         std::vector<std::string>{"", " 5", "5 ", "5x", "1e5", "inf", "-", std::string(400, '9') /*not finite*/})
        EXPECT_FALSE(parseNumber(bad)) << bad;
    // Rendering reads back to the same value.
    EXPECT_EQ(formatNumber(-0.0) + " " + formatNumber(200) + " " + formatNumber(45.5), "0 200 45.5");
    for (double v : {0.1, 1.0 / 3, 90.5, 123.456, -0.25, -5.0}) EXPECT_EQ(leadingNumber(formatNumber(v)), v) << formatNumber(v);
}

TEST(InstanceLockTest, SecondCopyFindsTheLockAndItIsFreedWithTheFirst) {
    std::string dir = testing::TempDir();
    {
        InstanceLock first("gorvath-test", dir), second("gorvath-test", dir);
        EXPECT_TRUE(!first.previousInstance() && second.previousInstance());
    }
    InstanceLock again("gorvath-test", dir);  // the file is still there, but nobody holds it
    EXPECT_TRUE(!again.previousInstance() && std::filesystem::exists(again.path()));
}

// A run of columns, each read so, knows its highest ground: whether a trial shell's step can touch the
// ground at all, to a thousandth of a row.
TEST(GroundLookup, ComputedColumnsAreRoundedAndClampedToTheArrayAndARunKnowsItsHighestGround) {
    GroundArray g;
    for (int x = -1; x <= 800; ++x) g(x) = std::int16_t(x + 1000);
    // Half to even, and clamped at both ends (a NaN reads the first column).
    for (auto [x, row] : {std::pair{10.5, 1010}, {11.5, 1012}, {1e9, 1800}, {-1e9, 999}, {std::nan(""), 999}})
        EXPECT_EQ(g.at(x), row) << x;
    // clang-format off
    for (HighestGround highest; auto [peak, first, last, top] : {std::tuple{17, 9.0, 17.4, 5}, {17, 17.0, 300.0, 5},
             {17, 9.0, 16.5, 500}, {17, 17.5, 600.0, 500}, {800, -1e9, 1e9, 5}, {-1, 3.0, 799.6, 500}}) {
        // clang-format on
        g.fill(500), g(peak) = 5, highest.follow(g);
        const StepBounds skim(first, 0, last, top - 0.002), into(first, 0, last, top + 0.5);  // a step just over it, one into it
        EXPECT_TRUE(highest.over(first, last) == top && skim.above(highest) && !into.above(highest)) << peak << " " << last;
    }
}

}  // namespace
}  // namespace gv
