#pragma once
#include <optional>
#include <string>

#include "model/EnvironmentProfile.h"
#include "model/IconGroup.h"
#include "platform/UUID.h"
#include "ui/View.h"

namespace tessivane {

class AppState;

// The root of the settings window. It chooses the screen that fills the window (the
// Accessibility re-approval guidance, the setup wizard or the editor), lays at most one
// cover over it (More settings, then "How hiding works", then a new vossel), and owns the
// alerts that delete a vossel and create, rename and delete environments. Every change goes
// to the store through the coordinator, followed by its status-item and hiding refresh.
// Reads the shared AppState from the environment.
class SettingsView : public ui::View {
public:
    static constexpr const char* newVosselSymbol = "folder.fill";

    SettingsView() = default;
    ui::Node body() override;

    // “VPN” will be removed from the menu bar. Its apps will stay visible in the menu bar.
    static std::string deleteVosselMessage(const std::string& vosselName);
    // “Home” and all of its vossels will be removed.
    static std::string deleteEnvironmentMessage(const std::string& environmentName);

private:
    ui::Node chosenScreen(AppState& appState);
    ui::Node accessibilityReapprovalFullScreen(AppState& appState);
    ui::Node overlay();
    ui::Node withAlerts(ui::Node root);

    void onAppear();
    void applyFocusGroupIfNeeded();
    void openNewVossel();
    void createVosselFromSheet();
    void deleteGroup(const platform::UUID& id);
    void selectFirstGroup();

    AppState* appState_ = nullptr;  // set by body()

    ui::State<std::optional<platform::UUID>> selectedGroupID_{this, std::nullopt};
    ui::State<bool> showingSetupWizard_{this, false};
    ui::State<int> wizardStep_{this, 1};
    ui::State<bool> showSettingsSheet_{this, false};
    ui::State<bool> showHideHelp_{this, false};
    ui::State<bool> showNewVossel_{this, false};
    ui::State<std::optional<IconGroup>> groupPendingDeletion_{this, std::nullopt};
    ui::State<bool> showAddEnvironment_{this, false};
    ui::State<std::string> newEnvironmentName_{this, ""};
    ui::State<std::optional<EnvironmentProfile>> environmentBeingRenamed_{this, std::nullopt};
    ui::State<std::string> renameEnvironmentName_{this, ""};
    ui::State<std::optional<EnvironmentProfile>> environmentPendingDeletion_{this, std::nullopt};
    ui::State<std::string> newVosselName_{this, ""};
    ui::State<std::string> newVosselSymbol_{this, newVosselSymbol};
    ui::State<std::string> newVosselColorHex_{this, ""};
    ui::State<std::optional<std::string>> newVosselCustomIconFilename_{this, std::nullopt};
    ui::State<platform::UUID> newVosselID_{this, platform::UUID::random()};
};

}  // namespace tessivane
