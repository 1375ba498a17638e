#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Event.h"
#include "platform/Image.h"
#include "platform/View.h"

namespace platform {

class Menu;

// Where a button draws its image relative to its title (AppKit's raw values).
enum class ImagePosition : int {
    noImage = 0,
    imageOnly = 1,
    imageLeft = 2,
    imageRight = 3,
    imageBelow = 4,
    imageAbove = 5,
    imageOverlaps = 6,
    imageLeading = 7,
    imageTrailing = 8,
};

// The button of a status item. It is the content of the item's window in the menu bar;
// its coordinates are flipped (y down), as a button's are.
class StatusBarButton : public View {
public:
    bool isFlipped() const override { return true; }

    virtual std::optional<Image> image() const = 0;
    virtual void setImage(std::optional<Image> image) = 0;
    virtual ImagePosition imagePosition() const = 0;
    virtual void setImagePosition(ImagePosition position) = 0;
    virtual std::string title() const = 0;
    virtual void setTitle(std::string title) = 0;
    virtual std::string toolTip() const = 0;
    virtual void setToolTip(std::string toolTip) = 0;
    virtual double alphaValue() const = 0;
    virtual void setAlphaValue(double alpha) = 0;
    virtual bool isEnabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool appearsDisabled() const = 0;
    virtual void setAppearsDisabled(bool disabled) = 0;
    virtual bool isHighlighted() const = 0;
    virtual void highlight(bool on) = 0;

    // Target and action: the action runs when one of the events of the mask ends a click on
    // the button (default: left mouse up only). `Application::currentEvent` is that event
    // while the action runs.
    virtual void setAction(std::function<void()> action) = 0;
    virtual void sendActionOn(EventMask mask) = 0;
    virtual EventMask actionMask() const = 0;

    // The status item's window in the window server, and the button's frame on screen
    // (AppKit coordinates).
    virtual uint32_t windowNumber() const = 0;
    virtual Rect frameInScreenCoordinates() const = 0;
};

// One item of the system status bar. The item stays in the bar while the last reference
// to it lives or until it is removed from the bar, whichever comes first.
class StatusItem {
public:
    static constexpr double variableLength = -1;
    static constexpr double squareLength = -2;

    virtual ~StatusItem() = default;
    virtual double length() const = 0;  // variableLength, squareLength or points
    virtual void setLength(double length) = 0;
    // Setting a name reads "NSStatusItem Preferred Position <name>" from the owner's
    // standard user defaults and moves the item there; the bar writes it back when the user
    // Command-drags the item.
    virtual std::string autosaveName() const = 0;
    virtual void setAutosaveName(std::string name) = 0;
    virtual bool isVisible() const = 0;
    virtual void setVisible(bool visible) = 0;
    virtual std::shared_ptr<StatusBarButton> button() const = 0;  // null once removed
    virtual std::shared_ptr<Menu> menu() const = 0;
    virtual void setMenu(std::shared_ptr<Menu> menu) = 0;
};

// The system-wide status bar (NSStatusBar.system) as this application sees it.
class StatusBar {
public:
    virtual ~StatusBar() = default;
    virtual std::shared_ptr<StatusItem> statusItem(double length) = 0;
    virtual void removeStatusItem(const std::shared_ptr<StatusItem>& item) = 0;
    // The menu bar's height: 24 on a screen with a camera housing, 22 otherwise.
    virtual double thickness() const = 0;
};

}  // namespace platform
