#pragma once
// A battle computed on the model alone, for a record to be played on: no window, no controls, no sound.
// Its timers pace the shot, the hand-over, the crate's fall, the moon's and the wrecks' as the game's own
// do, made in the same order, so that what one tick meets of another's is what it met when the battle
// was played. It plays every battle: at one computer with the computers' turns, and either side of a
// network battle, whose peer is the record's messages: it waits for them where the game waits, sends
// (records) what the game sends, holds the peer's shot until its turn and compares the hashes.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "battle/random.h"
#include "battle/shot.h"
#include "battle/state.h"
#include "battle/turn.h"
#include "computer/player.h"
#include "net/link.h"
#include "net/protocol.h"
#include "platform/eventloop.h"
#include "replay/playback.h"
#include "replay/recorder.h"

namespace gv::replay {

class Referee final : public Table, ComputerPlayer::Seat {
public:
    explicit Referee(EventLoop& loop);
    ~Referee() override;
    // The playback is over: every wait gives up and nothing runs on.
    void Stop();

    EventLoop& loop() override { return loop_; }
    BattleRecorder& recorder() override { return recorder_; }
    void SeedsFrom(std::function<std::string()> seeds) override { seeds_ = std::move(seeds); }
    void Begin(const Record& r, const std::function<void()>& standIn) override;
    void Restore() override { Stop(); }
    bool Armed(int player) const override;
    const battle::State& battle() const override { return s_; }
    double CrateDue() const override { return crate_.due(); }
    int CrateInterval() const override { return crate_.interval(); }
    void Fire(int player, const battle::Aim& aim) override { Fire(player, aim, false); }
    void Receive(const std::string& line) override;
    long long LinkBattles() const override { return 1; }  // the record's battle is its link's only one

private:
    // The computer's seat: its waits run the battle's clock.
    bool Plays(int player) const override { return levels_[std::size_t(player - 1)] != level::Human; }
    int Level(int player) const override { return levels_[std::size_t(player - 1)]; }
    bool Wait(const std::function<bool()>& done) override;
    bool Think() override;
    std::uint32_t Battle() const override { return 0; }
    bool Live() const override { return s_.BattleOver == False && !over_; }
    void Pass(int player) override;
    void Aimed(int, const battle::Aim&) override {}
    void Thought(const ComputerThought&) override {}

    void Fire(int player, const battle::Aim& aim, bool passing);
    void StartTurn();
    void HandOverRecorded();
    void SlideOut();
    void ShellTick();
    void CheckBattleEnd();
    void EndShot();
    void HandOver();
    void SetPhase(battle::HandOver phase);
    bool WaitFor(const std::function<bool()>& done);  // false: the playback stopped meanwhile

    // ---- The network battle (referee.cpp's neighbour, refereelink.cpp)
    bool Networked() const { return mode_ == mode::Host || mode_ == mode::Joiner; }
    int PeerPlayer() const { return mode_ == mode::Host ? 2 : 1; }
    void Send(const NetMessage& m);
    // Both battlefields drawn, both shots landed: what each side waits for before it goes on.
    bool BattlefieldDrawn();
    bool ShotDoneOnBothSides();
    bool CrateFromHost(battle::Crate& crate);
    bool QuakeSeeded();
    void SendHash();
    void TakeWind(int wind);
    void TakePeerShot(const battle::Aim& aim);
    bool ReadyForPeerShot() const;
    void CheckHeldShot();
    void TakePeerHash(long long handOver, std::uint64_t hash);
    void Judge(const HashPairs::Verdict& v);
    void LinkEnds(const char* why);

    // What the peer said that the battle waits for, and the hashes of both sides not yet compared.
    struct Peer {
        bool drawn = false, shotDone = false, shotPending = false, seedReady = false;
        std::string seed;
        std::optional<battle::Crate> crate;
        std::optional<battle::Aim> held;  // its shot, come before our hand-over had finished
        float shotWind = 0;               // the wind the last shot flew with: hashed
        long long handOvers = 0;
        HashPairs hashes;
    };

    EventLoop& loop_;
    BattleRecorder recorder_;
    battle::State s_;
    Random random_;
    std::function<std::string()> seeds_;
    int mode_ = mode::HotSeat;
    bool over_ = false;            // the playback stopped
    bool busy_ = true;             // the battlefield is being built
    bool passing_ = false;         // a computer holds its fire: the panels go out and back, no shell
    bool computerBattle_ = false;  // against the computer (or two computers)
    std::array<int, 2> levels_{level::Human, level::Human};
    std::array<bool, 2> armed_{};  // each player's fire button
    battle::HandOver phase_ = battle::HandOver::Report;
    // The game's timers of a battle, in the order the game makes them.
    Timer showit_, hideit_, ai_, crate_, explosion_, shell_, moon_;
    Peer peer_;
    Timer heldShot_;  // the link's, made after the battle's
    class View;
    std::unique_ptr<View> view_;  // what the shot tells: only what paces the battle
    ComputerPlayer computer_;
};

}  // namespace gv::replay
