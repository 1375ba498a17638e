#include "statusitems/VosselPopoverCoordinator.h"

#include "statusitems/GroupStatusItemController.h"

namespace tessivane {

namespace {
GroupStatusItemController* currentController = nullptr;
std::function<void()>& closeAppMenuBlock() {
    static std::function<void()> block;
    return block;
}
}  // namespace

GroupStatusItemController* VosselPopoverCoordinator::current() { return currentController; }

void VosselPopoverCoordinator::clearCurrent(const GroupStatusItemController* controller) {
    if (currentController == controller) currentController = nullptr;
}

void VosselPopoverCoordinator::setCloseAppMenu(std::function<void()> close) { closeAppMenuBlock() = std::move(close); }

void VosselPopoverCoordinator::willOpen(GroupStatusItemController& controller) {
    if (auto close = closeAppMenuBlock()) close();
    if (currentController && currentController != &controller) currentController->closePopover();
    currentController = &controller;
}

void VosselPopoverCoordinator::closeAll() {
    if (GroupStatusItemController* open = currentController) open->closePopover();
    currentController = nullptr;
}

}  // namespace tessivane
