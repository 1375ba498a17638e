#include "desktop/MenuLayout.h"

#include <array>
#include <cmath>

#include "platform/UTF16.h"

namespace desktop::MenuLayout {

namespace {

// Advance widths at 13 points of U+0020 to U+007E, measured in Chromium.
constexpr std::array<double, 95> kASCII = {
    4.2,  5.3, 6,   10.9, 8.3,  12.4, 10.2, 3.6, 5.1, 5.1, 6.6,  10.9, 4.2, 6,   4.2, 4.7, 8.3, 8.3, 8.3,
    8.3,  8.4, 8.3, 8.3,  8.3,  8.3,  8.3,  4.4, 4.4, 10.9, 10.9, 10.9, 6.9, 13,  9.3, 9,   9.5, 10.1, 8.3,
    7.7,  10.1, 9.8, 3.9, 7.1,  8.6,  7.4,  11.6, 9.8, 10.3, 8.3, 10.3, 9.1, 8.3, 8.4, 9.7, 8.9, 12.9, 9,
    8.7,  9,   5.1, 4.4,  5.1,  10.9, 6.5,  6.5, 8,   8.3, 7.3,  8.3,  8,   4.7, 8.3, 8.3, 3.7, 3.7, 7.6,
    3.7,  12.7, 8.3, 8,   8.3,  8.3,  5.2,  6.8, 5.1, 8.3, 7.7,  10.7, 7.7, 7.7, 7.1, 8.3, 4.4, 8.3, 10.9};

double characterWidth(char32_t c) {
    if (c >= 0x20 && c < 0x7F) return kASCII[c - 0x20];
    switch (c) {
        case U'\u2018': case U'\u2019': return 4.2;
        case U'\u201C': case U'\u201D': return 6.8;
        case U'\u2013': return 6.6;
        case U'\u2026': return 13;
        case U'\u2303': return 10.9;  // ⌃
        case U'\u2318': return 13.1;  // ⌘
        case U'\u21E7': return 13.3;  // ⇧
        case U'\u2325': return 15;    // ⌥
        default: break;
    }
    if (c >= 0x300 && c < 0x370) return 0;       // combining marks sit on the letter before
    if (c < 0x300) return 10.3;                   // accented Latin letters: as wide as an O
    if (c >= 0x590 && c < 0x700) return 9.5;      // Hebrew and Arabic
    return 15;                                     // anything else (Cyrillic, CJK, symbols): a wide em
}

}  // namespace

double textWidth(std::string_view text) {
    double width = 0;
    for (char16_t unit : platform::UTF16::fromUTF8(text)) {
        // A character past the basic plane counts once, at its first unit.
        if (unit < 0xDC00 || unit > 0xDFFF) width += characterWidth(unit);
    }
    return std::ceil(width);
}

std::string shortcutLabel(const std::string& keyEquivalent, platform::ModifierFlags mask) {
    if (keyEquivalent.empty()) return {};
    namespace Modifier = platform::Modifier;
    std::string label;
    if (mask & Modifier::control) label += "\u2303";
    if (mask & Modifier::option) label += "\u2325";
    if (mask & Modifier::shift) label += "\u21E7";
    if (mask & Modifier::command) label += "\u2318";
    for (char c : keyEquivalent) label += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return label;
}

double rowWidth(std::string_view title, const std::string& shortcut, bool hasImage) {
    double width = 2 * rowInset + leadingPadding + textWidth(title) + trailingPadding;
    if (hasImage) width += imageWidth;
    if (!shortcut.empty()) width += shortcutGap + textWidth(shortcut);
    return width;
}

}  // namespace desktop::MenuLayout
