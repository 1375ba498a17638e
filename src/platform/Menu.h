#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Event.h"
#include "platform/Geometry.h"
#include "platform/Image.h"
#include "platform/ResponderAction.h"

namespace platform {

class Menu;
class View;

enum class ControlState : int { mixed = -1, off = 0, on = 1 };

// One row of a menu. Reference semantics, as AppKit's.
class MenuItem {
public:
    MenuItem() = default;
    MenuItem(std::string title, std::function<void()> action, std::string keyEquivalent = "")
        : title(std::move(title)), keyEquivalent(std::move(keyEquivalent)), action(std::move(action)) {}
    static std::shared_ptr<MenuItem> separator();
    // An item that sends `action` to the first responder (no action of its own).
    static std::shared_ptr<MenuItem> sending(std::string title, ResponderAction action, std::string keyEquivalent);

    std::string title;
    // A lower-case key ("," or "q") means the key with the modifier mask; upper case adds shift.
    std::string keyEquivalent;
    ModifierFlags keyEquivalentModifierMask = Modifier::command;
    std::function<void()> action;
    bool isEnabled = true;
    bool isSeparator = false;
    bool isHidden = false;
    ControlState state = ControlState::off;
    std::optional<Image> image;
    std::string toolTip;
    std::string identifier;
    int tag = 0;
    std::shared_ptr<Menu> submenu;
    // Sent to the first responder when the item has no action of its own.
    std::optional<ResponderAction> responderAction;

    // Whether choosing the item does something now: enabled, and for a responder action, a
    // responder that would take it.
    bool isEffectivelyEnabled() const;
    // Runs the action, or sends the responder action; false when nothing took it.
    bool perform() const;
    // The modifiers of the key equivalent: the mask, with Shift for an upper-case key.
    ModifierFlags keyEquivalentModifiers() const;
    // Whether a key press (characters, modifier flags) is this item's key equivalent.
    bool matchesKeyEquivalent(const std::string& characters, ModifierFlags flags) const;
};

class Menu : public std::enable_shared_from_this<Menu> {
public:
    explicit Menu(std::string title = "") : title(std::move(title)) {}

    std::string title;
    std::vector<std::shared_ptr<MenuItem>> items;
    bool autoenablesItems = true;

    std::shared_ptr<MenuItem> addItem(std::shared_ptr<MenuItem> item) {
        items.push_back(item);
        return item;
    }
    std::shared_ptr<MenuItem> addItem(std::string title, std::function<void()> action,
                                      std::string keyEquivalent = "") {
        return addItem(std::make_shared<MenuItem>(std::move(title), std::move(action), std::move(keyEquivalent)));
    }
    void addSeparator() { items.push_back(MenuItem::separator()); }
    std::shared_ptr<MenuItem> itemWithTitle(const std::string& title) const;

    // Pops the menu up with `positioningItem` (null: none) at `location` in `view`'s
    // coordinates (null view: screen coordinates). Tracks the menu in the event-tracking
    // mode until it is dismissed; with the manual clock it returns while the menu is still
    // open and the choice arrives later. Returns true when the menu was shown.
    bool popUp(const std::shared_ptr<MenuItem>& positioningItem, Point location, View* view);
    // Closes a menu that is up without choosing anything.
    void cancelTracking();
};

}  // namespace platform
