#pragma once
// A record played on the game's window: watching a battle again, a network battle computed again before it
// resumes, and a record checked on a window nobody sees.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "game/windowpart.h"
#include "replay/playback.h"
#include "replay/verify.h"

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

// A record computed again on a game's window nobody sees, set up first by `prepare` as a player's options
// would (none changes a battle): the same verdict as on the battle alone.
Verdict VerifyFile(const std::string& path, const std::function<void(Mainfrm&)>& prepare);

}  // namespace gv::replay
