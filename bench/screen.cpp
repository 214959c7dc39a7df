// Prints the frames per second of presenting the whole window (menu over a canvas that changes every frame),
// and the CPU time the idle menu uses over 10 s of wall time. Needs a display (run under xvfb-run).
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "game/mainfrm.h"
#include "platform/sdl/sdlbackend.h"

static double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

int main(int argc, char** argv) {
    double idleSeconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    try {
        gv::EventLoop loop;
        gv::Mainfrm form(loop);
        gv::SdlDriver screen(form);
        loop.setDriver(&screen);

        // Presenting: every frame the whole canvas changes and travels to the screen.
        gv::Driver& d = loop.driver();
        double t0 = d.nowMs();
        int frames = 0;
        while (d.nowMs() - t0 < 3000) {
            for (int y = 0; y < gv::Canvas::kHeight; y += 1)
                form.world.setPixel(frames % gv::Canvas::kWidth, y, gv::rgb(frames & 255, y & 255, 0));
            form.world.setPixel(0, 0, frames);
            form.world.setPixel(800, 600, frames);  // the changed region is the whole canvas
            d.present();
            ++frames;
        }
        std::printf("present: %.0f frames per second, full window (%d frames in 3 s)\n", frames * 1000.0 / (d.nowMs() - t0),
                    frames);

        // The paced refresh that a battlefield build-up uses.
        t0 = d.nowMs();
        for (int i = 0; i < 120; ++i) loop.refresh();
        std::printf("refresh: %.1f frames per second (paced)\n", 120 * 1000.0 / (d.nowMs() - t0));

        // Idle: the menu waits for input.
        bool done = false;
        gv::Timer stop(loop, "stop", int(idleSeconds * 1000));
        stop.onTimer = [&] { done = true; };
        stop.setEnabled(true);
        double cpu0 = cpuSeconds();
        t0 = d.nowMs();
        loop.waitUntil([&] { return done; });
        double wall = (d.nowMs() - t0) / 1000.0, cpu = cpuSeconds() - cpu0;
        std::printf("idle menu: %.3f s CPU over %.1f s wall (%.2f %%)\n", cpu, wall, 100.0 * cpu / wall);
        loop.setDriver(nullptr);
    } catch (const std::exception& e) {
        std::printf("screen bench skipped: %s\n", e.what());
    }
    return 0;
}
