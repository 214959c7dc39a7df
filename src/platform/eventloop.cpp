#include "platform/eventloop.h"

#include <algorithm>
#include <array>
#include <span>
#include <chrono>
#include <cmath>
#include <ctime>
#include <limits>
#include <thread>

namespace gv {

namespace {
constexpr double kNever = std::numeric_limits<double>::infinity();
// While a socket is open, a real wait sleeps in slices this long so socket events are noticed promptly.
constexpr double kSocketSliceMs = 10;
// Under the virtual clock, how long a wait that only has sockets left may take in real time.
constexpr double kVirtualSocketPatienceMs = 5000;
// Under the virtual clock no wait of a test runs longer than this much game time: a condition that
// never comes while timers keep running fails in seconds instead of spinning for good.
constexpr double kVirtualWaitLimitMs = 4 * 3600 * 1000.0;

double steadyMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

double VirtualDriver::timeOfDay() {
    double t = std::fmod(dayBase_ + now_ / 1000.0, 86400.0);
    return t < 0 ? t + 86400.0 : t;
}

std::tm LocalTime(std::time_t t) {
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    return local;
}

RealDriver::RealDriver() : start_(steadyMs()) {}
double RealDriver::nowMs() { return steadyMs() - start_; }
double RealDriver::timeOfDay() {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t tt = system_clock::to_time_t(now);
    const std::tm local = LocalTime(tt);
    double frac = duration<double>(now.time_since_epoch()).count();
    frac -= std::floor(frac);
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + frac;
}
void RealDriver::sleepUntil(double tMs) {
    // Nothing else can wake a screenless loop, so it looks again at least every 50 ms.
    double wait = std::min(tMs - nowMs(), 50.0);
    if (wait > 0) std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(wait));
}

EventLoop::EventLoop(Driver* driver) : driver_(driver) {
    if (!driver_) {
        ownDriver_ = new VirtualDriver();
        driver_ = ownDriver_;
    }
}

EventLoop::~EventLoop() {
    for (Timer* t : timers_) t->enabled_ = false;
    delete ownDriver_;
}

void EventLoop::setDriver(Driver* driver) {
    driver_ = driver ? driver : ownDriver_;
    if (!driver_) {
        ownDriver_ = new VirtualDriver();
        driver_ = ownDriver_;
    }
    pace_ = 1;
    paceBase_ = paceDriverBase_ = driver_->nowMs();
    nextFrame_ = clock();
    for (Timer* t : timers_)
        if (t->enabled_) t->due_ = clock() + t->interval_;
}

double EventLoop::clock() { return paceBase_ + (driver_->nowMs() - paceDriverBase_) * pace_; }

void EventLoop::sleepTo(double tMs) { driver_->sleepUntil(paceDriverBase_ + (tMs - paceBase_) / pace_); }

void EventLoop::setPace(double factor) {
    if (!(factor > 0)) return;
    paceBase_ = clock();
    paceDriverBase_ = driver_->nowMs();
    pace_ = factor;
}

void EventLoop::post(std::function<void()> event) { queue_.push_back(std::move(event)); }

void EventLoop::setSocketActive(const void* socket, bool active) {
    if (active)
        activeSockets_.insert(socket);
    else
        activeSockets_.erase(socket);
}

void EventLoop::addTimer(Timer* t) { timers_.push_back(t); }
void EventLoop::removeTimer(Timer* t) { timers_.erase(std::remove(timers_.begin(), timers_.end(), t), timers_.end()); }

void EventLoop::runQueued() {
    // Only what was queued before this pump: a handler that queues more does not keep us here forever.
    std::size_t n = queue_.size();
    while (n-- > 0 && !queue_.empty()) {
        auto event = std::move(queue_.front());
        queue_.pop_front();
        event();
    }
}

void EventLoop::pollSockets() {
    if (io_.stopped()) io_.restart();
    io_.poll();
}

void EventLoop::runDueTimers() {
    // Every timer that is due ticks once, earliest first; a timer whose handler is running is skipped.
    double now = clock();
    // Nested pumps run inside handlers of this loop: each call has its own list, on the stack while short.
    std::array<Timer*, 16> few;  // left unset: only the first n are read
    std::vector<Timer*> many;
    std::size_t n = 0;
    for (Timer* t : timers_) {
        if (!(t->enabled_ && t->interval_ > 0 && !t->running_ && t->due_ <= now)) continue;
        if (n < few.size()) {
            few[n++] = t;
            continue;
        }
        if (many.empty()) many.assign(few.begin(), few.end());
        many.push_back(t);
    }
    if (n == 0) return;
    const std::span<Timer*> due = many.empty() ? std::span<Timer*>(few.data(), n) : std::span<Timer*>(many);
    if (due.size() > 1) std::stable_sort(due.begin(), due.end(), [](Timer* a, Timer* b) { return a->due_ < b->due_; });
    for (Timer* t : due) {
        // An earlier handler may have stopped, restarted or deleted this one.
        if (std::find(timers_.begin(), timers_.end(), t) == timers_.end()) continue;
        if (!t->enabled_ || t->running_ || t->due_ > now) continue;
        t->due_ += t->interval_;
        if (t->due_ <= now) t->due_ = now + t->interval_;
        if (!t->onTimer) continue;
        t->running_ = true;
        struct Reset {
            EventLoop* loop;
            Timer* t;
            ~Reset() {
                if (std::find(loop->timers_.begin(), loop->timers_.end(), t) != loop->timers_.end()) t->running_ = false;
            }
        } reset{this, t};
        auto handler = t->onTimer;  // the handler may replace itself while it runs
        handler();
    }
}

void EventLoop::presentIfDue(bool force) {
    double now = clock();
    if (!force && (now < nextFrame_ || !dirty_)) return;
    driver_->present();
    ++frames_;
    dirty_ = false;
    nextFrame_ = std::max(nextFrame_ + kFrameMs, now);
    if (nextFrame_ > now + kFrameMs) nextFrame_ = now + kFrameMs;
}

void EventLoop::runPending() {
    driver_->collectInput();
    runQueued();
    runDueTimers();
    pollSockets();
    runQueued();
}

void EventLoop::pumpEvents() {
    runPending();
    if (!driver_->isVirtual()) presentIfDue(false);
}

void EventLoop::refresh() {
    pumpEvents();
    // Paced by our own clock: what is drawn frame by frame takes its seconds whatever the display does. Input
    // that wakes the sleep early is handled at once and the sleep goes on until the frame's time; a sleep
    // that ends on time leaves what is new to the next pump, as every frame did before.
    while (clock() < nextFrame_) {
        sleepTo(nextFrame_);
        if (clock() < nextFrame_) runPending();
    }
    presentIfDue(true);
}

double EventLoop::nextTimerDue() const {
    double next = kNever;
    for (const Timer* t : timers_)
        if (t->enabled_ && t->interval_ > 0 && !t->running_) next = std::min(next, t->due_);
    return next;
}

void EventLoop::runFor(double ms) {
    double end = clock() + ms;
    for (;;) {
        pumpEvents();
        double next = std::min(nextTimerDue(), end);
        if (clock() >= end) return;
        if (socketsActive()) {
            if (io_.stopped()) io_.restart();
            if (io_.run_one_for(std::chrono::milliseconds(1)) > 0) continue;
        }
        sleepTo(next);
    }
}

void EventLoop::waitUntil(const std::function<bool()>& condition) {
    double socketIdleSince = -1;
    const double began = clock();
    for (;;) {
        pumpEvents();
        if (condition()) return;
        if (!queue_.empty()) continue;
        double now = clock();
        double next = nextTimerDue();
        if (driver_->isVirtual()) {
            if (now - began > kVirtualWaitLimitMs) throw WaitStalled("waitUntil: four hours of game time and still waiting");
            if (socketsActive()) {
                // Real bytes may be on their way: give the sockets a moment of real time first.
                if (io_.stopped()) io_.restart();
                if (io_.run_one_for(std::chrono::milliseconds(1)) > 0 || !queue_.empty()) {
                    socketIdleSince = -1;
                    continue;
                }
                if (next == kNever) {
                    double real = steadyMs();
                    if (socketIdleSince < 0) socketIdleSince = real;
                    if (real - socketIdleSince > kVirtualSocketPatienceMs)
                        throw WaitStalled("waitUntil: only idle sockets are left and nothing arrives");
                    continue;
                }
            } else if (next == kNever) {
                throw WaitStalled("waitUntil: no timer, input or socket can ever end this wait");
            }
            sleepTo(next);
            continue;
        }
        // Real clock: sleep until the next timer, the next frame if something changed, or input.
        double until = next;
        if (dirty_) until = std::min(until, nextFrame_);
        if (socketsActive()) {
            double slice = std::min(until, now + kSocketSliceMs) - now;
            if (slice > 0) {
                if (io_.stopped()) io_.restart();
                // With no socket operation pending run_one_for returns at once: sleep instead of spinning.
                if (io_.run_one_for(std::chrono::microseconds(static_cast<long long>(slice * 1000 / pace_))) == 0 &&
                    io_.stopped())
                    sleepTo(now + slice);
            }
            continue;
        }
        sleepTo(until);
    }
}

Timer::Timer(EventLoop& loop, std::string name, int intervalMs) : loop_(loop), name_(std::move(name)), interval_(intervalMs) {
    loop_.addTimer(this);
}

Timer::~Timer() { loop_.removeTimer(this); }

void Timer::setEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    if (on) due_ = loop_.now() + interval_;
}

void Timer::setInterval(int ms) {
    if (ms < 0) ms = 0;
    interval_ = ms;
    if (enabled_) due_ = loop_.now() + interval_;
}

}  // namespace gv
