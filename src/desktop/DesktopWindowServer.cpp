#include <algorithm>
#include <optional>

#include "desktop/DesktopServices.h"
#include "desktop/DesktopWindow.h"

namespace desktop {

using platform::CGWindowID;
using platform::WindowInfo;
namespace Opt = platform::WindowListOptions;

namespace {

constexpr platform::CGSConnectionID kConnection = 0x5a07;
constexpr platform::CGError kSuccess = 0;
constexpr platform::CGError kFailure = 1000;
constexpr platform::CGError kIllegalArgument = 1001;
constexpr platform::CGError kInvalidConnection = 1002;

Desktop* connected(platform::CGSConnectionID cid, platform::CGError& error) {
    Desktop* d = Desktop::current();
    error = !d ? kFailure : cid != kConnection ? kInvalidConnection : kSuccess;
    return error == kSuccess ? d : nullptr;
}

// Menu bar windows, the status item windows and the menu bar itself: of every process, or
// of the one process whose connection is `owner`.
std::vector<CGWindowID> menuBarWindows(const Desktop& d, std::optional<int32_t> owner) {
    std::vector<CGWindowID> out;
    for (const ServerWindow* w : d.windows().frontToBack()) {
        if (!w->ordered || (owner && w->ownerPID != *owner)) continue;
        if (w->kind == WindowKind::statusItem || w->kind == WindowKind::menuBar) out.push_back(w->number);
    }
    return out;
}

void setAlpha(Desktop& d, CGWindowID number, float alpha) {
    ServerWindow* w = d.windows().find(number);
    if (!w) return;
    // Hiding re-applies the same alpha many times a second: only a new value is a change.
    const double clamped = std::clamp(static_cast<double>(alpha), 0.0, 1.0);
    if (w->alpha == clamped) return;
    w->alpha = clamped;
    d.noteChange();
}

extern "C" {

platform::CGSConnectionID simMainConnectionID() { return Desktop::current() ? kConnection : 0; }

// The target is a process's connection, 0 for every process. This application's own
// connection is the only one a process can learn here, so any other target is refused.
platform::CGError simGetWindowCount(platform::CGSConnectionID cid, platform::CGSConnectionID target, int32_t* count) {
    platform::CGError error;
    Desktop* d = connected(cid, error);
    if (!d) return error;
    if (!count) return kIllegalArgument;
    if (target != 0 && target != kConnection) return kIllegalArgument;
    const auto& all = d->windows().all();
    *count = target == 0 ? static_cast<int32_t>(all.size())
                         : static_cast<int32_t>(std::ranges::count_if(all, [&](const auto& w) { return w->ownerPID == d->selfPID(); }));
    return kSuccess;
}

platform::CGError simGetProcessMenuBarWindowList(platform::CGSConnectionID cid, platform::CGSConnectionID target,
                                                 int32_t capacity, CGWindowID* list, int32_t* outCount) {
    platform::CGError error;
    Desktop* d = connected(cid, error);
    if (!d) return error;
    if (!outCount || capacity < 0 || (capacity > 0 && !list)) return kIllegalArgument;
    if (target != 0 && target != kConnection) return kIllegalArgument;
    auto windows = menuBarWindows(*d, target == 0 ? std::nullopt : std::optional<int32_t>(d->selfPID()));
    int32_t n = std::min(capacity, static_cast<int32_t>(windows.size()));
    for (int32_t i = 0; i < n; ++i) list[i] = windows[static_cast<size_t>(i)];
    *outCount = n;
    return kSuccess;
}

platform::CGError simGetWindowLevel(platform::CGSConnectionID cid, CGWindowID window, int32_t* level) {
    platform::CGError error;
    Desktop* d = connected(cid, error);
    if (!d) return error;
    if (!level) return kIllegalArgument;
    const ServerWindow* w = d->windows().find(window);
    if (!w) return kIllegalArgument;
    *level = w->level;
    return kSuccess;
}

platform::CGError simSetWindowListAlpha(platform::CGSConnectionID cid, const CGWindowID* windows, int32_t count,
                                        float alpha, float /*duration*/) {
    platform::CGError error;
    Desktop* d = connected(cid, error);
    if (!d) return error;
    if (count < 0 || (count > 0 && !windows)) return kIllegalArgument;
    for (int32_t i = 0; i < count; ++i) setAlpha(*d, windows[i], alpha);
    return kSuccess;
}

platform::CGError simSetWindowAlpha(platform::CGSConnectionID cid, CGWindowID window, float alpha) {
    platform::CGError error;
    Desktop* d = connected(cid, error);
    if (!d) return error;
    if (!d->windows().find(window)) return kIllegalArgument;
    setAlpha(*d, window, alpha);
    return kSuccess;
}

}  // extern "C"

}  // namespace

void* DesktopWindowServer::lookupFunction(const std::string& frameworkPath, const std::string& name) const {
    if (frameworkPath != platform::kSkyLightFramework && frameworkPath != platform::kCoreGraphicsFramework) {
        return nullptr;
    }
    if (!desktop_.hasPrivateFunction(frameworkPath, name)) return nullptr;
    if (name == "CGSMainConnectionID") return reinterpret_cast<void*>(&simMainConnectionID);
    if (name == "CGSGetWindowCount") return reinterpret_cast<void*>(&simGetWindowCount);
    if (name == "CGSGetProcessMenuBarWindowList") return reinterpret_cast<void*>(&simGetProcessMenuBarWindowList);
    if (name == "CGSGetWindowLevel") return reinterpret_cast<void*>(&simGetWindowLevel);
    if (name == "CGSSetWindowListAlpha") return reinterpret_cast<void*>(&simSetWindowListAlpha);
    if (name == "CGSSetWindowAlpha" || name == "SLSSetWindowAlpha") return reinterpret_cast<void*>(&simSetWindowAlpha);
    return nullptr;
}

WindowInfo DesktopWindowServer::info(const ServerWindow& w) const {
    WindowInfo i;
    i.number = w.number;
    i.layer = w.level;
    i.bounds = desktop_.toQuartz(w.frame);
    i.ownerPID = w.ownerPID;
    if (const SimulatedApp* app = desktop_.app(w.ownerPID)) {
        i.ownerName = app->ownerName();
    } else {
        i.ownerName = "Window Server";
    }
    i.name = w.name;
    if (w.platformWindow && w.kind == WindowKind::ownWindow) {
        std::string title = w.platformWindow->title();
        i.name = title.empty() ? std::nullopt : std::optional<std::string>(title);
    }
    i.alpha = w.alpha;
    i.isOnscreen = desktop_.isWindowOnScreen(w);
    return i;
}

std::vector<WindowInfo> DesktopWindowServer::windowList(platform::WindowListOption options, CGWindowID relativeTo) const {
    std::vector<WindowInfo> out;
    if (options & Opt::includingWindow) {
        if (const ServerWindow* w = desktop_.windows().find(relativeTo)) out.push_back(info(*w));
        return out;
    }
    const auto all = desktop_.windows().frontToBack();
    const bool above = options & Opt::onScreenAboveWindow;
    const bool below = options & Opt::onScreenBelowWindow;
    const bool onScreenOnly = (options & Opt::onScreenOnly) || above || below;
    size_t relativeIndex = all.size();
    if (above || below) {
        for (size_t k = 0; k < all.size(); ++k) {
            if (all[k]->number == relativeTo) relativeIndex = k;
        }
        if (relativeIndex == all.size()) return out;
    }
    for (size_t k = 0; k < all.size(); ++k) {
        const ServerWindow& w = *all[k];
        if ((options & Opt::excludeDesktopElements) && w.desktopElement) continue;
        if (onScreenOnly && !desktop_.isWindowOnScreen(w)) continue;
        if (above && !below && k >= relativeIndex) continue;
        if (below && !above && k <= relativeIndex) continue;
        out.push_back(info(w));
    }
    return out;
}

}  // namespace desktop
