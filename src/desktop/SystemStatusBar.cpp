#include "desktop/SystemStatusBar.h"

#include <algorithm>

#include "desktop/Desktop.h"
#include "desktop/DesktopApplication.h"
#include "desktop/DesktopStatusItem.h"
#include "platform/Window.h"
#include "platform/UserDefaults.h"

namespace desktop {

using platform::Rect;

namespace {
const std::string kPositionKey = "NSStatusItem Preferred Position ";

// Puts items in bar order: by preferred position from the trailing end, ties in creation
// order. A bar can hold thousands of items, so they are sorted as plain records rather than
// through their pointers.
void sortTrailingToLeading(std::vector<BarItem*>& items) {
    struct Slot {
        double position;
        uint64_t sequence;
        BarItem* item;
    };
    std::vector<Slot> slots;
    slots.reserve(items.size());
    for (BarItem* item : items) slots.push_back({item->position, item->sequence, item});
    std::stable_sort(slots.begin(), slots.end(), [](const Slot& a, const Slot& b) {
        if (a.position != b.position) return a.position < b.position;
        return a.sequence < b.sequence;
    });
    for (size_t i = 0; i < slots.size(); ++i) items[i] = slots[i].item;
}

}  // namespace

BarItem& SystemStatusBar::add(int32_t ownerPID, int32_t drawingPID, double width) {
    auto item = std::make_unique<BarItem>();
    item->id = nextID_++;
    item->sequence = nextSequence_++;
    item->ownerPID = ownerPID;
    item->width = width;
    item->window = desktop_.windowsModel().create(WindowKind::statusItem, drawingPID, platform::WindowLevel::status);
    item->window->barItem = item->id;
    BarItem& added = *item;
    setPosition(added, leadingPosition());
    byID_.emplace(added.id, &added);
    byWindow_.emplace(added.window->number, &added);
    byOwner_[ownerPID].push_back(&added);
    items_.push_back(std::move(item));
    return added;
}

void SystemStatusBar::remove(uint64_t id) {
    auto found = byID_.find(id);
    if (found == byID_.end()) return;
    BarItem* item = found->second;
    byID_.erase(found);
    byWindow_.erase(item->window->number);
    auto owner = byOwner_.find(item->ownerPID);
    std::erase(owner->second, item);
    if (owner->second.empty()) byOwner_.erase(owner);
    if (maxPosition_ && item->position >= *maxPosition_) maxPosition_.reset();
    desktop_.windowsModel().remove(item->window->number);
    item->window->ordered = false;
    auto it = std::lower_bound(items_.begin(), items_.end(), id, [](const auto& i, uint64_t n) { return i->id < n; });
    items_.erase(it);
}

BarItem* SystemStatusBar::find(uint64_t id) const {
    auto it = byID_.find(id);
    return it != byID_.end() ? it->second : nullptr;
}

BarItem* SystemStatusBar::findByWindow(platform::CGWindowID number) const {
    auto it = byWindow_.find(number);
    return it != byWindow_.end() ? it->second : nullptr;
}

std::vector<BarItem*> SystemStatusBar::itemsOf(int32_t ownerPID) const {
    auto it = byOwner_.find(ownerPID);
    return it != byOwner_.end() ? it->second : std::vector<BarItem*>{};
}

double SystemStatusBar::leadingPosition() const {
    if (!maxPosition_) {
        double m = 0;
        for (const auto& i : items_) m = std::max(m, i->position);
        maxPosition_ = m;
    }
    return *maxPosition_ + 20;
}

void SystemStatusBar::setPosition(BarItem& item, double position) {
    const bool heldMax = maxPosition_ && item.position >= *maxPosition_;
    item.position = position;
    if (maxPosition_ && position >= *maxPosition_) {
        maxPosition_ = position;
    } else if (heldMax) {
        maxPosition_.reset();
    }
}

void SystemStatusBar::storePosition(BarItem& item, double position) {
    setPosition(item, position);
    if (item.autosaveName.empty()) return;
    const std::string key = kPositionKey + item.autosaveName;
    if (item.own) {
        platform::UserDefaults::standard().set(key, platform::PropertyValue(position));
    } else if (const SimulatedApp* app = desktop_.app(item.ownerPID)) {
        platform::Preferences::setAppValue(key, platform::PropertyValue(position), app->defaultsDomain());
    }
}

double SystemStatusBar::positionForDrop(const BarItem& moving, double x) const {
    const bool rtl = desktop_.isRightToLeft();
    const BarItem* trailing = nullptr;  // the neighbour between x and the trailing end
    const BarItem* leading = nullptr;
    for (BarItem* item : trailingToLeading()) {
        if (item == &moving) continue;
        double mid = item->frame().midX();
        bool onTrailingSide = rtl ? mid < x : mid > x;
        if (onTrailingSide) {
            trailing = item;
        } else {
            leading = item;
            break;
        }
    }
    if (trailing && leading) return (trailing->position + leading->position) / 2;
    if (trailing) return trailing->position + 20;
    if (leading) return leading->position > 1 ? leading->position / 2 : leading->position - 1;
    return moving.position;
}

double SystemStatusBar::thickness() const {
    if (desktop_.scene().menuBarThickness) return *desktop_.scene().menuBarThickness;
    auto primary = desktop_.primaryScreen();
    return primary && primary->safeAreaTopInset > 0 ? 24 : 22;
}

double SystemStatusBar::textWidth(const std::string& text) {
    size_t characters = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80) ++characters;
    }
    return static_cast<double>(characters) * kCharacterWidth;
}

