#pragma once
#include <functional>
#include <optional>
#include <string>

#include "model/IconGroup.h"
#include "platform/UUID.h"
#include "ui/Binding.h"
#include "ui/View.h"

namespace tessivane {

class AppState;

// The three-step setup of a first vossel that fills the settings window while the active
// environment has none: name and icon ("Vossel"), members ("Apps"), and how hiding works
// ("Hide"). The vossel is created the first time the user leaves step 1; from then on every
// edit of its name or icon is saved at once. The values being typed live here; the step
// and the selection belong to the owner. Reads the shared AppState from the environment.
class SettingsSetupWizardView : public ui::View {
public:
    static constexpr const char* initialName = "My Vossel";
    static constexpr const char* initialSymbol = "lock.shield.fill";
    static constexpr const char* initialColorHex = "14B8A6";

    SettingsSetupWizardView(ui::Binding<std::optional<platform::UUID>> selectedGroupID, ui::Binding<int> step,
                            std::function<void()> onFinished, std::function<void()> onOpenSettings)
        : selectedGroupID_(std::move(selectedGroupID)), step_(std::move(step)), onFinished_(std::move(onFinished)),
          onOpenSettings_(std::move(onOpenSettings)) {}

    ui::Node body() override;

    // The wizard's vossel: the selected one (none when the selection names no vossel of the
    // active environment), or the first when nothing is selected.
    static const IconGroup* currentGroup(const std::vector<IconGroup>& groups,
                                         const std::optional<platform::UUID>& selectedID);

private:
    ui::Node stepTabs();
    ui::Node tab(int t);
    ui::Node vosselStep();
    ui::Node appsStep();
    ui::Node hideStep();
    ui::Node bottomBar();
    // Where the icon picker imports a custom image: the wizard's vossel, else the id the
    // new vossel will get.
    platform::UUID importGroupID() const;
    const IconGroup* currentGroup() const;

    void syncFromSelectedGroup();
    void ensureGroupExists();
    void persistIfNeeded();
    void advance();
    void selectTab(int t);

    ui::Binding<std::optional<platform::UUID>> selectedGroupID_;
    ui::Binding<int> step_;
    std::function<void()> onFinished_;
    std::function<void()> onOpenSettings_;
    AppState* appState_ = nullptr;  // set by body()

    ui::State<std::string> draftName_{this, initialName};
    ui::State<std::string> draftSymbol_{this, initialSymbol};
    ui::State<std::string> draftColorHex_{this, initialColorHex};
    ui::State<std::optional<std::string>> draftCustomIconFilename_{this, std::nullopt};
    ui::State<platform::UUID> draftID_{this, platform::UUID::random()};
    ui::State<bool> showIconPicker_{this, false};
};

}  // namespace tessivane
