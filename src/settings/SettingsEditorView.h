#pragma once
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/EnvironmentProfile.h"
#include "model/IconGroup.h"
#include "platform/UUID.h"
#include "ui/Binding.h"
#include "ui/View.h"

namespace tessivane {

class AppState;

// The main screen of the settings window: a rail of the active environment's vossels with
// the environment menu, the selected vossel's name, icon and menu bar switch, its members,
// and a footer. What needs a dialog or a cover (deleting a vossel, a new vossel, the
// environments, More settings, how hiding works) goes to the owner through the callbacks.
// Its only state of its own is whether the edit page of the selected vossel is up. Reads
// the shared AppState from the environment.
class SettingsEditorView : public ui::View {
public:
    struct Callbacks {
        std::function<void(IconGroup)> onDeleteRequested;
        std::function<void()> onAddVossel;
        std::function<void()> onOpenSettings;
        std::function<void()> onShowHideHelp;
        std::function<void()> onAddEnvironment;
        std::function<void(EnvironmentProfile)> onRenameEnvironment;
        std::function<void(EnvironmentProfile)> onDeleteEnvironment;
    };

    static constexpr const char* bannerTitle = "Tessivane can\u2019t hide Control Center extras yet";
    static constexpr const char* bannerText =
        "Some extras live in Control Center, not as a normal menu bar icon. Tessivane can only manage them if "
        "Accessibility is enabled for this exact copy of the app.";

    SettingsEditorView(ui::Binding<std::optional<platform::UUID>> selectedGroupID, Callbacks callbacks)
        : selectedGroupID_(std::move(selectedGroupID)), callbacks_(std::move(callbacks)) {}

    ui::Node body() override;

    // The vossel the editor shows: the selected one while the active environment has it,
    // else the first; null only when there is none. A stale selection keeps its value.
    static const IconGroup* selectedGroup(const std::vector<IconGroup>& groups,
                                          const std::optional<platform::UUID>& selectedID);
    // "3 in vossel · 17 found".
    static std::string countsLine(size_t members, size_t found);
    // Starts a rescan with a fresh Accessibility pass; the coordinator announces the result.
    // Both refresh buttons are disabled while it runs, so a second one cannot start.
    static void refreshIcons(AppState& appState);

private:
    ui::Node accessibilityHelpBanner(AppState& appState);
    ui::Node rail(AppState& appState, const std::vector<IconGroup>& groups, const IconGroup* selected);
    ui::Node vosselChip(AppState& appState, const IconGroup& vossel, bool isSelected);
    ui::Node addVosselButton();
    ui::Node identity(AppState& appState, const IconGroup& vossel);
    ui::Node apps(AppState& appState, const IconGroup& vossel);
    ui::Node footer();
    ui::Node editVosselScreen(AppState& appState, const IconGroup& vossel);

    ui::Binding<std::optional<platform::UUID>> selectedGroupID_;
    Callbacks callbacks_;
    ui::State<bool> showEditVossel_{this, false};
};

}  // namespace tessivane
