#pragma once
#include <memory>

namespace testsupport {

// Keeps the background queue's thread busy until released, so that a test sees what the main
// thread does before any background work has run (no decoder started, let alone ended)
// without asking a clock. Code that waited for the queue meanwhile would wait until the hold
// gives up at a bound only a hang reaches; heldUntilReleased() then says so.
class BackgroundHold {
public:
    BackgroundHold();  // returns once the queue's thread is held
    ~BackgroundHold();
    BackgroundHold(const BackgroundHold&) = delete;
    BackgroundHold& operator=(const BackgroundHold&) = delete;

    void release();
    // Whether the queue was held until release(), not given up at the bound.
    bool heldUntilReleased() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace testsupport
