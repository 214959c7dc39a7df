// The window's size and how the picture is laid out and drawn in it, in a real SDL window on SDL's
// display-less video driver.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cmath>
#include <vector>

#include "game/gauges.h"
#include "game/mainfrm.h"
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

// The game's window: a battlefield of many colours, a health bar of five lines and a sprite that moves over
// them. After the sprite moves, the window shows exactly what drawing it all again shows, and the bar is one
// solid band. Each text on the battlefield shows over every sprite put under it, a health number reads
// against what lies behind its letters at any health, and the texts kept drawn stay within their bytes.
TEST(SdlWindow, PartlyRedrawnPictureIsTheWholeRedrawnTextsShowOverSpritesKeepToTheirBytesAndLinesMeetAtEveryScale) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
    EventLoop loop;
    Mainfrm f{loop};
    for (int y = 0; y < Canvas::kHeight; ++y)
        for (int x = 0; x < Canvas::kWidth; ++x) f.world.setPixel(x, y, rgb(x * 7 % 256, y * 5 % 256, (x ^ y) % 256));
    SdlDriver screen(f);
    screen.show();
    EXPECT_TRUE(SDL_GetHintBoolean(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, SDL_FALSE));  // the click that focuses it acts too
    SDL_Window* window = nullptr;
    for (Uint32 id = 1; !window && id < 100; ++id) window = SDL_GetWindowFromID(id);
    ASSERT_NE(window, nullptr);
    // The window's pixels as drawn now, row by row: all of them, or those of a control's box at 800 x 600.
    auto pixels = [&](const Control* c = nullptr) {
        screen.present();
        const SDL_Surface* s = SDL_GetWindowSurface(window);
        const SDL_Rect r =
            c ? SDL_Rect{int(c->absLeft()), int(c->absTop()), int(c->width()), int(c->height())} : SDL_Rect{0, 0, s->w, s->h};
        std::vector<Colour> v(std::size_t(r.w) * std::size_t(r.h));
        SDL_ConvertPixels(r.w, r.h, s->format->format, static_cast<Uint8*>(s->pixels) + r.y * s->pitch + r.x * 4, s->pitch,
                          SDL_PIXELFORMAT_ABGR8888, v.data(), r.w * 4);
        for (Colour& px : v) px &= 0xFFFFFF;
        return v;
    };
    auto bright = [](Colour c) { return 0.2126 * redOf(c) + 0.7152 * greenOf(c) + 0.0722 * blueOf(c); };  // 0 to 255
    auto alike = [&](Colour a, Colour b, int by) { return std::abs(bright(a) - bright(b)) <= by; };
    SDL_SetWindowSize(window, 800, 600), screen.collectInput();
    f.Frame3.setVisible(false), f.loadElement(f.strom, 1);  // no menu; a tree beside the array's first
    std::vector<Image*> sprites;
    for (Control* c : f.world.children())
        if (auto* sprite = dynamic_cast<Image*>(c))
            sprites.push_back(sprite), sprite->picture() ? void() : sprite->setPicture(f.tree(0).picture());
    for (Control* c : f.world.children())
        if (auto* text = dynamic_cast<Label*>(c)) {
            text->setCaption("WWWWWWWWWWWWWWWWWWWWWWWW"), text->setVisible(true);
            const auto alone = pixels(text);
            const double x = text->left() + text->width() / 2, y = text->top() + text->height() / 2;
            for (Image* s : sprites) s->setLeft(x - s->width() / 2), s->setTop(y - s->height() / 2), s->setVisible(true);
            const auto over = pixels(text);
            int letters = 0, covered = 0;
            for (std::size_t i = 0; i < alone.size(); ++i)
                letters += alone[i] == text->foreColour, covered += alone[i] == text->foreColour && !alike(over[i], alone[i], 8);
            EXPECT_TRUE(letters > 20 && covered == 0) << text->name() << text->index() << ": " << covered << " of " << letters;
            for (Image* s : sprites) s->setVisible(false);
            text->setVisible(false);
        }
    f.Frame1.setVisible(true), f.Frame2.setVisible(true), f.gauges().SetNumbers(true);
    for (double health : {1000, 500, 330, 100, 30, 1}) {
        f.state.Health1 = f.state.Health2 = health, f.gauges().ShowHealth1(), f.gauges().ShowHealth2();
        for (Control* number : {f.find("healthnum1"), f.find("healthnum2")}) {
            const auto behind = (number->setVisible(false), pixels(number)), shown = (number->setVisible(true), pixels(number));
            double sum = 0, letters = 0;
            for (std::size_t i = 0; i < shown.size(); ++i)
                if (shown[i] != behind[i] && alike(shown[i], number->foreColour, 32))
                    sum += std::abs(bright(shown[i]) - bright(behind[i])), ++letters;
            EXPECT_TRUE(letters > 10 && sum / letters > 80) << number->name() << " at " << health << ": " << sum / letters;
        }
    }
    // The texts kept drawn stay within their bound in bytes: over it the least recently drawn goes first,
    // and comes back drawn as it was.
    auto say = [&](const char* s) { return f.wind.setCaption(s), f.wind.setVisible(true), pixels(&f.wind); };
    const std::size_t before = screen.textCache().bytes, two = (say("AAAA"), screen.textCache().bytes - before) * 5 / 2;
    screen.setTextCacheBound(two);  // room for two such texts
    const auto b = say("BBBB");
    const long rendered = (say("AAAA"), say("CCCC"), screen.textCache().rendered);  // B, drawn longest ago, went
    EXPECT_TRUE(!say("AAAA").empty() && screen.textCache().rendered == rendered && screen.textCache().bytes <= two);
    EXPECT_TRUE(say("BBBB") == b && screen.textCache().rendered == rendered + 1);
    f.state.Health1 = 1000, f.gauges().ShowHealth1();  // the bar whole again
    f.arrow.move(101, 203, 32, 32), f.arrow.setVisible(true);
    for (auto [w, h] : {std::pair{700, 525}, {1000, 750}, {1224, 918}, {1440, 1080}, {1600, 1200}}) {
        SDL_SetWindowSize(window, w, h), screen.collectInput();
        // Rows 60 to 69 of the form are the bar's, each onto the output rows between its edges.
        const double k = w / 800.0;
        const std::vector<Colour> full = pixels();
        // The battlefield from the game's own pixels, each onto the output pixels between its edges.
        EXPECT_EQ(full[std::size_t(400 * k) * std::size_t(w) + std::size_t(608 * k)], f.world.point(608, 400)) << w;
        for (int y = int(std::floor(60 * k)) - 1; y <= int(std::floor(70 * k)); ++y) {
            const bool bar = y >= int(std::floor(60 * k)) && y < int(std::floor(70 * k));
            EXPECT_EQ((full[std::size_t(y) * w + int(150 * k)] & 0xFF00FF) == 0, bar) << w << "x" << h << " row " << y;
        }
        for (int step = 0; step < 20; ++step) {
            f.arrow.setTop(f.arrow.top() + step * 3 % 5 + 1);
            f.arrow.setLeft(f.arrow.left() + step * 7 % 4 + 1);
            f.world.fillRow(400 + step, 590, 630 + step, rgb(step * 12, 0, 255));
            screen.present();
        }
        const std::vector<Colour> partly = pixels();
        screen.setSmooth(false), screen.setSmooth(true);  // two changes of layout: the whole picture drawn again
        EXPECT_EQ(pixels(), partly) << w << "x" << h;
    }
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
}

}  // namespace
}  // namespace gv
