#include "platform/RunLoop.h"
#include "platform/RunLoopWork.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <variant>
#include <vector>

#include "platform/ApplicationExit.h"

namespace platform {

namespace {

// Events running now, nested when one runs a modal session.
int& runningLoopEvents() {
    static int count = 0;
    return count;
}

// Foundation's floor for a repeating timer's interval; it also keeps a zero interval
// from firing forever at one instant.
constexpr double kMinimumRepeatInterval = 0.0001;
// Turns at one instant before the loop is declared stuck (a block that queues itself
// again and again). Far above anything a real burst of work needs.
constexpr size_t kMaxTurnsAtOneInstant = 100000;
// Times are seconds since 1970 in doubles, exact to about a quarter of a microsecond; an
// event this close to the current time is due, so that advancing by 0.1 three times reaches
// what was scheduled 0.3 seconds ahead.
constexpr double kTimeTolerance = 1e-6;

std::unique_ptr<RunLoop>& mainLoopStorage() {
    static std::unique_ptr<RunLoop> loop;
    return loop;
}

}  // namespace

// Every pending thing (timer firing, queued block) is one event keyed by its due time and
// a sequence number; the sequence breaks ties in the order things were scheduled and tells
// a turn which events it already knew of when it began.
struct RunLoop::Impl {
    struct Key {
        double time;
        uint64_t sequence;
        bool operator<(const Key& o) const {
            return time < o.time || (time == o.time && sequence < o.sequence);
        }
    };
    using Event = std::variant<TimerRef, std::function<void()>>;

    ManualClock* manual = nullptr;
    // The manual clock's time to more digits than its double holds, so that many small
    // steps add up to their exact sum instead of to a rounding error per step.
    long double preciseTime = 0;

    long double manualTime() {
        const double shown = manual->now();
        if (static_cast<double>(preciseTime) != shown) preciseTime = shown;  // set from elsewhere
        return preciseTime;
    }
    void setManualTime(long double t) {
        preciseTime = t;
        manual->set(static_cast<double>(t));
    }
    std::map<Key, Event> events;
    uint64_t nextSequence = 1;
    size_t timerCount = 0;
    size_t blockCount = 0;

    // Blocks handed over by other threads, picked up at the start of a turn.
    mutable std::mutex incomingMutex;
    std::condition_variable wake;
    std::vector<std::function<void()>> incoming;
    std::atomic<bool> stopRequested{false};
    // Shared, so that the call runs the stored observer itself (its captured state lasts
    // from one call to the next) and an observer that replaces itself stays alive to return.
    std::shared_ptr<std::function<void()>> beforeWaiting;
    bool ranSinceWait = false;

    uint64_t takeSequence() { return nextSequence++; }

    void addBlock(double time, std::function<void()> block) {
        events.emplace(Key{time, takeSequence()}, std::move(block));
        ++blockCount;
    }

    void addTimer(const TimerRef& timer) {
        events.emplace(Key{timer->fireDate_, timer->sequence_}, timer);
        ++timerCount;
    }

    void removeTimer(Timer* timer) {
        auto it = events.find(Key{timer->fireDate_, timer->sequence_});
        if (it == events.end()) return;
        auto* ref = std::get_if<TimerRef>(&it->second);
        if (!ref || ref->get() != timer) return;
        events.erase(it);
        --timerCount;
    }

    static bool eligible(const Event& e, RunLoopMode mode) {
        if (auto* t = std::get_if<TimerRef>(&e)) {
            return mode == RunLoopMode::defaultMode || (*t)->modes_ == TimerModes::common;
        }
        return true;
    }

    // The earliest time at which something can run in `mode`.
    std::optional<double> nextEventTime(RunLoopMode mode) const {
        for (const auto& [key, event] : events) {
            if (eligible(event, mode)) return key.time;
        }
        return std::nullopt;
    }

    void drainIncoming(double now) {
        std::vector<std::function<void()>> blocks;
        {
            std::lock_guard lock(incomingMutex);
            if (incoming.empty()) return;
            blocks.swap(incoming);
        }
        for (auto& b : blocks) addBlock(now, std::move(b));
    }

