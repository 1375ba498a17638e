#pragma once
#include <functional>
#include <memory>

#include "platform/StatusBar.h"
#include "statusitems/AppMenuPopoverView.h"
#include "statusitems/StatusItemPopover.h"
#include "statusitems/WeakAnchor.h"

namespace tessivane {

// The application's own status item and its menu popover. Until onboarding is complete a
// click (either button) starts the welcome tour instead. A chosen command closes the
// popover first and runs on the next turn of the main queue. Main thread only.
class AppMenuController {
public:
    // The seven commands, as the popover offers them.
    using Callbacks = AppMenuPopoverView::Commands;

    // Installs the status item, and lets an opening vossel popover close this one.
    explicit AppMenuController(Callbacks callbacks);
    ~AppMenuController();
    AppMenuController(const AppMenuController&) = delete;
    AppMenuController& operator=(const AppMenuController&) = delete;

    // The status item (its button carries the overflow badge title); null if none was made.
    const std::shared_ptr<platform::StatusItem>& statusItem() const { return statusItem_; }
    bool isPopoverShown() const { return popover_.isShown(); }

    // The button's action.
    void togglePopover();
    void closePopover() { popover_.closeIfShown(); }

private:
    using Command = std::function<void()> Callbacks::*;
    void install();
    void openPopover();
    void run(Command command);
    platform::StatusBarButton* button() const;

    std::shared_ptr<platform::StatusItem> statusItem_;
    StatusItemPopover popover_;
    Callbacks callbacks_;
    WeakAnchor<AppMenuController> anchor_{this};
};

}  // namespace tessivane
