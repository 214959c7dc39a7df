// Any bytes through the battle record reader: it never crashes or hangs, and every record it accepts is
// written back as a text that reads as the same record, line for line.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "replay/record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    const gv::replay::ReadResult r = gv::replay::Read(in);
    if (!r.record) {
        if (r.error.empty()) std::abort();  // a file refused says why
        return 0;
    }
    const std::string written = r.record->text();
    std::istringstream again(written);
    const gv::replay::ReadResult back = gv::replay::Read(again);
    if (!back.record || back.record->text() != written) std::abort();
    if (back.record->events.size() != r.record->events.size()) std::abort();
    for (std::size_t i = 0; i < back.record->events.size(); ++i)
        if (!back.record->events[i].sameAs(r.record->events[i])) std::abort();
    return 0;
}
