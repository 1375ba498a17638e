#pragma once
#include <cstddef>
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

// The UTF-8 sequence that starts at `at`: its code point and length, or a length of 0 when the
// byte there starts no valid sequence (a stray continuation byte, an overlong form, a code point
// past U+10FFFF, a sequence cut short). The three bytes of a surrogate decode: they are what a
// lone UTF-16 surrogate becomes, and callers that take only text judge them.
struct Sequence {
    char32_t codePoint = 0;
    size_t length = 0;
};
Sequence decodeUTF8(std::string_view text, size_t at);
// Appends the UTF-8 bytes of a code point (a surrogate included) to `out`.
void appendUTF8(std::string& out, char32_t codePoint);
}  // namespace UTF16

}  // namespace platform
