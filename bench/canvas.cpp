// Prints how many pixels a second the canvas model sets, and how long the sky's circles take.
#include <chrono>
#include <cstdio>

#include "platform/controls.h"
#include "platform/eventloop.h"

int main() {
    using clock = std::chrono::steady_clock;
    gv::EventLoop loop;
    gv::Form form(loop);
    gv::Canvas& c = form.create<gv::Canvas>(nullptr, "world");
    const int rounds = 20;
    auto t0 = clock::now();
    long n = 0;
    for (int r = 0; r < rounds; ++r)
        for (int y = 0; y < gv::Canvas::kHeight; ++y)
            for (int x = 0; x < gv::Canvas::kWidth; ++x, ++n) c.setPixel(x + 0.25, y + 0.5, gv::rgb(x & 255, y & 255, r));
    double s = std::chrono::duration<double>(clock::now() - t0).count();
    std::printf("set-pixel: %.1f million pixels per second (%ld pixels in %.3f s)\n", static_cast<double>(n) / s / 1e6, n, s);

    c.setDrawWidth(1);
    t0 = clock::now();
    for (double i = 800; i <= 1500; i += 0.5) {
        c.circle(400, 1401, 2300 - i, gv::rgb(int(i) & 255, 0, 0));
        c.circle(400, 1400, 2300 - i, gv::rgb(int(i) & 255, 0, 0));
    }
    s = std::chrono::duration<double>(clock::now() - t0).count();
    std::printf("sky: 2802 circle outlines in %.1f ms\n", s * 1000);
    return 0;
}
