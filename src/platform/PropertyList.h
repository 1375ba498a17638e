#pragma once
#include <filesystem>
#include <optional>
#include <string>

#include "platform/PropertyValue.h"
#include "platform/RegularFile.h"

namespace platform {

// Property-list files (XML or binary) read into and written from property values.
namespace PropertyList {
// The dictionary at the root of a property list; absent when the bytes are not a property
// list or its root is not a dictionary.
std::optional<PropertyDictionary> parseDictionary(const std::string& bytes);

// What reading a property-list file found.
struct FileReading {
    enum class Outcome {
        missing,       // no file, or an empty one: nothing there to keep
        read,          // `values` holds its dictionary
        unparsable,    // bytes that do not read as a dictionary property list
        inaccessible,  // there, but it could not be opened or read: permissions, not a
                       // regular file (a FIFO, a folder, a device), an input error
    };
    Outcome outcome = Outcome::missing;
    PropertyDictionary values;
    int error = 0;  // why an inaccessible file could not be read
};
// Never blocks, whatever is at the path.
FileReading readFile(const std::filesystem::path& file);
// The dictionary of a file that reads; absent otherwise.
std::optional<PropertyDictionary> readDictionary(const std::filesystem::path& file);
// Renames a file beside itself, to "<name without .plist>.unreadable-<UTC time stamp>.plist"
// (with a number added when that name is taken), so that nothing writes over it. The new
// path, or absent when the file could not be moved.
std::optional<std::filesystem::path> moveAside(const std::filesystem::path& file, Date when);
// How files are opened for reading; tests replace it to see failures that file modes cannot
// produce for them (a process running as root reads everything).
using OpenFunction = RegularFile::OpenFunction;
void setOpenFunctionForTesting(OpenFunction open);
// Writes the binary form, as macOS writes preferences, to a temporary file beside `file` and
// renames it over `file`, so a reader never sees half a file. False when anything fails (the
// old file is then intact).
bool writeDictionary(const std::filesystem::path& file, const PropertyDictionary& values);
// Removes from `folder` the temporary files of writes that died before their rename (a process
// killed mid-write): only names a write here gives, only regular files of this user's (a link is
// never followed), only ones no live writer holds and older than a write takes. How many were
// removed.
int removeAbandonedTemporaries(const std::filesystem::path& folder);
}  // namespace PropertyList

}  // namespace platform
