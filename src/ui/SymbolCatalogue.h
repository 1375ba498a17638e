#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Image.h"

namespace ui {

// The system symbols the application uses, each drawn with a glyph of the Material Icons
// font (its ligature name). A name outside the catalogue is "no such symbol".
namespace SymbolCatalogue {
struct Entry {
    std::string_view symbol;
    std::string_view glyph;  // Material Icons ligature
};
const std::vector<Entry>& entries();
// The icon font the display draws the glyphs with (Debian's fonts-material-design-icons-iconfont).
inline constexpr const char* fontFile =
    "/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf";
std::optional<std::string_view> glyphName(std::string_view symbol);
bool contains(std::string_view symbol);
}  // namespace SymbolCatalogue

// The image of a system symbol at a point size and weight, or nothing when the name names
// no symbol (as the system answers for an unknown name).
std::optional<platform::Image> symbolImage(const std::string& name, double pointSize = 13,
                                           platform::SymbolWeight weight = platform::SymbolWeight::regular);

}  // namespace ui
