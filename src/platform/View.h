#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Event.h"
#include "platform/Geometry.h"
#include "platform/ResponderAction.h"

namespace platform {

class Window;

// A region of a view that reports the pointer entering and leaving it (NSTrackingArea).
// The options keep AppKit's raw values (641 = enteredAndExited | activeAlways | inVisibleRect).
struct TrackingArea {
    enum Options : uint32_t {
        mouseEnteredAndExited = 0x01,
        mouseMoved = 0x02,
        cursorUpdate = 0x04,
        activeWhenFirstResponder = 0x10,
        activeInKeyWindow = 0x20,
        activeInActiveApp = 0x40,
        activeAlways = 0x80,
        assumeInside = 0x100,
        inVisibleRect = 0x200,
        enabledDuringMouseDrag = 0x400,
    };
    Rect rect;  // in the view's coordinates; with inVisibleRect the view's visible bounds count
    uint32_t options = 0;
    std::function<void(const Event&)> onMouseEntered;
    std::function<void(const Event&)> onMouseExited;
    std::function<void(const Event&)> onMouseMoved;
};

// The base of everything shown in a window, a popover or a status item's button. Frames are
// in the superview's coordinates (the window's content coordinates for a content view),
// y up unless `isFlipped`.
class View : public std::enable_shared_from_this<View> {
public:
    View() = default;
    explicit View(Rect frame) : frame_(frame) {}
    virtual ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    Rect frame() const { return frame_; }
    virtual void setFrame(Rect frame);
    Rect bounds() const { return Rect{Point{}, frame_.size}; }
    virtual bool isFlipped() const { return false; }
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }

    // The window the view is in (through its superviews); null when in none.
    Window* window() const;
    View* superview() const { return superview_; }
    const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
    void addSubview(std::shared_ptr<View> view);
    void removeFromSuperview();

    void addTrackingArea(std::shared_ptr<TrackingArea> area);
    void removeTrackingArea(const std::shared_ptr<TrackingArea>& area);
    const std::vector<std::shared_ptr<TrackingArea>>& trackingAreas() const { return trackingAreas_; }

    // The size the view wants (a popover sizes itself by it).
    virtual Size fittingSize() const { return frame_.size; }

    // Conversions between the view's coordinates and its window's (content) coordinates,
    // and, through the window, the screen (AppKit coordinates).
    Point convertToWindow(Point local) const;
    Point convertFromWindow(Point inWindow) const;
    Rect convertRectToWindow(Rect local) const;
    Rect frameInScreen() const;  // bounds in AppKit screen coordinates; frame() when in no window

    // Event delivery by the window system. `hitTest` takes a point in the superview's
    // coordinates (for a content view: the window's) and returns the deepest view there.
    virtual View* hitTest(Point pointInSuperview);
    virtual void mouseDown(const Event&) {}
    virtual void mouseUp(const Event&) {}
    virtual void rightMouseDown(const Event&) {}
    virtual void rightMouseUp(const Event&) {}
    virtual void otherMouseDown(const Event&) {}
    virtual void otherMouseUp(const Event&) {}
    virtual void mouseMoved(const Event&) {}
    // Returns true when the key was handled (Return, Escape, typing).
    virtual bool keyDown(const Event&) { return false; }
    // A responder action reaching this view as first responder: true when it was performed.
    virtual bool tryToPerform(ResponderAction) { return false; }
    virtual bool validateAction(ResponderAction) const { return false; }
    virtual void viewDidMoveToWindow() {}

    // Called by the window (or popover, or status item) that hosts this view as content.
    void setHostWindow(Window* window);

private:
    Rect frame_;
    bool hidden_ = false;
    Window* hostWindow_ = nullptr;
    View* superview_ = nullptr;
    std::vector<std::shared_ptr<View>> subviews_;
    std::vector<std::shared_ptr<TrackingArea>> trackingAreas_;
};

}  // namespace platform
