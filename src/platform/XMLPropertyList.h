#pragma once
#include <optional>
#include <string_view>

#include "platform/PropertyValue.h"

namespace platform {

// The XML property-list format, read by this system itself so that every value in it comes
// back as it was: text with any character (a NUL, as it stands or by reference), integers up
// to 2^64 - 1, dates of any year, keyed-archive UIDs (written as "CF$UID" dictionaries).
// UTF-8 text that is not UTF-8 reads byte by byte: each byte that starts no valid sequence (an
// overlong form and the bytes of a surrogate included) becomes U+FFFD, and the rest is kept.
namespace XMLPropertyList {
// The top object of a list; absent when the list is damaged, holds a chain of more than
// `deepestNesting` containers, or is in an encoding not read here. A list in UTF-16 (with a
// mark, or told apart by its opening "<") reads as such; any other in the encoding its
// declaration names: UTF-8 (the default, with or without a byte-order mark), ISO-8859-1 or
// US-ASCII, by any of their registered names in any case. A US-ASCII list holding a byte past
// ASCII, and a mark the declaration contradicts, do not read: no reading of them could be sure
// to give the text back as written. Comments, processing instructions, the document type and
// CDATA sections are read as XML reads them: whatever they hold is no element.
std::optional<PropertyValue> read(std::string_view bytes, int deepestNesting);
// Whether the first bytes of a list, `head`, show that it does not read, whatever follows
// them: for a large file, whose damage then needs no reading of the rest.
bool headIsDamaged(std::string_view head, int deepestNesting);
}  // namespace XMLPropertyList

}  // namespace platform
