#include "settings/AnonymousDeviceInfoOptIn.h"

#include "app/AppState.h"
#include "settings/SettingsTheme.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node AnonymousDeviceInfoOptIn::body() {
    using namespace ui;
    AppState* appState = &environmentObject<AppState>();
    Binding<bool> share([appState] { return appState->shareSystemInfoWithDeveloper.get(); },
                        [appState](bool value) { appState->shareSystemInfoWithDeveloper = value; });
    return VStack({.alignment = HorizontalAlignment::leading, .spacing = 6},
                  pointingHandCursor(Toggle("Share anonymous device info", share)),
                  Text(caption).font(Font::caption()).foreground(Color::secondary()).fixedSize(false, true))
        .padding(12)
        .frame({.maxWidth = infinity, .alignment = Alignment::leading})
        .apply(settingsSurface(12, Color::windowBackground(), Color::primary().opacity(0.14), 1, 0))
        .accessibilityIdentifier("ui.shareDeviceInfo");
}

}  // namespace tessivane
