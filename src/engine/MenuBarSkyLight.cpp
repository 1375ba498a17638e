#include "engine/MenuBarSkyLight.h"

#include <algorithm>

#include "platform/Platform.h"

namespace tessivane::MenuBarSkyLight {

namespace {
// Windows at this level are the menu bar's own backdrop, not icons.
constexpr int32_t kMenuBarBackdropLevel = 24;
}  // namespace

void* lookup(const std::string& name) {
    const platform::WindowServer& server = platform::windowServer();
    if (void* function = server.lookupFunction(platform::kSkyLightFramework, name)) return function;
    return server.lookupFunction(platform::kCoreGraphicsFramework, name);
}

std::vector<platform::CGWindowID> menuBarItemWindowIDs() {
    auto mainConnection = symbol<platform::CGSMainConnectionIDFn>("CGSMainConnectionID");
    auto getWindowCount = symbol<platform::CGSGetWindowCountFn>("CGSGetWindowCount");
    auto getMenuBarWindows = symbol<platform::CGSGetProcessMenuBarWindowListFn>("CGSGetProcessMenuBarWindowList");
    if (!mainConnection || !getWindowCount || !getMenuBarWindows) return {};

    const platform::CGSConnectionID connection = mainConnection();
    int32_t count = 0;
    if (getWindowCount(connection, 0, &count) != 0 || count <= 0) return {};

    std::vector<platform::CGWindowID> buffer(static_cast<size_t>(count), 0);
    int32_t written = 0;
    if (getMenuBarWindows(connection, 0, count, buffer.data(), &written) != 0 || written <= 0) return {};
    buffer.resize(static_cast<size_t>(std::min(written, count)));

    auto getWindowLevel = symbol<platform::CGSGetWindowLevelFn>("CGSGetWindowLevel");
    std::erase_if(buffer, [&](platform::CGWindowID window) {
        if (getWindowLevel) {
            int32_t level = 0;
            getWindowLevel(connection, window, &level);
            if (level == kMenuBarBackdropLevel) return true;
        }
        return window == platform::kCGNullWindowID;
    });
    return buffer;
}

}  // namespace tessivane::MenuBarSkyLight
