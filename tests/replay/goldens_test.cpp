// The golden battles under tests/replays (tools/goldens records them) compute the same whatever the view.
#include "replay_support.h"

namespace gv::testing {
namespace {

// The options that show more (numbers, the shot trace) are for the eyes only: every golden battle computes
// the same with them on, checked on a canvas nobody looks at.
TEST(GoldenBattles, ComputeTheSameWithEveryViewOptionOnAndNoPixels) {
    int battles = 0;
    for (const auto& file : std::filesystem::directory_iterator(GORVATH_SOURCE_DIR "/tests/replays")) {
        const replay::Verdict v = replay::VerifyFile(file.path().string(), [](Mainfrm& g) {
            g.gauges().SetNumbers(true), g.gauges().SetTrace(true);
            EXPECT_TRUE(g.world.unseen());  // nobody looks: no pixels to paint, no sky to unpack
        });
        EXPECT_EQ(v.kind, replay::Verdict::Same) << v.line;
        ++battles;
    }
    EXPECT_GE(battles, 5);
}

}  // namespace
}  // namespace gv::testing
