#include "net/link.h"

#include <algorithm>
#include <iterator>

namespace gv {

namespace {
// Sent messages kept to send again; a longer break than this many is not resumed.
constexpr std::size_t kKeepSent = 2048;
// A restarted copy's record may end a hand-over's messages before it was killed: at most this many.
constexpr long long kRecomputed = 8;
}  // namespace

// ---- Framing

bool Link::counted(const std::string& text) {
    switch (ReadNetMessage(text).key) {
        case NetMessage::Battle:
        case NetMessage::DrawingOk:
        case NetMessage::Quake:
        case NetMessage::Shot:
        case NetMessage::Wind:
        case NetMessage::Crate:
        case NetMessage::ShotDone:
        case NetMessage::Hash: return true;
        default: return false;
    }
}

long long Link::countedWaiting() const { return static_cast<long long>(std::count_if(inbox.begin(), inbox.end(), counted)); }

bool Link::takeBytes(const std::string& bytes, double now) {
    lastHeard = now;
    if (pending.empty()) pendingSince = now;
    pending += bytes;
    // Every message ends with a line feed; what follows the last one waits for the rest of its message.
    // A peer may not queue more than a few hundred messages or a few kilobytes: a flood ends the link
    // before it costs us memory or time.
    std::size_t start = 0;
    bool flood = false;
    for (std::size_t lf; (lf = pending.find('\n', start)) != std::string::npos; start = lf + 1) {
        inbox.emplace_back(pending, start, lf - start);
        if (counted(inbox.back())) ++taken;  // for a link that breaks
        inboxBytes += lf - start + 1;
        if (inbox.size() > kMaxQueued || inboxBytes > kMaxQueuedBytes) {
            flood = true;
            break;
        }
    }
    if (start > 0) pendingSince = now;  // what is left began in this read
    pending.erase(0, start);
    return !flood && pending.size() <= kMaxPending;
}

bool Link::nextMessage(std::string& text) {
    if (inbox.empty()) return false;
    text = std::move(inbox.front());
    inbox.pop_front();
    inboxBytes -= std::min(inboxBytes, text.size() + 1);
    return true;
}

void Link::clearReceived() {
    pending.clear();
    inbox.clear();
    inboxBytes = 0;
}

// ---- The host's door

// The first line of a connection decides: our greeting takes the seat, another version's is told so,
// a joiner coming back to its broken link resumes it, and anything else is closed.
Link::Door Link::judgeCaller(NetCaller& c, const std::string& bytes, double now, NetMessage& first, std::string& rest) const {
    if (c.pending.empty()) c.pendingSince = now;
    c.pending += bytes;
    const std::size_t lf = c.pending.find('\n');
    if (lf == std::string::npos) return c.pending.size() > kMaxMessage ? Door::Drop : Door::Wait;
    const std::string line = c.pending.substr(0, lf);
    rest = c.pending.substr(lf + 1);
    first = line.size() > kMaxMessage ? NetMessage{} : ReadNetMessage(line);
    if (first.key == NetMessage::Resume && !first.malformed) return Door::Return;
    // "GET / HTTP/1.1" is no greeting either: a greeting names a version.
    if (first.key != NetMessage::Greeting || first.version < 0) return Door::Drop;
    if (first.version != kProtocolVersion) return Door::OtherVersion;
    // The seat is kept for the player whose link broke; a joiner that said goodbye in the same breath
    // (it gave up before we answered) never takes it.
    if (ReadNetMessage(rest.substr(0, rest.find('\n'))).key == NetMessage::Disconnect) return Door::Drop;
    return resuming ? Door::SeatKept : Door::Seat;
}

bool Link::callerLate(const NetCaller& c, double now) {
    return now - c.since >= linktime::kGreeting || (!c.pending.empty() && now - c.pendingSince >= linktime::kUnframed);
}

// ---- Signs of life

double Link::quietWait(double now) const { return waitingForPeer > 0 ? now - std::max(waitSince, lastMessage) : 0; }

// ---- Resuming

void Link::noteSent(const std::string& text) {
    ++sent;
    sentLog.push_back(text);
    if (sentLog.size() > kKeepSent) sentLog.pop_front();
}

bool Link::resumable(long long peerTook) const {
    std::string again;
    return (restarted && peerTook > sent && peerTook - sent <= kRecomputed) || missedBy(peerTook, again);
}

bool Link::resumeFrom(long long peerTook, std::string& again) {
    if (!resumable(peerTook)) return false;
    again.clear();
    peerHas = std::max(0LL, peerTook - sent);
    return peerHas > 0 || missedBy(peerTook, again);
}

bool Link::missedBy(long long peerTook, std::string& again) const {
    const long long kept = static_cast<long long>(sentLog.size()), firstKept = sent - kept;
    if (peerTook < firstKept || peerTook > sent) return false;
    again.clear();
    for (long long i = peerTook - firstKept; i < kept; ++i) again += sentLog[std::size_t(i)] + "\n";
    return true;
}

HashPairs::Verdict HashPairs::takeOwn(long long point, std::uint64_t hash) {
    own[point] = hash;
    return compare(point);
}

HashPairs::Verdict HashPairs::takePeer(long long point, std::uint64_t hash, long long ours) {
    if (point > ours + kWindow) return {true, {}};
    if (point < ours - kWindow && !own.count(point)) return {};
    peer[point] = hash;
    const Verdict v = compare(point);
    // Older points than the window (ours never came) are given up.
    while (peer.size() > std::size_t(2 * kWindow + 1)) peer.erase(peer.begin());
    return v;
}

HashPairs::Verdict HashPairs::compare(long long point) {
    auto a = own.find(point), b = peer.find(point);
    if (a == own.end() || b == peer.end()) return {};
    const bool same = a->second == b->second;
    own.erase(a);
    peer.erase(b);
    return {false, same};
}

void HashPairs::forgetBefore(long long oldest) {
    for (auto* m : {&own, &peer})
        for (auto it = m->begin(); it != m->end();) it = it->first < oldest ? m->erase(it) : std::next(it);
}

}  // namespace gv
