#pragma once
#include <filesystem>
#include <optional>
#include <string>

#include "platform/PropertyValue.h"

namespace platform {

// Property-list files (XML or binary) read into and written from property values.
namespace PropertyList {
// The dictionary at the root of a property list; absent when the bytes are not a property
// list or its root is not a dictionary.
std::optional<PropertyDictionary> parseDictionary(const std::string& bytes);
// Reads a regular file of reasonable size; absent when it is missing, unreadable or not a
// dictionary property list.
std::optional<PropertyDictionary> readDictionary(const std::filesystem::path& file);
// The XML form of a dictionary.
std::string xml(const PropertyDictionary& values);
// Writes the XML form to a temporary file beside `file` and renames it over `file`, so a
// reader never sees half a file. False when anything fails (the old file is then intact).
bool writeDictionary(const std::filesystem::path& file, const PropertyDictionary& values);
}  // namespace PropertyList

}  // namespace platform
