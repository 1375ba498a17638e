#include "engine/MenuBarGeometry.h"

#include <algorithm>

#include "platform/Platform.h"
#include "platform/Screen.h"

namespace tessivane::MenuBarGeometry {

bool isPusherCoveringAppMenus(const platform::Rect& pusher, const platform::Rect& screen, bool rtl) {
    // A collapsed pusher is never this narrow; a narrow one covers nothing.
    if (!(pusher.width() > 80)) return false;
    if (!rtl) return pusher.minX() > -20 && pusher.minX() < 400;
    // Mirrored: its far end lies on the screen by the menus instead of past the edge. (A pusher
    // that merely spans the middle to past the right edge is how every collapse of a mirrored
    // bar looks, and reading that as covering would re-create the trio at every check.)
    return screen.maxX() - 400 < pusher.maxX() && pusher.maxX() < screen.maxX() + 40;
}

bool isUsableSeparator(double x, const platform::Rect& screen, bool rtl) {
    if (!rtl) return 80 < x && x < screen.maxX() - 8;
    return screen.minX() + 8 < x && x < screen.maxX() - 80;
}

bool isWiderThanIcon(double elementWidth, double windowWidth) {
    return elementWidth > std::max(80.0, windowWidth + 24);
}

platform::Rect mainScreenFrameOrDefault() {
    if (platform::services().screens) {
        if (auto screen = platform::screens().mainScreen()) return screen->frame;
    }
    return kFallbackScreenFrame;
}

}  // namespace tessivane::MenuBarGeometry
