// Any text through the message reader: it never crashes, and every message it understands is written
// back as a text that reads as the same message.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    gv::ReadHiddenPhrases(text);
    const gv::JoinAddress a = gv::ReadJoinAddress(text);
    if (a.ok && (a.host.empty() || a.port < 0 || a.port > 65535)) std::abort();
    const gv::NetMessage m = gv::ReadNetMessage(text);
    if (m.key == gv::NetMessage::Unknown || m.malformed) return 0;
    const std::string written = gv::WriteNetMessage(m);
    const gv::NetMessage back = gv::ReadNetMessage(written);
    if (!(back == m)) std::abort();                          // the text says what the message says
    if (gv::WriteNetMessage(back) != written) std::abort();  // and says it one way only
    if (text.size() <= gv::kMaxMessage && written.size() > gv::kMaxMessage) std::abort();
    return 0;
}
