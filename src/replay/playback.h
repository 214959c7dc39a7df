#pragma once
// Plays a recorded battle by standing in for its players and its peer: the recorded shots are fired when
// their player's turn comes, the peer's messages arrive when everything recorded before them has happened
// again, and the host's clock gives the recorded seeds. Everything the battle records meanwhile is
// compared with the file, event by event. It plays on a game's window, or on the battle alone.
#include <functional>
#include <memory>
#include <string>

#include "battle/aim.h"
#include "battle/state.h"
#include "platform/eventloop.h"
#include "replay/recorder.h"

namespace gv::replay {

// What a playback plays a record on.
class Table {
public:
    virtual ~Table() = default;
    virtual EventLoop& loop() = 0;
    virtual BattleRecorder& recorder() = 0;
    // While a playback runs, the seeds the host would take from its clock come from it (none: the clock).
    virtual void SeedsFrom(std::function<std::string()> seeds) = 0;
    // Sets the recorded battle up and begins it; `standIn` is told once a link standing in for the peer is
    // open, before the battle begins.
    virtual void Begin(const Record& r, const std::function<void()>& standIn) = 0;
    // The playback is over: what it changed for itself goes back (the opponents chosen, the stand-in link).
    virtual void Restore() = 0;
    virtual bool Armed(int player) const = 0;  // `player` can fire now
    virtual const battle::State& battle() const = 0;
    // The crate's fall: when it next moves, and how often.
    virtual double CrateDue() const = 0;
    virtual int CrateInterval() const = 0;
    virtual void Fire(int player, const battle::Aim& aim) = 0;
    // A line of the peer's; the battles on its link so far (a peer's hash is named within its battle).
    virtual void Receive(const std::string& line) = 0;
    virtual long long LinkBattles() const = 0;
};

class Playback : BattleRecorder::Listener {
public:
    enum class Pace { Fast, AsPlayed };  // as fast as the game goes (verifying), or as it was played
    enum class Outcome { Running, Same, Differs };

    Playback(Table& table, Record record, Pace pace);
    ~Playback() override;
    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

    // The battle begins at the next pump of the game's loop.
    void Start();
    Outcome outcome() const { return outcome_; }
    bool finished() const { return outcome_ != Outcome::Running; }
    // Where the battle first computed differently: the shot (0: the battlefield) and what differed.
    int differingTurn() const { return differingTurn_; }
    const std::string& difference() const { return difference_; }
    // Whether the record ended the battle, or stops before its end.
    bool recordEnds() const;
    const Record& record() const { return record_; }
    // Told once, when the playback has finished (from inside the game's handlers: act later).
    std::function<void()> onFinish;
    // Told when the link that stands in for the peer is open, before the battle begins.
    std::function<void()> onStandIn;
    // Told of each of the record's chat pieces as the battle comes to it, at its time when the battle plays
    // as it was played. Without it chat is passed over.
    std::function<void(const Event&)> onChat;

    // The next shot is fired now, without waiting for its time.
    void SkipWait();
    // Gives up standing in; the battle stays as it is.
    void Stop();
    // Gives up standing in and leaves the link as it is: the battle goes on with a real peer.
    void Release();
    // No recorded event has come for `ms` of the game's time: the battle cannot go on as recorded.
    bool StalledFor(double ms) const;
    // The battle waits for what the record never gives it: it went its own way at the next recorded event.
    void Stuck() { Differ("the battle stops where the record goes on"); }

private:
    void Began() override;
    void Recorded(const Event& e) override;
    void TurnArmed() override { Advance(); }
    void Advance();
    // Passes the record's chat at the cursor, telling onChat of it; when `timed`, a piece not yet due is
    // waited for (true while it is).
    bool PassChat(bool timed);
    void Deliver();
    void Finish(Outcome o);
    void Detach();  // no longer told of the battle, nor giving its seeds
    void Differ(const std::string& what);
    bool StandsIn(int player) const;
    bool Armed(int player) const;
    // When the next recorded input is due on the game's clock.
    double DueAt(const Event& e) const;
    std::string NextClockSeed();

    Table& table_;
    Record record_;
    Pace pace_;
    Outcome outcome_ = Outcome::Running;
    std::size_t cursor_ = 0;  // the next recorded event to happen again
    bool began_ = false;
    bool delivering_ = false;  // an input is on its way into the game
    bool skip_ = false;
    bool released_ = false;
    double lastAt_ = 0;  // the game's time when the last recorded event happened again
    int differingTurn_ = -1;
    std::string difference_;
    Timer wait_;
    std::shared_ptr<char> alive_ = std::make_shared<char>(0);  // events posted to the loop check it
};

}  // namespace gv::replay
