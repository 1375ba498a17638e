#pragma once
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Color.h"
#include "platform/Image.h"

namespace tessivane {

// The colours a vossel can take and the one parser of colour strings in the system.
namespace GroupAccentPalette {

// In the order the settings' colour row shows them.
inline constexpr std::array<std::string_view, 6> hexColors = {"FB7185", "2DD4BF", "A78BFA",
                                                              "14B8A6", "60A5FA", "FBBF24"};

// Six hexadecimal digits, after dropping non-alphanumeric characters at both ends ("#14b8a6"
// and " 14B8A6" parse; a blank in the middle does not). Absent for anything else.
std::optional<platform::Color> nsColor(std::string_view hex);

// Whether a colour string names a colour of the vossel's own (not empty or only blanks).
bool hasTint(std::string_view colorHex);

// The symbol at 13 pt semibold for the menu bar: tinted with the colour when it parses,
// otherwise a template image drawn in the bar's own colour. Absent for an unknown symbol.
std::optional<platform::Image> menuBarImage(const std::string& symbolName, std::string_view colorHex);

}  // namespace GroupAccentPalette

}  // namespace tessivane
