#include "replay/recorder.h"

#include <cmath>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

#include "net/protocol.h"
#include "platform/eventloop.h"
#include "platform/program.h"
#include "platform/settings.h"

namespace gv::replay {

Event FireEvent(int player, const battle::Aim& aim, const battle::State& s, bool oneComputer) {
    Event e;
    e.kind = Event::Fire;
    e.player = player;
    e.force = aim.force;
    e.angle = aim.angle;
    if (oneComputer && s.CrateFalling == True) e.fall = int(std::lround(s.BonusFallTime / 0.02));
    return e;
}

const char* Result(const battle::State& s) {
    const bool lost1 = s.Health1 < 1, lost2 = s.Health2 < 1;
    return lost1 && lost2 ? "both" : lost1 ? "won 2" : "won 1";
}

std::optional<Event> MessageEvent(bool sent, const std::string& text) {
    const NetMessage m = ReadNetMessage(text);
    Event e;
    e.kind = sent ? Event::Send : Event::Recv;
    e.text = text;
    switch (m.key) {
        case NetMessage::DrawingOk:
        case NetMessage::Quake:
        case NetMessage::Shot:
        case NetMessage::Wind:
        case NetMessage::Crate:
        case NetMessage::ShotDone: return e;
        case NetMessage::Hash:
            if (sent) return std::nullopt;
            // A playback on a link of its own hands them over under its own battle number.
            e.text = WriteNetMessage(netmsg::hash(HandOverOfPoint(m.sequence), m.hash));
            return e;
        default: return std::nullopt;
    }
}

namespace fs = std::filesystem;

namespace {
// The local time now, as the record's start ("2026-12-09 10:08:11") or to begin a file's name.
enum class Stamp { Started, FileName };
std::string localTime(Stamp stamp) {
    std::time_t t = std::time(nullptr);
    const std::tm tm = LocalTime(t);
    char buf[64];
    std::strftime(buf, sizeof buf, stamp == Stamp::FileName ? "%Y-%m-%d_%H-%M-%S_" : "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

bool isRecord(const fs::directory_entry& e) {
    std::error_code ec;
    return e.is_regular_file(ec) && e.path().extension() == BattleRecorder::kExtension;
}

// The records of a folder, oldest first: their names begin with the date and time.
std::vector<fs::path> records(const std::string& folder) {
    std::vector<fs::path> out;
    std::error_code ec;
    for (fs::directory_iterator it(PathOf(folder), ec), end; !ec && it != end; it.increment(ec))
        if (isRecord(*it)) out.push_back(it->path());
    std::sort(out.begin(), out.end());
    return out;
}
}  // namespace

BattleRecorder::~BattleRecorder() {
    if (file_) std::fclose(file_);
}

std::string BattleRecorder::DefaultFolder() {
    const std::string base = UserFolderOf(UserFolder::Data, "gorvath");
    return base.empty() ? base : TextOf(PathOf(base) / "replays");
}

std::string BattleRecorder::Newest(const std::string& folder) {
    if (folder.empty()) return {};
    std::vector<fs::path> all = records(folder);
    return all.empty() ? std::string() : TextOf(all.back());
}

void BattleRecorder::Begin(Record header, double nowMs) {
    if (file_) std::fclose(file_), file_ = nullptr;
    path_.clear();
    record_ = std::move(header);
    record_.started = localTime(Stamp::Started);
    begun_ = true;
    ended_ = false;
    beganAt_ = nowMs;
    handOvers_ = 0;
    if (writing_ && !folder_.empty()) open();
    if (listener_) listener_->Began();
}

void BattleRecorder::Add(Event e, double nowMs) {
    if (!active()) return;
    e.at = nowMs - beganAt_;
    if (e.kind == Event::Hash) e.sequence = handOvers_++;
    if (e.kind == Event::End) ended_ = true;
    record_.events.push_back(e);
    if (file_) write(e.line() + "\n");
    if (listener_) listener_->Recorded(record_.events.back());
}

void BattleRecorder::AddClock(const std::string& seed, double nowMs) {
    Event e;
    e.kind = Event::Clock;
    e.text = seed;
    Add(std::move(e), nowMs);
}

void BattleRecorder::AddHandOver(std::uint64_t hash, const battle::State& s, double nowMs) {
    Event e;
    e.kind = Event::Hash;
    e.hash = hash;
    Add(std::move(e), nowMs);
    if (s.BattleOver == True) AddEnd(Result(s), nowMs);
}

void BattleRecorder::AddEnd(const std::string& how, double nowMs) {
    Event e;
    e.kind = Event::End;
    e.text = how;
    Add(std::move(e), nowMs);
}

void BattleRecorder::open() {
    std::error_code ec;
    fs::create_directories(PathOf(folder_), ec);
    if (ec) return cannotRecord(ec.message());
    const std::string stem = folder_ + "/" + localTime(Stamp::FileName) + Record::modeName(record_.mode);
    // Two battles begun in one second get names of their own.
    for (int n = 1; n < 100 && !file_; ++n) {
        std::string name = stem + (n > 1 ? "-" + std::to_string(n) : "") + kExtension;
        file_ = CreateNewFile(name);
        if (file_)
            path_ = name;
        else if (errno != EEXIST)
            return cannotRecord(std::strerror(errno));
    }
    if (!file_) return cannotRecord("no free file name");
    write(record_.header());
    prune();
}

void BattleRecorder::write(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() || std::fflush(file_) != 0) {
        const std::string why = std::strerror(errno);
        std::fclose(file_);
        file_ = nullptr;
        cannotRecord(why);
    }
}

void BattleRecorder::prune() {
    std::vector<fs::path> all = records(folder_);
    for (std::size_t i = 0; i + kKeep < all.size(); ++i) {
        std::error_code ec;
        if (all[i] != PathOf(path_)) fs::remove(all[i], ec);
    }
}

// The battle goes on unrecorded; the player is told once why.
void BattleRecorder::cannotRecord(const std::string& why) {
    if (warned_) return;
    warned_ = true;
    std::fprintf(stderr, "gorvath: cannot record battles in %s: %s\n", folder_.c_str(), why.c_str());
}

}  // namespace gv::replay
