#pragma once
// The one event loop of the program: queued input, timers, socket events and frame presentation,
// all on one thread. Three ways to "process pending events", each with one job:
//   pumpEvents()  run what is due now and return; never sleeps (inside long computations)
//   refresh()     pumpEvents() and then present a frame, paced to 60 frames per second; input that
//                 arrives meanwhile is handled but never brings the frame forward
//   waitUntil(c)  pump and sleep until c() is true; a waiting game uses no CPU
// With the virtual clock time moves only in refresh() and waitUntil(), so tests run whole battles in
// milliseconds, and a waitUntil() that can never end throws instead of hanging.
#include "platform/asio.h"
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace gv {

// The calendar time of `t` in the system's time zone.
std::tm LocalTime(std::time_t t);

class Timer;

// What the loop needs from the outside world: a clock, input, a screen, a way to sleep.
class Driver {
public:
    virtual ~Driver() = default;
    virtual double nowMs() = 0;               // monotonic milliseconds
    virtual double timeOfDay() = 0;           // seconds since local midnight, with fractions
    virtual void collectInput() {}            // move window-system input into the loop's queue
    virtual void present() {}                 // draw a frame now
    virtual void sleepUntil(double tMs) = 0;  // wait for input or until tMs
    virtual bool isVirtual() const { return false; }
};

// Time that moves only when the loop says so. Time of day starts at `startOfDay` seconds.
class VirtualDriver : public Driver {
public:
    explicit VirtualDriver(double startOfDay = 12 * 3600.0) : dayBase_(startOfDay) {}
    double nowMs() override { return now_; }
    double timeOfDay() override;
    void present() override { ++frames_; }
    void sleepUntil(double tMs) override {
        if (tMs > now_) now_ = tMs;
    }
    bool isVirtual() const override { return true; }
    void advance(double ms) { now_ += ms; }
    void setTimeOfDay(double seconds) { dayBase_ = seconds - now_ / 1000.0; }
    long frames() const { return frames_; }

private:
    double now_ = 0;
    double dayBase_;
    long frames_ = 0;
};

// The real clock without a screen (used by tools and by tests of real sockets).
class RealDriver : public Driver {
public:
    RealDriver();
    double nowMs() override;
    double timeOfDay() override;
    void sleepUntil(double tMs) override;

private:
    double start_;
};

// Thrown by waitUntil() under the virtual clock when nothing can ever make the condition true, or when
// hours of game time pass without it.
struct WaitStalled : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class EventLoop {
public:
    static constexpr double kFrameMs = 1000.0 / 60.0;

    explicit EventLoop(Driver* driver = nullptr);  // nullptr: a virtual clock of its own
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    void setDriver(Driver* driver);
    Driver& driver() { return *driver_; }
    bool isVirtual() const { return driver_->isVirtual(); }
    // The game's time: the driver's clock, run faster or slower by setPace().
    double now() { return clock(); }
    // The game's time runs `factor` times as fast from now on (a replay watched at four
    // times the speed); timers keep their places in it. 1 is the normal pace.
    void setPace(double factor);
    double pace() const { return pace_; }
    double timeOfDay() { return driver_->timeOfDay(); }

    void pumpEvents();
    void refresh();
    void waitUntil(const std::function<bool()>& condition);
    // Virtual clock only: run the loop for `ms` of game time (timers fire as they fall due).
    void runFor(double ms);

    // Queue an event (input or a socket event); it runs at the next pump, in order.
    void post(std::function<void()> event);
    bool hasPending() const { return !queue_.empty(); }

    // Something on screen changed; the next due frame is presented.
    void markDirty() { dirty_ = true; }

    // Sockets run on this context; their completions only post events, so the game's handlers never
    // run inside asio and may pump the loop again.
    asio::io_context& io() { return io_; }
    void setSocketActive(const void* socket, bool active);
    bool socketsActive() const { return !activeSockets_.empty(); }

    // Timers register themselves.
    void addTimer(Timer* t);
    void removeTimer(Timer* t);

    long framesPresented() const { return frames_; }

private:
    friend class Timer;
    void runPending();  // input, timers and sockets, without presenting
    void runDueTimers();
    void runQueued();
    void pollSockets();
    double nextTimerDue() const;
    double clock();
    void sleepTo(double tMs);
    void presentIfDue(bool force);

    Driver* driver_;
    VirtualDriver* ownDriver_ = nullptr;
    asio::io_context io_;
    std::deque<std::function<void()>> queue_;
    std::vector<Timer*> timers_;
    std::set<const void*> activeSockets_;
    double nextFrame_ = 0;
    double pace_ = 1, paceBase_ = 0, paceDriverBase_ = 0;
    bool dirty_ = true;
    long frames_ = 0;
};

// A timer: while enabled, its handler runs once per interval. A handler is never entered again while it
// is still running (nested pumps skip it).
class Timer {
public:
    Timer(EventLoop& loop, std::string name, int intervalMs);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    const std::string& name() const { return name_; }
    bool enabled() const { return enabled_; }
    void setEnabled(bool on);
    int interval() const { return interval_; }
    void setInterval(int ms);
    bool running() const { return running_; }
    double due() const { return due_; }

    std::string tag;
    std::function<void()> onTimer;

private:
    friend class EventLoop;
    EventLoop& loop_;
    std::string name_;
    int interval_;
    bool enabled_ = false;
    bool running_ = false;
    double due_ = 0;
};

}  // namespace gv
