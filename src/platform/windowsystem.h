#pragma once
// The program's hold on a real desktop: a window that shows a form and takes the player's input, the sound
// card, the keyboard's layout and the browser. SDL serves them all. Where the platform allows, they live in
// a module of their own that is loaded the first time any of them is asked for, so a run that opens no
// window (checking records) never loads SDL and the libraries of the display and sound behind it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/eventloop.h"
#include "platform/locale.h"

namespace gv {

class Form;

// A real window that draws a form and feeds it the player's input, through the event loop.
class Window : public Driver {
public:
    // Shows the window with the form drawn in it from its first moment on screen.
    virtual void show() = 0;

    // The window's size and place when it is not full screen, and whether it is full screen now.
    struct Place {
        int x = 0, y = 0, width = 0, height = 0;
        bool fullScreen = false;
    };
    virtual Place place() const = 0;
    // Before show(): the window as it was last time. A size is kept within the smallest window and the
    // desktop; a place that is on no display now is left to the window system.
    virtual void setPlace(const Place& p) = 0;

    // How the picture fills the window: smooth (any size that keeps its shape) or whole multiples only.
    // A change is laid out and drawn at once.
    virtual void setSmooth(bool smooth) = 0;
    virtual bool smooth() const = 0;
    // Full screen on the desktop the window is on, or back to the window as it was.
    virtual void setFullScreen(bool on) = 0;
    virtual bool fullScreen() const = 0;

    // The lines of text kept rendered for drawing again: how many, their bytes, and how many were rendered
    // so far. They are kept within a bound on their bytes (2 MB unless set), the least recently drawn
    // going first, never one drawn in the frame being drawn.
    struct TextCache {
        std::size_t texts = 0, bytes = 0;
        long rendered = 0;
    };
    virtual TextCache textCache() const = 0;
    virtual void setTextCacheBound(std::size_t bytes) = 0;
};

// An open sound card, playing a stream of 16-bit samples in native byte order, channels interleaved, that
// its own thread asks for as it needs them. Closed when it goes (after the thread's last call).
class AudioStream {
public:
    using Fill = void (*)(void* user, std::uint8_t* stream, int bytes);
    virtual ~AudioStream() = default;
    // Holds the device's thread off the caller's data until unlock().
    virtual void lock() = 0;
    virtual void unlock() = 0;
};

class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    // The desktop for a whole program: made before anything else of it, it connects to the display with
    // the program's windows in `windowClass` (its desktop entry's id); when it goes, everything of the
    // desktop still open goes with it. One per program. Throws std::runtime_error when no display opens.
    virtual std::shared_ptr<void> session(const char* windowClass) = 0;
    // A window for `form`, prepared but still hidden. Throws std::runtime_error when it cannot be made.
    virtual std::unique_ptr<Window> window(Form& form) = 0;

    // The sound card at `rate` samples a second on `channels` channels, `frames` to a chunk, already
    // playing what `fill` gives; null when there is none.
    virtual std::unique_ptr<AudioStream> openAudio(int rate, int channels, int frames, AudioStream::Fill fill, void* user) = 0;
    // A whole RIFF wave file as 16-bit samples in native byte order on one channel at `rate`; false when
    // it cannot be read.
    virtual bool monoSamples(std::span<const std::uint8_t> wave, int rate, std::vector<std::int16_t>& out) = 0;

    // The display's keyboard layouts and the one in use, where the desktop tells them; `s` as it was
    // otherwise.
    virtual void readKeyboard(LanguageSettings& s) = 0;
    // Opens a web address in the desktop's browser; errors are ignored.
    virtual void openUrl(const char* url) = 0;
};

// The desktop's parts, loaded on the first call. Throws std::runtime_error, saying why, when they cannot be.
WindowSystem& windowSystem();

}  // namespace gv
