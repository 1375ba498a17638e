#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Geometry.h"
#include "platform/PropertyValue.h"

namespace platform {

using CGWindowID = uint32_t;
inline constexpr CGWindowID kCGNullWindowID = 0;

// Window list options (their raw values).
using WindowListOption = uint32_t;
namespace WindowListOptions {
inline constexpr WindowListOption all = 0;
inline constexpr WindowListOption onScreenOnly = 1;
inline constexpr WindowListOption onScreenAboveWindow = 2;
inline constexpr WindowListOption onScreenBelowWindow = 4;
inline constexpr WindowListOption includingWindow = 8;
inline constexpr WindowListOption excludeDesktopElements = 16;
}  // namespace WindowListOptions

// Keys of a window's information dictionary.
namespace WindowKey {
inline constexpr const char* number = "kCGWindowNumber";
inline constexpr const char* layer = "kCGWindowLayer";
inline constexpr const char* bounds = "kCGWindowBounds";  // dictionary "X", "Y", "Width", "Height"
inline constexpr const char* ownerName = "kCGWindowOwnerName";
inline constexpr const char* ownerPID = "kCGWindowOwnerPID";
inline constexpr const char* name = "kCGWindowName";
inline constexpr const char* alpha = "kCGWindowAlpha";
inline constexpr const char* isOnscreen = "kCGWindowIsOnscreen";
inline constexpr const char* sharingState = "kCGWindowSharingState";
inline constexpr const char* storeType = "kCGWindowStoreType";
inline constexpr const char* memoryUsage = "kCGWindowMemoryUsage";
}  // namespace WindowKey

// One window's information as the window list reports it. Bounds are in window-server
// (Quartz) coordinates: origin at the top left of the screen whose origin is zero, y down.
// A window without a name has no kCGWindowName entry.
struct WindowInfo {
    CGWindowID number = 0;
    int32_t layer = 0;
    Rect bounds;
    std::string ownerName;
    int32_t ownerPID = 0;
    std::optional<std::string> name;
    double alpha = 1;
    bool isOnscreen = false;

    // The dictionary as read by key (absent when the key is not in it).
    std::optional<PropertyValue> value(const std::string& key) const;
    PropertyDictionary dictionary() const;
};

// The window server's public window list and its private functions.
//
// Private functions are found by name in a framework, by its full path:
inline constexpr const char* kSkyLightFramework = "/System/Library/PrivateFrameworks/SkyLight.framework/SkyLight";
inline constexpr const char* kCoreGraphicsFramework = "/System/Library/Frameworks/CoreGraphics.framework/CoreGraphics";
// and cast to these C signatures (connections and errors are 32-bit signed, 0 is success):
using CGSConnectionID = int32_t;
using CGError = int32_t;
extern "C" {
// "CGSMainConnectionID"
using CGSMainConnectionIDFn = CGSConnectionID (*)();
// "CGSGetWindowCount": (connection, target connection (0 = all), out count)
using CGSGetWindowCountFn = CGError (*)(CGSConnectionID, CGSConnectionID, int32_t*);
// "CGSGetProcessMenuBarWindowList": (connection, target (0 = all), capacity, buffer, out count)
using CGSGetProcessMenuBarWindowListFn = CGError (*)(CGSConnectionID, CGSConnectionID, int32_t, CGWindowID*, int32_t*);
// "CGSGetWindowLevel": (connection, window, out level)
using CGSGetWindowLevelFn = CGError (*)(CGSConnectionID, CGWindowID, int32_t*);
// "CGSSetWindowListAlpha": (connection, windows, count, alpha, duration)
using CGSSetWindowListAlphaFn = CGError (*)(CGSConnectionID, const CGWindowID*, int32_t, float, float);
// "CGSSetWindowAlpha" and "SLSSetWindowAlpha": (connection, window, alpha)
using CGSSetWindowAlphaFn = CGError (*)(CGSConnectionID, CGWindowID, float);
}

class WindowServer {
public:
    virtual ~WindowServer() = default;
    // CGWindowListCopyWindowInfo: front to back. `includingWindow` returns just that
    // window (empty when there is none); onScreenAbove/Below are relative to `relativeTo`.
    virtual std::vector<WindowInfo> windowList(WindowListOption options, CGWindowID relativeTo) const = 0;
    // The address of the named function in the framework at `frameworkPath`; null when the
    // framework cannot be opened or has no such function (a scene may leave any out).
    virtual void* lookupFunction(const std::string& frameworkPath, const std::string& name) const = 0;
};

}  // namespace platform
