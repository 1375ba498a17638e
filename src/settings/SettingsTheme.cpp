#include "settings/SettingsTheme.h"

#include <utility>

#include "statusitems/GroupAccentPalette.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

const platform::Color& SettingsTheme::accent() {
    static const platform::Color color = platform::Color::rgb255(20, 184, 166);
    return color;
}

platform::Color SettingsTheme::paletteColor(std::string_view colorHex) {
    return GroupAccentPalette::nsColor(colorHex).value_or(ui::Color::label());
}

ui::Node pointingHandCursor(ui::Node content) {
    return std::move(content).pointerCursor(ui::Cursor::pointingHand);
}

ui::Node settingsSurface(ui::Node content, double cornerRadius, platform::Color fill, platform::Color border,
                         double lineWidth, double contentInset) {
    using namespace ui;
    return std::move(content)
        .padding(contentInset)
        .background(RoundedRectangle(cornerRadius).fill(fill))
        .overlay(RoundedRectangle(cornerRadius).strokeBorder(border, lineWidth));
}

std::function<ui::Node(ui::Node)> settingsSurface(double cornerRadius, platform::Color fill, platform::Color border,
                                                  double lineWidth, double contentInset) {
    return [=](ui::Node content) {
        return settingsSurface(std::move(content), cornerRadius, fill, border, lineWidth, contentInset);
    };
}

}  // namespace tessivane
