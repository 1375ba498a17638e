#pragma once
#include <memory>
#include <optional>

#include "platform/Signal.h"
#include "platform/UUID.h"
#include "platform/Window.h"

namespace tessivane {

class AppState;

// The one settings window of the process: created on the first request, then reused and
// never released. Every road into settings ends here. Main thread only.
class SettingsWindowController {
public:
    static constexpr const char* windowTitle = "Tessivane";
    static constexpr const char* windowIdentifier = "ui.settingsWindow";
    static constexpr platform::Size contentSize{760, 560};
    static constexpr platform::Size minimumSize{720, 520};

    SettingsWindowController() = default;
    SettingsWindowController(const SettingsWindowController&) = delete;
    SettingsWindowController& operator=(const SettingsWindowController&) = delete;

    // Shows the window (creating and centring it the first time) and brings the application
    // forward as an ordinary application. A vossel id travels to the window through
    // `AppState::settingsFocusGroupID`; none leaves a pending one alone.
    void show(AppState& appState, std::optional<platform::UUID> focusGroupID);

    // Null until the first `show`.
    const std::shared_ptr<platform::Window>& window() const { return window_; }

private:
    std::shared_ptr<platform::Window> window_;
    platform::Subscription closeObserver_;
};

}  // namespace tessivane
