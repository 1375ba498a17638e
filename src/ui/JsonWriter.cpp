#include "ui/JsonWriter.h"

#include <charconv>
#include <cmath>

namespace ui {

namespace {

// The length of the valid UTF-8 sequence at the start of `s`, or 0.
size_t sequenceLength(std::string_view s) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(0);
    size_t length = 0;
    uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (s.size() < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF)) {
        return 0;
    }
    return length;
}

}  // namespace

void JsonWriter::separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!first_) out_ += ',';
    first_ = false;
}

JsonWriter& JsonWriter::open(char c) {
    separate();
    out_ += c;
    first_ = true;
    return *this;
}

JsonWriter& JsonWriter::close(char c) {
    out_ += c;
    first_ = false;
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view key) {
    separate();
    out_ += '"';
    out_ += key;
    out_ += "\":";
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    separate();
    out_ += '"';
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const size_t length = sequenceLength(text.substr(i));
            if (length == 0) {
                out_ += "\xEF\xBF\xBD";
                ++i;
            } else {
                out_.append(text, i, length);
                i += length;
            }
            continue;
        }
        switch (c) {
            case '"': out_ += "\\\""; break;
            case '\\': out_ += "\\\\"; break;
            case '\n': out_ += "\\n"; break;
            case '\r': out_ += "\\r"; break;
            case '\t': out_ += "\\t"; break;
            case '\b': out_ += "\\b"; break;
            case '\f': out_ += "\\f"; break;
            default:
                if (c < 0x20) {
                    out_ += "\\u00";
                    out_ += hex[c >> 4];
                    out_ += hex[c & 0xF];
                } else {
                    out_ += static_cast<char>(c);
                }
        }
        ++i;
    }
    out_ += '"';
    return *this;
}

JsonWriter& JsonWriter::value(bool b) {
    separate();
    out_ += b ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::value(double number) {
    if (!std::isfinite(number)) return null();
    separate();
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, number);
    const std::string_view written(buffer, static_cast<size_t>(end - buffer));
    out_ += written;
    // A whole number stays a floating-point one when read back.
    if (written.find_first_of(".e") == std::string_view::npos) out_ += ".0";
    return *this;
}

JsonWriter& JsonWriter::value(int64_t number) {
    separate();
    char buffer[24];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, number);
    out_.append(buffer, end);
    return *this;
}

JsonWriter& JsonWriter::null() {
    separate();
    out_ += "null";
    return *this;
}

JsonWriter& JsonWriter::raw(std::string_view json) {
    separate();
    out_ += json;
    return *this;
}

}  // namespace ui
