#include "settings/SettingsWindowController.h"

#include "app/AppState.h"
#include "onboarding/MenuBarAppWindows.h"
#include "settings/SettingsView.h"
#include "ui/HostingView.h"

namespace tessivane {

void SettingsWindowController::show(AppState& appState, std::optional<platform::UUID> focusGroupID) {
    if (focusGroupID) appState.settingsFocusGroupID = focusGroupID;
    appState.permissionManager.refresh();

    if (!window_) {
        auto content = ui::HostingView::make(std::make_shared<SettingsView>(),
                                             ui::Environment{}.withObject(appState));
        auto window = platform::Window::make(platform::Rect{platform::Point{}, contentSize},
                                             platform::WindowStyle::titled | platform::WindowStyle::closable |
                                                 platform::WindowStyle::miniaturizable |
                                                 platform::WindowStyle::resizable);
        window->setContentView(content);
        window->setTitle(windowTitle);
        window->setIdentifier(windowIdentifier);
        window->setContentSize(contentSize);
        window->setMinSize(minimumSize);
        window->center();
        window->setReleasedWhenClosed(false);
        window->setHidesOnDeactivate(false);
        // The window lives as long as the process, so the observer is never removed.
        closeObserver_ = window->willClose.connect([] { MenuBarAppWindows::restoreAccessoryIfIdle(); });
        window_ = std::move(window);
    }

    MenuBarAppWindows::bringForward(*window_);
}

}  // namespace tessivane
