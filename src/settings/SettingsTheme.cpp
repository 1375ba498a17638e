#include "settings/SettingsTheme.h"

#include <utility>

namespace tessivane {

const platform::Color& SettingsTheme::accent() {
    static const platform::Color color = platform::Color::rgb255(20, 184, 166);
    return color;
}

ui::Node pointingHandCursor(ui::Node content) {
    return std::move(content).pointerCursor(ui::Cursor::pointingHand);
}

}  // namespace tessivane
