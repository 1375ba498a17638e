#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Geometry.h"

namespace platform {

class View;
struct TrackingArea;

// Event types with AppKit's raw values, so that masks built as 1 << type match the
// numbers AppKit code writes (left and right mouse up: 20; left and right mouse down: 10).
enum class EventType : uint32_t {
    leftMouseDown = 1,
    leftMouseUp = 2,
    rightMouseDown = 3,
    rightMouseUp = 4,
    mouseMoved = 5,
    leftMouseDragged = 6,
    rightMouseDragged = 7,
    mouseEntered = 8,
    mouseExited = 9,
    keyDown = 10,
    keyUp = 11,
    flagsChanged = 12,
    otherMouseDown = 25,
    otherMouseUp = 26,
    otherMouseDragged = 27,
};

using EventMask = uint64_t;
constexpr EventMask eventMask(EventType t) { return EventMask{1} << static_cast<uint32_t>(t); }
constexpr bool maskContains(EventMask mask, EventType t) { return (mask & eventMask(t)) != 0; }

// Modifier flags with AppKit's raw values.
using ModifierFlags = uint64_t;
namespace Modifier {
inline constexpr ModifierFlags capsLock = 1 << 16;
inline constexpr ModifierFlags shift = 1 << 17;
inline constexpr ModifierFlags control = 1 << 18;
inline constexpr ModifierFlags option = 1 << 19;
inline constexpr ModifierFlags command = 1 << 20;
inline constexpr ModifierFlags deviceIndependentMask = 0xFFFF0000ULL;
}  // namespace Modifier

// Virtual key codes of the keys the system handles.
namespace KeyCode {
inline constexpr uint16_t returnKey = 36;
inline constexpr uint16_t tab = 48;
inline constexpr uint16_t space = 49;
inline constexpr uint16_t deleteKey = 51;
inline constexpr uint16_t escape = 53;
}  // namespace KeyCode

// One input event as the application receives it. Locations are AppKit coordinates:
// `locationInWindow` relative to the bottom left of the window `windowNumber` (0: none,
// then it is a screen location), `locationInScreen` in screen space.
struct Event {
    EventType type = EventType::mouseMoved;
    Point locationInWindow;
    Point locationInScreen;
    ModifierFlags modifierFlags = 0;
    int buttonNumber = 0;  // 0 left, 1 right, 2 and up other
    int clickCount = 0;
    uint32_t windowNumber = 0;
    double timestamp = 0;
    uint16_t keyCode = 0;
    std::string characters;  // key events; "\r" for Return, "\x1b" for Escape

    bool isRightMouseUp() const { return type == EventType::rightMouseUp; }
    bool hasModifier(ModifierFlags m) const { return (modifierFlags & m) == m; }
};

// A handle for a removable monitor (opaque, as AppKit's).
struct EventMonitorToken {
    uint64_t id = 0;
    bool operator==(const EventMonitorToken&) const = default;
};

// Class-level event services (NSEvent's class methods).
class Events {
public:
    virtual ~Events() = default;
    // The pointer location in AppKit screen coordinates.
    virtual Point mouseLocation() const = 0;
    virtual ModifierFlags modifierFlags() const = 0;
    // Bit 0 left, bit 1 right, ...
    virtual uint32_t pressedMouseButtons() const = 0;

    // Events sent to other applications; the handler only observes. Absent when the
    // monitor cannot be installed.
    virtual std::optional<EventMonitorToken> addGlobalMonitor(EventMask mask,
                                                              std::function<void(const Event&)> handler) = 0;
    // Events sent to this application, before they are dispatched; returning nothing
    // swallows the event, returning it (or another event) passes it on.
    virtual std::optional<EventMonitorToken> addLocalMonitor(
        EventMask mask, std::function<std::optional<Event>(const Event&)> handler) = 0;
    virtual void removeMonitor(EventMonitorToken token) = 0;

    // The window system learns of tracking areas as views gain and lose them: an area added
    // while the pointer is already inside it reports no entry, only the exit when the
    // pointer leaves; an area removed reports nothing more.
    virtual void trackingAreaAdded(const View& view, const std::shared_ptr<TrackingArea>& area) = 0;
    virtual void trackingAreaRemoved(const std::shared_ptr<TrackingArea>& area) = 0;
};

}  // namespace platform
