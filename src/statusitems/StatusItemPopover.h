#pragma once
#include <functional>
#include <memory>
#include <optional>

#include "platform/Event.h"
#include "platform/Popover.h"
#include "platform/StatusBar.h"
#include "ui/View.h"

namespace tessivane {

// The popover of one of the system's status items, shared by the vossels' items and the
// application's own: made on first open and reused, closed only when told to (a click
// elsewhere through the dismiss monitors, a second click, a command), and remembering when
// it closed so that the click that closed it does not open it again at once.
class StatusItemPopover {
public:
    // A click this soon after a close does not reopen.
    static constexpr double reopenGuard = 0.35;

    // `didClose` runs after every close, once the close time is noted and the monitors stopped.
    explicit StatusItemPopover(std::function<void()> didClose);
    ~StatusItemPopover();
    StatusItemPopover(const StatusItemPopover&) = delete;
    StatusItemPopover& operator=(const StatusItemPopover&) = delete;

    bool exists() const { return popover_ != nullptr; }
    bool isShown() const;
    std::optional<double> lastClosedAt() const { return lastClosedAt_; }
    bool closedWithinGuard() const;

    // Shows `content` below the button, creating the popover on first use. While it is open,
    // a click in another application closes it, and so does a click in this one unless the
    // pointer is over the popover or the button; the click always goes on to its target.
    void show(const std::shared_ptr<ui::View>& content, const std::shared_ptr<platform::StatusBarButton>& button);
    // Replaces what an open popover shows.
    void replaceContent(const std::shared_ptr<ui::View>& content);
    // Asks an open popover to close (the close is reported through `didClose`); false when
    // it was not open.
    bool closeIfShown();
    // Closes for good (tear-down); the popover object is dropped.
    void discard();
    // The root view shown now, if any.
    ui::View* contentView() const;

    // Whether the pointer is over the popover's window or the button it was shown from.
    bool isPointerOverPopoverOrButton() const;

private:
    class Relay;
    std::shared_ptr<platform::View> hostingView(const std::shared_ptr<ui::View>& content) const;
    void noteClosed();
    void startDismissMonitors();
    void stopDismissMonitors();

    std::function<void()> didClose_;
    std::shared_ptr<Relay> relay_;
    std::shared_ptr<platform::Popover> popover_;
    std::shared_ptr<ui::View> content_;
    std::weak_ptr<platform::StatusBarButton> button_;
    std::optional<double> lastClosedAt_;
    std::optional<platform::EventMonitorToken> globalClickMonitor_;
    std::optional<platform::EventMonitorToken> localClickMonitor_;
};

}  // namespace tessivane
