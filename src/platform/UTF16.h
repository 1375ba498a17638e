#pragma once
#include <string>
#include <string_view>

namespace platform {

// UTF-16 as property lists carry it, converted without loss in both directions: a lone
// surrogate becomes the three bytes UTF-8 would give its code point, and back.
namespace UTF16 {
// Bytes of UTF-16 in the given byte order (an odd last byte is dropped) as UTF-8.
std::string toUTF8(std::string_view bytes, bool bigEndian);
// Code units of UTF-8 text; a byte that starts no valid sequence becomes U+FFFD.
std::u16string fromUTF8(std::string_view text);
}  // namespace UTF16

}  // namespace platform
