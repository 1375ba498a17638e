#pragma once
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/Geometry.h"

namespace platform {

// Quartz event types, mouse buttons and flags (their raw values).
enum class CGEventType : uint32_t {
    null = 0,
    leftMouseDown = 1,
    leftMouseUp = 2,
    rightMouseDown = 3,
    rightMouseUp = 4,
    mouseMoved = 5,
    leftMouseDragged = 6,
    rightMouseDragged = 7,
    otherMouseDown = 25,
    otherMouseUp = 26,
    otherMouseDragged = 27,
};
enum class CGMouseButton : uint32_t { left = 0, right = 1, center = 2 };
enum class CGEventSourceStateID : int32_t { privateState = -1, combinedSessionState = 0, hidSystemState = 1 };
enum class CGEventTapLocation : uint32_t { hidEventTap = 0, sessionEventTap = 1, annotatedSessionEventTap = 2 };
using CGEventFlags = uint64_t;
namespace CGEventFlag {
inline constexpr CGEventFlags maskShift = 0x00020000;
inline constexpr CGEventFlags maskControl = 0x00040000;
inline constexpr CGEventFlags maskAlternate = 0x00080000;
inline constexpr CGEventFlags maskCommand = 0x00100000;
}  // namespace CGEventFlag

struct CGEventSource {
    CGEventSourceStateID state = CGEventSourceStateID::combinedSessionState;
};
using CGEventSourceRef = std::shared_ptr<CGEventSource>;

// A mouse event; the location is in window-server coordinates (origin top left, y down).
struct CGEvent {
    CGEventType type = CGEventType::null;
    Point location;
    CGMouseButton button = CGMouseButton::left;
    CGEventFlags flags = 0;
    int64_t clickState = 1;
};

class SyntheticEvents {
public:
    virtual ~SyntheticEvents() = default;
    // Null when no source can be made.
    virtual CGEventSourceRef createSource(CGEventSourceStateID state) = 0;
    // Absent when the event cannot be created.
    virtual std::optional<CGEvent> createMouseEvent(const CGEventSourceRef& source, CGEventType type,
                                                    Point location, CGMouseButton button) = 0;
    // Delivers the event as if it came from the pointer: it moves the pointer and goes
    // through the same hit testing. Without event-posting access it is dropped.
    virtual void post(CGEventTapLocation tap, const CGEvent& event) = 0;
    // CGPreflightPostEventAccess / CGRequestPostEventAccess.
    virtual bool preflightPostEventAccess() const = 0;
    virtual bool requestPostEventAccess() = 0;
};

}  // namespace platform
