// The event loop under the virtual clock: timers, nested pumps, waits that cannot hang.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/eventloop.h"

namespace gv {
namespace {

TEST(EventLoop, EnablingDisablingAndNewIntervalsTakeEffectAtOnce) {
    EventLoop loop;
    Timer t(loop, "showit", 50), zero(loop, "zero", 0);
    std::vector<double> at;
    int zeroTicks = 0;
    t.onTimer = [&] {
        at.push_back(loop.now());
        if (at.size() == 2) t.setInterval(1000);
    };
    zero.onTimer = [&] { ++zeroTicks; };
    zero.setEnabled(true), t.setEnabled(true);
    loop.runFor(30);
    t.setEnabled(false);
    loop.runFor(100);
    t.setEnabled(true);  // counts from now, 130: first tick 50 ms later
    loop.runFor(1200);
    EXPECT_TRUE(at == (std::vector<double>{180, 230, 1230}) && zeroTicks == 0);  // a timer of interval 0 never ticks
}

TEST(EventLoop, AHandlerIsNeverReenteredByNestedPumps) {
    EventLoop loop;
    Timer outer(loop, "outer", 10), inner(loop, "inner", 10);
    int depth = 0, maxDepth = 0, innerTicks = 0, outerTicks = 0;
    inner.onTimer = [&] { ++innerTicks; };
    outer.onTimer = [&] {
        ++outerTicks;
        maxDepth = std::max(maxDepth, ++depth);
        // A long handler that waits, processing events: other timers go on, this one does not re-enter.
        int until = innerTicks + 5;
        loop.waitUntil([&] { return innerTicks >= until; });
        --depth;
        outer.setEnabled(false);
    };
    outer.setEnabled(true), inner.setEnabled(true);
    loop.runFor(200);
    EXPECT_TRUE(maxDepth == 1 && outerTicks == 1 && innerTicks >= 5) << maxDepth << " " << outerTicks;
}

TEST(EventLoop, PumpEventsRunsQueuedInputAndNeverAdvancesTime) {
    EventLoop loop;
    int runs = 0;
    std::function<void()> again = [&] {
        ++runs;
        loop.post(again);  // an event that keeps queueing itself must not keep one pump busy forever
    };
    loop.post(again);
    loop.pumpEvents();
    EXPECT_TRUE(runs == 1 || runs == 2) << runs;
    const int after = runs;
    loop.pumpEvents();
    EXPECT_TRUE(runs > after && loop.now() == 0);
    // A refresh, though, is one frame of the virtual clock.
    for (int i = 0; i < 60; ++i) loop.refresh();
    EXPECT_TRUE(loop.now() >= 980 && loop.now() <= 1020 && loop.framesPresented() >= 59) << loop.now();
}

TEST(EventLoop, WaitUntilJumpsToTheNextTimerAndFailsLoudlyWhenNothingEndsIt) {
    EventLoop loop;
    Timer t(loop, "bonusfalltimer", 40);
    int ticks = 0;
    t.onTimer = [&] { ++ticks == 25 ? t.setEnabled(false) : void(); };
    EXPECT_THROW(loop.waitUntil([] { return false; }), WaitStalled);
    t.setEnabled(true);
    loop.waitUntil([&] { return !t.enabled(); });
    EXPECT_TRUE(ticks == 25 && loop.now() == 1000) << ticks;
    // A timer that is still running cannot end a wait it is waiting in either.
    bool ran = false;
    t.onTimer = [&] {
        t.onTimer = [] {};
        EXPECT_THROW(loop.waitUntil([] { return false; }), WaitStalled);
        ran = true, t.setEnabled(false);
    };
    t.setEnabled(true);
    loop.runFor(100);
    EXPECT_TRUE(ran);
    // Nor does a timer that ticks on while the condition never comes, once hours of game time have gone.
    t.onTimer = [] {}, t.setEnabled(true);
    const double began = loop.now();
    EXPECT_THROW(loop.waitUntil([] { return false; }), WaitStalled);
    EXPECT_NEAR(loop.now() - began, 4 * 3600 * 1000.0, 100);
}

TEST(EventLoop, TimerDeletedByAnotherHandlerInTheSamePumpIsSkipped) {
    VirtualDriver clock;
    EventLoop loop(&clock);
    auto victim = std::make_unique<Timer>(loop, "victim", 10);
    Timer killer(loop, "killer", 10);
    int victimTicks = 0;
    victim->onTimer = [&] { ++victimTicks; };
    killer.onTimer = [&] { victim.reset(), killer.setEnabled(false); };
    killer.setEnabled(true);  // due at 10
    clock.advance(1);
    victim->setEnabled(true);  // due at 11
    clock.advance(20);
    loop.pumpEvents();  // both are due in this one pump; the killer's comes first
    loop.runFor(50);
    EXPECT_EQ(victimTicks, 0);
}

}  // namespace
}  // namespace gv
