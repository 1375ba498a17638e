#include "statusitems/GroupAccentPalette.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdint>

#include "platform/Text.h"
#include "ui/SymbolCatalogue.h"

namespace tessivane {

namespace {

// The code point that starts at `i`, and the index after it; malformed bytes read as U+FFFD.
UChar32 codePointAt(std::string_view s, size_t& i) {
    UChar32 c = 0;
    int32_t index = static_cast<int32_t>(i);
    U8_NEXT(s.data(), index, static_cast<int32_t>(s.size()), c);
    i = static_cast<size_t>(index);
    return c < 0 ? 0xFFFD : c;
}

bool isAlphanumeric(UChar32 c) {
    return u_isalnum(c) || (U_GET_GC_MASK(c) & U_GC_M_MASK) != 0;
}

// Drops characters that are neither letters, marks nor digits from both ends; those in the
// middle stay and make the text fail to parse later.
std::string_view trimmedToAlphanumerics(std::string_view s) {
    size_t start = 0;
    size_t end = s.size();
    size_t firstKept = s.size();
    for (size_t i = 0; i < s.size();) {
        size_t at = i;
        if (isAlphanumeric(codePointAt(s, i))) {
            firstKept = at;
            break;
        }
    }
    if (firstKept == s.size()) return {};
    start = firstKept;
    for (size_t i = start; i < s.size();) {
        if (isAlphanumeric(codePointAt(s, i))) end = i;
    }
    return s.substr(start, end - start);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<platform::Color> GroupAccentPalette::nsColor(std::string_view hex) {
    std::string_view digits = trimmedToAlphanumerics(hex);
    if (digits.size() != 6) return std::nullopt;
    uint32_t value = 0;
    for (char c : digits) {
        int d = hexDigit(c);
        if (d < 0) return std::nullopt;
        value = value << 4 | static_cast<uint32_t>(d);
    }
    return platform::Color::rgb(((value >> 16) & 0xFF) / 255.0, ((value >> 8) & 0xFF) / 255.0,
                                (value & 0xFF) / 255.0, 1.0);
}

bool GroupAccentPalette::hasTint(std::string_view colorHex) {
    return !platform::Text::trimmed(colorHex).empty();
}

std::optional<platform::Image> GroupAccentPalette::menuBarImage(const std::string& symbolName,
                                                                 std::string_view colorHex) {
    std::optional<platform::Image> symbol = ui::symbolImage(symbolName, 13, platform::SymbolWeight::semibold);
    if (!symbol) return std::nullopt;
    platform::Image& image = *symbol;
    if (hasTint(colorHex)) {
        if (auto color = nsColor(platform::Text::trimmed(colorHex))) {
            image.setTint(*color);
            image.setTemplate(false);
            return symbol;
        }
    }
    image.setTemplate(true);
    return symbol;
}

}  // namespace tessivane
