// ActivationService: window pinning, the geometry tests and synthesized clicks.
#include <algorithm>
#include <unordered_map>

#include "engine/ActivationService.h"
#include "model/GenericHostMemo.h"
#include "model/MemberNames.h"
#include "engine/MenuBarGeometry.h"
#include "engine/MenuBarItemDiscovery.h"
#include "engine/SystemMenuBarLayout.h"
#include "model/MenuBarIdentity.h"
#include "platform/Application.h"
#include "platform/Platform.h"
#include "platform/ProcessInfo.h"
#include "platform/RunLoop.h"
#include "platform/Screen.h"
#include "platform/SyntheticEvents.h"

namespace tessivane {

namespace {

using platform::CGWindowID;
using platform::Rect;
using platform::WindowInfo;

constexpr double kClickDownDelay = 0.008;
constexpr double kClickUpDelay = 0.012;
constexpr double kActivationSettleDelay = 0.080;

std::vector<WindowInfo> fullWindowList() {
    return platform::windowServer().windowList(platform::WindowListOptions::excludeDesktopElements,
                                               platform::kCGNullWindowID);
}

std::vector<WindowInfo> onScreenWindowList() {
    return platform::windowServer().windowList(
        platform::WindowListOptions::onScreenOnly | platform::WindowListOptions::excludeDesktopElements,
        platform::kCGNullWindowID);
}

// The size and height of a status item window at the top of a screen.
bool isInMenuBarBand(const Rect& bounds) {
    return bounds.height() >= 10 && bounds.height() <= 48 && bounds.width() >= 8 && bounds.width() <= 260 &&
           bounds.minY() > -8 && bounds.minY() < 48;
}

// Whether a window's owner hosts icons of many kinds, by its process's bundle identifier and
// the window's owner name. The running applications are read once per walk of the list.
class WindowOwners {
public:
    WindowOwners() {
        for (platform::RunningApplication& app : platform::workspace().runningApplications()) {
            bundles_.emplace(app.processIdentifier, std::move(app.bundleIdentifier));
        }
    }
    bool isGenericHost(const WindowInfo& window) {
        auto it = bundles_.find(window.ownerPID);
        static const std::optional<std::string> none;
        return hosts_.isGenericHost(it == bundles_.end() ? none : it->second, window.ownerName);
    }
    GenericHostMemo& hosts() { return hosts_; }

private:
    std::unordered_map<int32_t, std::optional<std::string>> bundles_;
    GenericHostMemo hosts_;
};

// A screen's frame in window-server coordinates.
Rect quartzFrame(const platform::Screen& screen) { return MenuBarItemDiscovery::cocoaRect(screen.frame); }

}  // namespace

std::optional<CGWindowID> ActivationService::pinWindowID(const MenuBarItemID& itemID, const Items& items) const {
    const Match match = resolve(itemID, items);
    if (auto pinned = pinByHitTest(itemID, match)) return pinned;

    const platform::AXUIElementRef element = findExtra(itemID, match);
    if (!element) return std::nullopt;
    const Rect elementFrame = axFrameQuartz(element);
    std::optional<CGWindowID> window = bestOverlappingMenuBarWindow(elementFrame, true);
    if (!window) window = bestOverlappingMenuBarWindow(elementFrame, false);
    if (!window) return std::nullopt;

    const std::optional<Rect> live = liveWindowQuartz(*window);
    if (!live || isOwnMenuBarFrame(*live)) return std::nullopt;
    return window;
}

std::optional<CGWindowID> ActivationService::pinByHitTest(const MenuBarItemID& itemID, const Match& match) const {
    const std::unordered_set<int32_t> pids = candidatePIDs(itemID, match);
    const Rect reference = primaryScreenFrame();
    const bool rtl = SystemMenuBarLayout::isRightToLeft();
    const int32_t ownPID = platform::ProcessInfo::processIdentifier();
    const std::vector<platform::Screen> screens = platform::screens().screens();
    WindowOwners owners;
    platform::Accessibility& ax = platform::accessibility();
    platform::AXUIElementRef systemWide;

    // The icon's extras element, looked for once and only when a window needs it.
    bool searchedExtra = false;
    platform::AXUIElementRef extra;

    for (const WindowInfo& window : fullWindowList()) {
        if (window.ownerPID == ownPID) continue;
        const Rect& bounds = window.bounds;
        if (!isInMenuBarBand(bounds)) continue;
        // The leading edge, where the pusher shoves hidden icons.
        const bool atLeadingEdge = rtl ? (bounds.maxX() < 40 || bounds.minX() > reference.maxX() - 40)
                                       : bounds.maxX() < 40;
        if (!atLeadingEdge) continue;
        const bool certainOwner = pids.contains(window.ownerPID);
        if (!certainOwner && !owners.isGenericHost(window)) continue;
        if (window.number == 0) continue;
        if (certainOwner) return window.number;

        // A host's window: ask who draws at its centre.
        const platform::Point centre{bounds.midX(), bounds.midY()};
        const bool onSomeScreen = std::any_of(screens.begin(), screens.end(), [&](const platform::Screen& s) {
            return quartzFrame(s).insetBy(-8, -8).contains(centre);
        });
        platform::AXUIElementRef hit;
        if (onSomeScreen) {
            if (!systemWide) systemWide = MenuBarItemDiscovery::systemWideElement();
            auto [error, element] = ax.copyElementAtPosition(systemWide, static_cast<float>(centre.x),
                                                             static_cast<float>(centre.y));
            if (error == platform::AXError::success) hit = bounded(std::move(element));
        }

        if (hit) {
            if (MenuBarGeometry::isWiderThanIcon(axFrameQuartz(hit).width(), bounds.width())) continue;
            auto [pidError, pid] = ax.getPid(hit);
            if (pidError != platform::AXError::success) pid = 0;
            if (pid == ownPID) continue;
            if (pids.contains(pid)) return window.number;
            std::string label = axAttr(hit, platform::AX::help);
            label += ' ';
            label += axAttr(hit, platform::AX::description);
            label += ' ';
            label += axAttr(hit, platform::AX::title);
            if (MenuBarIdentity::namesOverlap(MemberNames::stored(itemID, owners.hosts()), MenuBarIdentity::Names(label, {}))) {
                return window.number;
            }
            continue;
        }

        auto sameNumber = [&](std::optional<CGWindowID> known) { return known && *known != 0 && *known == window.number; };
        if ((match && sameNumber(match->windowID)) || sameNumber(itemID.windowID)) return window.number;
        if (match) {
            const Rect column{match->frame.minX(), bounds.minY(), match->frame.width(), bounds.height()};
            if (MenuBarIdentity::xOverlap(column, bounds) >= 0.5) return window.number;
        }
        if (!searchedExtra) {
            extra = findExtra(itemID, match);
            searchedExtra = true;
        }
        if (extra && MenuBarIdentity::xOverlap(axFrameQuartz(extra), bounds) >= 0.3) return window.number;
    }
    return std::nullopt;
}

std::optional<CGWindowID> ActivationService::bestOverlappingMenuBarWindow(const Rect& frame,
                                                                          bool controlCenterOnly) const {
    if (frame.width() < 6) return std::nullopt;
    const int32_t ownPID = platform::ProcessInfo::processIdentifier();
    WindowOwners owners;
    std::optional<CGWindowID> best;
    double bestOverlap = 0;
    for (const WindowInfo& window : fullWindowList()) {
        if (window.ownerPID == ownPID) continue;
        if (!isInMenuBarBand(window.bounds)) continue;
        const double overlap = MenuBarIdentity::xOverlap(window.bounds, frame);
        if (overlap < 0.3) continue;
        if (owners.isGenericHost(window) != controlCenterOnly) continue;
        if (window.number == 0) continue;
        if (!best || overlap > bestOverlap) {
            best = window.number;
            bestOverlap = overlap;
        }
    }
    return best;
}

std::optional<WindowInfo> ActivationService::windowInfo(CGWindowID number) const {
    if (number == 0) return std::nullopt;
    for (WindowInfo& window : fullWindowList()) {
        if (window.number == number) return std::move(window);
    }
    return std::nullopt;
}

std::optional<Rect> ActivationService::liveWindowQuartz(CGWindowID number) const {
    const std::optional<WindowInfo> info = windowInfo(number);
    if (!info || info->bounds.width() < 6 || info->bounds.height() < 6) return std::nullopt;
    return info->bounds;
}

bool ActivationService::isOwnMenuBarFrame(const Rect& frame) const {
    const int32_t ownPID = platform::ProcessInfo::processIdentifier();
    // Status item windows abut: the icon beside the line, the expanded pusher or a vossel
    // touches it. So a frame is ours only where one of our windows reaches more than two
    // points into it, not where it merely comes within two points of one; otherwise the
    // first hidden icon, beside the one-point pusher, could never be opened.
    const Rect core = frame.insetBy(2, 2);
    const bool tiny = core.isEmpty();
    const platform::Point centre{frame.midX(), frame.midY()};
    for (const WindowInfo& window : onScreenWindowList()) {
        if (window.ownerPID != ownPID || window.bounds.height() > 48 || window.bounds.width() > 260) continue;
        if (tiny ? window.bounds.insetBy(-2, -2).contains(centre) : window.bounds.intersects(core)) return true;
    }
    return false;
}

bool ActivationService::isOnScreenMenuBar(const Rect& frame) const {
    if (frame.width() < 8 || frame.width() > 260) return false;
    const double referenceHeight = primaryScreenFrame().height();
    for (const platform::Screen& screen : platform::screens().screens()) {
        const double top = referenceHeight - screen.frame.maxY();
        if (top - 8 <= frame.minY() && frame.minY() < top + 40 && screen.frame.minX() + 2 <= frame.midX() &&
            frame.midX() <= screen.frame.maxX() - 2) {
            return true;
        }
    }
    return false;
}

bool ActivationService::isInHiddenRegion(const Rect& frame, std::optional<double> separatorX, bool rtl) const {
    if (!separatorX) return true;
    const double s = *separatorX;
    const Rect reference = primaryScreenFrame();
    if (!MenuBarGeometry::isUsableSeparator(s, reference, rtl)) return true;
    return rtl ? frame.midX() > s + 2 : frame.midX() < s - 2;
}

bool ActivationService::isForeignAppMenu(platform::Point point, const MenuBarItemID& itemID,
                                         const Match& match) const {
    platform::Accessibility& ax = platform::accessibility();
    auto [error, hit] = elementAt(point);
    const platform::AXUIElementRef element = bounded(std::move(hit));
    if (error != platform::AXError::success || !element) return false;

    const std::string role = axAttr(element, platform::AX::role);
    if (role != platform::AX::roleMenuBar && role != platform::AX::roleMenuBarItem) return false;
    // An application menu's title, or the menu bar itself.
    if (axFrameQuartz(element).width() > 80) return true;
    auto [pidError, pid] = ax.getPid(element);
    if (pidError != platform::AXError::success) pid = 0;
    if (pid == platform::ProcessInfo::processIdentifier()) return true;
    return !candidatePIDs(itemID, match).contains(pid);
}

std::pair<platform::AXError, platform::AXUIElementRef> ActivationService::elementAt(platform::Point point) const {
    const platform::AXUIElementRef systemWide = MenuBarItemDiscovery::systemWideElement();
    if (!systemWide) return {platform::AXError::failure, nullptr};
    platform::Accessibility& ax = platform::accessibility();
    const auto x = static_cast<float>(point.x), y = static_cast<float>(point.y);
    if (!isQuietOwnerAt(point)) return ax.copyElementAtPosition(systemWide, x, y);
    // The owner of the window there is asked, unless the application menus reach over it; the
    // window list cannot tell which. So an owner that just did not answer gets a moment, long
    // enough for the menus' application to answer, not its whole time-out again. The
    // system-wide time-out is every element's default, so it is put back at once.
    ax.setMessagingTimeout(systemWide, quietOwnerHitTestTimeout);
    auto hit = ax.copyElementAtPosition(systemWide, x, y);
    ax.setMessagingTimeout(systemWide, MenuBarItemDiscovery::hitTestMessagingTimeout);
    return hit;
}

bool ActivationService::isQuietOwnerAt(platform::Point point) const {
    if (unanswering_->empty()) return false;
    const std::vector<WindowInfo> windows = onScreenWindowList();
    const auto front = std::find_if(windows.begin(), windows.end(),
                                    [&](const WindowInfo& window) { return window.bounds.contains(point); });
    return front != windows.end() && unanswering_->isQuiet(front->ownerPID);
}

void ActivationService::postClick(platform::Point atQuartz, bool right) const {
    platform::SyntheticEvents& events = platform::syntheticEvents();
    const platform::CGEventSourceRef source = events.createSource(platform::CGEventSourceStateID::combinedSessionState);
    const platform::CGMouseButton button = right ? platform::CGMouseButton::right : platform::CGMouseButton::left;
    auto post = [&](platform::CGEventType type) {
        if (auto event = events.createMouseEvent(source, type, atQuartz, button)) {
            events.post(platform::CGEventTapLocation::hidEventTap, *event);
        }
    };
    post(platform::CGEventType::mouseMoved);
    platform::RunLoop::main().blockingWait(kClickDownDelay);
    post(right ? platform::CGEventType::rightMouseDown : platform::CGEventType::leftMouseDown);
    platform::RunLoop::main().blockingWait(kClickUpDelay);
    post(right ? platform::CGEventType::rightMouseUp : platform::CGEventType::leftMouseUp);
}

bool ActivationService::clickClearingAppMenu(platform::Point atQuartz, bool right) const {
    platform::Application& app = platform::application();
    const platform::ActivationPolicy previous = app.activationPolicy();
    if (previous == platform::ActivationPolicy::regular) {
        postClick(atQuartz, right);
        return true;
    }
    // While we are the active regular application the bar shows our own empty menu, so
    // no other application's menu title can swallow the click.
    app.setActivationPolicy(platform::ActivationPolicy::regular);
    app.activate(true);
    platform::RunLoop::main().blockingWait(kActivationSettleDelay);
    postClick(atQuartz, right);
    app.setActivationPolicy(previous);
    return true;
}

Rect ActivationService::primaryScreenFrame() const {
    if (auto screen = MenuBarItemDiscovery::primaryScreen()) return screen->frame;
    return MenuBarGeometry::kFallbackScreenFrame;
}

}  // namespace tessivane
