#include "desktop/display/DisplayServerStreams.h"

#include <algorithm>

#include "desktop/display/DisplayServerConnections.h"

namespace desktop {

std::shared_ptr<DisplayServerStreams::Slot> DisplayServerStreams::open(int socket, bool& reclaimed) {
    std::lock_guard lock(mutex_);
    reclaimed = false;
    if (slots_.size() >= max_) {
        const auto left = std::remove_if(slots_.begin(), slots_.end(), [](const std::shared_ptr<Slot>& slot) {
            if (slot->socket < 0 || !DisplayServerConnections::clientLeft(slot->socket)) return false;
            slot->abandoned = true;
            return true;
        });
        reclaimed = left != slots_.end();
        slots_.erase(left, slots_.end());
        if (slots_.size() >= max_) return nullptr;
    }
    slots_.push_back(std::make_shared<Slot>(socket));
    return slots_.back();
}

void DisplayServerStreams::close(const std::shared_ptr<Slot>& slot) {
    {
        std::lock_guard lock(mutex_);
        slots_.erase(std::remove(slots_.begin(), slots_.end(), slot), slots_.end());
    }
    ended_.notify_all();
}

size_t DisplayServerStreams::count() const {
    std::lock_guard lock(mutex_);
    return slots_.size();
}

void DisplayServerStreams::waitUntilNone(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    ended_.wait_for(lock, timeout, [&] { return slots_.empty(); });
}

}  // namespace desktop
