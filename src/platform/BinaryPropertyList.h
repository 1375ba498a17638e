#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/PropertyValue.h"

namespace platform {

// The binary property-list format ("bplist00"), read and written by this system itself so
// that every value it can carry comes back as it was: dates as the exact seconds since 2001
// with their fractions, integers up to 2^64 - 1, keyed-archive UIDs, and strings with any
// character (a NUL, a control character, a lone surrogate).
namespace BinaryPropertyList {
inline constexpr std::string_view kMagic = "bplist00";
// The trailer at the end of every list: where its offset table lies and which object is the top.
inline constexpr size_t kTrailerSize = 32;

struct ReadOptions {
    // Longest chain of containers accepted; a deeper one is refused rather than recursed into.
    int deepestNesting = 1000;
};
// The top object; absent when the bytes are damaged (anything out of bounds, a container
// inside itself, an unknown kind of object), nested too deeply, or would grow into far more
// memory than the file takes (one large object referred to over and over).
std::optional<PropertyValue> read(std::string_view bytes, const ReadOptions& options);
// Whether `last`, the final kTrailerSize bytes of a list of `size` bytes, is a trailer that
// places the offset table inside the list: a list whose trailer is not is damaged, whatever
// lies before it.
bool trailerFits(std::string_view last, uint64_t size);
// The bytes of a list whose top object is `top`. Equal values are written once.
std::string write(const PropertyDictionary& top);
}  // namespace BinaryPropertyList

}  // namespace platform
