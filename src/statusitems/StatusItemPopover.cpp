#include "statusitems/StatusItemPopover.h"

#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "platform/Window.h"
#include "ui/HostingView.h"

namespace tessivane {

namespace {
constexpr platform::EventMask kMouseDownMask =
    platform::eventMask(platform::EventType::leftMouseDown) | platform::eventMask(platform::EventType::rightMouseDown);
}

// The popover's delegate; the popover holds it weakly, so it lives as long as its owner.
class StatusItemPopover::Relay final : public platform::PopoverDelegate {
public:
    explicit Relay(StatusItemPopover* owner) : owner_(owner) {}
    void popoverDidClose(platform::Popover&) override {
        if (owner_) owner_->noteClosed();
    }
    StatusItemPopover* owner_;
};

StatusItemPopover::StatusItemPopover(std::function<void()> didClose)
    : didClose_(std::move(didClose)), relay_(std::make_shared<Relay>(this)) {}

StatusItemPopover::~StatusItemPopover() {
    relay_->owner_ = nullptr;
    stopDismissMonitors();
    if (popover_ && popover_->isShown()) popover_->close();
}

bool StatusItemPopover::isShown() const { return popover_ && popover_->isShown(); }

bool StatusItemPopover::closedWithinGuard() const {
    return lastClosedAt_ && platform::RunLoop::main().now() - *lastClosedAt_ < reopenGuard;
}

std::shared_ptr<platform::View> StatusItemPopover::hostingView(const std::shared_ptr<ui::View>& content) const {
    return ui::HostingView::make(content);
}

void StatusItemPopover::show(const std::shared_ptr<ui::View>& content,
                             const std::shared_ptr<platform::StatusBarButton>& button) {
    if (!popover_) {
        popover_ = platform::Popover::make();
        popover_->setBehavior(platform::PopoverBehavior::applicationDefined);
        popover_->setAnimates(true);
        popover_->setDelegate(relay_);
    }
    content_ = content;
    popover_->setContentView(hostingView(content));
    popover_->show(button->bounds(), *button, platform::RectEdge::minY);
    button_ = button;
    startDismissMonitors();
}

void StatusItemPopover::replaceContent(const std::shared_ptr<ui::View>& content) {
    if (!popover_) return;
    content_ = content;
    popover_->setContentView(hostingView(content));
}

bool StatusItemPopover::closeIfShown() {
    if (!isShown()) return false;
    popover_->performClose();
    return true;
}

void StatusItemPopover::discard() {
    stopDismissMonitors();
    if (isShown()) popover_->close();
    popover_.reset();
    content_.reset();
}

ui::View* StatusItemPopover::contentView() const { return isShown() ? content_.get() : nullptr; }

void StatusItemPopover::noteClosed() {
    lastClosedAt_ = platform::RunLoop::main().now();
    stopDismissMonitors();
    if (didClose_) didClose_();
}

void StatusItemPopover::startDismissMonitors() {
    stopDismissMonitors();
    auto& events = platform::events();
    // The monitors are removed before this object goes away, so `this` is alive whenever
    // one of them runs.
    globalClickMonitor_ = events.addGlobalMonitor(kMouseDownMask, [this](const platform::Event&) { closeIfShown(); });
    localClickMonitor_ =
        events.addLocalMonitor(kMouseDownMask, [this](const platform::Event& event) -> std::optional<platform::Event> {
            if (!isPointerOverPopoverOrButton()) closeIfShown();
            return event;
        });
}

void StatusItemPopover::stopDismissMonitors() {
    if (!platform::services().events) return;
    if (globalClickMonitor_) platform::events().removeMonitor(*globalClickMonitor_);
    if (localClickMonitor_) platform::events().removeMonitor(*localClickMonitor_);
    globalClickMonitor_.reset();
    localClickMonitor_.reset();
}

bool StatusItemPopover::isPointerOverPopoverOrButton() const {
    const platform::Point location = platform::events().mouseLocation();
    if (auto button = button_.lock()) {
        platform::Window* window = button->window();
        if (window && button->frame().contains(window->convertPointFromScreen(location))) return true;
    }
    if (!popover_) return false;
    auto content = popover_->contentView();
    platform::Window* window = content ? content->window() : nullptr;
    if (!window) return false;
    if (window->frame().contains(location)) return true;
    auto view = window->contentView();
    return view && view->bounds().contains(window->convertPointFromScreen(location));
}

}  // namespace tessivane
