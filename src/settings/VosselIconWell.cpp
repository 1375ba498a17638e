#include "settings/VosselIconWell.h"

#include "model/CustomGroupIconStore.h"
#include "settings/SettingsTheme.h"
#include "statusitems/GroupAccentPalette.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node VosselIconWell::body() {
    using namespace ui;
    const bool large = isLarge(size_);
    const bool hasColour = GroupAccentPalette::hasTint(colorHex_);
    const platform::Color neutralWell = Color::primary().opacity(0.08);

    observe(CustomGroupIconStore::shared());  // the image comes once decoded
    Node content;
    if (auto image = CustomGroupIconStore::shared().image(customIconFilename_)) {
        content = Image::of(*image)
                      .resizable()
                      .interpolation(Interpolation::high)
                      .aspectRatio(ContentMode::fit)
                      .padding(size_ * (large ? 0.2 : 0.18));
    } else {
        const platform::Color glyph = !hasColour ? Color::primary().opacity(0.92)
                                      : large    ? Color::white()
                                                 : SettingsTheme::paletteColor(colorHex_);
        content = Image::system(symbolName_)
                      .font(Font::system(size_ * (large ? 0.42 : 0.52), Weight::semibold))
                      .symbolRenderingMode(hasColour && !large ? SymbolRendering::palette : SymbolRendering::monochrome)
                      .foreground(glyph);
    }
    // A named custom file keeps the neutral square even when the file no longer loads.
    const platform::Color well = !customIconFilename_ && hasColour && large ? SettingsTheme::paletteColor(colorHex_)
                                                                            : neutralWell;
    return std::move(content).frame(size_, size_).background(RoundedRectangle(size_ * 0.28).fill(well));
}

}  // namespace tessivane
