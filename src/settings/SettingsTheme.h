#pragma once
#include "platform/Color.h"
#include "ui/Node.h"

namespace tessivane {

// The look shared by the settings window, the onboarding window's embedded components and
// the popovers of the status items.
namespace SettingsTheme {

// sRGB (20, 184, 166), "14B8A6".
const platform::Color& accent();

}  // namespace SettingsTheme

// Shows the pointing-hand cursor while the pointer is over `content`.
ui::Node pointingHandCursor(ui::Node content);

}  // namespace tessivane
