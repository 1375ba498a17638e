#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/RunLoop.h"
#include "platform/Signal.h"
#include "support/TestHome.h"

using platform::RunLoop;
using platform::RunLoopMode;
using platform::Timer;
using platform::TimerModes;

namespace {

class RunLoopTest : public testsupport::TestHome {
protected:
    RunLoop& loop() { return RunLoop::main(); }
    double elapsed() const { return RunLoop::main().now() - platform::ManualClock::kDefaultStart; }
    std::vector<std::string> log;
};

TEST_F(RunLoopTest, EventsRunInTimeOrderWithTiesInSchedulingOrder) {
    loop().asyncAfter(2, [&] { log.push_back("after2"); });
    auto t1 = loop().scheduledTimer(1, false, [&](Timer&) { log.push_back("timer1"); });
    auto t2 = loop().scheduledTimer(2, false, [&](Timer&) { log.push_back("timer2"); });
    loop().async([&] { log.push_back("async"); });
    loop().asyncAfter(1, [&] { log.push_back("after1"); });

    loop().advance(0);
    EXPECT_EQ(log, std::vector<std::string>{"async"});
    loop().advance(5);
    EXPECT_EQ(log, (std::vector<std::string>{"async", "timer1", "after1", "after2", "timer2"}));
    EXPECT_DOUBLE_EQ(elapsed(), 5);
}

TEST_F(RunLoopTest, WorkQueuedDuringATurnRunsOnALaterTurnBeforeTimeMoves) {
    double seenAt = -1;
    loop().asyncAfter(1, [&] {
        log.push_back("first");
        loop().async([&] {
            log.push_back("queued inside");
            seenAt = elapsed();
        });
        // Scheduled while the turn runs and already due: not part of this turn.
        loop().asyncAfter(0, [&] { log.push_back("due at once"); });
    });
    loop().asyncAfter(1, [&] { log.push_back("second"); });

    loop().runOnce();
    EXPECT_TRUE(log.empty());
    loop().advance(1);
    EXPECT_EQ(log, (std::vector<std::string>{"first", "second", "queued inside", "due at once"}));
    EXPECT_DOUBLE_EQ(seenAt, 1);

    log.clear();
    loop().async([&] {
        log.push_back("outer");
        loop().async([&] { log.push_back("inner"); });
    });
    loop().runOnce();
    EXPECT_EQ(log, std::vector<std::string>{"outer"});
    loop().runOnce();
    EXPECT_EQ(log, (std::vector<std::string>{"outer", "inner"}));
}

TEST_F(RunLoopTest, RepeatingTimerKeepsItsScheduleAndSkipsMissedFirings) {
    std::vector<double> firedAt;
    auto timer = loop().scheduledTimer(1, true, [&](Timer&) { firedAt.push_back(elapsed()); });
    loop().advance(3.5);
    EXPECT_EQ(firedAt, (std::vector<double>{1, 2, 3}));
    EXPECT_DOUBLE_EQ(timer->fireDate() - platform::ManualClock::kDefaultStart, 4);

    // A block that blocks the loop past several firings: one late firing, then back on the grid.
    firedAt.clear();
    loop().asyncAfter(0.2, [&] { loop().blockingWait(2.6); });  // 3.7 -> 6.3
    loop().advance(3.5);                                         // to 7.0
    ASSERT_EQ(firedAt.size(), 2u);
    EXPECT_NEAR(firedAt[0], 6.3, 1e-6);
    EXPECT_DOUBLE_EQ(firedAt[1], 7);
    EXPECT_EQ(loop().validTimerCount(), 1u);

    timer->invalidate();
    EXPECT_FALSE(timer->isValid());
    EXPECT_EQ(loop().validTimerCount(), 0u);
    loop().advance(5);
    EXPECT_EQ(firedAt.size(), 2u);
}

TEST_F(RunLoopTest, FractionalStepsReachWhatWasScheduledForTheirSum) {
    int ticks = 0, done = 0;
    auto tick = loop().scheduledTimer(1.0 / 30, true, [&](Timer&) { ++ticks; });
    loop().asyncAfter(0.3, [&] { ++done; });
    for (int i = 0; i < 3; ++i) loop().advance(0.1);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(ticks, 9);
    loop().advance(0.7);
    EXPECT_EQ(ticks, 30);
    for (int i = 0; i < 300; ++i) loop().advance(1.0 / 30);
    EXPECT_EQ(ticks, 330);
}

TEST_F(RunLoopTest, TimerReleasesItsBlockWhenInvalidatedFromInside) {
    auto token = std::make_shared<int>(7);
    std::weak_ptr<int> watch = token;
    int fired = 0;
    auto timer = loop().scheduledTimer(0.5, true, [&fired, token = std::move(token)](Timer& t) {
        ++fired;
        EXPECT_EQ(*token, 7);  // still alive while the block runs
        if (fired == 2) t.invalidate();
    });
    loop().advance(0.5);
    EXPECT_FALSE(watch.expired());  // held while the timer is valid
    loop().advance(10);
    EXPECT_EQ(fired, 2);
    EXPECT_TRUE(watch.expired());
    EXPECT_FALSE(timer->isValid());

    // A one-shot timer is done after its firing.
    auto once = loop().scheduledTimer(1, false, [&](Timer&) { ++fired; });
    loop().advance(1);
    EXPECT_EQ(fired, 3);
    EXPECT_FALSE(once->isValid());
    EXPECT_EQ(loop().validTimerCount(), 0u);
}

TEST_F(RunLoopTest, ModalModesRunOnlyCommonTimersAndTheMainQueue) {
    auto defaultTimer = loop().scheduledTimer(1, true, [&](Timer&) { log.push_back("default"); });
    auto commonTimer =
        loop().scheduledTimer(1, true, [&](Timer&) { log.push_back("common"); }, TimerModes::common);
    loop().blockingWait(1);  // both due now

    bool answered = false;
    loop().async([&] { log.push_back("block"); });
    RunLoopMode seenMode = RunLoopMode::defaultMode;
    loop().async([&] { seenMode = loop().currentMode(); });
    loop().runInMode(RunLoopMode::modalPanel, [&] { return !answered; });
    EXPECT_EQ(log, (std::vector<std::string>{"common", "block"}));
    EXPECT_EQ(seenMode, RunLoopMode::modalPanel);
    EXPECT_EQ(loop().currentMode(), RunLoopMode::defaultMode);

    // Back in the default mode, the held-back timer fires.
    loop().advance(0);
    EXPECT_EQ(log, (std::vector<std::string>{"common", "block", "default"}));

    // Menu tracking stops as soon as its condition ends.
    log.clear();
    loop().async([&] {
        answered = true;
        loop().async([&] { log.push_back("later"); });
    });
    loop().runInMode(RunLoopMode::eventTracking, [&] { return !answered; });
    EXPECT_TRUE(answered);
    EXPECT_TRUE(log.empty());
    loop().advance(0);
    EXPECT_EQ(log, std::vector<std::string>{"later"});
}

TEST_F(RunLoopTest, BlockingWaitMovesTheClockWithoutRunningAnything) {
    loop().asyncAfter(0.005, [&] { log.push_back("ran"); });
    loop().blockingWait(0.008);
    EXPECT_TRUE(log.empty());
    EXPECT_NEAR(elapsed(), 0.008, 1e-6);
    loop().advance(0);
    EXPECT_EQ(log, std::vector<std::string>{"ran"});
}

TEST_F(RunLoopTest, PerformOnMainFromAnotherThreadRunsOnTheNextTurn) {
    int total = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 100; ++i) {
                double seen = loop().now();  // reading the time while main moves it is safe
                loop().performOnMain([&total, seen] { total += seen > 0; });
            }
        });
    }
    for (int i = 0; i < 50; ++i) loop().advance(0.01);
    for (auto& t : threads) t.join();
    loop().advance(0);
    EXPECT_EQ(total, 400);
    EXPECT_EQ(loop().pendingBlockCount(), 0u);

    loop().performOnMain([] {});
    EXPECT_EQ(loop().pendingBlockCount(), 1u);
}

