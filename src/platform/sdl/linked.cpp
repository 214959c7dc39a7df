// A program with the desktop's parts linked in (the tests, the benches, and systems without modules).
#include "platform/sdl/sdlbackend.h"

namespace gv {

WindowSystem& windowSystem() { return sdlWindowSystem(); }

}  // namespace gv
