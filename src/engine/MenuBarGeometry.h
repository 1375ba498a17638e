#pragma once
#include "platform/Geometry.h"

namespace tessivane {

// Geometric tests on the menu bar that do not depend on discovery.
namespace MenuBarGeometry {

// Whether the widened pusher status item (its window frame, AppKit coordinates) has slid
// over the application menus instead of shoving icons off the bar.
bool isPusherCoveringAppMenus(const platform::Rect& pusher, const platform::Rect& screen, bool rtl);

}  // namespace MenuBarGeometry

}  // namespace tessivane
