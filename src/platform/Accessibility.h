#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/Geometry.h"

namespace platform {

// The Accessibility API's error codes (their raw values).
enum class AXError : int32_t {
    success = 0,
    failure = -25200,
    illegalArgument = -25201,
    invalidUIElement = -25202,
    invalidUIElementObserver = -25203,
    cannotComplete = -25204,
    attributeUnsupported = -25205,
    actionUnsupported = -25206,
    notificationUnsupported = -25207,
    notImplemented = -25208,
    notificationAlreadyRegistered = -25209,
    notificationNotRegistered = -25210,
    apiDisabled = -25211,
    noValue = -25212,
    parameterizedAttributeUnsupported = -25213,
    notEnoughPrecision = -25214,
};

// Attribute and action names used here.
namespace AX {
inline constexpr const char* extrasMenuBar = "AXExtrasMenuBar";
inline constexpr const char* menuBar = "AXMenuBar";
inline constexpr const char* children = "AXChildren";
inline constexpr const char* title = "AXTitle";
inline constexpr const char* description = "AXDescription";
inline constexpr const char* help = "AXHelp";
inline constexpr const char* identifier = "AXIdentifier";
inline constexpr const char* position = "AXPosition";
inline constexpr const char* size = "AXSize";
inline constexpr const char* role = "AXRole";
inline constexpr const char* subrole = "AXSubrole";
inline constexpr const char* enabled = "AXEnabled";
inline constexpr const char* press = "AXPress";
inline constexpr const char* showMenu = "AXShowMenu";
inline constexpr const char* roleMenuBar = "AXMenuBar";
inline constexpr const char* roleMenuBarItem = "AXMenuBarItem";
inline constexpr const char* roleApplication = "AXApplication";
inline constexpr const char* roleSystemWide = "AXSystemWide";
}  // namespace AX

// A reference to an element of some process's user interface (AXUIElementRef). Two
// references to one element compare equal with `sameElement`; the messaging time-out
// belongs to the reference it was set on (0: the system default of 6 s).
class AXUIElement {
public:
    AXUIElement(int32_t pid, uint64_t elementID) : pid_(pid), elementID_(elementID) {}
    int32_t pid() const { return pid_; }
    uint64_t elementID() const { return elementID_; }
    float messagingTimeout() const { return timeout_; }
    void setMessagingTimeoutValue(float seconds) { timeout_ = seconds; }

private:
    int32_t pid_;
    uint64_t elementID_;
    float timeout_ = 0;
};
using AXUIElementRef = std::shared_ptr<AXUIElement>;

inline bool sameElement(const AXUIElementRef& a, const AXUIElementRef& b) {
    if (!a || !b) return a == b;
    return a->pid() == b->pid() && a->elementID() == b->elementID();
}

// An attribute's value. Points and sizes are AXValues in window-server coordinates.
using AXValue = std::variant<std::monostate, std::string, bool, double, Point, Size, AXUIElementRef,
                             std::vector<AXUIElementRef>, std::vector<std::string>>;

class Accessibility {
public:
    static constexpr float kDefaultMessagingTimeout = 6.0f;

    virtual ~Accessibility() = default;
    // AXIsProcessTrusted.
    virtual bool isProcessTrusted() const = 0;
    // AXIsProcessTrustedWithOptions with kAXTrustedCheckOptionPrompt: with `prompt` the
    // system shows its dialog (once per process while it is up); the answer comes later.
    virtual bool isProcessTrustedWithOptions(bool prompt) = 0;

    virtual AXUIElementRef createApplication(int32_t pid) = 0;
    virtual AXUIElementRef createSystemWide() = 0;

    // Calls block the caller until the target application answers or the element's
    // messaging time-out elapses (then kAXErrorCannotComplete). Without trust every call
    // fails with apiDisabled.
    virtual std::pair<AXError, AXValue> copyAttributeValue(const AXUIElementRef& element,
                                                           const std::string& attribute) = 0;
    virtual std::pair<AXError, std::vector<std::string>> copyAttributeNames(const AXUIElementRef& element) = 0;
    virtual std::pair<AXError, std::vector<std::string>> copyActionNames(const AXUIElementRef& element) = 0;
    virtual AXError performAction(const AXUIElementRef& element, const std::string& action) = 0;
    // Hit test at (x, y) in window-server coordinates; on the system-wide element it finds
    // the element of whichever application is there.
    virtual std::pair<AXError, AXUIElementRef> copyElementAtPosition(const AXUIElementRef& element, float x,
                                                                     float y) = 0;
    virtual AXError setMessagingTimeout(const AXUIElementRef& element, float seconds) = 0;
    virtual std::pair<AXError, int32_t> getPid(const AXUIElementRef& element) = 0;
};

}  // namespace platform
