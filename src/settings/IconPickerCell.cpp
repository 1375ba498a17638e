#include "settings/IconPickerCell.h"

#include "settings/SettingsTheme.h"
#include "statusitems/GroupAccentPalette.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node IconPickerCell::body() {
    using namespace ui;
    const bool hasColour = GroupAccentPalette::hasTint(colorHex_);
    const platform::Color glyph = isSelected_ ? Color::white()
                                  : hasColour ? SettingsTheme::paletteColor(colorHex_)
                                              : Color::primary();
    const platform::Color background = isSelected_ ? (hasColour ? SettingsTheme::paletteColor(colorHex_) : SettingsTheme::accent())
                                       : isHovered_.get() ? Color::primary().opacity(0.08)
                                                          : Color::windowBackground();
    auto tile = Image::system(symbol_)
                    .font(Font::system(22, Weight::semibold))
                    .foreground(glyph)
                    .frame(side, side)
                    .background(RoundedRectangle(12).fill(background))
                    .overlay(RoundedRectangle(12).strokeBorder(isSelected_ ? Color::clear() : Color::primary().opacity(0.12), 1));
    auto hovered = isHovered_.binding();
    return Button(action_, std::move(tile))
        .buttonStyle(ButtonStyle::plain)
        .help(symbol_)
        .accessibilityLabel(symbol_)
        .onHover([hovered](bool inside) { hovered.set(inside); });
}

}  // namespace tessivane
