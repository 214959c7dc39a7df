// The golden battles under tests/replays (tools/goldens records them) compute the same whatever the view.
#include "replay_support.h"

namespace gv::testing {
namespace {

// The same verdict, word for word, on the battle alone and on a game window nobody looks at, with the
// options that show more (numbers, the shot trace) on: they are for the eyes only.
replay::Verdict verifiedAlike(const std::string& path) {
    const replay::Verdict alone = replay::VerifyFile(path),
                          window = replay::VerifyFile(path, [](Mainfrm&g) {
                              g.gauges().SetNumbers(true), g.gauges().SetTrace(true);
                              EXPECT_TRUE(g.world.unseen());  // no pixels to paint, no sky to unpack
                          });
    EXPECT_EQ(alone.line, window.line);
    return alone;
}

TEST(GoldenBattles, ComputeTheSameAloneAndOnAWindowWithEveryViewOptionOn) {
    int battles = 0;
    for (const auto& file : std::filesystem::directory_iterator(GORVATH_SOURCE_DIR "/tests/replays")) {
        const replay::Verdict v = verifiedAlike(file.path().string());
        EXPECT_EQ(v.kind, replay::Verdict::Same) << v.line;
        ++battles;
    }
    EXPECT_GE(battles, 5);

    // A network battle's record changed where the peer spoke: each side meets it where the game would.
    TempFolder folder("changednet");
    const std::string dir = GORVATH_SOURCE_DIR "/tests/replays/network-45296-";
    const std::string host = readText(dir + "host.replay"), joiner = readText(dir + "joiner.replay");
    // What is changed, the changed record, and what the verdict says.
    for (const auto& [what, text, verdict] : std::vector<std::tuple<const char*, std::string, const char*>>{
             {"the peer's second hash", changed(joiner, "recv H2:[0-9]+", "recv H2:1"),
              "differs at turn 2: 'end outofstep' where the record has 'hash 2 "},
             {"a hash far ahead", changed(joiner, "recv H2:", "recv H12:"), "differs at turn 2: 'end link' where"},
             {"the peer's shot", changed(host, "recv S85U42", "recv S86U42"),
              "differs at turn 2: 'fire 2 86 42' where the record has 'fire 2 85 42'"},
             {"the host's wind", changed(joiner, "recv W4 ", "recv W9 "), "differs at turn 2: 'end outofstep'"},
             {"the host's crate", changed(joiner, "recv B123570 ", "recv B123560 "), "differs at turn 2: 'end outofstep'"},
             {"no crate from the host", changed(joiner, "recv B123570 @8200\n", ""),
              "differs at turn 2: the battle stops where the record goes on"},
             {"the host's seed", changed(host, "\nseed 45296", "\nseed 45297"),
              "differs at turn 0: the battlefield begins otherwise"},
             {"the link ends", joiner.substr(0, joiner.find("recv S155U74 @12920\n")) + "end link @12920\n",
              "ok, 2 shots, the link ended"}}) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(text != host && text != joiner);
        writeText(folder.path + "/changed.replay", text);
        const replay::Verdict v = verifiedAlike(folder.path + "/changed.replay");
        EXPECT_NE(v.line.find(verdict), std::string::npos) << v.line;
    }
}

}  // namespace
}  // namespace gv::testing
