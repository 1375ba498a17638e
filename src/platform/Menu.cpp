#include "platform/Menu.h"

#include "platform/Application.h"
#include "platform/Platform.h"

namespace platform {

std::shared_ptr<MenuItem> MenuItem::separator() {
    auto item = std::make_shared<MenuItem>();
    item->isSeparator = true;
    item->isEnabled = false;
    return item;
}

std::shared_ptr<MenuItem> Menu::itemWithTitle(const std::string& t) const {
    for (const auto& item : items) {
        if (item->title == t) return item;
    }
    return nullptr;
}

bool Menu::popUp(const std::shared_ptr<MenuItem>& positioningItem, Point location, View* view) {
    return application().popUpMenu(shared_from_this(), positioningItem, location, view);
}

void Menu::cancelTracking() { application().cancelMenuTracking(*this); }

}  // namespace platform