std::vector<BarItem*> SystemStatusBar::trailingToLeading() const {
    std::vector<BarItem*> order;
    order.reserve(items_.size());
    for (const auto& i : items_) {
        if (i->isVisible && i->window->ordered) order.push_back(i.get());
    }
    sortTrailingToLeading(order);
    return order;
}

void SystemStatusBar::layout() {
    desktop_.noteChange();
    auto screen = desktop_.primaryScreen();
    const bool selfTerminated = !desktop_.app(desktop_.selfPID()) || desktop_.application().isTerminated();
    std::vector<BarItem*> order;
    order.reserve(items_.size());
    for (const auto& i : items_) {
        bool alive = desktop_.app(i->ownerPID) != nullptr && !(i->own && selfTerminated);
        if (i->own) i->width = i->own->currentWidth();
        if (!i->isVisible || !alive || !screen) {
            i->window->ordered = false;
            i->onScreen = i->shown = false;
            continue;
        }
        order.push_back(i.get());
    }
    sortTrailingToLeading(order);
    if (!screen) return;

    const Rect sf = screen->frame;
    const double t = thickness();
    const bool rtl = desktop_.isRightToLeft();
    // Where items may be drawn: beside the camera housing, or clear of the application menus.
    double areaMin = sf.minX(), areaMax = sf.maxX();
    if (screen->auxiliaryTopRightArea && screen->auxiliaryTopLeftArea) {
        const Rect& area = rtl ? *screen->auxiliaryTopLeftArea : *screen->auxiliaryTopRightArea;
        areaMin = area.minX();
        areaMax = area.maxX();
    } else {
        Rect menus = desktop_.appMenusFrame();
        if (menus.width() > 0) {
            if (rtl) {
                areaMax = menus.minX() - kMenuBarGap;
            } else {
                areaMin = menus.maxX() + kMenuBarGap;
            }
        }
    }

    double cursor = rtl ? sf.minX() + kTrailingInset : sf.maxX() - kTrailingInset;
    for (BarItem* item : order) {
        const double w = std::max(0.0, item->width);
        double x = rtl ? cursor : cursor - w;
        cursor = rtl ? cursor + w : x;
        item->window->frame = Rect{x, sf.maxY() - t, w, t};
        item->window->ordered = true;
        item->onScreen = w > 0 && item->window->frame.maxX() > sf.minX() && item->window->frame.minX() < sf.maxX();
        item->shown = item->onScreen && x >= areaMin - 0.5 && x + w <= areaMax + 0.5;
        if (item->own) item->own->syncFrame();
    }
}

}  // namespace desktop
