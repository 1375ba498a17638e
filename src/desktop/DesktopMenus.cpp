// Menus: the ones other applications open from their status items, and this
// application's own pop-up and menu bar menus.
#include "desktop/Desktop.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "desktop/DesktopApplication.h"
#include "desktop/MenuLayout.h"
#include "platform/Window.h"

namespace desktop {

using platform::Point;
using platform::Rect;

namespace {

constexpr double kUnbounded = std::numeric_limits<double>::infinity();

std::vector<std::string> rowsOf(const platform::Menu& menu) {
    std::vector<std::string> rows;
    for (const auto& item : menu.items) {
        if (item->isHidden) continue;
        rows.push_back(item->isSeparator ? "-" : item->title);
    }
    return rows;
}

double rowHeight(const std::string& row) {
    return Desktop::isSeparatorRow(row) ? MenuLayout::separatorHeight : MenuLayout::rowHeight;
}

platform::Size fitted(double width, const std::vector<std::string>& rows, double maxWidth) {
    double height = 2 * MenuLayout::verticalInset;
    for (const auto& r : rows) height += rowHeight(r);
    return platform::Size{std::min(std::ceil(width), std::max(maxWidth, 1.0)), height};
}

}  // namespace

platform::Size Desktop::menuSize(const std::vector<std::string>& rows, double maxWidth) {
    double width = MenuLayout::minimumWidth;
    for (const auto& r : rows) {
        if (!isSeparatorRow(r)) width = std::max(width, MenuLayout::rowWidth(r));
    }
    return fitted(width, rows, maxWidth);
}

platform::Size Desktop::menuSize(const platform::Menu& menu, double maxWidth) {
    double width = MenuLayout::minimumWidth;
    for (const auto& item : menu.items) {
        if (item->isHidden || item->isSeparator) continue;
        const std::string shortcut = MenuLayout::shortcutLabel(item->keyEquivalent, item->keyEquivalentModifiers());
        width = std::max(width, MenuLayout::rowWidth(item->title, shortcut, item->image.has_value()));
    }
    return fitted(width, rowsOf(menu), maxWidth);
}

std::vector<Rect> Desktop::menuRowFrames(const std::vector<std::string>& rows, const Rect& frame) {
    std::vector<Rect> out;
    out.reserve(rows.size());
    double top = frame.maxY() - MenuLayout::verticalInset;
    for (const auto& row : rows) {
        const double h = rowHeight(row);
        out.push_back(Rect{frame.minX(), top - h, frame.width(), h});
        top -= h;
    }
    return out;
}

int Desktop::rowAt(const std::vector<std::string>& rows, const Rect& frame, Point p) const {
    if (!frame.contains(p)) return -1;
    const std::vector<Rect> frames = menuRowFrames(rows, frame);
    for (size_t i = 0; i < frames.size(); ++i) {
        if (p.y < frames[i].maxY() && p.y >= frames[i].minY()) return isSeparatorRow(rows[i]) ? -1 : static_cast<int>(i);
    }
    return -1;
}

void Desktop::openMenuOf(BarItem& item, bool contextMenu) {
    if (item.own) return;
    const SimulatedApp* owner = app(item.ownerPID);
    if (!owner) return;
    closeOpenedMenu();
    OpenedMenu menu;
    menu.pid = owner->pid;
    menu.ownerName = owner->ownerName();
    menu.barItem = item.id;
    menu.itemName = !item.spec.title.empty()         ? item.spec.title
                    : !item.spec.description.empty() ? item.spec.description
                                                     : item.autosaveName;
    menu.isContextMenu = contextMenu;
    menu.items = contextMenu && !item.spec.contextMenu.empty() ? item.spec.contextMenu : item.spec.menu;
    if (menu.items.empty()) menu.items = {menu.itemName};
    Rect anchor = item.frame();
    const auto screen = primaryScreen();
    platform::Size size = menuSize(menu.items, screen ? screen->frame.width() : kUnbounded);
    menu.window = windows_.create(WindowKind::menu, owner->pid, platform::WindowLevel::popUpMenu);
    double x = isRightToLeft() ? anchor.maxX() - size.width : anchor.minX();
    if (screen) {
        x = std::clamp(x, screen->frame.minX(), std::max(screen->frame.minX(), screen->frame.maxX() - size.width));
    }
    menu.window->frame = Rect{x, anchor.minY() - size.height, size.width, size.height};
    menu.window->ordered = true;
    openedMenus_.push_back(menu.ownerName + ": " + menu.itemName + (contextMenu ? " (context menu)" : ""));
    openedMenu_ = std::move(menu);
}

void Desktop::closeOpenedMenu() {
    if (!openedMenu_) return;
    windows_.remove(openedMenu_->window->number);
    openedMenu_.reset();
}

bool Desktop::chooseOpenedMenuItem(const std::string& title) {
    if (!openedMenu_) return false;
    const auto& rows = openedMenu_->items;
    if (std::find(rows.begin(), rows.end(), title) == rows.end() || isSeparatorRow(title)) return false;
    chosenMenuItems_.push_back(openedMenu_->ownerName + ": " + title);
    closeOpenedMenu();
    return true;
}

bool Desktop::popUpOwnMenu(const std::shared_ptr<platform::Menu>& menu, Point screenPoint) {
    if (ownMenu_) cancelOwnMenu(*ownMenu_);
    const auto screen = screenAt(screenPoint);
    platform::Size size = menuSize(*menu, screen ? screen->frame.width() : kUnbounded);
    ownMenuWindow_ = windows_.create(WindowKind::menu, selfPID_, platform::WindowLevel::popUpMenu);
    Rect frame{screenPoint.x, screenPoint.y - size.height, size.width, size.height};
    if (screen) {
        const Rect& f = screen->frame;
        frame.origin.x = std::clamp(frame.origin.x, f.minX(), std::max(f.minX(), f.maxX() - size.width));
        frame.origin.y = std::max(frame.origin.y, f.minY());
    }
    ownMenuWindow_->frame = frame;
    ownMenuWindow_->ordered = true;
    ownMenu_ = menu;
    return true;
}

void Desktop::cancelOwnMenu(const platform::Menu& menu) {
    if (!ownMenu_ || ownMenu_.get() != &menu) return;
    windows_.remove(ownMenuWindow_->number);
    ownMenuWindow_.reset();
    ownMenu_.reset();
}

bool Desktop::openOwnMenuBarMenu(Point p) {
    auto menu = application_->mainMenu();
    if (!menu) return false;
    auto titles = appMenuTitles();
    // Past the Apple menu, the titles are this application's main menu items in order.
    for (size_t i = 1; i < titles.size(); ++i) {
        const size_t item = i - 1;
        if (!titles[i].second.contains(p) || item >= menu->items.size()) continue;
        auto submenu = menu->items[item]->submenu;
        if (!submenu) return false;
        return popUpOwnMenu(submenu, Point{titles[i].second.minX(), titles[i].second.minY()});
    }
    return false;
}

bool Desktop::chooseOwnMenuItem(const std::string& title) {
    if (!ownMenu_) return false;
    auto menu = ownMenu_;
    std::shared_ptr<platform::MenuItem> chosen;
    for (const auto& item : menu->items) {
        if (!item->isSeparator && !item->isHidden && item->title == title) chosen = item;
    }
    if (!chosen || !chosen->isEffectivelyEnabled()) return false;
    cancelOwnMenu(*menu);
    chosen->perform();
    return true;
}

bool Desktop::handleMenuMouseUp(ServerWindow* target, Point p) {
    if (ownMenu_ && target == ownMenuWindow_.get()) {
        auto rows = rowsOf(*ownMenu_);
        int row = rowAt(rows, ownMenuWindow_->frame, p);
        if (row >= 0) chooseOwnMenuItem(rows[static_cast<size_t>(row)]);
        return true;
    }
    if (openedMenu_ && target == openedMenu_->window.get()) {
        int row = rowAt(openedMenu_->items, openedMenu_->window->frame, p);
        if (row >= 0) chooseOpenedMenuItem(openedMenu_->items[static_cast<size_t>(row)]);
        return true;
    }
    return false;
}

}  // namespace desktop
