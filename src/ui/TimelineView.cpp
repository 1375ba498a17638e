#include "ui/TimelineView.h"

#include "platform/RunLoop.h"
#include "ui/View.h"

namespace ui {

namespace {

// Stops its timer when the last view that shares it goes away, even without a disappearance
// (a host destroyed without being torn down).
struct TimerHolder {
    platform::TimerRef timer;
    ~TimerHolder() { stop(); }
    void stop() {
        if (timer) timer->invalidate();
        timer.reset();
    }
};

// The timer lives in a State, so the instance that renders after a re-render (which gets the
// previous instance's states) stops the timer the first one started.
class Timeline final : public View {
public:
    Timeline(double interval, std::function<Node(double)> content) : interval_(interval), content_(std::move(content)) {}

    Node body() override {
        double now = platform::RunLoop::main().now();
        return content_(now)
            .onAppear([this] {
                auto tick = now_.binding();
                timer_.get()->stop();
                timer_.get()->timer = platform::RunLoop::main().scheduledTimer(
                    interval_, true, [tick](platform::Timer&) { tick.set(platform::RunLoop::main().now()); },
                    platform::TimerModes::common);
            })
            .onDisappear([this] { timer_.get()->stop(); });
    }

private:
    double interval_;
    std::function<Node(double)> content_;
    State<double> now_{this, 0};
    // Shared, not assigned: starting the timer is no change to draw.
    State<std::shared_ptr<TimerHolder>> timer_{this, std::make_shared<TimerHolder>()};
};

}  // namespace

Node TimelineView(double interval, std::function<Node(double now)> content) {
    return view<Timeline>(interval, std::move(content));
}

}  // namespace ui
