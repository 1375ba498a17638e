#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Geometry.h"
#include "platform/Signal.h"

namespace platform {

// One display as NSScreen reports it, in AppKit coordinates (origin at the bottom left of
// the screen whose origin is zero, y up). A screen with a camera housing reports the two
// areas of its top edge on either side of it.
struct Screen {
    uint32_t displayID = 0;
    std::string localizedName;
    Rect frame;
    Rect visibleFrame;
    double backingScaleFactor = 2;
    std::optional<Rect> auxiliaryTopLeftArea;
    std::optional<Rect> auxiliaryTopRightArea;
    double safeAreaTopInset = 0;  // the camera housing's height; 0 without one
    bool operator==(const Screen&) const = default;
};

class Screens {
public:
    virtual ~Screens() = default;
    // In the system's order: the first is the screen with the menu bar (origin zero).
    virtual std::vector<Screen> screens() const = 0;
    // The screen with the key window, else the first; absent when there are no screens.
    virtual std::optional<Screen> mainScreen() const = 0;
    // Sent when screens are added, removed or rearranged.
    Signal<> parametersDidChange;
};

}  // namespace platform
