#include "settings/SettingsView.h"

#include "app/AccessibilityReapprovalGuide.h"
#include "app/AppState.h"
#include "model/UITestLaunch.h"
#include "onboarding/AccessibilityReapprovalInstructions.h"
#include "platform/Text.h"
#include "settings/HideHowItWorksView.h"
#include "settings/NewVosselSheet.h"
#include "settings/SettingsEditorView.h"
#include "settings/SettingsMoreSheet.h"
#include "settings/SettingsSetupWizardView.h"
#include "settings/SettingsTheme.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

namespace {

// Presents an alert while the optional holds a value; dismissing it empties the optional.
template <class T>
ui::Binding<bool> presence(const ui::State<std::optional<T>>& state) {
    auto value = state.binding();
    return ui::Binding<bool>([value] { return value.get().has_value(); },
                             [value](bool shown) {
                                 if (!shown) value.set(std::nullopt);
                             });
}

std::string quoted(const std::string& name) { return "\u201C" + name + "\u201D"; }

}  // namespace

std::string SettingsView::deleteVosselMessage(const std::string& vosselName) {
    return quoted(vosselName) + " will be removed from the menu bar. Its apps will stay visible in the menu bar.";
}

std::string SettingsView::deleteEnvironmentMessage(const std::string& environmentName) {
    return quoted(environmentName) + " and all of its vossels will be removed.";
}

void SettingsView::selectFirstGroup() {
    const auto& groups = appState_->groupStore.groups();
    selectedGroupID_ = groups.empty() ? std::nullopt : std::optional(groups.front().id);
}

void SettingsView::applyFocusGroupIfNeeded() {
    if (const std::optional<platform::UUID> focus = appState_->settingsFocusGroupID.get()) {
        selectedGroupID_ = focus;
        appState_->settingsFocusGroupID = std::nullopt;
        showingSetupWizard_ = false;
    } else if (!selectedGroupID_.get()) {
        selectFirstGroup();
    }
}

void SettingsView::onAppear() {
    appState_->discovery.items = appState_->discovery.discoverItems(false);
    appState_->objectWillChange.send();
    applyFocusGroupIfNeeded();
    const bool completedOnboarding = UITestLaunch::defaults()->boolForKey(
        std::string(AccessibilityReapprovalGuide::hasCompletedOnboardingKey));
    if (completedOnboarding && appState_->groupStore.groups().empty()) {
        showingSetupWizard_ = true;
        wizardStep_ = 1;
    }
}

void SettingsView::openNewVossel() {
    newVosselName_ = "";
    newVosselSymbol_ = newVosselSymbol;
    newVosselColorHex_ = "";
    newVosselCustomIconFilename_ = std::nullopt;
    newVosselID_ = platform::UUID::random();
    showNewVossel_ = true;
}

void SettingsView::createVosselFromSheet() {
    const std::string name = platform::Text::trimmed(newVosselName_.get());
    if (name.empty()) return;
    // The overlay imported any custom image under this id, so the image belongs to the new vossel.
    const platform::UUID id = newVosselID_.get();
    appState_->groupStore.createGroup(name, newVosselSymbol_.get(), newVosselColorHex_.get(),
                                      newVosselCustomIconFilename_.get(), id);
    appState_->syncGroupStatusItems();
    appState_->applyHiding();
    selectedGroupID_ = id;
    showNewVossel_ = false;
}

void SettingsView::deleteGroup(const platform::UUID& id) {
    appState_->groupStore.deleteGroup(id);
    appState_->syncGroupStatusItems();
    appState_->applyHiding();
    if (selectedGroupID_.get() == id) selectFirstGroup();
    if (appState_->groupStore.groups().empty()) {
        showingSetupWizard_ = true;
        wizardStep_ = 1;
    }
}

ui::Node SettingsView::accessibilityReapprovalFullScreen(AppState& appState) {
    using namespace ui;
    AppState* state = &appState;
    return ScrollView(view<AccessibilityReapprovalInstructions>([state] { state->permissionManager.enableAccessibility(); },
                                                                [state] { state->restartApp(); })
                          .padding(24)
                          .frame({.maxWidth = 520})
                          .frame({.maxWidth = infinity}))
        .scrollIndicators(Visibility::visible)
        .frame({.maxWidth = infinity, .maxHeight = infinity});
}

ui::Node SettingsView::chosenScreen(AppState& appState) {
    using namespace ui;
    if (AccessibilityReapprovalGuide::shouldShow(appState.permissionManager.isAccessibilityTrusted.get()) &&
        !UITestLaunch::isEnabled()) {
        return accessibilityReapprovalFullScreen(appState);
    }
    auto showSheet = showSettingsSheet_.binding();
    if (showingSetupWizard_.get()) {
        auto showing = showingSetupWizard_.binding();
        return view<SettingsSetupWizardView>(selectedGroupID_.binding(), wizardStep_.binding(),
                                             [showing] { showing.set(false); }, [showSheet] { showSheet.set(true); });
    }
    auto pendingDeletion = groupPendingDeletion_.binding();
    auto showHelp = showHideHelp_.binding();
    auto showAddEnvironment = showAddEnvironment_.binding();
    auto renamed = environmentBeingRenamed_.binding();
    auto renameName = renameEnvironmentName_.binding();
    auto environmentDeletion = environmentPendingDeletion_.binding();
    return view<SettingsEditorView>(
        selectedGroupID_.binding(),
        SettingsEditorView::Callbacks{
            .onDeleteRequested = [pendingDeletion](IconGroup group) { pendingDeletion.set(std::move(group)); },
            .onAddVossel = [this] { openNewVossel(); },
            .onOpenSettings = [showSheet] { showSheet.set(true); },
            .onShowHideHelp = [showHelp] { showHelp.set(true); },
            .onAddEnvironment = [showAddEnvironment] { showAddEnvironment.set(true); },
            .onRenameEnvironment =
                [renamed, renameName](EnvironmentProfile environment) {
                    renameName.set(environment.name);
                    renamed.set(std::move(environment));
                },
            .onDeleteEnvironment = [environmentDeletion](EnvironmentProfile environment) {
                environmentDeletion.set(std::move(environment));
            }});
}

