#include "settings/VosselOpenModePicker.h"

#include "app/AppState.h"
#include "model/UITestLaunch.h"
#include "model/UserPreferences.h"
#include "settings/SettingsTheme.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node VosselOpenModePicker::body() {
    using namespace ui;
    AppState* appState = &environmentObject<AppState>();
    const std::string title = "When to open a vossel";
    Binding<bool> hoverToOpen([] { return UserPreferences::hoverToOpenEnabled(); },
                              [appState](bool value) {
                                  UITestLaunch::defaults()->set(std::string(UserPreferences::hoverToOpenKey), value);
                                  appState->syncGroupStatusItems();
                                  appState->objectWillChange.send();
                              });
    return HStack({.spacing = 12},
                  Text(title),
                  Spacer(8),
                  pointingHandCursor(Picker<bool>(title, hoverToOpen, {{"On click", false}, {"On hover", true}})
                                         .pickerStyle(PickerStyle::segmented)
                                         .labelsHidden()
                                         .tint(SettingsTheme::accent())
                                         .frame({.width = 200})))
        .accessibilityIdentifier("ui.openMode");
}

}  // namespace tessivane
