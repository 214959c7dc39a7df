// A copy of the game that was closed by force in a network battle comes back to it. Its battle record has
// every turn and every message of the battle: Host or Join computes the battle again from it, quickly, with
// the record standing in for the peer, and then waits for the peer, which kept the battle, as after a
// broken connection. Both copies then send again what the other missed and the battle goes on.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "game/banner.h"
#include "game/mainfrm.h"
#include "game/netplay.h"
#include "net/link.h"
#include "platform/program.h"
#include "game/playback.h"

namespace gv {

namespace {

namespace fs = std::filesystem;

// How much faster than played the battle is computed again.
constexpr double kCatchUpPace = 50;
// Records looked at, newest first: the battle we were in is among the last few written.
constexpr std::size_t kLookAt = 8;

struct Interrupted {
    replay::Record record;
    double ageMs = 0;  // since the record was last written to: about when the battle broke off
};

// The newest record of ours in `folder` (a host's, or a joiner's of the host it typed) if it is of a network
// battle that did not end and was written to within the time the peer waits for us.
std::optional<Interrupted> InterruptedBattle(const std::string& folder, int mode, const std::string& joined) {
    std::error_code ec;
    std::vector<std::pair<fs::file_time_type, fs::path>> files;
    for (fs::directory_iterator it(PathOf(folder), ec), end; !ec && it != end; it.increment(ec))
        if (it->path().extension() == replay::BattleRecorder::kExtension && it->is_regular_file(ec))
            files.emplace_back(it->last_write_time(ec), it->path());
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    const auto now = fs::file_time_type::clock::now();
    for (std::size_t i = 0; i < files.size() && i < kLookAt; ++i) {
        const double ageMs = std::chrono::duration<double, std::milli>(now - files[i].first).count();
        if (ageMs >= linktime::kComeback) break;
        replay::ReadResult read = replay::ReadFile(TextOf(files[i].second));
        if (!read.record || !read.error.empty() || read.record->mode != mode) continue;
        const replay::Record& r = *read.record;
        // Our newest battle decides: one that ended, or with another host, is nothing to come back to.
        if (!r.link || r.link->joined != joined || (!r.events.empty() && r.events.back().kind == replay::Event::End))
            return std::nullopt;
        return Interrupted{std::move(*read.record), std::max(0.0, ageMs)};
    }
    return std::nullopt;
}

}  // namespace

bool NetPlay::RejoinBattle(bool host) {
    if (g_.Watching() || rejoining_ || g_.desktop.replayFolder.empty()) return false;
    std::optional<Interrupted> found =
        InterruptedBattle(g_.desktop.replayFolder, host ? mode::Host : mode::Joiner, host ? "" : g_.net_->joinName);
    if (!found) return false;
    const replay::LinkInfo link = *found->record.link;
    rejoinLostAt_ = std::chrono::steady_clock::now() - std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                           std::chrono::duration<double, std::milli>(found->ageMs));
    g_.inputLocked = true;
    rejoining_ = std::make_unique<replay::Playback>(g_.table(), std::move(found->record), replay::Playback::Pace::Fast);
    // The link stands where it stood when the battle began: its name, its battles, the messages counted.
    rejoining_->onStandIn = [this, link] {
        Link& n = *g_.net_;
        n.linkName = link.name;
        n.battles = link.battle - 1;
        n.taken = link.taken;
        n.sent = link.sent;
    };
    rejoining_->onFinish = [this] { g_.loop().post([this] { RejoinCaughtUp(); }); };
    rejoining_->Start();
    g_.recorder_.setWriting(true);  // the battle's new record has all of it, from its start
    g_.loop().setPace(kCatchUpPace);
    return true;
}

// The record is computed again: from here the battle waits for its peer to come back.
void NetPlay::RejoinCaughtUp() {
    if (!rejoining_ || !rejoining_->finished()) return;
    const bool same = rejoining_->outcome() == replay::Playback::Outcome::Same;
    rejoining_->Release();
    rejoining_.reset();
    g_.loop().setPace(1);
    g_.inputLocked = false;
    Link& n = *g_.net_;
    const bool host = g_.state.GameMode == mode::Host;
    if (!same || g_.state.BattleOver == True || !g_.Networked() || n.linkName == 0 || !n.linkUp) return CannotRejoin();
    const double now = g_.loop().now();
    n.restarted = true;
    n.resuming = true;
    n.lostAt = now - std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - rejoinLostAt_).count();
    n.lostWhy = LinkEnd::PeerLeft;
    n.shownSeconds = -1;
    n.nextDial = now;
    n.lastHeard = n.lastMessage = now;
    if (host) {
        g_.tcpcontrol.setLocalPort(g_.hostPort);
        g_.tcpcontrol.setRemotePort(g_.joinPort);
        if (!g_.tcpcontrol.listen()) return CannotRejoin();
    }
    n.liveTimer.setEnabled(true);
    ResumeTick(now);
}

void NetPlay::CannotRejoin() {
    PeerDisconnected(LinkEnd::WeLeft);
    g_.banner().ShowMenuBanner(g_.state.CzechUi == True ? "Přerušenou bitvu nelze obnovit"
                                                        : "The interrupted battle cannot be resumed");
}

}  // namespace gv
