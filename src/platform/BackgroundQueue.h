#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace platform {

// A thread for work that may take long (decoding an image file of unknown content), so that
// the main thread never waits for it. Work runs one piece at a time in the order queued, and
// each result reaches its completion on the main run loop, in the same order.
class BackgroundQueue {
public:
    static BackgroundQueue& shared();

    // Runs `work` on the queue's thread, then `done` with its result on the main run loop.
    template <class T>
    void perform(std::function<T()> work, std::function<void(T)> done) {
        enqueue([work = std::move(work), done = std::move(done)]() mutable -> std::function<void()> {
            auto result = std::make_shared<T>(work());
            return [done = std::move(done), result] { done(std::move(*result)); };
        });
    }

    // Blocks until everything queued so far has run and its completion waits on the main run
    // loop (which a test then turns). Each piece of work is bounded, so this is too.
    void waitUntilIdle();
    // Forgets what is queued, and the result of what runs now: before the main run loop that
    // would run their completions goes away.
    void cancelAll();

private:
    using Job = std::function<std::function<void()>()>;
    struct Queued {
        Job job;
        uint64_t generation;
    };

    BackgroundQueue() = default;
    void enqueue(Job job);
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Queued> queued_;
    bool running_ = false;
    uint64_t generation_ = 0;
};

}  // namespace platform
