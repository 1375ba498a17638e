#pragma once
#include <functional>

namespace tessivane {

class GroupStatusItemController;

// Keeps one popover of the system open at a time: a vossel's, or the application menu.
namespace VosselPopoverCoordinator {

// The controller whose popover opened last; null when none (cleared when it closes or goes).
GroupStatusItemController* current();
// Forgets `controller` if it is the current one.
void clearCurrent(const GroupStatusItemController* controller);

// Closes the application menu; set by the application menu's controller.
void setCloseAppMenu(std::function<void()> close);

// Before a vossel's popover opens: closes the application menu and another vossel's popover.
void willOpen(GroupStatusItemController& controller);
// Before the application menu opens: closes the open vossel popover.
void closeAll();

}  // namespace VosselPopoverCoordinator

}  // namespace tessivane
