#include "settings/AppearanceModePicker.h"

#include "app/AppState.h"
#include "model/UserPreferences.h"
#include "settings/SettingsTheme.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node AppearanceModePicker::body() {
    using namespace ui;
    using Preference = AppAppearancePreference::Value;
    AppState* appState = &environmentObject<AppState>();
    Binding<Preference> appearance([] { return static_cast<Preference>(UserPreferences::appearance()); },
                                   [appState](Preference value) { appState->setAppearance(value); });
    std::vector<Option<Preference>> options;
    for (Preference value : AppAppearancePreference::allCases()) {
        options.push_back({value == AppAppearancePreference::system  ? "System"
                           : value == AppAppearancePreference::light ? "Light"
                                                                     : "Dark",
                           value});
    }
    return HStack({.spacing = 12},
                  Text("Theme"),
                  Spacer(8),
                  pointingHandCursor(Picker<Preference>("Theme", appearance, std::move(options))
                                         .pickerStyle(PickerStyle::segmented)
                                         .labelsHidden()
                                         .tint(SettingsTheme::accent())
                                         .frame({.width = 240}))
                      .accessibilityIdentifier("ui.appearance"));
}

}  // namespace tessivane
