#pragma once
#include <functional>
#include <string_view>

#include "platform/Color.h"
#include "ui/Node.h"

namespace tessivane {

// The look shared by the settings window, the onboarding window's embedded components and
// the popovers of the status items.
namespace SettingsTheme {

// sRGB (20, 184, 166), "14B8A6".
const platform::Color& accent();

// The colour a vossel's colour text names, or the label colour when it names none.
platform::Color paletteColor(std::string_view colorHex);

}  // namespace SettingsTheme

// Shows the pointing-hand cursor while the pointer is over `content`.
ui::Node pointingHandCursor(ui::Node content);

// The rounded card look: `content` inset by `contentInset`, on a continuous rounded
// rectangle filled with `fill`, edged inside by `border` at `lineWidth`.
ui::Node settingsSurface(ui::Node content, double cornerRadius, platform::Color fill, platform::Color border,
                         double lineWidth, double contentInset);
// The same as a reusable modifier: `.apply(settingsSurface(12, fill, border, 1, 0))`.
std::function<ui::Node(ui::Node)> settingsSurface(double cornerRadius, platform::Color fill, platform::Color border,
                                                  double lineWidth, double contentInset);

}  // namespace tessivane
