#pragma once

#include <functional>

namespace gv {

class Mainfrm;

// The program: opens the window and plays until it is closed. Returns the exit status.
// `prepare` runs once the window is loaded (the end-to-end tests' own build adds keys there).
int runGame(int argc, char** argv, const std::function<void(Mainfrm&)>& prepare = {});

}  // namespace gv
