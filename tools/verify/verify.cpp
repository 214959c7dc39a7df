// Computes recorded battles again and compares them with their records, as `gorvath --verify-replay`
// does, with nothing of the game's window: the battle's layers alone, for a system the whole game is not
// built for yet.
#include <cstdio>
#include <string>
#include <vector>

#include "replay/verify.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: gorvath-verify FILE...\n");
        return 2;
    }
    return gv::replay::VerifyFiles(std::vector<std::string>(argv + 1, argv + argc));
}
