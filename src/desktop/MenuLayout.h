#pragma once
#include <string>
#include <string_view>

#include "platform/Event.h"

namespace desktop {

// How a menu window is drawn, in points. The desktop sizes menus and hit-tests their rows
// with these; the page draws them with the same numbers (display.css: .menu, .menu-row).
namespace MenuLayout {

inline constexpr double rowHeight = 22;
inline constexpr double separatorHeight = 10;
inline constexpr double verticalInset = 5;
inline constexpr double minimumWidth = 160;
// Across a row: the inset of its highlight from the menu's edges, the check mark's column
// before the title, the space after it, the gap before a key equivalent, and an image with
// its gap.
inline constexpr double rowInset = 5;
inline constexpr double leadingPadding = 22;
inline constexpr double trailingPadding = 12;
inline constexpr double shortcutGap = 20;
inline constexpr double imageWidth = 14 + 6;

// The width of a text in the menus' 13-point font: for each character the wider of the
// fonts the page falls back to here (Inter, then DejaVu Sans; a Mac's own font is
// narrower), so that a menu is never narrower than the title the page draws.
double textWidth(std::string_view text);
// The key equivalent as a menu shows it: modifier symbols, then the key in upper case.
std::string shortcutLabel(const std::string& keyEquivalent, platform::ModifierFlags mask);
// The width a row needs to show its title whole.
double rowWidth(std::string_view title, const std::string& shortcut = "", bool hasImage = false);

}  // namespace MenuLayout

}  // namespace desktop
