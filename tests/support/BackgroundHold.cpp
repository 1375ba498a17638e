#include "support/BackgroundHold.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/BackgroundQueue.h"

namespace testsupport {

struct BackgroundHold::State {
    std::mutex mutex;
    std::condition_variable changed;
    bool holding = false, released = false, gaveUp = false;
};

BackgroundHold::BackgroundHold() : state_(std::make_shared<State>()) {
    platform::BackgroundQueue::shared().perform<bool>(
        [state = state_] {
            std::unique_lock lock(state->mutex);
            state->holding = true;
            state->changed.notify_all();
            // Only a main thread that waits for this queue keeps the release away this long.
            state->gaveUp = !state->changed.wait_for(lock, std::chrono::minutes(1), [&] { return state->released; });
            return true;
        },
        [](bool) {});
    std::unique_lock lock(state_->mutex);
    state_->changed.wait(lock, [&] { return state_->holding; });
}

BackgroundHold::~BackgroundHold() { release(); }

void BackgroundHold::release() {
    std::lock_guard lock(state_->mutex);
    state_->released = true;
    state_->changed.notify_all();
}

bool BackgroundHold::heldUntilReleased() const {
    std::lock_guard lock(state_->mutex);
    return state_->released && !state_->gaveUp;
}

}  // namespace testsupport
