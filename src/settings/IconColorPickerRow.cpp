#include "settings/IconColorPickerRow.h"

#include "platform/Text.h"
#include "settings/SettingsTheme.h"
#include "statusitems/GroupAccentPalette.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

namespace {

ui::Node ring(bool chosen) {
    using namespace ui;
    return Circle().strokeBorder(chosen ? Color::primary() : Color::clear(), 2);
}

}  // namespace

ui::Node IconColorPickerRow::body() {
    using namespace ui;
    const std::string current = accentColorHex_.get();
    const std::string currentUpper = platform::Text::uppercased(current);
    auto binding = accentColorHex_;

    auto noColor = pointingHandCursor(
        Button([binding] { binding.set(""); },
               ZStack(Circle().fill(Color::primary().opacity(0.12)).frame(22, 22),
                      Image::system("circle.slash").font(Font::system(11, Weight::semibold)).foreground(Color::secondary()))
                   .overlay(ring(!GroupAccentPalette::hasTint(current))))
            .buttonStyle(ButtonStyle::plain)
            .help(noColorHelp));

    auto swatches = ForEach(GroupAccentPalette::hexColors, [](std::string_view hex) { return std::string(hex); },
                            [&](std::string_view hex) {
        const std::string stored(hex);
        return pointingHandCursor(Button([binding, stored] { binding.set(stored); },
                                         Circle()
                                             .fill(SettingsTheme::paletteColor(stored))
                                             .frame(22, 22)
                                             .overlay(ring(currentUpper == platform::Text::uppercased(stored))))
                                      .buttonStyle(ButtonStyle::plain)
                                      .accessibilityLabel(stored));
    });

    return HStack({.spacing = 10},
                  Text("Color")
                      .font(Font::subheadline().withWeight(Weight::semibold))
                      .foreground(Color::secondary())
                      .frame({.width = 48, .alignment = Alignment::leading}),
                  std::move(noColor),
                  std::move(swatches));
}

}  // namespace tessivane
