#pragma once
// Computing recorded battles again, headless: `--verify-replay`. Every battle is computed on the battle
// alone (the referee); a test may give a table of its own.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/eventloop.h"
#include "replay/playback.h"

namespace gv::replay {

// The verdict on one file, computed headless.
struct Verdict {
    enum Kind { Same, Differs, Unreadable } kind = Unreadable;
    std::string line;  // what `--verify-replay` prints for the file
};
// A table of the caller's to play the record on, made on the playback's loop (none: the referee).
using TableMaker = std::function<std::shared_ptr<Table>(EventLoop& loop)>;
Verdict VerifyFile(const std::string& path, const TableMaker& table = {});
// `--verify-replay FILE...`: a line a file; 0 when every battle computes the same, 1 when one differs,
// 2 when one cannot be read.
int VerifyFiles(const std::vector<std::string>& paths);

}  // namespace gv::replay
