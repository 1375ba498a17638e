#pragma once
#include "platform/Geometry.h"

namespace tessivane {

// Geometric tests on the menu bar that do not depend on discovery.
namespace MenuBarGeometry {

// Whether the widened pusher status item (its window frame, AppKit coordinates) has slid
// over the application menus instead of shoving icons off the bar.
bool isPusherCoveringAppMenus(const platform::Rect& pusher, const platform::Rect& screen, bool rtl);

// Whether the chevron at x (its window's minimum x) tells the hidden side of the bar from the
// shown one on this screen: at the leading edge, or at the trailing end by the clock, the
// pusher has nothing to its side and says nothing of sides.
bool isUsableSeparator(double x, const platform::Rect& screen, bool rtl);

// Whether an element that a hit test finds over a status item's window (widths in points)
// is too wide to be its icon, and so a menu or a window behind it: an icon may be as wide
// as its window and 24 points more, and any icon up to 80 points wide counts.
bool isWiderThanIcon(double elementWidth, double windowWidth);

// What stands in for a screen when there is none: 1728 by 1117 points at the origin.
inline const platform::Rect kFallbackScreenFrame{0, 0, 1728, 1117};
// The main screen's frame, or the fallback when there is no screen (or no screen service).
platform::Rect mainScreenFrameOrDefault();

}  // namespace MenuBarGeometry

}  // namespace tessivane
