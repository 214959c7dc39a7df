// The desktop's parts as a module of their own, which the program loads when it opens a window.
#include "platform/sdl/sdlbackend.h"

extern "C" __attribute__((visibility("default"))) gv::WindowSystem* gorvath_window_system() { return &gv::sdlWindowSystem(); }
