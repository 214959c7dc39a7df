#include "game/app.h"

#include <SDL.h>

#include <cstdio>
#include <exception>

#include "game/mainfrm.h"
#include "platform/program.h"
#include "platform/sdl/sdlbackend.h"

namespace gv {

int runGame(int, char**, const std::function<void(Mainfrm&)>& prepare) {
    try {
        // One copy at a time: a second start ends at once, showing nothing.
        InstanceLock lock("gorvath");
        if (lock.previousInstance()) return 0;
        // The display first, while the program is still small (see openDisplay).
        SdlDriver::openDisplay();
        EventLoop loop;
        Desktop desktop;
        desktop.openUrl = [](const std::string& url) { SdlDriver::openUrl(url.c_str()); };
        Mainfrm form(loop, desktop);
        SdlDriver screen(form);
        loop.setDriver(&screen);
        form.Form_Load();
        if (prepare) prepare(form);
        // Shown with its menu and intro sky already drawn: no black window, no click before the first frame.
        screen.show();
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
