#pragma once
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/Geometry.h"
#include "platform/Screen.h"
#include "platform/Signal.h"

namespace tessivane {

// Estimates how many of the main screen's status icons find no room: beside the camera
// housing on a screen that has one, else in the part of the bar the application menus
// leave free. Works on window frames only; it does not say which icons are lost.
class MenuBarOverflowMonitor : public platform::ObservableObject {
public:
    // Room kept free for the icons of the system that always stay (clock, Control Center).
    static constexpr double wideRegionReserve = 160;
    static constexpr double narrowRegionReserve = 120;
    static constexpr double wideRegionWidth = 420;
    static constexpr double minimumIconCost = 22;
    static constexpr double fallbackRegionFraction = 0.45;

    MenuBarOverflowMonitor();

    // The last published count; the coordinator writes it.
    platform::Published<int> hiddenCount{*this, 0};

    const std::unordered_set<std::string>& ignoredOwners() const { return ignoredOwners_; }

    // 0 when nothing can be computed.
    int calculateHiddenCount() const;
    // The screen's status-area windows (AppKit coordinates), in window-list order.
    std::vector<platform::Rect> menuBarStatusFrames(const platform::Screen& screen) const;
    // The status region to use when the screen reports no areas beside a camera housing.
    static platform::Rect fallbackRegion(const platform::Screen& screen);

private:
    std::unordered_set<std::string> ignoredOwners_;
};

}  // namespace tessivane