ui::Node SettingsView::overlay() {
    using namespace ui;
    if (showSettingsSheet_.get()) {
        auto shown = showSettingsSheet_.binding();
        return view<SettingsMoreSheet>([shown] { shown.set(false); });
    }
    if (showHideHelp_.get()) {
        auto shown = showHideHelp_.binding();
        return view<HideHowItWorksView>([shown] { shown.set(false); });
    }
    if (showNewVossel_.get()) {
        auto shown = showNewVossel_.binding();
        return view<NewVosselSheet>(newVosselName_.binding(), newVosselSymbol_.binding(), newVosselColorHex_.binding(),
                                    newVosselCustomIconFilename_.binding(), newVosselID_.get(),
                                    [shown] { shown.set(false); }, [this] { createVosselFromSheet(); });
    }
    return Empty();
}

ui::Node SettingsView::withAlerts(ui::Node root) {
    using namespace ui;
    AppState* state = appState_;
    // The alerts' buttons run after the alert has closed, so each one keeps what it presents.
    const std::optional<IconGroup>& pendingGroup = groupPendingDeletion_.get();
    std::vector<Node> deleteVosselButtons;
    if (pendingGroup) {
        const platform::UUID id = pendingGroup->id;
        deleteVosselButtons = {Button("Delete", [this, id] { deleteGroup(id); }).role(ButtonRole::destructive),
                               Button("Cancel", [] {}).role(ButtonRole::cancel)};
    }

    auto newName = newEnvironmentName_.binding();
    auto selectFirst = [this] { selectFirstGroup(); };
    std::vector<Node> newEnvironmentButtons = {
        TextField("Name", newName),
        Button("Create",
               [state, newName, selectFirst] {
                   const std::string text = newName.get();
                   newName.set("");
                   state->groupStore.createEnvironment(text);
                   state->syncGroupStatusItems();
                   state->applyHiding();
                   selectFirst();
               }),
        Button("Cancel", [newName] { newName.set(""); }).role(ButtonRole::cancel)};

    const std::optional<EnvironmentProfile>& renamed = environmentBeingRenamed_.get();
    std::vector<Node> renameButtons;
    if (renamed) {
        auto renameName = renameEnvironmentName_.binding();
        renameButtons = {TextField("Name", renameName),
                         Button("Save",
                                [state, id = renamed->id, renameName] {
                                    // Renaming changes no status item.
                                    state->groupStore.renameEnvironment(id, renameName.get());
                                }),
                         Button("Cancel", [] {}).role(ButtonRole::cancel)};
    }

    const std::optional<EnvironmentProfile>& pendingEnvironment = environmentPendingDeletion_.get();
    std::vector<Node> deleteEnvironmentButtons;
    if (pendingEnvironment) {
        deleteEnvironmentButtons = {Button("Delete",
                                           [state, id = pendingEnvironment->id, selectFirst] {
                                               // The store refuses to delete the only environment.
                                               state->groupStore.deleteEnvironment(id);
                                               state->syncGroupStatusItems();
                                               state->applyHiding();
                                               selectFirst();
                                           })
                                        .role(ButtonRole::destructive),
                                    Button("Cancel", [] {}).role(ButtonRole::cancel)};
    }

    return std::move(root)
        .alert("Delete vossel?", presence(groupPendingDeletion_), std::move(deleteVosselButtons),
               pendingGroup ? deleteVosselMessage(pendingGroup->name) : std::string())
        .alert("New environment", showAddEnvironment_.binding(), std::move(newEnvironmentButtons),
               "Each environment has its own vossels \u2014 for example Work and Home.")
        .alert("Rename environment", presence(environmentBeingRenamed_), std::move(renameButtons))
        .alert("Delete environment?", presence(environmentPendingDeletion_), std::move(deleteEnvironmentButtons),
               pendingEnvironment ? deleteEnvironmentMessage(pendingEnvironment->name) : std::string());
}

ui::Node SettingsView::body() {
    using namespace ui;
    AppState& appState = environmentObject<AppState>();
    appState_ = &appState;
    const bool overlayUp = showSettingsSheet_.get() || showHideHelp_.get() || showNewVossel_.get();
    // The covers are drawn over the screen inside the window; the screen below stays put but
    // takes no clicks or keys while one is up.
    auto root = ZStack(chosenScreen(appState).disabled(overlayUp), overlay())
                    .frame({.minWidth = 760, .minHeight = 560})
                    .tint(SettingsTheme::accent())
                    .layoutDirection(LayoutDirection::leftToRight)
                    .onAppear([this] { onAppear(); })
                    .onChange(appState.settingsFocusGroupID.get(), [this] { applyFocusGroupIfNeeded(); });
    return withAlerts(std::move(root));
}

}  // namespace tessivane
