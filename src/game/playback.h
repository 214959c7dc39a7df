#pragma once
// A record played on the game's window (watching a battle again, a network battle computed again before
// it resumes, and checking a record that only the whole game can compute), and `--verify-replay`.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "game/windowpart.h"
#include "replay/playback.h"

namespace gv {

class WindowTable final : public WindowPart, public replay::Table {
public:
    using WindowPart::WindowPart;
    EventLoop& loop() override;
    replay::BattleRecorder& recorder() override;
    void SeedsFrom(std::function<std::string()> seeds) override;
    void Begin(const replay::Record& r, const std::function<void()>& standIn) override;
    void Restore() override;
    bool Armed(int player) const override;
    const battle::State& battle() const override;
    double CrateDue() const override;
    int CrateInterval() const override;
    void Fire(int player, const battle::Aim& aim) override;
    void Receive(const std::string& line) override;
    long long LinkBattles() const override;

private:
    std::array<int, 2> levelsBefore_{-1, -1};  // the player's own choice of opponent, back when the playback ends
};

}  // namespace gv

namespace gv::replay {

// The verdict on one file, computed headless.
struct Verdict {
    enum Kind { Same, Differs, Unreadable } kind = Unreadable;
    std::string line;  // what `--verify-replay` prints for the file
};
// `prepare`: the battle is computed on a game's window, set up first as a player's options would (none
// changes a battle). Without it, a battle between two players at one computer is computed on the battle
// alone, with no window.
Verdict VerifyFile(const std::string& path, const std::function<void(Mainfrm&)>& prepare = {});
// `--verify-replay FILE...`: a line a file; 0 when every battle computes the same, 1 when one differs,
// 2 when one cannot be read.
int VerifyFiles(const std::vector<std::string>& paths);

}  // namespace gv::replay
