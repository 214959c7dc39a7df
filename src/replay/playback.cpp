#include "replay/playback.h"

#include <algorithm>
#include <cmath>

#include "battle/kinds.h"
#include "net/protocol.h"

namespace gv::replay {

namespace {
// Fired this long after the crate's tick that the record names: between two of its ticks, as a player's
// shot always is.
constexpr double kBetweenTicksMs = 20;

// A player's decision: a shot fired here, or the peer's shot. Only decisions keep the pace they were made
// at when a battle plays as it was played; whatever else the peer sent comes as soon as the battle is
// there. Held back for its time, it could be overtaken by our own messages (a battlefield drawn a little
// faster than it was sends its "drawn" first), and the battle would no longer go as recorded.
bool Paced(const Event& e) {
    return e.kind == Event::Fire || (e.kind == Event::Recv && ReadNetMessage(e.text).key == NetMessage::Shot);
}
}  // namespace

Playback::Playback(Table& table, Record record, Pace pace)
    : table_(table),
      record_(std::move(record)),
      pace_(pace),
      wait_(table.loop(), "replaywait", 1) {
    wait_.onTimer = [this] {
        wait_.setEnabled(false);
        Deliver();
    };
}

Playback::~Playback() { Stop(); }

bool Playback::recordEnds() const { return !record_.events.empty() && record_.events.back().kind == Event::End; }

void Playback::Start() {
    BattleRecorder& r = table_.recorder();
    r.setWriting(false);
    r.setListener(this);
    table_.SeedsFrom([this] { return NextClockSeed(); });
    lastAt_ = table_.loop().now();
    std::weak_ptr<char> alive = alive_;
    table_.loop().post([this, alive] {
        if (!alive.lock() || finished()) return;
        table_.Begin(record_, [this] {
            if (onStandIn) onStandIn();
        });
    });
}

void Playback::Detach() {
    if (outcome_ == Outcome::Running) outcome_ = Outcome::Same;
    wait_.setEnabled(false);
    BattleRecorder& r = table_.recorder();
    r.setListener(nullptr);
    r.setWriting(true);
    table_.SeedsFrom(nullptr);
}

void Playback::Release() {
    Detach();
    released_ = true;
}

void Playback::Stop() {
    if (released_) return;
    Detach();
    table_.Restore();
}

bool Playback::StalledFor(double ms) const { return !finished() && table_.loop().now() - lastAt_ > ms; }

void Playback::SkipWait() {
    skip_ = true;
    if (wait_.enabled()) {
        wait_.setEnabled(false);
        Deliver();
    }
}

void Playback::Began() {
    const Record& now = table_.recorder().current();
    began_ = true;
    lastAt_ = table_.loop().now();
    if (now.mode != record_.mode || now.random != record_.random || now.seed != record_.seed || now.hell != record_.hell ||
        now.hellVariant != record_.hellVariant || now.players != record_.players)
        return Differ("the battlefield begins otherwise");
    Advance();
}

void Playback::Recorded(const Event& e) {
    // Chat is for the players: it neither comes again nor is looked for.
    if (finished() || e.kind == Event::Chat) return;
    PassChat(false);
    if (cursor_ >= record_.events.size()) return Finish(Outcome::Same);  // past what was recorded
    const Event& want = record_.events[cursor_];
    if (!e.sameAs(want)) {
        Event shown = e;
        shown.at = want.at;
        return Differ("'" + shown.line().substr(0, shown.line().rfind(" @")) + "' where the record has '" +
                      want.line().substr(0, want.line().rfind(" @")) + "'");
    }
    ++cursor_;
    lastAt_ = table_.loop().now();
    delivering_ = false;
    if (cursor_ == record_.events.size()) return Finish(Outcome::Same);
    Advance();
}

bool Playback::StandsIn(int player) const {
    switch (record_.mode) {
        case mode::HotSeat: return true;
        case mode::Joiner: return player == 2;
        case mode::Computer: return player == 1 && record_.players[0] == "human";  // computers play themselves
        default: return player == 1;                                               // the peer of a host plays player 2 itself
    }
}

bool Playback::Armed(int player) const { return table_.Armed(player); }

double Playback::DueAt(const Event& e) const {
    const battle::State& s = table_.battle();
    const double now = table_.loop().now();
    if (e.kind == Event::Fire && e.fall < 0 && s.CrateFalling == True) {
        // Fired after the crate had landed: look again after its next tick (and never now again: a crate
        // whose fall no longer moves would keep the playback asking forever at one instant).
        return std::max(now + 1, table_.CrateDue() + 1);
    }
    if (e.kind == Event::Fire && e.fall >= 0 && s.CrateFalling == True) {
        // The crate must have fallen as far as when the shot was fired, and not a tick further.
        const int fallen = int(std::lround(s.BonusFallTime / 0.02));
        if (fallen > e.fall) return now;
        const double next = table_.CrateDue();
        const int interval = table_.CrateInterval();
        if (fallen < e.fall) return next + (e.fall - fallen - 1) * interval + kBetweenTicksMs;
        return std::max(now, next - interval + kBetweenTicksMs);
    }
    if (pace_ == Pace::Fast || skip_ || (e.kind == Event::Recv && !Paced(e))) return now;
    const double gap = e.at - (cursor_ > 0 ? record_.events[cursor_ - 1].at : 0);
    return std::max(now, lastAt_ + gap);
}

bool Playback::PassChat(bool timed) {
    std::size_t next = cursor_;
    while (next < record_.events.size() && record_.events[next].kind == Event::Chat) ++next;
    // Chat waits for its time only where the battle waits for a decision anyway: before anything else it
    // would hold that back.
    const bool wait = timed && next < record_.events.size() && Paced(record_.events[next]);
    for (; cursor_ < next; ++cursor_) {
        if (!onChat) continue;
        const Event& e = record_.events[cursor_];
        const double now = table_.loop().now(), due = DueAt(e);
        if (wait && due - now >= 1) {
            wait_.setInterval(int(std::ceil(due - now)));
            wait_.setEnabled(true);
            return true;
        }
        lastAt_ = now;
        onChat(e);
    }
    return false;
}

void Playback::Advance() {
    if (finished() || !began_ || delivering_ || wait_.enabled() || PassChat(true)) return;
    if (cursor_ >= record_.events.size()) return Finish(Outcome::Same);  // a record of no event at all
    const Event& e = record_.events[cursor_];
    switch (e.kind) {
        case Event::Recv: break;
        case Event::Fire:
            if (!StandsIn(e.player) || !Armed(e.player)) return;  // its turn will tell us
            break;
        case Event::End:
            // The link ended there: the record can take the battle no further.
            if (e.text == "link") Finish(Outcome::Same);
            return;
        default: return;  // the game's own doing
    }
    const double wait = DueAt(e) - table_.loop().now();
    if (wait >= 1) {
        wait_.setInterval(int(std::ceil(wait)));
        wait_.setEnabled(true);
        return;
    }
    delivering_ = true;
    std::weak_ptr<char> alive = alive_;
    table_.loop().post([this, alive] {
        if (alive.lock()) Deliver();
    });
}

void Playback::Deliver() {
    delivering_ = false;
    if (finished() || cursor_ >= record_.events.size()) return;
    const Event& e = record_.events[cursor_];
    if (e.kind == Event::Fire) {
        if (!Armed(e.player)) return;  // the turn moved on meanwhile; its next start asks again
        if (e.fall < 0 && table_.battle().CrateFalling == True) return Advance();  // the crate is still falling
        skip_ = false;
        delivering_ = true;
        table_.Fire(e.player, battle::Aim(e.force, e.angle));
        return;
    }
    if (e.kind != Event::Recv) return Advance();
    std::string text = e.text;
    NetMessage m = ReadNetMessage(text);
    // The peer's hashes are counted within their battle; our link numbers battles its own way.
    if (m.key == NetMessage::Hash) text = WriteNetMessage(netmsg::hash(HashPoint(table_.LinkBattles(), m.sequence), m.hash));
    delivering_ = true;
    table_.Receive(text);
}

std::string Playback::NextClockSeed() {
    if (!began_) return record_.seed;  // the host's seed of this battle
    if (cursor_ < record_.events.size() && record_.events[cursor_].kind == Event::Clock) return record_.events[cursor_].text;
    return "0";  // not where the record took a seed: the comparison says so
}

void Playback::Finish(Outcome o) {
    if (finished()) return;
    outcome_ = o;
    wait_.setEnabled(false);
    if (onFinish) onFinish();
}

void Playback::Differ(const std::string& what) {
    if (finished()) return;
    differingTurn_ = began_ && !record_.events.empty() ? TurnOf(record_, std::min(cursor_, record_.events.size() - 1)) : 0;
    difference_ = what;
    Finish(Outcome::Differs);
}

}  // namespace gv::replay
