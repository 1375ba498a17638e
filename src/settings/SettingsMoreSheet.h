#pragma once
#include <functional>
#include <string>

#include "ui/View.h"

namespace tessivane {

class AppState;

// The secondary settings page, a cover over the editor or the wizard: appearance, how
// vossels open, Accessibility, launch at login, the opt-in report, a warning about icons
// the menu bar has no room for, and the version with the update check and the links. It
// stores nothing itself. Reads the shared AppState from the environment.
class SettingsMoreSheet : public ui::View {
public:
    static constexpr const char* accessFooter =
        "Optional device info with update checks: macOS version, chip, memory, displays, notch, menu bar width, RTL, "
        "and counts of vossels and icons. No personal files, vossel names, or which apps you grouped.";
    static constexpr const char* fallbackVersion = "1.0.0";

    explicit SettingsMoreSheet(std::function<void()> onDismiss) : onDismiss_(std::move(onDismiss)) {}

    ui::Node body() override;

    // The bundle's short version string when it is a string, else "1.0.0".
    static std::string versionString();
    // "+3 icons may be hidden by the notch or a short menu bar."
    static std::string menuBarSpaceWarning(int hiddenCount);

private:
    ui::Node accessibilityRow(AppState& appState);
    ui::Node accessSection(AppState& appState);
    ui::Node aboutSection(AppState& appState);

    std::function<void()> onDismiss_;
};

}  // namespace tessivane
