// Game pads: the model on the virtual clock, and SDL's controllers through a virtual one (no window).
#include <SDL.h>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/controls.h"
#include "platform/eventloop.h"

namespace gv {
namespace {

using Presses = std::vector<std::pair<int, PadButton>>;

TEST(Pads, NumbersHeldDirectionsRepeatAndUnpluggingEndsEverything) {
    EventLoop loop;
    Pads pads(loop);
    EXPECT_EQ((std::vector<int>{pads.plug(), pads.plug(), pads.plug()}), (std::vector<int>{0, 1, 2}));
    pads.unplug(1);
    EXPECT_EQ(pads.plug(), 1);  // the freed number, not 3
    std::vector<double> upAt;
    Presses got;
    pads.onButton = [&](int pad, PadButton b) {
        got.push_back({pad, b});
        if (b == PadButton::Up) upAt.push_back(loop.now());
    };
    pads.press(0, PadButton::Up), pads.press(1, PadButton::A);  // A never repeats
    loop.runFor(1000);
    pads.release(0, PadButton::Up);
    loop.runFor(500);
    EXPECT_EQ(got.size(), 15u);  // Up at 0, 500, 540, ... 980, and A once
    EXPECT_TRUE(upAt[1] == HoldRepeat::kDelayMs && upAt[2] == upAt[1] + HoldRepeat::kRateMs && upAt.back() == 980);
    // Held by the D-pad and the stick at once: let go only when both are.
    got.clear();
    pads.press(2, PadButton::Left), pads.press(2, PadButton::Left), pads.release(2, PadButton::Left);
    loop.runFor(600);
    EXPECT_EQ(got.size(), 4u);  // the press, 500, 540, 580 later
    // A handler that unplugs the pad in the middle of a repeat: nothing of it is left to fire.
    pads.onButton = [&](int pad, PadButton) { pads.unplug(pad); };
    loop.runFor(1000);
    EXPECT_TRUE(pads.connected() == (std::vector<int>{0, 1}) && !pads.held(2, PadButton::Left));
}

TEST(SdlPadInput, AVirtualControllerPlugsPressesPushesTheStickAndUnplugs) {
    EventLoop loop;
    Form form{loop};
    Presses got;
    form.pads().onButton = [&](int pad, PadButton b) { got.push_back({pad, b}); };
    form.pads().plug();  // pad 0 is a pad of another kind
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    SDL_VirtualJoystickDesc d{};
    d.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION, d.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    d.naxes = SDL_CONTROLLER_AXIS_MAX, d.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    const int early = SDL_JoystickAttachVirtualEx(&d);  // plugged in before the game looks: pad 1
    {
        SdlPadInput input(form);
        const int late = SDL_JoystickAttachVirtualEx(&d);  // pad 2
        SDL_Joystick* j = SDL_JoystickOpen(late);
        ASSERT_TRUE(early >= 0 && j) << SDL_GetError();
        // SDL's input comes in as it is polled, at once; the loop then runs what was posted.
        auto pumpUntil = [&](auto done) {
            for (int i = 0; i < 100 && !done(); ++i) {
                SDL_Event e;
                while (SDL_PollEvent(&e)) input.handle(e);
                loop.pumpEvents();
            }
            return done();
        };
        ASSERT_TRUE(pumpUntil([&] { return form.pads().connected().size() == 3; }));
        SDL_JoystickSetVirtualButton(j, SDL_CONTROLLER_BUTTON_A, 1), pumpUntil([] { return false; });
        SDL_JoystickSetVirtualButton(j, SDL_CONTROLLER_BUTTON_A, 0);
        // Pressed past half the travel, let go under a quarter: in between, the edges too, it stays as it was.
        for (auto [x, held] :
             {std::pair<Sint16, bool>{16384, false}, {16385, true}, {8192, true}, {16385, true}, {8191, false}}) {
            SDL_JoystickSetVirtualAxis(j, SDL_CONTROLLER_AXIS_LEFTX, x), pumpUntil([] { return false; });
            EXPECT_EQ(form.pads().held(2, PadButton::Right), held) << x;
        }
        SDL_JoystickSetVirtualAxis(j, SDL_CONTROLLER_AXIS_LEFTY, -20000);
        ASSERT_TRUE(pumpUntil([&] { return got.size() >= 3; }));
        EXPECT_EQ(got, (Presses{{2, PadButton::A}, {2, PadButton::Right}, {2, PadButton::Up}}));
        SDL_JoystickClose(j);
        SDL_JoystickDetachVirtual(late);
        EXPECT_TRUE(pumpUntil([&] { return form.pads().connected() == std::vector<int>{0, 1}; }));
    }
    SDL_JoystickDetachVirtual(early);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

}  // namespace
}  // namespace gv
