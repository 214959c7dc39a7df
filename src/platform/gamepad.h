#pragma once
// Game pads in the UI model, whatever their make: presses, releases and plugging, fed by the backend (or a
// test), and the repeat of whatever is held. Runs headless on the loop's clock.
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

union SDL_Event;

namespace gv {

class EventLoop;
class Form;
class Timer;

// The buttons the game knows. The left stick pushed past the middle of its travel counts as the D-pad.
enum class PadButton { Up, Down, Left, Right, A, B, Start };

// Holding a key, a pad's direction or the mouse on a spin arrow repeats it: first after kDelayMs, then
// every kRateMs, until it is let go.
struct HoldRepeat {
    static constexpr double kDelayMs = 500;
    static constexpr double kRateMs = 40;
};

class Pads {
public:
    explicit Pads(EventLoop& loop);
    ~Pads();
    Pads(const Pads&) = delete;
    Pads& operator=(const Pads&) = delete;

    // A pad is known by a small number: the first one not in use when it is plugged in, so with two pads
    // in use they are 0 and 1, and a pad plugged in again takes the place its predecessor left.
    int plug();
    // Lets go of everything the pad held; nothing it held repeats any more.
    void unplug(int pad);
    void press(int pad, PadButton b);
    void release(int pad, PadButton b);
    // The pads plugged in, lowest number first.
    std::vector<int> connected() const;

    // A press, and every repeat of a held direction (Up, Down, Left, Right). The other buttons do not repeat.
    std::function<void(int pad, PadButton b)> onButton;
    // A pad came or went.
    std::function<void()> onPlugged;

    // Whether the pad holds the button now.
    bool held(int pad, PadButton b) const { return held_.count({pad, b}) != 0; }

private:
    // A button may be held twice over (the D-pad and the stick both pushing Up): it is let go when both
    // are. A held direction's timer repeats it.
    struct Held {
        int count = 0;
        std::unique_ptr<Timer> repeat;
    };
    void fire(int pad, PadButton b);
    EventLoop& loop_;
    std::set<int> pads_;
    std::map<std::pair<int, PadButton>, Held> held_;
};

// The SDL backend's game controllers as Pads (sdl/sdlinput.cpp): it opens every controller SDL finds,
// plugs it into the form's Pads and posts its buttons and left stick through the form's loop, as keys
// are. Kept apart from the window so it runs without one.
class SdlPadInput {
public:
    explicit SdlPadInput(Form& form);  // starts SDL's game controller support
    ~SdlPadInput();                    // closes the controllers and stops it again
    SdlPadInput(const SdlPadInput&) = delete;
    SdlPadInput& operator=(const SdlPadInput&) = delete;
    // Any SDL event: those of game controllers are taken, the rest ignored.
    void handle(const SDL_Event& e);

private:
    struct Open {
        void* controller;            // SDL_GameController*
        int stickX = 0, stickY = 0;  // the left stick as a direction: -1, 0 or 1 on each axis
    };
    void post(int id, PadButton b, bool down);
    Form& form_;
    bool started_ = false;
    std::map<int, Open> open_;  // by SDL's instance id
    // Filled as the posted plugs run, so posted presses find their pad's number.
    std::shared_ptr<std::map<int, int>> numbers_ = std::make_shared<std::map<int, int>>();
};

}  // namespace gv
