#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "desktop/Scene.h"
#include "desktop/ServerWindow.h"
#include "platform/Geometry.h"

namespace desktop {

class Desktop;
class DesktopStatusItem;

// One status item of any application in the shared menu bar.
struct BarItem {
    uint64_t id = 0;
    int32_t ownerPID = 0;
    std::string autosaveName;
    double width = 24;       // the item's current width in the bar
    bool isVisible = true;   // the owner's visibility flag; a hidden item takes no room
    double position = 0;     // preferred position: points from the trailing end, orders the bar
    uint64_t sequence = 0;   // creation order, breaks ties of equal positions
    SceneStatusItem spec;    // Accessibility, window name and menus of another application's item
    DesktopStatusItem* own = nullptr;  // set when the item belongs to this application
    std::shared_ptr<ServerWindow> window;
    // Results of the last layout: listed on screen by the window server, and drawn and
    // clickable (not pushed off, not under the camera housing or the application menus).
    bool onScreen = false;
    bool shown = false;

    const platform::Rect& frame() const { return window->frame; }
};

// The menu bar's status area, shared by every application. Items are ordered by preferred
// position from the trailing end (the right end, or the left end of a right-to-left bar)
// and packed edge to edge; what does not fit is pushed past the leading edge. Items are found
// by id, window and owner without a search: thousands of them are normal for a person who
// keeps many vossels.
class SystemStatusBar {
public:
    static constexpr double kTrailingInset = 8;
    static constexpr double kButtonPadding = 12;      // both sides together
    static constexpr double kImageTitleGap = 4;
    static constexpr double kCharacterWidth = 7;      // the 13-point menu bar font, roughly
    static constexpr double kMenuBarGap = 12;         // between the application menus and the items

    explicit SystemStatusBar(Desktop& desktop) : desktop_(desktop) {}

    BarItem& add(int32_t ownerPID, int32_t drawingPID, double width);
    void remove(uint64_t id);
    BarItem* find(uint64_t id) const;
    BarItem* findByWindow(platform::CGWindowID number) const;
    std::vector<BarItem*> itemsOf(int32_t ownerPID) const;  // in creation order
    bool hasItemsOf(int32_t ownerPID) const { return byOwner_.contains(ownerPID); }
    const std::vector<std::unique_ptr<BarItem>>& items() const { return items_; }

    // Where a new item goes when its owner has no stored position: past every other item.
    double leadingPosition() const;
    // Gives the item a new position (positions change only here).
    void setPosition(BarItem& item, double position);
    // Gives the item a new position, writing it to the owner's defaults under its name.
    void storePosition(BarItem& item, double position);
    // The position that puts an item at x (screen coordinates) among the others.
    double positionForDrop(const BarItem& moving, double x) const;

    // Recomputes every item's frame and visibility.
    void layout();
    // The laid-out items from the trailing end outward.
    std::vector<BarItem*> trailingToLeading() const;
    double thickness() const;

    static double textWidth(const std::string& text);

private:
    Desktop& desktop_;
    std::vector<std::unique_ptr<BarItem>> items_;  // in creation order, so by id
    std::unordered_map<uint64_t, BarItem*> byID_;
    std::unordered_map<platform::CGWindowID, BarItem*> byWindow_;
    std::unordered_map<int32_t, std::vector<BarItem*>> byOwner_;  // each in creation order
    // The largest position, worked out again only after the item that held it moved back or left.
    mutable std::optional<double> maxPosition_;
    uint64_t nextID_ = 1;
    uint64_t nextSequence_ = 1;
};

}  // namespace desktop
