#pragma once
#include <memory>

#include "platform/Geometry.h"
#include "platform/View.h"

namespace platform {

class Popover;
class Window;

// AppKit's raw values: application-defined (0) closes only when told to.
enum class PopoverBehavior : int { applicationDefined = 0, transient = 1, semitransient = 2 };
enum class RectEdge : int { minX = 0, minY = 1, maxX = 2, maxY = 3 };

// Optional delegate; the popover holds it weakly.
class PopoverDelegate {
public:
    virtual ~PopoverDelegate() = default;
    virtual bool popoverShouldClose(Popover&) { return true; }
    virtual void popoverWillShow(Popover&) {}
    virtual void popoverDidShow(Popover&) {}
    virtual void popoverDidClose(Popover&) {}
};

class Popover {
public:
    static std::shared_ptr<Popover> make();

    virtual ~Popover() = default;
    virtual std::shared_ptr<View> contentView() const = 0;
    // The popover sizes itself by the view's `fittingSize` unless a content size is set.
    virtual void setContentView(std::shared_ptr<View> view) = 0;
    virtual Size contentSize() const = 0;
    virtual void setContentSize(Size size) = 0;
    virtual PopoverBehavior behavior() const = 0;
    virtual void setBehavior(PopoverBehavior behavior) = 0;
    virtual bool animates() const = 0;
    virtual void setAnimates(bool animates) = 0;
    virtual void setDelegate(std::weak_ptr<PopoverDelegate> delegate) = 0;

    // Shows the popover next to `rect` (in `view`'s coordinates) on `edge` of it; minY is
    // below a status item in the menu bar. A shown popover moves to the new place.
    virtual void show(Rect relativeTo, View& ofView, RectEdge preferredEdge) = 0;
    // Asks the delegate, then closes (animated when `animates`).
    virtual void performClose() = 0;
    // Closes without asking.
    virtual void close() = 0;
    virtual bool isShown() const = 0;
    // The popover's window while shown (a window of the window server, not titled).
    virtual Window* window() const = 0;
};

}  // namespace platform
