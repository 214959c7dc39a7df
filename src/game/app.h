#pragma once

namespace gv {

// The program: opens the window and plays until it is closed. Returns the exit status.
int runGame(int argc, char** argv);

}  // namespace gv