    bool hasIncoming() const {
        std::lock_guard lock(incomingMutex);
        return !incoming.empty();
    }

    size_t runTurn(RunLoop& loop, RunLoopMode mode);
    // The real clock: tells the observer, once per burst of work, that the loop will wait.
    void aboutToWait() {
        if (!ranSinceWait || !beforeWaiting) return;
        ranSinceWait = false;
        auto observer = beforeWaiting;
        (*observer)();
    }
    void fireTimer(std::map<Key, Event>::iterator it, double turnTime);
    template <class Continue>
    bool runDueNow(RunLoop& loop, RunLoopMode mode, Continue&& keepGoing);
};

void Timer::invalidate() {
    if (!valid_) return;
    valid_ = false;
    if (loop_) loop_->impl_->removeTimer(this);
    loop_ = nullptr;
    // Released after the bookkeeping so that a block whose captures invalidate other
    // timers in their destructors finds the loop consistent.
    auto released = std::move(block_);
    block_ = nullptr;
}

RunLoop& RunLoop::main() {
    auto& loop = mainLoopStorage();
    if (!loop) loop = std::make_unique<RunLoop>(std::make_unique<RealClock>());
    return *loop;
}

void RunLoop::resetMain(std::unique_ptr<Clock> clock) {
    // The new loop is in place before the old one goes, so that anything the old loop's
    // pending blocks release on destruction already reaches the new loop.
    auto old = std::exchange(mainLoopStorage(), std::make_unique<RunLoop>(std::move(clock)));
    old.reset();
}

RunLoop::RunLoop(std::unique_ptr<Clock> clock) : clock_(std::move(clock)), impl_(std::make_unique<Impl>()) {
    if (!clock_) clock_ = std::make_unique<RealClock>();
    impl_->manual = dynamic_cast<ManualClock*>(clock_.get());
}

RunLoop::~RunLoop() {
    // Timers outlive the loop in their owners' hands: detach them first, then let the
    // events (and whatever their blocks capture) go.
    auto events = std::move(impl_->events);
    impl_->events.clear();
    for (auto& [key, event] : events) {
        if (auto* t = std::get_if<TimerRef>(&event)) {
            (*t)->loop_ = nullptr;
            (*t)->valid_ = false;
        }
    }
    for (auto& [key, event] : events) {
        if (auto* t = std::get_if<TimerRef>(&event)) {
            auto released = std::move((*t)->block_);
            (*t)->block_ = nullptr;
        }
    }
    events.clear();
}

TimerRef RunLoop::scheduledTimer(double interval, bool repeats, std::function<void(Timer&)> block,
                                 TimerModes modes) {
    TimerRef timer(new Timer());
    if (!(interval >= 0)) interval = 0;  // also catches NaN
    if (repeats) interval = std::max(interval, kMinimumRepeatInterval);
    timer->block_ = std::move(block);
    timer->interval_ = interval;
    timer->repeats_ = repeats;
    timer->modes_ = modes;
    timer->origin_ = now();
    timer->fireDate_ = timer->origin_ + interval;
    timer->sequence_ = impl_->takeSequence();
    timer->loop_ = this;
    impl_->addTimer(timer);
    return timer;
}

void RunLoop::async(std::function<void()> block) { impl_->addBlock(now(), std::move(block)); }

void RunLoop::asyncAfter(double delay, std::function<void()> block) {
    if (!(delay >= 0)) delay = 0;
    impl_->addBlock(now() + delay, std::move(block));
}

void RunLoop::performOnMain(std::function<void()> block) {
    {
        std::lock_guard lock(impl_->incomingMutex);
        impl_->incoming.push_back(std::move(block));
    }
    impl_->wake.notify_all();
}

bool isRunningLoopWork() { return runningLoopEvents() > 0; }

void RunLoop::runOnce() {
    ApplicationEntry::run([&] { impl_->runTurn(*this, mode_); });
}

namespace {

// A block that queues itself again forever would hang a test without a word; say so.
void reportStuckLoop() {
    std::fprintf(stderr, "RunLoop: more than %zu turns at one instant; a block keeps queueing itself.\n",
                 kMaxTurnsAtOneInstant);
#ifndef NDEBUG
    std::abort();
#endif
}

}  // namespace

// One turn: the events that were due when it began, and were already scheduled then, in
// time order. Whatever they schedule waits for a later turn. Returns how many ran.
size_t RunLoop::Impl::runTurn(RunLoop& loop, RunLoopMode mode) {
    const double turnTime = loop.now();
    drainIncoming(turnTime);
    const uint64_t turnStart = nextSequence;

    std::vector<Key> due;
    for (const auto& [key, event] : events) {
        if (key.time > turnTime + kTimeTolerance) break;
        if (key.sequence < turnStart && eligible(event, mode)) due.push_back(key);
    }

    size_t ran = 0;
    for (const auto& key : due) {
        auto it = events.find(key);
        if (it == events.end()) continue;  // invalidated by an earlier event of this turn
        ++ran;
        ranSinceWait = true;  // already while it runs: a nested session waits inside it
        struct Running {
            int& count;
            explicit Running(int& c) : count(++c) {}
            ~Running() { --count; }
        } running(runningLoopEvents());
        if (auto* block = std::get_if<std::function<void()>>(&it->second)) {
            auto run = std::move(*block);
            events.erase(it);
            --blockCount;
            if (run) run();
        } else {
            fireTimer(it, turnTime);
        }
    }
    return ran;
}

void RunLoop::Impl::fireTimer(std::map<Key, Event>::iterator it, double turnTime) {
    TimerRef timer = std::get<TimerRef>(it->second);
    // The block leaves the timer while it runs, so that invalidating the timer from inside
    // its own block does not destroy the function being executed.
    auto body = std::move(timer->block_);
    timer->block_ = nullptr;
    if (!timer->repeats_) {
        events.erase(it);
        --timerCount;
        if (body) body(*timer);
        timer->valid_ = false;
        timer->loop_ = nullptr;
        return;
    }
    // The next firing follows the schedule, not the lateness of this one; firings missed
    // entirely are skipped. Fire dates are counted from the origin rather than summed, so
    // rounding does not accumulate into drift.
    const double origin = timer->origin_, interval = timer->interval_;
    double index = std::round((timer->fireDate_ - origin) / interval) + 1;
    double next = origin + index * interval;
    if (next <= turnTime + kTimeTolerance) {
        index = std::floor((turnTime + kTimeTolerance - origin) / interval) + 1;
        next = origin + index * interval;
        while (next <= turnTime + kTimeTolerance) next = origin + ++index * interval;
    }
    auto node = events.extract(it);
    timer->fireDate_ = next;
    node.key() = Key{next, timer->sequence_};
    events.insert(std::move(node));
    // The block goes back even when the application's end unwinds through it: the timer
    // keeps its schedule like every other.
    struct Restore {
        Timer& timer;
        std::function<void(Timer&)>& body;
        ~Restore() {
            if (timer.valid_ && !timer.block_) timer.block_ = std::move(body);
        }
    } restore{*timer, body};
    if (body) body(*timer);
}

// Runs turns at the current instant until nothing more is due; false when the loop is
// stuck at this instant.
template <class Continue>
bool RunLoop::Impl::runDueNow(RunLoop& loop, RunLoopMode mode, Continue&& keepGoing) {
    for (size_t turns = 0; keepGoing(); ++turns) {
        if (turns >= kMaxTurnsAtOneInstant) return false;
        if (runTurn(loop, mode) == 0 && !hasIncoming()) return true;
    }
    return true;
}

void RunLoop::advance(double seconds) {
    if (!(seconds >= 0)) seconds = 0;
    if (!impl_->manual) {
        const double target = now() + seconds;
        // A real clock cannot be moved: serve the loop until the time has passed.
        impl_->stopRequested = false;
        while (!ApplicationEntry::run([&] { advanceRealUntil(target); })) {
        }
        return;
    }
    const long double target = impl_->manualTime() + seconds;
    // An application that terminates inside unwinds to here; the rest of the desktop's time
    // still passes.
    while (!ApplicationEntry::run([&] { advanceManualUntil(target); })) {
    }
    if (target > impl_->manualTime()) impl_->setManualTime(target);
}

void RunLoop::advanceRealUntil(double target) {
    while (now() < target && !impl_->stopRequested) {
        impl_->runTurn(*this, mode_);
        double wait = target - now();
        if (auto next = impl_->nextEventTime(mode_)) wait = std::min(wait, *next - now());
        if (wait > 0 && !impl_->hasIncoming()) impl_->aboutToWait();
        std::unique_lock lock(impl_->incomingMutex);
        if (wait > 0 && impl_->incoming.empty()) {
            impl_->wake.wait_for(lock, std::chrono::duration<double>(wait));
        }
    }
}

void RunLoop::advanceManualUntil(long double target) {
    for (;;) {
        if (!impl_->runDueNow(*this, mode_, [] { return true; })) {
            reportStuckLoop();
            break;
        }
        auto next = impl_->nextEventTime(mode_);
        if (!next || *next > target + kTimeTolerance) break;
        if (*next > impl_->manualTime()) impl_->setManualTime(std::min<long double>(*next, target));
    }
}

void RunLoop::run() {
    impl_->stopRequested = false;
    // Terminating stops the loop; a relaunch lets it go on serving.
    while (!ApplicationEntry::run([&] { serveUntilStopped(); })) {
    }
}

void RunLoop::serveUntilStopped() {
    if (impl_->manual) {
        if (!impl_->runDueNow(*this, mode_, [&] { return !impl_->stopRequested; })) reportStuckLoop();
        return;
    }
    while (!impl_->stopRequested) {
        impl_->runTurn(*this, mode_);
        if (auto next = impl_->nextEventTime(mode_); (!next || *next > now()) && !impl_->hasIncoming()) {
            impl_->aboutToWait();
        }
        std::unique_lock lock(impl_->incomingMutex);
        if (impl_->stopRequested || !impl_->incoming.empty()) continue;
        if (auto next = impl_->nextEventTime(mode_)) {
            double wait = *next - now();
            if (wait > 0) impl_->wake.wait_for(lock, std::chrono::duration<double>(wait));
        } else {
            impl_->wake.wait(lock, [&] { return impl_->stopRequested || !impl_->incoming.empty(); });
        }
    }
}

void RunLoop::stop() {
    {
        std::lock_guard lock(impl_->incomingMutex);
        impl_->stopRequested = true;
    }
    impl_->wake.notify_all();
}

void RunLoop::runInMode(RunLoopMode mode, const std::function<bool()>& keepRunning) {
    struct ModeScope {
        RunLoopMode& slot;
        RunLoopMode saved;
        ~ModeScope() { slot = saved; }
    } scope{mode_, mode_};
    mode_ = mode;

    if (impl_->manual) {
        if (!impl_->runDueNow(*this, mode, keepRunning)) reportStuckLoop();
        return;
    }
    // The real clock: wait for the next event in this mode, and look at `keepRunning`
    // again at least a few times a second.
    constexpr double kLongestWait = 0.25;
    while (keepRunning()) {
        impl_->runTurn(*this, mode);
        if (!keepRunning()) break;
        double wait = kLongestWait;
        if (auto next = impl_->nextEventTime(mode)) wait = std::min(wait, *next - now());
        if (wait > 0 && !impl_->hasIncoming()) impl_->aboutToWait();
        std::unique_lock lock(impl_->incomingMutex);
        if (wait > 0 && impl_->incoming.empty()) {
            impl_->wake.wait_for(lock, std::chrono::duration<double>(wait));
        }
    }
}

void RunLoop::blockingWait(double seconds) {
    if (!(seconds > 0)) return;
    if (impl_->manual) {
        impl_->setManualTime(impl_->manualTime() + seconds);
    } else {
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    }
}

void RunLoop::setBeforeWaiting(std::function<void()> observer) {
    impl_->beforeWaiting = observer ? std::make_shared<std::function<void()>>(std::move(observer)) : nullptr;
}

size_t RunLoop::validTimerCount() const { return impl_->timerCount; }

size_t RunLoop::pendingBlockCount() const {
    std::lock_guard lock(impl_->incomingMutex);
    return impl_->blockCount + impl_->incoming.size();
}

}  // namespace platform
