// Keys: modal sessions and menus take them first; the rest goes to the active application,
// its main menu's key equivalents first, then its key window or a popover that is up.
#include "desktop/Desktop.h"

#include "desktop/DesktopApplication.h"
#include "desktop/DesktopPopover.h"
#include "desktop/DesktopServices.h"
#include "desktop/DesktopWindow.h"

namespace desktop {

using platform::Point;
using platform::Rect;

void Desktop::pressKey(uint16_t keyCode, std::string characters, platform::ModifierFlags flags) {
    namespace KeyCode = platform::KeyCode;
    if (characters.empty()) {
        if (keyCode == KeyCode::returnKey) characters = "\r";
        if (keyCode == KeyCode::escape) characters = "\x1b";
    }
    if (!alertStack_.empty()) {
        AlertSession& s = *alertStack_.back();
        const auto& buttons = s.alert->buttons;
        if (keyCode == KeyCode::returnKey && !buttons.empty()) answerAlert(buttons.front());
        if (keyCode == KeyCode::escape) {
            for (const auto& b : buttons) {
                if (b == "Cancel" || b == "Don't Save" || b == "Don’t Save") {
                    answerAlert(b);
                    break;
                }
            }
        }
        return;
    }
    if (panel_) {
        if (keyCode == KeyCode::escape) answerOpenPanel(std::nullopt);
        return;
    }
    if (ownMenu_) {
        if (keyCode == KeyCode::escape) cancelOwnMenu(*ownMenu_);
        return;
    }
    if (openedMenu_) {
        if (keyCode == KeyCode::escape) closeOpenedMenu();
        return;
    }
    // Another application in front takes the keys: this one's windows see none of them.
    if (!application_->isActive()) return;
    platform::Event event = makeEvent(platform::EventType::keyDown, pointer_, 0, flags, 0, 0);
    event.keyCode = keyCode;
    event.characters = characters;
    if (application_->performKeyEquivalent(event)) return;
    ServerWindow* target = keyTarget();
    if (!target) return;
    const platform::CGWindowID number = target->number;
    event.windowNumber = number;
    auto passed = events_->deliverLocal(event);
    if (!passed) return;
    target = windows_.find(number);  // a monitor may have closed it
    if (!target || !target->platformWindow) return;
    DesktopApplication::CurrentEventScope scope(*application_, *passed);
    if (auto content = target->platformWindow->contentView()) content->keyDown(*passed);
}

ServerWindow* Desktop::keyTarget() {
    if (!application_->isActive()) return nullptr;
    // The key window, or else a popover that is up.
    ServerWindow* target = nullptr;
    if (DesktopWindow* key = application_->keyDesktopWindow(); key && key->isVisible()) target = &key->server();
    if (!target) {
        auto popovers = shownPopovers();
        if (!popovers.empty() && popovers.back()->window()) {
            target = windows_.find(popovers.back()->window()->windowNumber());
        }
    }
    return target && target->platformWindow ? target : nullptr;
}

platform::View* Desktop::firstResponder() {
    ServerWindow* target = keyTarget();
    return target ? target->platformWindow->contentView().get() : nullptr;
}

void Desktop::pressReturn() { pressKey(platform::KeyCode::returnKey); }

void Desktop::pressEscape() { pressKey(platform::KeyCode::escape); }

}  // namespace desktop
