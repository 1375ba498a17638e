#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/Geometry.h"
#include "platform/Screen.h"
#include "platform/Signal.h"
#include "platform/View.h"

namespace platform {

// Style mask bits with AppKit's raw values (titled | closable | miniaturizable | resizable = 15).
using WindowStyleMask = uint64_t;
namespace WindowStyle {
inline constexpr WindowStyleMask borderless = 0;
inline constexpr WindowStyleMask titled = 1 << 0;
inline constexpr WindowStyleMask closable = 1 << 1;
inline constexpr WindowStyleMask miniaturizable = 1 << 2;
inline constexpr WindowStyleMask resizable = 1 << 3;
inline constexpr WindowStyleMask fullSizeContentView = 1 << 15;
}  // namespace WindowStyle

// Window levels (the window server's levels; a menu bar item's window is at the status level).
namespace WindowLevel {
inline constexpr int normal = 0;
inline constexpr int floating = 3;
inline constexpr int modalPanel = 8;
inline constexpr int mainMenu = 24;
inline constexpr int status = 25;
inline constexpr int popUpMenu = 101;
}  // namespace WindowLevel

// Collection behaviour bits (raw values).
namespace WindowCollection {
inline constexpr uint64_t canJoinAllSpaces = 1 << 0;
inline constexpr uint64_t moveToActiveSpace = 1 << 1;
inline constexpr uint64_t fullScreenAuxiliary = 1 << 8;
}  // namespace WindowCollection

class Window;

// Optional delegate; the window holds it weakly.
class WindowDelegate {
public:
    virtual ~WindowDelegate() = default;
    virtual bool windowShouldClose(Window&) { return true; }
    virtual void windowWillClose(Window&) {}
    virtual void windowDidBecomeKey(Window&) {}
    virtual void windowDidResignKey(Window&) {}
};

// A window of this application. Frames are AppKit screen coordinates. Every window is
// also a window of the window server with a number (status item, popover and menu windows
// included).
class Window {
public:
    // A new, not yet visible window whose content rectangle is `contentRect`.
    static std::shared_ptr<Window> make(Rect contentRect, WindowStyleMask style);

    virtual ~Window() = default;

    virtual uint32_t windowNumber() const = 0;
    virtual std::string title() const = 0;
    virtual void setTitle(std::string title) = 0;
    virtual std::string identifier() const = 0;
    virtual void setIdentifier(std::string identifier) = 0;
    virtual WindowStyleMask styleMask() const = 0;
    virtual void setStyleMask(WindowStyleMask mask) = 0;
    bool isTitled() const { return (styleMask() & WindowStyle::titled) != 0; }

    virtual Rect frame() const = 0;
    virtual void setFrame(Rect frame) = 0;
    virtual Rect contentRect() const = 0;  // screen coordinates
    virtual void setContentSize(Size size) = 0;
    virtual Size minSize() const = 0;
    virtual void setMinSize(Size size) = 0;
    // Centres the window a little above the middle of its screen, as AppKit does.
    virtual void center() = 0;
    virtual std::optional<Screen> screen() const = 0;

    virtual void makeKeyAndOrderFront() = 0;
    virtual void orderFrontRegardless() = 0;
    virtual void orderOut() = 0;
    // Closes without asking the delegate (sends will-close first).
    virtual void close() = 0;
    // The close button: asks `windowShouldClose`, then closes.
    virtual void performClose() = 0;
    virtual bool isVisible() const = 0;
    virtual bool isKeyWindow() const = 0;

    virtual int level() const = 0;
    virtual void setLevel(int level) = 0;
    virtual double alphaValue() const = 0;
    virtual void setAlphaValue(double alpha) = 0;
    virtual bool isReleasedWhenClosed() const = 0;
    virtual void setReleasedWhenClosed(bool released) = 0;
    virtual bool hidesOnDeactivate() const = 0;
    virtual void setHidesOnDeactivate(bool hides) = 0;
    virtual uint64_t collectionBehavior() const = 0;
    virtual void setCollectionBehavior(uint64_t behavior) = 0;

    virtual std::shared_ptr<View> contentView() const = 0;
    virtual void setContentView(std::shared_ptr<View> view) = 0;
    virtual void setDelegate(std::weak_ptr<WindowDelegate> delegate) = 0;

    // Between the screen and the window's own coordinates (origin at the window's bottom
    // left). Content views sit at the origin of the content rectangle.
    virtual Point convertPointFromScreen(Point p) const = 0;
    virtual Point convertPointToScreen(Point p) const = 0;
    Rect convertRectToScreen(Rect r) const {
        return Rect{convertPointToScreen(r.origin), r.size};
    }

    // The notification centre's window notifications, observed as signals.
    Signal<> willClose;
    Signal<> didBecomeKey;
    Signal<> didResignKey;
};

}  // namespace platform
