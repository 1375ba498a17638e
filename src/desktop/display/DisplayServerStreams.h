#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

namespace desktop {

// The open event streams, at most a fixed number at once, so that tabs left open cannot
// take every worker from the requests. The server learns that a page went away only when
// it next writes to its stream, which for an idle stream is up to a keep-alive comment
// later; so a stream that finds every slot taken first looks whether the pages holding
// them are still there, and takes the slot of one that left.
class DisplayServerStreams {
public:
    struct Slot {
        explicit Slot(int s) : socket(s) {}
        const int socket;  // the connection the stream is written to (-1: unknown)
        // Its page left and another stream took the slot: the stream ends at its next turn.
        std::atomic<bool> abandoned{false};
    };

    explicit DisplayServerStreams(size_t max) : max_(max) {}

    // A slot for a stream written to `socket`, or null when every slot holds a page that is
    // still there. `reclaimed`: slots of pages that left were taken back (their streams,
    // waiting for the next state, should be woken to end).
    std::shared_ptr<Slot> open(int socket, bool& reclaimed);
    // The stream ended.
    void close(const std::shared_ptr<Slot>& slot);
    size_t count() const;
    // Until every stream ended, at most `timeout`.
    void waitUntilNone(std::chrono::milliseconds timeout);

private:
    const size_t max_;
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    std::vector<std::shared_ptr<Slot>> slots_;
};

}  // namespace desktop
