#pragma once
#include <optional>
#include <string_view>

#include "platform/PropertyValue.h"

namespace platform {

// The XML property-list format, read by this system itself so that every value in it comes
// back as it was: text with any character (a NUL, as it stands or by reference), integers up
// to 2^64 - 1, dates of any year, keyed-archive UIDs (written as "CF$UID" dictionaries).
// Text that is not UTF-8 reads byte by byte: each byte that starts no valid sequence (an
// overlong form and the bytes of a surrogate included) becomes U+FFFD, and the rest is kept.
namespace XMLPropertyList {
// The top object of a list in UTF-8 (with or without a byte-order mark) or UTF-16 (with a
// mark, or told apart by its opening "<"); absent when the list is damaged or holds a chain of
// more than `deepestNesting` containers. Comments, processing instructions, the document type
// and CDATA sections are read as XML reads them: whatever they hold is no element.
std::optional<PropertyValue> read(std::string_view bytes, int deepestNesting);
}  // namespace XMLPropertyList

}  // namespace platform
