#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "model/MenuBarItemID.h"
#include "platform/Accessibility.h"
#include "platform/Geometry.h"

namespace tessivane {

// One icon in the menu bar now, as discovery sees it; never stored.
struct DiscoveredMenuBarItem {
    MenuBarItemID id;  // the identity under which this icon becomes a member
    std::string title;
    std::string ownerName;
    std::optional<std::string> bundleIdentifier;
    int64_t itemIndex = 0;
    platform::Rect frame;  // AppKit screen points
    platform::AXUIElementRef axElement;  // null when discovery found none
    uint32_t windowID = 0;  // 0 when no window is known
    int32_t ownerPID = 0;

    // The title; else the display name of the owning application's bundle; else the owner
    // name; else "Unknown". Asks the workspace on every call.
    std::string displayName() const;
};

}  // namespace tessivane
