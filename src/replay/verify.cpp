#include "replay/verify.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

#include "replay/record.h"
#include "replay/referee.h"

namespace gv::replay {

namespace {
// Game time without a recorded event after which a battle is taken to have gone its own way: longer than
// any wait of the game (a crate's fall, a hand-over, the computer's thought), shorter than a test's patience.
constexpr double kStalledMs = 120000;

std::string resultWords(const Record& r, int shots) {
    std::string s = std::to_string(shots) + (shots == 1 ? " shot" : " shots");
    if (r.events.empty() || r.events.back().kind != Event::End) return s + ", the record stops before the battle's end";
    const std::string& end = r.events.back().text;
    if (end == "won 1") return s + ", player 1 won";
    if (end == "won 2") return s + ", player 2 won";
    if (end == "both") return s + ", both tanks destroyed";
    if (end == "outofstep") return s + ", the copies went out of step";
    return s + ", the link ended";
}
}  // namespace

Verdict VerifyFile(const std::string& path, const TableMaker& makeTable) {
    ReadResult read = ReadFile(path);
    if (!read.record || !read.error.empty()) return {Verdict::Unreadable, path + ": cannot be read: " + read.error};
    const Record& record = *read.record;

    VirtualDriver clock;
    EventLoop loop(&clock);
    auto play = [&](Table& table, Referee* referee) {
        Playback playback(table, record, Playback::Pace::Fast);
        // Whatever the referee still waits for never comes once the playback is over.
        if (referee) playback.onFinish = [referee] { referee->Stop(); };
        playback.Start();
        try {
            loop.waitUntil([&] { return playback.finished() || playback.StalledFor(kStalledMs); });
        } catch (const WaitStalled&) {}
        // Nothing more happens: the battle waits for something the record never gives.
        if (!playback.finished()) playback.Stuck();
        const int shots = TurnOf(record, record.events.size());
        if (playback.outcome() == Playback::Outcome::Same)
            return Verdict{Verdict::Same, path + ": ok, " + resultWords(record, shots)};
        return Verdict{Verdict::Differs,
                       path + ": differs at turn " + std::to_string(playback.differingTurn()) + ": " + playback.difference()};
    };
    if (makeTable) return play(*makeTable(loop), nullptr);
    Referee referee(loop);
    return play(referee, &referee);
}

int VerifyFiles(const std::vector<std::string>& paths) {
    // Each battle on a referee of its own, so the files are shared out among the cores; the lines come out
    // in the files' order.
    std::vector<Verdict> verdicts(paths.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i; (i = next++) < paths.size();) verdicts[i] = VerifyFile(paths[i]);
    };
    const std::size_t workers = std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), paths.size());
    std::vector<std::thread> threads;
    for (std::size_t w = 1; w < workers; ++w) threads.emplace_back(work);
    work();
    for (std::thread& t : threads) t.join();
    int status = 0;
    for (const Verdict& v : verdicts) {
        std::printf("%s\n", v.line.c_str());
        status = std::max(status, v.kind == Verdict::Same ? 0 : v.kind == Verdict::Differs ? 1 : 2);
    }
    std::fflush(stdout);
    return status;
}

}  // namespace gv::replay
