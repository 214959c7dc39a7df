#include "game/app.h"

#include <SDL.h>

#include <cstdio>
#include <exception>

#include "game/mainfrm.h"
#include "platform/sdl/sdlbackend.h"

namespace gv {

int runGame(int, char**) {
    try {
        EventLoop loop;
        Mainfrm form(loop);
        SdlDriver screen(form);
        loop.setDriver(&screen);
        form.endgame.onClick = [&form] { form.unload(); };
        loop.waitUntil([&form] { return form.unloaded(); });
        loop.setDriver(nullptr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gorvath: %s\n", e.what());
        return 1;
    }
    SDL_Quit();
    return 0;
}

}  // namespace gv
