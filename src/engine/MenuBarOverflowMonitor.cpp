#include "engine/MenuBarOverflowMonitor.h"

#include <algorithm>

#include "engine/MenuBarItemDiscovery.h"
#include "engine/SystemMenuBarLayout.h"
#include "model/MenuBarIdentity.h"
#include "platform/Bundle.h"
#include "platform/Platform.h"
#include "platform/StatusBar.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"

namespace tessivane {

namespace {

constexpr int32_t kStatusLayerLow = 20;
constexpr int32_t kStatusLayerHigh = 25;
// How far below the bar's bottom edge a status window may reach and still be in it.
constexpr double kStripSlack = 8;
constexpr double kBottomTolerance = 4;

bool hasPositiveWidth(const std::optional<platform::Rect>& area) { return area && area->width() > 0; }

}  // namespace

MenuBarOverflowMonitor::MenuBarOverflowMonitor() {
    ignoredOwners_ = {"Tessivane",
                      platform::Bundle::main().bundleIdentifier().value_or(std::string(MenuBarIdentity::ownBundleIdentifier)),
                      "Window Server", "Dock"};
}

std::vector<platform::Rect> MenuBarOverflowMonitor::menuBarStatusFrames(const platform::Screen& screen) const {
    const std::vector<platform::WindowInfo> windows = platform::windowServer().windowList(
        platform::WindowListOptions::onScreenOnly | platform::WindowListOptions::excludeDesktopElements,
        platform::kCGNullWindowID);
    if (windows.empty()) return {};
    const double threshold = screen.frame.maxY() - (platform::statusBar().thickness() + kStripSlack);

    const double flipHeight = MenuBarItemDiscovery::flipHeight();
    std::vector<platform::Rect> frames;
    for (const platform::WindowInfo& window : windows) {
        if (ignoredOwners_.contains(window.ownerName)) continue;
        if (window.layer < kStatusLayerLow || window.layer > kStatusLayerHigh) continue;
        if (!(window.bounds.width() > 0) || !(window.bounds.height() > 0)) continue;
        const platform::Rect frame = MenuBarItemDiscovery::cocoaRect(window.bounds, flipHeight);
        if (frame.minY() < threshold - kBottomTolerance) continue;
        if (auto app = platform::workspace().runningApplication(window.ownerPID);
            app && app->bundleIdentifier && ignoredOwners_.contains(*app->bundleIdentifier)) {
            continue;
        }
        frames.push_back(frame);
    }
    return frames;
}

platform::Rect MenuBarOverflowMonitor::fallbackRegion(const platform::Screen& screen) {
    const double width = screen.frame.width() * fallbackRegionFraction;
    const double thickness = platform::statusBar().thickness();
    const double x = SystemMenuBarLayout::isRightToLeft() ? screen.frame.minX() : screen.frame.maxX() - width;
    return platform::Rect{x, screen.frame.maxY() - thickness, width, thickness};
}

int MenuBarOverflowMonitor::calculateHiddenCount() const {
    const std::optional<platform::Screen> screen = platform::screens().mainScreen();
    if (!screen) return 0;
    std::vector<platform::Rect> frames = menuBarStatusFrames(*screen);
    if (frames.empty()) return 0;

    const bool rtl = SystemMenuBarLayout::isRightToLeft();
    platform::Rect region;
    if (rtl && hasPositiveWidth(screen->auxiliaryTopLeftArea)) {
        region = *screen->auxiliaryTopLeftArea;
    } else if (hasPositiveWidth(screen->auxiliaryTopRightArea)) {
        region = *screen->auxiliaryTopRightArea;
    } else {
        region = fallbackRegion(*screen);
    }
    if (!(region.width() > 0)) return 0;

    const double reserve = region.width() > wideRegionWidth ? wideRegionReserve : narrowRegionReserve;
    double available = region.width() - reserve;

    // From the trailing end, where the system places icons first.
    std::stable_sort(frames.begin(), frames.end(), [rtl](const platform::Rect& a, const platform::Rect& b) {
        return rtl ? a.minX() < b.minX() : a.maxX() > b.maxX();
    });
    int hidden = 0;
    for (const platform::Rect& frame : frames) {
        const double cost = frame.width() <= minimumIconCost ? minimumIconCost : frame.width();
        if (available - cost >= 0) {
            available -= cost;
        } else {
            ++hidden;  // a later, narrower icon may still fit
        }
    }
    return hidden;
}

}  // namespace tessivane
