#pragma once
// Draws a Form in a real SDL window and feeds it the player's input, through the event loop.
#include <memory>

#include "platform/controls.h"
#include "platform/eventloop.h"
#include "platform/windowsystem.h"

namespace gv {

// Where the game's picture goes in a window of outW x outH pixels, centred, with black bars where the shapes
// differ. Smooth: the largest size that keeps its shape, a whole multiple when that loses little of the
// window. Otherwise the largest whole multiple that fits, or the smooth size in a window smaller than the
// picture. `whole` when it is drawn at a whole multiple.
struct WindowFit {
    double scale = 1;
    bool whole = true;
    int x = 0, y = 0, w = 0, h = 0;
};
WindowFit fitWindow(int outW, int outH, int picW, int picH, bool smooth = true);
// The first window size: the largest of the picture's shape in 85 % of the usable desktop, a whole multiple
// when one is that size within 5 %; never smaller than the picture on a desktop that holds it.
struct WindowSize {
    int width = 0, height = 0;
};
WindowSize firstWindowSize(int usableW, int usableH, int picW, int picH);

class SdlDriver : public Window {
public:
    // Prepares the window for `form` (its caption, icon and client size), still hidden. Throws
    // std::runtime_error when no display can be opened.
    explicit SdlDriver(Form& form);
    // Connects to the display, as the constructor does, for a program that wants it done before it
    // builds much: without a desktop session bus SDL's start-up forks a helper, and after a fork every
    // page the program had already written costs a fault when it is written again. Each call is one
    // more use of SDL's video, given back when SDL ends (see SdlSession). Throws as above.
    static void openDisplay();
    ~SdlDriver() override;
    SdlDriver(const SdlDriver&) = delete;
    SdlDriver& operator=(const SdlDriver&) = delete;

    double nowMs() override;
    double timeOfDay() override;
    void collectInput() override;
    void present() override;
    void sleepUntil(double tMs) override;

    void show() override;
    Place place() const override;
    void setPlace(const Place& p) override;
    void setSmooth(bool smooth) override;
    bool smooth() const override;
    TextCache textCache() const override;
    void setTextCacheBound(std::size_t bytes) override;
    void setFullScreen(bool on) override;
    bool fullScreen() const override;

    // Opens a web address in the desktop's browser; errors are ignored.
    static void openUrl(const char* url);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// SDL for a whole program: made before anything else of SDL, it connects to the display (openDisplay)
// with the program's windows in `windowClass` (its desktop entry's id); gone after everything else of SDL,
// it ends SDL, with whatever of it is still open. One per program.
class SdlSession {
public:
    explicit SdlSession(const char* windowClass);  // throws as openDisplay
    ~SdlSession();
    SdlSession(const SdlSession&) = delete;
    SdlSession& operator=(const SdlSession&) = delete;
};

// The desktop's parts served by SDL (see windowSystem).
WindowSystem& sdlWindowSystem();

}  // namespace gv
