#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Geometry.h"
#include "platform/WindowServer.h"

namespace desktop {

class DesktopWindow;

enum class WindowKind { statusItem, menuBar, dock, desktopPicture, appWindow, ownWindow, popover, menu, alert, systemDialog };

// One window of the simulated window server. Frames are AppKit coordinates; the window
// list converts them.
struct ServerWindow {
    platform::CGWindowID number = 0;
    WindowKind kind = WindowKind::appWindow;
    int32_t ownerPID = 0;
    int level = 0;
    std::optional<std::string> name;
    platform::Rect frame;
    double alpha = 1;
    bool ordered = false;  // ordered in (shown); a window outside every screen is still off screen
    bool desktopElement = false;
    uint64_t order = 0;      // larger is further in front within a level
    uint64_t barItem = 0;    // the status bar item a status item window shows
    DesktopWindow* platformWindow = nullptr;  // this application's windows
};

// The window server's windows in creation order, with the front-to-back order. Windows are
// found by number without a search: the transparency tick looks up every hidden window
// several times 30 times a second.
class WindowList {
public:
    std::shared_ptr<ServerWindow> create(WindowKind kind, int32_t ownerPID, int level);
    void remove(platform::CGWindowID number);
    ServerWindow* find(platform::CGWindowID number) const;
    void orderFront(ServerWindow& window);
    // Whether the window was the last created or ordered front: in front of its level.
    bool isLastOrdered(const ServerWindow& window) const { return window.order + 1 == nextOrder_; }
    // Every window, front to back (higher level first, then the latest ordered front).
    std::vector<ServerWindow*> frontToBack() const;
    const std::vector<std::shared_ptr<ServerWindow>>& all() const { return windows_; }
    // Moves when a window comes, goes or comes to the front (part of Desktop::changeCount).
    uint64_t changeCount() const { return changes_; }

private:
    std::vector<std::shared_ptr<ServerWindow>> windows_;
    std::unordered_map<platform::CGWindowID, ServerWindow*> byNumber_;
    platform::CGWindowID nextNumber_ = 100;
    uint64_t nextOrder_ = 1;
    uint64_t changes_ = 0;
};

}  // namespace desktop
