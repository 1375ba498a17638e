#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "engine/UnansweringApplications.h"
#include "model/DiscoveredMenuBarItem.h"
#include "model/MenuBarItemID.h"
#include "platform/Accessibility.h"
#include "platform/Geometry.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"

namespace tessivane {

// Finds the live icon a stored member means and opens it: through its Accessibility
// element, or by a synthesized click on its window. Keeps no state between calls but the
// applications that just did not answer, shared with discovery; every operation reads the
// running applications, the Accessibility trees and the window server afresh. Frames of
// Accessibility elements and windows, and click points, are in window-server coordinates
// (origin top left of the zero screen, y down); discovered icons' frames are AppKit frames, of
// which only x is used here.
class ActivationService {
public:
    using Items = std::vector<DiscoveredMenuBarItem>;
    using Match = std::optional<DiscoveredMenuBarItem>;
    using Apps = std::vector<platform::RunningApplication>;

    // The messaging time-out of every element read here, so that an application that does not
    // answer holds the main thread that long at most per read.
    static constexpr float extrasMessagingTimeout = 0.4f;
    // The time-out of a hit test at the window of an application that just did not answer.
    static constexpr float quietOwnerHitTestTimeout = 0.05f;

    // `unanswering` outlives the service; applications it holds are not asked.
    explicit ActivationService(UnansweringApplications& unanswering) : unanswering_(&unanswering) {}

    // --- Resolution and Accessibility ---

    // The live icon the identity means; ties go to the leftmost.
    Match resolve(const MenuBarItemID& id, const Items& items) const;
    // Asks the icon's own element to show its menu; true only when that was done.
    bool showContextMenuViaAX(const MenuBarItemID& itemID, const Items& items) const;
    // Running applications that may own the icon, without repeats and never ourselves.
    Apps candidateApps(const MenuBarItemID& itemID, const Match& match) const;
    // Processes that certainly own the icon (never Control Center's).
    std::unordered_set<int32_t> candidatePIDs(const MenuBarItemID& itemID, const Match& match) const;
    // The application's status items; empty on any failure.
    std::vector<platform::AXUIElementRef> extraButtons(const platform::RunningApplication& app) const;
    // First non-empty of "AXTitle", "AXDescription", "AXHelp"; empty when none.
    std::string axTitle(const platform::AXUIElementRef& element) const;
    // The attribute when it is a string; empty otherwise.
    std::string axAttr(const platform::AXUIElementRef& element, const std::string& attribute) const;
    // Zero when position or size cannot be read.
    platform::Rect axFrameQuartz(const platform::AXUIElementRef& element) const;
    // The first extras element among `apps` that belongs to the icon; null when none.
    platform::AXUIElementRef firstMatchingExtra(const MenuBarItemID& itemID, const Match& match, const Apps& apps,
                                                bool includeControlCenter) const;

    // --- Windows, geometry and clicks ---

    // The icon's window, pinned before the hidden icons move.
    std::optional<platform::CGWindowID> pinWindowID(const MenuBarItemID& itemID, const Items& items) const;
    // The icon's window among menu bar windows at the leading screen edge.
    std::optional<platform::CGWindowID> pinByHitTest(const MenuBarItemID& itemID, const Match& match) const;
    std::optional<platform::CGWindowID> bestOverlappingMenuBarWindow(const platform::Rect& frame,
                                                                     bool controlCenterOnly) const;
    std::optional<platform::WindowInfo> windowInfo(platform::CGWindowID number) const;
    // The window's current bounds; absent once it is gone or thinner than 6 points.
    std::optional<platform::Rect> liveWindowQuartz(platform::CGWindowID number) const;
    // Whether the frame touches one of our own status item windows.
    bool isOwnMenuBarFrame(const platform::Rect& frame) const;
    bool isOnScreenMenuBar(const platform::Rect& frame) const;
    // Whether the frame lies beyond the separator; true without a usable separator.
    bool isInHiddenRegion(const platform::Rect& frame, std::optional<double> separatorX, bool rtl) const;
    // Whether another application's menu (or the menu bar itself) is at the point.
    bool isForeignAppMenu(platform::Point point, const MenuBarItemID& itemID, const Match& match) const;
    // Move, then button down 8 ms later and up 12 ms after that.
    void postClick(platform::Point atQuartz, bool right) const;
    // Clicks while our own (empty) application menu is in front; always true.
    bool clickClearingAppMenu(platform::Point atQuartz, bool right) const;
    // The first screen at the origin, else the main screen, else 1728 by 1117 at the origin.
    platform::Rect primaryScreenFrame() const;

private:
    // The element, with `extrasMessagingTimeout` set: a time-out belongs to the reference it was
    // set on, not to the elements read through it.
    static platform::AXUIElementRef bounded(platform::AXUIElementRef element);
    // `firstMatchingExtra` over `candidateApps`, first without and then with Control Center.
    platform::AXUIElementRef findExtra(const MenuBarItemID& itemID, const Match& match) const;
    // The hit test at the point, made briefly when the owner of the front window there just
    // did not answer.
    std::pair<platform::AXError, platform::AXUIElementRef> elementAt(platform::Point point) const;
    // Whether the front window at the point belongs to an application that just did not answer.
    bool isQuietOwnerAt(platform::Point point) const;

    UnansweringApplications* unanswering_;
};

}  // namespace tessivane
