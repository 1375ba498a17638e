#pragma once
#include <atomic>
#include <memory>

namespace platform {

// Wall time in seconds since 1970-01-01T00:00:00Z. The manual clock only moves when the
// run loop advances it, which is how tests and `--clock manual` control time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
    virtual bool isManual() const = 0;
};

class RealClock final : public Clock {
public:
    double now() const override;
    bool isManual() const override { return false; }
};

class ManualClock final : public Clock {
public:
    // 2026-01-05T09:00:00Z: a Monday morning, so formatted times in tests are stable.
    static constexpr double kDefaultStart = 1767603600.0;
    explicit ManualClock(double start = kDefaultStart) : now_(start) {}
    double now() const override { return now_.load(std::memory_order_relaxed); }
    bool isManual() const override { return true; }
    void set(double t) { now_.store(t, std::memory_order_relaxed); }

private:
    // Atomic because a completion on another thread may read the time while the main
    // thread advances it.
    std::atomic<double> now_;
};

}  // namespace platform
