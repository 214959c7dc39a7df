// A build without ICE: streams can be made but never gather or connect, and the game offers no invites.
#include "platform/icestream.h"

#include <utility>

namespace gv {

struct IceStream::Impl {};
struct IceStream::Bridge {};

IceStream::IceStream(EventLoop& loop, bool controlling) : loop_(loop), controlling_(controlling) {}
IceStream::~IceStream() = default;

bool IceStream::available() { return false; }
void IceStream::addStunServer(const std::string& /*host*/, int /*port*/) {}
void IceStream::addTurnServer(const std::string& /*host*/, int /*port*/, const std::string& /*user*/,
                              const std::string& /*password*/, bool /*tcp*/) {}
void IceStream::addLocalAddress(const std::string& /*address*/) {}
void IceStream::gather() {}
void IceStream::connect(const IceCredentials& remote) { remote_ = remote; }
bool IceStream::send(std::string_view /*data*/) { return false; }
std::string IceStream::receive() { return std::exchange(inbox_, {}); }
void IceStream::close() { closed_ = true; }
void IceStream::awake(bool /*on*/) {}
void IceStream::finish(const std::string& reason) {
    if (closed_) return;
    closed_ = true;
    if (auto handler = onClosed) handler(reason);
}
void IceStream::arrived(const IceCredentials::Candidate& /*local*/, const IceCredentials::Candidate& /*remote*/,
                        bool /*controlling*/) {}
void IceStream::take(const std::string& /*bytes*/) {}
void IceStream::reconnect(int /*generation*/) {}
void IceStream::breakConnection() {}
void IceStream::lost() {}

}  // namespace gv
