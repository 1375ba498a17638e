#include "platform/UTF16.h"

#include <cstdint>

namespace platform::UTF16 {

void appendUTF8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

namespace {

bool isHighSurrogate(char32_t u) { return u >= 0xD800 && u < 0xDC00; }
bool isLowSurrogate(char32_t u) { return u >= 0xDC00 && u < 0xE000; }

}  // namespace

std::string toUTF8(std::string_view bytes, bool bigEndian) {
    const auto unitAt = [&](size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[2 * i]), b = static_cast<unsigned char>(bytes[2 * i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    const size_t units = bytes.size() / 2;
    std::string out;
    out.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        const char32_t unit = unitAt(i);
        if (isHighSurrogate(unit) && i + 1 < units && isLowSurrogate(unitAt(i + 1))) {
            appendUTF8(out, 0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00));
            ++i;
        } else {
            appendUTF8(out, unit);
        }
    }
    return out;
}

Sequence decodeUTF8(std::string_view text, size_t at) {
    const auto byteAt = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byteAt(at);
    size_t length = 0;
    char32_t c = 0, least = 0;
    if (lead < 0x80) {
        return {lead, 1};
    } else if (lead >= 0xC2 && lead < 0xE0) {
        length = 2, c = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        length = 3, c = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead < 0xF5) {
        length = 4, c = lead & 0x07, least = 0x10000;
    } else {
        return {};
    }
    for (size_t k = 1; k < length; ++k) {
        if (at + k >= text.size() || (byteAt(at + k) & 0xC0) != 0x80) return {};
        c = c << 6 | (byteAt(at + k) & 0x3F);
    }
    if (c < least || c > 0x10FFFF) return {};
    return {c, length};
}

std::u16string fromUTF8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto [c, length] = decodeUTF8(text, i);
        if (length == 0) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);  // lone surrogates included: they came from UTF-16
        }
        i += length;
    }
    return out;
}

}  // namespace platform::UTF16
