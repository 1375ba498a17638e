#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/DiscoveredMenuBarItem.h"
#include "model/IconGroup.h"
#include "model/MenuBarItemID.h"
#include "platform/RunLoop.h"
#include "platform/Signal.h"
#include "platform/StatusBar.h"
#include "platform/View.h"
#include "statusitems/LiveMenuBarItems.h"
#include "statusitems/StatusItemPopover.h"
#include "statusitems/WeakAnchor.h"

namespace tessivane {

// The status item of one visible vossel: its icon, tooltip and dimming; its popover of
// present members, opened on hover or click; its context menu. It decides nothing about
// opening a member: it hands the chosen identity to its owner. Main thread only.
class GroupStatusItemController {
public:
    struct Callbacks {
        std::function<void(const MenuBarItemID&)> onSelect;
        std::function<void(const MenuBarItemID&)> onSecondarySelect;
        std::function<void()> onOpenSettings;
        std::function<void()> onHideFromMenuBar;
        std::function<void()> onDelete;
        // Rediscovers the menu bar now; the owner calls `update` with the fresh items before
        // it returns. It may also remove this controller.
        std::function<void()> onPrepareOpen;
    };

    static constexpr double hoverDelay = 0.35;
    static constexpr double hoverCloseDelay = 0.45;
    static constexpr double dimmedAlpha = 0.55;
    // The checks while members are being located, in seconds after the popover opened.
    static constexpr double locatingCheckDelays[3] = {0.25, 0.7, 1.4};

    // Installs the vossel's status item at once.
    GroupStatusItemController(IconGroup group, std::shared_ptr<const LiveMenuBarItems> items, Callbacks callbacks);
    ~GroupStatusItemController();
    GroupStatusItemController(const GroupStatusItemController&) = delete;
    GroupStatusItemController& operator=(const GroupStatusItemController&) = delete;

    // A new value of the vossel and a new discovery list.
    void update(const IconGroup& group, std::shared_ptr<const LiveMenuBarItems> items);
    // Removes the status item and closes everything; the controller does nothing afterwards.
    void tearDown();

    const IconGroup& group() const { return group_; }
    const std::vector<DiscoveredMenuBarItem>& items() const { return items_->items(); }
    // Null once torn down.
    const std::shared_ptr<platform::StatusItem>& statusItem() const { return statusItem_; }
    bool isPopoverShown() const { return popover_.isShown(); }
    bool isLocatingMembers() const { return isLocatingMembers_; }

    // For each member identity in order, the first discovered item it matches; identities
    // that match nothing are left out, and two identities matching one item show it twice.
    std::vector<DiscoveredMenuBarItem> members() const;
    std::string popoverSignature() const;

    // The status item button's action (a left or right mouse up).
    void togglePopover();
    void openPopover();
    void closePopover();
    void showContextMenu();

private:
    void install();
    bool hasMembers() const;
    void updateTooltip(bool found);
    void setAlpha(double alpha);
    void installHoverTracking();
    void invalidateHoverTimers();
    void mouseEntered();
    void mouseExited();
    void startLocatingIfNeeded();
    void runLocatingCheck(int64_t generation, double delay);
    std::shared_ptr<ui::View> popoverContent();
    void refreshOpenPopoverIfNeeded();
    void popoverDidClose();
    void chooseMember(const MenuBarItemID& id, bool secondary);
    void openSettingsFromPopover();
    void contextDelete();
    platform::StatusBarButton* button() const;

    std::shared_ptr<platform::StatusItem> statusItem_;
    StatusItemPopover popover_;
    std::shared_ptr<platform::TrackingArea> trackingArea_;
    platform::TimerRef hoverOpenTimer_;
    platform::TimerRef hoverCloseTimer_;
    std::string lastPopoverSignature_;
    int64_t locatingGeneration_ = 0;
    bool isLocatingMembers_ = false;
    IconGroup group_;
    std::shared_ptr<const LiveMenuBarItems> items_;
    Callbacks callbacks_;
    WeakAnchor<GroupStatusItemController> anchor_{this};
    platform::Subscription iconDecoded_;
};

}  // namespace tessivane
