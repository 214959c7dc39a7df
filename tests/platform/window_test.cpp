// The window's size and how the picture is laid out and drawn in it, in a real SDL window on SDL's
// display-less video driver.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cmath>
#include <memory>
#include <vector>

#include "platform/controls.h"
#include "platform/eventloop.h"
#include "platform/sdl/sdlbackend.h"

namespace gv {
namespace {

TEST(WindowSize, FirstSizeFillsMostOfTheDesktopAndFitKeepsTheShape) {
    // clang-format off
    struct Row { int deskW, deskH, w, h; };
    // clang-format on
    for (Row r : {Row{1920, 1080, 1224, 918}, Row{2000, 1500, 1600, 1200}, Row{1800, 1350, 1600, 1200},
                  Row{2560, 1440, 1600, 1200}, Row{1024, 768, 870, 652}, Row{800, 600, 800, 600}, Row{640, 480, 640, 480}}) {
        const WindowSize s = firstWindowSize(r.deskW, r.deskH, 800, 600);
        EXPECT_EQ(std::pair(s.width, s.height), std::pair(r.w, r.h)) << r.deskW << "x" << r.deskH;
    }
    // Whole multiples only: the largest that fits, centred; smooth below the picture's own size.
    const WindowFit f = fitWindow(1900, 1300, 800, 600, false), small = fitWindow(400, 300, 800, 600, false);
    EXPECT_TRUE(f.whole && f.w == 1600 && f.x == 150 && f.y == 50) << f.w << " at " << f.x << "," << f.y;
    EXPECT_TRUE(fitWindow(1500, 1300, 800, 600, false).w == 800 && fitWindow(1500, 1300, 800, 600, true).w == 1500 &&
                !small.whole && small.w == 400);
}

// A battlefield of many colours, a health bar of five lines and a sprite that moves over them: after the
// sprite moves, the window shows exactly what drawing it all again shows, and the bar is one solid band.
TEST(SdlWindow, PartlyRedrawnPictureIsTheWholeRedrawnAndLinesMeetAtEveryScale) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
    EventLoop loop;
    Form form{loop};
    Image& sprite = form.create<Image>(nullptr, "sprite");
    Panel& panel = form.create<Panel>(nullptr, "panel");
    panel.move(0, 0, 300, 100);
    for (int k = 0; k < 5; ++k) {
        LineShape& l = form.create<LineShape>(&panel, "bar", k);
        l.x1 = 8, l.x2 = 288, l.y1 = l.y2 = 60 + 2 * k, l.borderWidth = 2;
        l.foreColour = rgb(0, 160 + 16 * k, 0);
    }
    Canvas& field = form.create<Canvas>(nullptr, "field");
    for (int y = 0; y < Canvas::kHeight; ++y)
        for (int x = 0; x < Canvas::kWidth; ++x) field.setPixel(x, y, rgb(x * 7 % 256, y * 5 % 256, (x ^ y) % 256));
    auto arrow = std::make_shared<Picture>(21, 27);
    for (int y = 0; y < 27; ++y)
        for (int x = 0; x < 21; ++x) arrow->at(x, y) = (x + y) % 4 ? Picture::opaque(rgb(255, x * 12, y * 9)) : 0;
    sprite.setPicture(arrow);
    sprite.move(101, 203, 21, 27);

    SdlDriver screen(form);
    screen.show();
    EXPECT_TRUE(SDL_GetHintBoolean(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, SDL_FALSE));  // the click that focuses it acts too
    SDL_Window* window = nullptr;
    for (Uint32 id = 1; !window && id < 100; ++id) window = SDL_GetWindowFromID(id);
    ASSERT_NE(window, nullptr);
    auto pixels = [window] {
        SDL_Surface* s = SDL_GetWindowSurface(window);
        std::vector<Uint32> v(std::size_t(s->w) * s->h);
        for (int y = 0; y < s->h; ++y)
            for (int x = 0; x < s->w; ++x)
                v[std::size_t(y) * s->w + x] = static_cast<Uint32*>(s->pixels)[y * s->pitch / 4 + x] & 0xFFFFFF;
        return v;
    };
    for (auto [w, h] : {std::pair{700, 525}, {1000, 750}, {1224, 918}, {1440, 1080}, {1600, 1200}}) {
        SDL_SetWindowSize(window, w, h);
        screen.collectInput();
        screen.present();
        // Rows 60 to 69 of the form are the bar's, each onto the output rows between its edges.
        const double k = w / 800.0;
        const std::vector<Uint32> full = pixels();
        for (int y = int(std::floor(60 * k)) - 1; y <= int(std::floor(70 * k)); ++y) {
            const bool bar = y >= int(std::floor(60 * k)) && y < int(std::floor(70 * k));
            EXPECT_EQ((full[std::size_t(y) * w + int(150 * k)] & 0xFF00FF) == 0, bar) << w << "x" << h << " row " << y;
        }
        for (int step = 0; step < 20; ++step) {
            sprite.setTop(sprite.top() + step * 3 % 5 + 1);
            sprite.setLeft(sprite.left() + step * 7 % 4 + 1);
            screen.present();
        }
        const std::vector<Uint32> partly = pixels();
        screen.setSmooth(false);  // two changes of layout: the whole picture drawn again
        screen.setSmooth(true);
        const std::vector<Uint32> whole = pixels();
        int differ = 0;
        for (std::size_t i = 0; i < whole.size(); ++i) differ += partly[i] != whole[i];
        EXPECT_EQ(differ, 0) << w << "x" << h;
    }
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
}

}  // namespace
}  // namespace gv
