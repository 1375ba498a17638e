#pragma once
#include <optional>
#include <string>

#include "model/DiscoveredMenuBarItem.h"
#include "model/IconGroup.h"
#include "platform/UUID.h"
#include "ui/View.h"

namespace tessivane {

class AppState;

// The welcome tour: welcome, Accessibility, the first vossel's name and icon, its members
// from the live menu bar, and how hiding works. It works on the shared AppState from its
// environment: the vossel it creates and the members it toggles are saved at once, finished
// or not. Finishing or skipping marks onboarding complete and closes the window through the
// environment's dismiss closure. Created once per window, so its place in the tour, the
// typed name and the chosen icon survive closing and reopening the window.
class OnboardingView : public ui::View {
public:
    static constexpr int totalSteps = 5;
    static constexpr double width = 520;
    static constexpr double height = 560;
    static constexpr const char* defaultSymbol = "lock.shield.fill";

    OnboardingView();
    ui::Node body() override;

    int step() const { return step_; }
    // The id of the vossel the tour creates, and under which an imported icon is filed.
    const platform::UUID& onboardingGroupID() const { return onboardingGroupID_; }

private:
    ui::Node progressBar() const;
    ui::Node currentStep(AppState& appState);
    ui::Node welcomeStep() const;
    ui::Node accessibilityStep(AppState& appState);
    ui::Node createGroupStep();
    ui::Node iconPickerButton();
    // The icon picker over the whole tour, in place of a popover.
    ui::Node iconPickerScreen();
    ui::Node assignAppsStep(AppState& appState);
    ui::Node memberRow(AppState& appState, const IconGroup& group, const DiscoveredMenuBarItem& item) const;
    ui::Node chevronStep() const;
    static ui::Node onboardingTip(const std::string& number, const std::string& title, const std::string& detail);
    ui::Node footer(AppState& appState);

    static std::optional<IconGroup> firstGroup(const AppState& appState);
    bool nextDisabled() const;
    // Creates the tour's vossel from the typed name, unless the name is blank or the active
    // environment already has a vossel.
    void ensureFirstGroup(AppState& appState) const;
    static void rescan(AppState& appState);
    void advance(AppState& appState);
    // Skip and Get Started: onboarding is complete, the window goes.
    void finish();

    ui::State<int> step_{this, 0};
    ui::State<std::string> groupName_{this, ""};
    ui::State<std::string> groupSymbol_{this, defaultSymbol};
    ui::State<std::string> groupColorHex_{this, ""};
    ui::State<std::optional<std::string>> groupCustomIconFilename_{this, std::nullopt};
    ui::State<bool> showIconPicker_{this, false};
    const platform::UUID onboardingGroupID_;
};

}  // namespace tessivane
