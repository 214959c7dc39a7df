#pragma once
// Records the battle being played, event by event, into memory and (when it has a folder) into a file of
// its own, flushed line by line so that quitting or a crash keeps every finished turn.
#include <cstdio>
#include <optional>
#include <string>

#include "battle/aim.h"
#include "battle/state.h"
#include "replay/record.h"

namespace gv::replay {

// A shot as fired: at one computer with how far a crate still falling had fallen (it cannot be hit yet).
Event FireEvent(int player, const battle::Aim& aim, const battle::State& s, bool oneComputer);
// How a battle that is over ended: "won 1", "won 2" or "both".
const char* Result(const battle::State& s);
// A message of the link as its record keeps it: none for the link's own business and for our own hashes
// (the hand-over lines are those); the peer's hashes counted within their battle.
std::optional<Event> MessageEvent(bool sent, const std::string& text);

class BattleRecorder {
public:
    // Told every event as it is recorded; a playback compares them with its file.
    struct Listener {
        virtual ~Listener() = default;
        virtual void Began() {}
        virtual void Recorded(const Event& e) = 0;
        virtual void TurnArmed() {}  // a player's turn has begun and waits for a shot
    };

    // The newest files are kept, older ones go.
    static constexpr int kKeep = 100;
    static constexpr const char* kExtension = ".replay";

    // `folder` empty: nothing is written, the battle is only kept in memory.
    explicit BattleRecorder(std::string folder = {}) : folder_(std::move(folder)) {}
    ~BattleRecorder();
    BattleRecorder(const BattleRecorder&) = delete;
    BattleRecorder& operator=(const BattleRecorder&) = delete;

    void setListener(Listener* l) { listener_ = l; }
    // While off (a playback), battles are kept in memory only.
    void setWriting(bool on) { writing_ = on; }
    const std::string& folder() const { return folder_; }

    void Begin(Record header, double nowMs);
    // Adds an event of the battle begun last; nothing once it has ended.
    void Add(Event e, double nowMs);
    // A seed the host took from its clock; the state's hash after a hand-over, followed by the battle's end
    // once it is over; how the battle (or its link) ended.
    void AddClock(const std::string& seed, double nowMs);
    void AddHandOver(std::uint64_t hash, const battle::State& s, double nowMs);
    void AddEnd(const std::string& how, double nowMs);
    void TurnArmed() {
        if (listener_ && active()) listener_->TurnArmed();
    }
    bool active() const { return begun_ && !ended_; }
    // Hand-overs recorded in this battle so far.
    long long handOvers() const { return handOvers_; }
    const Record& current() const { return record_; }
    // The file of the battle begun last ("" when none was written).
    const std::string& path() const { return path_; }

    // $XDG_DATA_HOME/gorvath/replays, or ~/.local/share/gorvath/replays.
    static std::string DefaultFolder();
    // The newest record in the folder, "" when there is none.
    static std::string Newest(const std::string& folder);

private:
    void open();
    void write(const std::string& text);
    void prune();
    void cannotRecord(const std::string& why);

    std::string folder_;
    Listener* listener_ = nullptr;
    bool writing_ = true;
    bool warned_ = false;
    bool begun_ = false, ended_ = false;
    double beganAt_ = 0;
    long long handOvers_ = 0;
    Record record_;
    std::string path_;
    std::FILE* file_ = nullptr;
};

}  // namespace gv::replay
