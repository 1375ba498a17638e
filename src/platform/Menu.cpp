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

std::shared_ptr<MenuItem> MenuItem::sending(std::string title, ResponderAction action, std::string keyEquivalent) {
    auto item = std::make_shared<MenuItem>(std::move(title), nullptr, std::move(keyEquivalent));
    item->responderAction = action;
    return item;
}

bool MenuItem::isEffectivelyEnabled() const {
    if (isSeparator || !isEnabled) return false;
    if (action || !responderAction) return true;
    return application().validateAction(*responderAction);
}

bool MenuItem::perform() const {
    if (action) {
        auto run = action;  // the action may drop the item
        run();
        return true;
    }
    return responderAction && application().sendAction(*responderAction);
}

namespace {
char lowered(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

ModifierFlags MenuItem::keyEquivalentModifiers() const {
    const bool upper = keyEquivalent.size() == 1 && keyEquivalent[0] >= 'A' && keyEquivalent[0] <= 'Z';
    return keyEquivalentModifierMask | (upper ? Modifier::shift : 0);
}

bool MenuItem::matchesKeyEquivalent(const std::string& characters, ModifierFlags flags) const {
    if (keyEquivalent.empty() || keyEquivalent.size() != characters.size()) return false;
    for (size_t i = 0; i < characters.size(); ++i) {
        if (lowered(keyEquivalent[i]) != lowered(characters[i])) return false;
    }
    const ModifierFlags relevant = Modifier::command | Modifier::option | Modifier::control | Modifier::shift;
    return (flags & relevant) == (keyEquivalentModifiers() & relevant);
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
