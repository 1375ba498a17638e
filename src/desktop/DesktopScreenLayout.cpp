// Screens, the direction of the menu bar and the application menus that share it with
// the status items.
#include "desktop/Desktop.h"

#include <algorithm>
#include <cmath>

#include "desktop/DesktopApplication.h"
#include "desktop/DesktopPopover.h"
#include "desktop/DesktopServices.h"
#include "platform/ProcessInfo.h"
#include "platform/RunLoop.h"
#include "platform/RunLoopWork.h"
#include "platform/Text.h"
#include "platform/UserDefaults.h"

namespace desktop {

using platform::Point;
using platform::Rect;

namespace {

constexpr double kDockHeight = 70;
constexpr double kAppleMenuWidth = 34;
constexpr double kMenuTitlePadding = 20;

}  // namespace

void Desktop::rebuildScreens() {
    screens_.clear();
    std::vector<SceneScreen> ordered = scene_.screens;
    // The screen with the menu bar (origin zero) comes first, as the system lists it.
    std::stable_partition(ordered.begin(), ordered.end(),
                          [](const SceneScreen& s) { return s.frame.origin == Point{0, 0}; });
    const double thickness = scene_.menuBarThickness.value_or(0);
    uint32_t id = 1;
    for (const auto& s : ordered) {
        platform::Screen screen;
        screen.displayID = id++;
        screen.localizedName = s.name;
        screen.frame = s.frame;
        screen.backingScaleFactor = s.scale;
        double bar = thickness > 0 ? thickness : (s.cameraHousing ? 24 : 22);
        if (s.cameraHousing && s.cameraHousing->width > 0 && s.cameraHousing->width < s.frame.width()) {
            const double h = s.cameraHousing->height > 0 ? s.cameraHousing->height : bar;
            const double side = std::floor((s.frame.width() - s.cameraHousing->width) / 2);
            screen.auxiliaryTopLeftArea = Rect{s.frame.minX(), s.frame.maxY() - h, side, h};
            screen.auxiliaryTopRightArea = Rect{s.frame.maxX() - side, s.frame.maxY() - h, side, h};
            screen.safeAreaTopInset = h;
            bar = std::max(bar, 0.0);
        }
        const bool primary = screens_.empty();
        double bottom = primary ? kDockHeight : 0;
        screen.visibleFrame = Rect{s.frame.minX(), s.frame.minY() + bottom, s.frame.width(),
                                   s.frame.height() - bar - bottom};
        screens_.push_back(screen);
    }
}

void Desktop::placeSystemWindows() {
    auto primary = primaryScreen();
    if (menuBarWindow_) {
        menuBarWindow_->ordered = primary.has_value();
        if (primary) {
            double t = bar_.thickness();
            menuBarWindow_->frame = Rect{primary->frame.minX(), primary->frame.maxY() - t, primary->frame.width(), t};
        }
    }
    if (dockWindow_) {
        dockWindow_->ordered = primary.has_value();
        if (primary) {
            Rect f = primary->frame;
            dockWindow_->frame = Rect{f.midX() - 400, f.minY(), 800, kDockHeight};
        }
    }
    if (desktopWindow_ && primary) desktopWindow_->frame = primary->frame;
}

std::optional<platform::Screen> Desktop::primaryScreen() const {
    for (const auto& s : screens_) {
        if (s.frame.origin == Point{0, 0}) return s;
    }
    if (!screens_.empty()) return screens_.front();
    return std::nullopt;
}

std::optional<platform::Screen> Desktop::mainScreen() const {
    for (size_t i = 0; i < scene_.screens.size(); ++i) {
        if (!scene_.screens[i].isMain) continue;
        for (const auto& s : screens_) {
            if (s.frame == scene_.screens[i].frame) return s;
        }
    }
    if (!screens_.empty()) return screens_.front();
    return std::nullopt;
}

std::optional<platform::Screen> Desktop::screenAt(Point p) const {
    for (const auto& s : screens_) {
        if (s.frame.contains(p)) return s;
    }
    return mainScreen();
}

double Desktop::primaryHeight() const {
    auto p = primaryScreen();
    return p ? p->frame.height() : 0;
}

Rect Desktop::toQuartz(const Rect& r) const {
    return Rect{r.origin.x, primaryHeight() - r.origin.y - r.size.height, r.size.width, r.size.height};
}

Point Desktop::toQuartz(Point p) const { return Point{p.x, primaryHeight() - p.y}; }

Point Desktop::fromQuartz(Point p) const { return Point{p.x, primaryHeight() - p.y}; }

void Desktop::setScreens(const std::vector<SceneScreen>& screens) {
    scene_.screens = screens;
    rebuildScreens();
    placeSystemWindows();
    relayout();
    screensService_->parametersDidChange.send();
}

void Desktop::addScreen(const SceneScreen& screen) {
    auto screens = scene_.screens;
    screens.push_back(screen);
    setScreens(screens);
}

void Desktop::removeScreen(size_t index) {
    if (index >= screens_.size()) return;
    const Rect frame = screens_[index].frame;
    auto screens = scene_.screens;
    screens.erase(std::remove_if(screens.begin(), screens.end(), [&](const SceneScreen& s) { return s.frame == frame; }),
                  screens.end());
    setScreens(screens);
}

bool Desktop::isWindowOnScreen(const ServerWindow& w) const {
    layoutIfNeeded();
    if (!w.ordered) return false;
    if (w.kind == WindowKind::statusItem) {
        const BarItem* item = bar_.find(w.barItem);
        return item && item->onScreen;
    }
    if (w.desktopElement) return true;
    for (const auto& s : screens_) {
        if (s.frame.intersects(w.frame)) return true;
    }
    return false;
}

// ---- Direction and the application menus ----

void Desktop::setLanguages(const std::vector<std::string>& languages) {
    platform::PropertyArray list;
    for (const auto& l : languages) list.emplace_back(l);
    platform::Preferences::setAppValue("AppleLanguages", platform::PropertyValue(list),
                                       platform::Preferences::kAnyApplication);
    relayout();
}

bool Desktop::isRightToLeft() const {
    if (platform::ProcessInfo::hasArgument("-ForceMenuBarRTL")) return true;
    if (platform::ProcessInfo::hasArgument("-ForceMenuBarLTR")) return false;
    auto languages = platform::Preferences::copyAppValue("AppleLanguages", platform::Preferences::kAnyApplication);
    if (!languages || !languages->asArray() || languages->asArray()->empty()) return false;
    const std::string* first = languages->asArray()->front().asString();
    return first && platform::Text::isRightToLeftLanguage(*first);
}

std::vector<std::pair<std::string, Rect>> Desktop::appMenuTitles() const {
    std::vector<std::pair<std::string, Rect>> out;
    auto screen = primaryScreen();
    if (!screen) return out;
    int32_t pid = frontmost_;
    const SimulatedApp* front = app(pid);
    if (!front) {
        if (const SimulatedApp* finder = appNamed("com.apple.finder")) front = finder;
    }
    if (!front) return out;
    std::vector<std::string> titles{"Apple", front->name.value_or("")};
    if (front->isSelf) {
        if (auto menu = application_->mainMenu()) {
            for (size_t i = 1; i < menu->items.size(); ++i) titles.push_back(menu->items[i]->title);
        }
    } else {
        titles.insert(titles.end(), front->menus.begin(), front->menus.end());
    }
    const bool rtl = isRightToLeft();
    const double t = bar_.thickness();
    const Rect f = screen->frame;
    double cursor = rtl ? f.maxX() - 10 : f.minX() + 10;
    for (size_t i = 0; i < titles.size(); ++i) {
        double w = i == 0 ? kAppleMenuWidth
                          : SystemStatusBar::textWidth(titles[i]) * (i == 1 ? 8.0 / 7.0 : 1.0) + kMenuTitlePadding;
        double x = rtl ? cursor - w : cursor;
        cursor = rtl ? x : cursor + w;
        out.emplace_back(titles[i], Rect{x, f.maxY() - t, w, t});
    }
    return out;
}

Rect Desktop::appMenusFrame() const {
    auto titles = appMenuTitles();
    if (titles.empty()) return Rect{};
    double x0 = titles.front().second.minX(), x1 = titles.front().second.maxX();
    for (const auto& [title, r] : titles) {
        x0 = std::min(x0, r.minX());
        x1 = std::max(x1, r.maxX());
    }
    const Rect& first = titles.front().second;
    return Rect{x0, first.minY(), x1 - x0, first.height()};
}

void Desktop::relayout() {
    noteChange();
    needsLayout_ = true;
    // A caller from outside the run loop (a test) sees its change laid out at once.
    if (!platform::isRunningLoopWork()) {
        layoutIfNeeded();
        return;
    }
    // Inside it, one layout at the end of the turn: launching with thousands of vossels
    // changes the bar thousands of times in one turn, and laying it out after each change
    // made that cost grow as a square. What reads where things stand lays out first.
    if (layoutScheduled_) return;
    layoutScheduled_ = true;
    platform::RunLoop::main().async([ref = ref()] {
        Desktop* d = ref.get();
        if (!d) return;
        d->layoutScheduled_ = false;
        d->layoutIfNeeded();
    });
}

void Desktop::layoutIfNeeded() const {
    if (!needsLayout_) return;
    // Where things stand is derived state: reading it lays out what changed first.
    Desktop& self = const_cast<Desktop&>(*this);
    self.needsLayout_ = false;
    self.placeSystemWindows();
    self.bar_.layout();
    for (const auto& popover : shownPopovers()) popover->reposition();
    self.placePendingTrackingAreas();
}

}  // namespace desktop
