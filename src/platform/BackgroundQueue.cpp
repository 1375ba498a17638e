#include "platform/BackgroundQueue.h"

#include <thread>

#include "platform/RunLoop.h"

namespace platform {

BackgroundQueue& BackgroundQueue::shared() {
    // Never destroyed, and its thread never joined: work under way when the program ends
    // (a decoder waiting out its bound) must not hold up the exit, nor find the queue gone.
    static BackgroundQueue* queue = [] {
        auto* q = new BackgroundQueue();
        std::thread([q] { q->run(); }).detach();
        return q;
    }();
    return *queue;
}

void BackgroundQueue::enqueue(Job job) {
    {
        std::lock_guard lock(mutex_);
        queued_.push_back({std::move(job), generation_});
    }
    changed_.notify_all();
}

void BackgroundQueue::run() {
    for (;;) {
        Queued next;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !queued_.empty(); });
            next = std::move(queued_.front());
            queued_.pop_front();
            running_ = true;
        }
        auto completion = next.job();
        next.job = nullptr;
        {
            // Under the lock: once cancelAll has returned, nothing reaches the run loop.
            std::lock_guard lock(mutex_);
            if (next.generation == generation_) RunLoop::main().performOnMain(std::move(completion));
            running_ = false;
        }
        changed_.notify_all();
    }
}

void BackgroundQueue::waitUntilIdle() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queued_.empty() && !running_; });
}

void BackgroundQueue::cancelAll() {
    std::deque<Queued> dropped;
    {
        std::lock_guard lock(mutex_);
        ++generation_;
        dropped.swap(queued_);
    }
    changed_.notify_all();
}

}  // namespace platform
