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
}

BarItem& SystemStatusBar::add(int32_t ownerPID, int32_t drawingPID, double width) {
    auto item = std::make_unique<BarItem>();
    item->id = nextID_++;
    item->sequence = nextSequence_++;
    item->ownerPID = ownerPID;
    item->width = width;
    item->position = leadingPosition();
    item->window = desktop_.windows().create(WindowKind::statusItem, drawingPID, platform::WindowLevel::status);
    item->window->barItem = item->id;
    items_.push_back(std::move(item));
    return *items_.back();
}

void SystemStatusBar::remove(uint64_t id) {
    auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& i) { return i->id == id; });
    if (it == items_.end()) return;
    desktop_.windows().remove((*it)->window->number);
    (*it)->window->ordered = false;
    items_.erase(it);
}

BarItem* SystemStatusBar::find(uint64_t id) const {
    for (const auto& i : items_) {
        if (i->id == id) return i.get();
    }
    return nullptr;
}

BarItem* SystemStatusBar::findByWindow(platform::CGWindowID number) const {
    for (const auto& i : items_) {
        if (i->window->number == number) return i.get();
    }
    return nullptr;
}

std::vector<BarItem*> SystemStatusBar::itemsOf(int32_t ownerPID) const {
    std::vector<BarItem*> out;
    for (const auto& i : items_) {
        if (i->ownerPID == ownerPID) out.push_back(i.get());
    }
    return out;
}

double SystemStatusBar::leadingPosition() const {
    double m = 0;
    for (const auto& i : items_) m = std::max(m, i->position);
    return m + 20;
}

void SystemStatusBar::storePosition(BarItem& item, double position) {
    item.position = position;
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
    std::stable_sort(order.begin(), order.end(), [](const BarItem* a, const BarItem* b) {
        if (a->position != b->position) return a->position < b->position;
        return a->sequence < b->sequence;
    });
    return order;
}

void SystemStatusBar::layout() {
    desktop_.noteChange();
    auto screen = desktop_.primaryScreen();
    const bool selfTerminated = !desktop_.app(desktop_.selfPID()) || desktop_.application().isTerminated();
    std::vector<BarItem*> order;
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
    std::stable_sort(order.begin(), order.end(), [](const BarItem* a, const BarItem* b) {
        if (a->position != b->position) return a->position < b->position;
        return a->sequence < b->sequence;
    });
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
