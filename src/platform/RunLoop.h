#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/Clock.h"

namespace platform {

// Run-loop modes as AppKit has them. A source scheduled in `common` runs in every mode;
// `modalPanel` is the mode of a modal alert, `eventTracking` that of menu tracking.
enum class RunLoopMode { defaultMode, modalPanel, eventTracking };
enum class TimerModes { defaultOnly, common };

class RunLoop;

class Timer {
public:
    void invalidate();
    bool isValid() const { return valid_; }
    double interval() const { return interval_; }
    bool repeats() const { return repeats_; }
    double fireDate() const { return fireDate_; }

private:
    friend class RunLoop;
    Timer() = default;
    std::function<void(Timer&)> block_;
    double interval_ = 0;
    double fireDate_ = 0;
    double origin_ = 0;  // when it was scheduled: repeating fire dates are origin + n * interval
    bool repeats_ = false;
    bool valid_ = true;
    TimerModes modes_ = TimerModes::defaultOnly;
    uint64_t sequence_ = 0;
    RunLoop* loop_ = nullptr;
};

using TimerRef = std::shared_ptr<Timer>;

// The main thread's run loop and main queue. Everything of the application runs on it.
// With a manual clock nothing happens until `advance` is called; tests use that and never
// sleep. With the real clock `run` blocks and serves timers, the main queue, and blocks
// posted from other threads (the display's server) through `performOnMain`.
class RunLoop {
public:
    static RunLoop& main();
    // Replaces the main run loop (tests and `tessivane` call it once at start).
    static void resetMain(std::unique_ptr<Clock> clock);

    explicit RunLoop(std::unique_ptr<Clock> clock);
    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    const Clock& clock() const { return *clock_; }
    double now() const { return clock_->now(); }
    RunLoopMode currentMode() const { return mode_; }

    // Timers. The first firing is `interval` seconds from now.
    TimerRef scheduledTimer(double interval, bool repeats, std::function<void(Timer&)> block,
                            TimerModes modes = TimerModes::defaultOnly);
    // The main queue: runs in every mode, in the order submitted, on a later turn.
    void async(std::function<void()> block);
    void asyncAfter(double delay, std::function<void()> block);
    // Thread-safe: queues a block for the main thread and wakes the loop.
    void performOnMain(std::function<void()> block);

    // run, advance and runOnce are entries into the application (ApplicationExit.h): an
    // application that terminates inside the outermost of them unwinds to it.
    // Runs everything that is due now, once (one turn), in the current mode.
    void runOnce();
    // Manual clock: runs every event due up to now + seconds, moving the clock to each
    // event's time in order, and leaves the clock at now + seconds.
    void advance(double seconds);
    // Runs until `stop` is called (real clock: waits for the next event; manual clock:
    // returns once nothing is due now).
    void run();
    void stop();
    // Runs the loop in `mode` until `keepRunning` returns false. Used by modal alerts and
    // menu tracking; with the manual clock it returns when nothing more can happen now
    // and `keepRunning` still holds (the caller's test answers the alert later).
    void runInMode(RunLoopMode mode, const std::function<bool()>& keepRunning);
    // A blocking wait of the platform (a synthesized click's pause between events): the
    // manual clock moves on without running anything; the real clock sleeps.
    void blockingWait(double seconds);
    // Called on the main thread when the real clock's loop, having run something since it
    // last waited, is about to wait again: one call per burst of work, the moment to look
    // at what the work changed (the display publishes its state there). The observer itself
    // is called each time, so what it keeps in its captures lasts. Null: none.
    void setBeforeWaiting(std::function<void()> observer);

    // Bookkeeping for soak tests: live timers and pending main-queue blocks.
    size_t validTimerCount() const;
    size_t pendingBlockCount() const;

private:
    void advanceRealUntil(double target);
    void advanceManualUntil(long double target);
    void serveUntilStopped();

    struct Impl;
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<Impl> impl_;
    RunLoopMode mode_ = RunLoopMode::defaultMode;
    friend class Timer;
};

}  // namespace platform
