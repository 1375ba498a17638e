#include "statusitems/ColoredSymbolView.h"

#include "settings/SettingsTheme.h"
#include "statusitems/GroupAccentPalette.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node ColoredSymbolView::body() {
    using namespace ui;
    const bool tinted = GroupAccentPalette::hasTint(colorHex_);
    const platform::Color color = tinted ? SettingsTheme::paletteColor(colorHex_) : Color::primary();
    return Image::system(symbolName_)
        .font(font_)
        .symbolRenderingMode(tinted ? SymbolRendering::palette : SymbolRendering::monochrome)
        .foreground(color);
}

}  // namespace tessivane
