#include "settings/SettingsGearButton.h"

#include "settings/SettingsTheme.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node SettingsGearButton::body() {
    using namespace ui;
    const Font font = Font::system(13, Weight::medium);
    return Button(action_,
                  HStack({.spacing = 6}, Image::system("gearshape").font(font), Text("Settings"))
                      .font(font)
                      .padding(Edges::horizontal, 10)
                      .frame({.height = 28})
                      .apply(settingsSurface(6, Color::windowBackground(), Color::primary().opacity(0.18), 1, 0)))
        .buttonStyle(ButtonStyle::plain)
        .accessibilityIdentifier("ui.settings");
}

}  // namespace tessivane