TEST_F(RunLoopTest, RealClockRunServesBlocksFromOtherThreadsUntilStopped) {
    RunLoop real(std::make_unique<platform::RealClock>());
    int served = 0;
    std::thread poster([&] {
        real.performOnMain([&] { ++served; });
        real.performOnMain([&] {
            ++served;
            real.stop();
        });
    });
    real.run();
    poster.join();
    EXPECT_EQ(served, 2);
}

// The observer paces what it does by what it remembers from its last call (the display's
// publishing does): each burst must reach the same observer, not a fresh copy of it.
TEST_F(RunLoopTest, TheBeforeWaitingObserverKeepsWhatItRemembersFromBurstToBurst) {
    RunLoop real(std::make_unique<platform::RealClock>());
    std::vector<int> calls;
    real.setBeforeWaiting([&, count = 0]() mutable {
        calls.push_back(++count);
        if (calls.size() == 3) real.stop();
        else real.performOnMain([] {});  // the next burst
    });
    std::thread poster([&] { real.performOnMain([] {}); });
    real.run();
    poster.join();
    EXPECT_EQ(calls, (std::vector<int>{1, 2, 3}));
}

TEST_F(RunLoopTest, TimersOutliveTheirLoopSafely) {
    auto timer = loop().scheduledTimer(1, true, [](Timer&) {});
    RunLoop::resetMain(std::make_unique<platform::ManualClock>());
    EXPECT_FALSE(timer->isValid());
    timer->invalidate();  // no loop to reach any more
    EXPECT_EQ(RunLoop::main().validTimerCount(), 0u);
}

TEST_F(RunLoopTest, SinkOnMainDeliversOnALaterTurnAndStopsWhenCancelled) {
    platform::Signal<const int&> signal;
    std::vector<int> got;
    auto sub = platform::sinkOnMain<int>(signal, [&](const int& v) { got.push_back(v); });
    signal.send(1);
    signal.send(2);
    EXPECT_TRUE(got.empty());
    loop().advance(0);
    EXPECT_EQ(got, (std::vector<int>{1, 2}));
    signal.send(3);
    sub.cancel();
    loop().advance(0);
    EXPECT_EQ(got, (std::vector<int>{1, 2}));
    EXPECT_EQ(signal.subscriberCount(), 0u);
}

TEST_F(RunLoopTest, SignalHandlersMayCancelSubscriptionsWhileSending) {
    platform::Signal<> signal;
    int a = 0, b = 0;
    platform::Subscription second;
    auto first = signal.connect([&] {
        ++a;
        second.cancel();  // takes effect at once for the rest of this send
    });
    second = signal.connect([&] { ++b; });
    signal.send();
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(signal.subscriberCount(), 1u);
}

#ifndef NDEBUG
TEST_F(RunLoopTest, BlockThatRequeuesItselfForeverIsReported) {
    EXPECT_DEATH(
        {
            std::function<void()> again;
            again = [&] { RunLoop::main().async(again); };
            RunLoop::main().async(again);
            RunLoop::main().advance(1);
        },
        "keeps queueing itself");
}
#endif

}  // namespace
