// Any text through the message reader and the invite reader: they never crash, and every message or invite
// they understand is written back as a text that reads as the same one.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "net/invite.h"
#include "net/protocol.h"

// The messages' words, from the messages' table, are the fuzzer's dictionary: written to a file (one for
// every run on this machine, the same words each time) and named on its command line before libFuzzer reads
// it.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static const std::string dictionary = (std::filesystem::temp_directory_path() / "gorvath-messages.dict").string();
    std::ofstream out(dictionary);
    for (std::string_view word : gv::NetMessageWords()) out << '"' << word << "\"\n";
    if (!out.flush()) return 0;  // no dictionary, then
    static std::string flag = "-dict=" + dictionary;
    static std::vector<char*> args(*argv, *argv + *argc);
    args.insert(args.begin() + 1, flag.data());
    args.push_back(nullptr);
    *argc += 1;
    *argv = args.data();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    gv::ReadHiddenPhrases(text);
    for (gv::Invite::Kind kind : {gv::Invite::Kind::Offer, gv::Invite::Kind::Answer}) {
        const gv::InviteRead invite = gv::ReadInvite(text, kind);
        if (invite.invite.has_value() != (invite.problem == gv::InviteProblem::None)) std::abort();
        if (!invite.invite) continue;
        const std::string code = gv::WriteInvite(*invite.invite);
        if (gv::ReadInvite(code, kind).invite != invite.invite) std::abort();  // the code says what was read
    }
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
