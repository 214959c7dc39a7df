#pragma once

#include <functional>

namespace gv {

class Mainfrm;

// The program's name: its settings' folder and first line, its lock and its messages on stderr.
inline constexpr const char* kProgramName = "gorvath";

// The program: opens the window and plays until it is closed. Returns the exit status.
// `prepare` runs once the window is loaded (the end-to-end tests' own build adds keys there).
int runGame(int argc, char** argv, const std::function<void(Mainfrm&)>& prepare = {});

}  // namespace gv
