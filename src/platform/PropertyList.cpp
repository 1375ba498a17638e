#include "platform/PropertyList.h"

#include <dirent.h>
#include <fcntl.h>
#include <plist/plist.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <ctime>
#include <memory>
#include <string_view>
#include <system_error>

#include "platform/BinaryPropertyList.h"
#include "platform/DateFormatting.h"
#include "platform/RegularFile.h"
#include "platform/UTF16.h"

namespace platform::PropertyList {
namespace {

// libplist takes the length of a list as 32 bits.
constexpr size_t kLargestFile = UINT32_MAX;
// Nesting deeper than this is refused rather than recursed into. Mac applications nest a few
// levels. Under AddressSanitizer the recursive reading of containers overflows an 8 MB stack
// a few thousand levels down (libplist's own recursion between 25,000 and 30,000); a third of
// that leaves room for whatever the caller already has on the stack.
constexpr int kDeepestNesting = 1000;
// A temporary file of a write is named after the file with this marker and random characters
// added: a name no person or other program gives a file, so that only this system's own
// temporary files are ever taken for abandoned ones.
constexpr std::string_view kTemporaryMarker = ".tessivane-write-";
constexpr size_t kRandomCharacters = 6;
// A temporary file no process holds and untouched for this long was left by a write that died.
constexpr time_t kAbandonedAfterSeconds = 60;

struct PlistDeleter {
    void operator()(plist_t p) const { plist_free(p); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

bool startsWith(const std::string& s, size_t at, std::string_view prefix) {
    return s.compare(at, prefix.size(), prefix) == 0;
}

// libplist builds, converts and frees nested containers recursively, so an XML list nested
// deeply enough would overflow the stack: it is refused by the depth of its open containers
// before libplist sees it. (Binary lists are read here, and their reading keeps count.)
bool xmlNestingIsReasonable(const std::string& bytes) {
    int depth = 0;
    for (size_t at = bytes.find('<'); at != std::string::npos; at = bytes.find('<', at + 1)) {
        const bool closing = startsWith(bytes, at + 1, "/");
        const size_t name = at + (closing ? 2 : 1);
        if (!startsWith(bytes, name, "array") && !startsWith(bytes, name, "dict")) continue;
        if (closing) {
            --depth;
            continue;
        }
        const size_t end = bytes.find('>', name);
        if (end == std::string::npos) return false;
        if (bytes[end - 1] != '/' && ++depth > kDeepestNesting) return false;
    }
    return true;
}

bool writeAll(int fd, const char* bytes, size_t length) {
    while (length > 0) {
        ssize_t n = ::write(fd, bytes, length);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

// XML as libplist reads it: UTF-8 without a byte-order mark. A Mac also reads a list with the
// mark, and one in UTF-16 (with the mark, or told apart by its opening "<").
std::string xmlInUTF8(const std::string& bytes) {
    if (startsWith(bytes, 0, "\xEF\xBB\xBF")) return bytes.substr(3);
    const std::string_view all(bytes);
    if (startsWith(bytes, 0, "\xFE\xFF")) return UTF16::toUTF8(all.substr(2), true);
    if (startsWith(bytes, 0, "\xFF\xFE")) return UTF16::toUTF8(all.substr(2), false);
    if (startsWith(bytes, 0, std::string_view("\0<", 2))) return UTF16::toUTF8(all, true);
    if (startsWith(bytes, 0, std::string_view("<\0", 2))) return UTF16::toUTF8(all, false);
    return bytes;
}

// An XML list, parsed by libplist and handed on in the binary form, whose reading here keeps
// every value libplist's own getters would cut short (dates beyond 32-bit seconds, integers
// above the signed range).
std::optional<PropertyValue> fromXML(const std::string& bytes) {
    const std::string text = xmlInUTF8(bytes);
    if (text.size() > UINT32_MAX || !xmlNestingIsReasonable(text)) return std::nullopt;
    plist_t root = nullptr;
    plist_from_xml(text.data(), static_cast<uint32_t>(text.size()), &root);
    const PlistPtr owner(root);
    if (!root) return std::nullopt;
    char* binary = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &binary, &length);
    if (!binary) return std::nullopt;
    auto value = BinaryPropertyList::read(std::string_view(binary, length),
                                          {.deepestNesting = kDeepestNesting, .uidDictionaries = true});
    plist_to_bin_free(binary);
    return value;
}

// Whether `name` is one a write here gives its temporary file: a list's name, the marker, and
// the random characters of mkostemp.
bool isTemporaryName(std::string_view name) {
    constexpr std::string_view kList = ".plist";
    if (name.size() <= kList.size() + kTemporaryMarker.size() + kRandomCharacters) return false;
    const std::string_view random = name.substr(name.size() - kRandomCharacters);
    name.remove_suffix(kRandomCharacters);
    if (!name.ends_with(kTemporaryMarker)) return false;
    name.remove_suffix(kTemporaryMarker.size());
    return name.ends_with(kList) && std::all_of(random.begin(), random.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
           });
}

// Removes the entry `name` of the folder open as `folder` if it is an abandoned temporary file
// of this user's: a regular file (a link is never followed), owned by this user, untouched for
// long enough, and held by no writer.
bool removeIfAbandoned(int folder, const char* name, time_t now) {
    const int fd = ::openat(folder, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    struct stat opened {};
    struct stat named {};
    // Still held by its writer: a live write, however slow. The entry is looked at again after
    // the lock, so that a file put at the name meanwhile is not the one removed.
    const bool abandoned = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid() &&
                           now - opened.st_mtime >= kAbandonedAfterSeconds && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                           ::fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                           named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
    const bool removed = abandoned && ::unlinkat(folder, name, 0) == 0;
    ::close(fd);
    return removed;
}

int openFile(const char* path, int flags) { return ::open(path, flags); }
OpenFunction openFunction = openFile;

}  // namespace

std::optional<PropertyDictionary> parseDictionary(const std::string& bytes) {
    if (bytes.empty() || bytes.size() > kLargestFile) return std::nullopt;
    std::optional<PropertyValue> top =
        startsWith(bytes, 0, BinaryPropertyList::kMagic)
            ? BinaryPropertyList::read(bytes, {.deepestNesting = kDeepestNesting, .uidDictionaries = false})
            : fromXML(bytes);
    const PropertyDictionary* dictionary = top ? top->asDictionary() : nullptr;
    if (!dictionary) return std::nullopt;
    return *dictionary;
}

FileReading readFile(const std::filesystem::path& file) {
    using Outcome = FileReading::Outcome;
    FileReading reading;
    std::string bytes;
    const int error = RegularFile::read(file, kLargestFile, bytes, openFunction);
    if (error == ENOENT) return reading;
    // Too large for libplist is still the user's file: kept aside like a damaged one.
    if (error == EFBIG) {
        reading.outcome = Outcome::unparsable;
        return reading;
    }
    if (error != 0) {
        reading.outcome = Outcome::inaccessible;
        reading.error = error;
        return reading;
    }
    if (bytes.empty()) return reading;
    auto values = parseDictionary(bytes);
    if (!values) {
        reading.outcome = Outcome::unparsable;
        return reading;
    }
    reading.outcome = Outcome::read;
    reading.values = std::move(*values);
    return reading;
}

std::optional<PropertyDictionary> readDictionary(const std::filesystem::path& file) {
    FileReading reading = readFile(file);
    if (reading.outcome != FileReading::Outcome::read) return std::nullopt;
    return std::move(reading.values);
}

std::optional<std::filesystem::path> moveAside(const std::filesystem::path& file, Date when) {
    std::string stamp;
    for (char c : DateFormatting::iso8601(when)) {
        if (c != '-' && c != ':') stamp += c;  // 20260105T090000Z: no colons in file names
    }
    std::filesystem::path stem = file;
    if (stem.extension() == ".plist") stem.replace_extension();
    for (int attempt = 1; attempt <= 100; ++attempt) {
        std::string name = stem.string() + ".unreadable-" + stamp;
        if (attempt > 1) name += "-" + std::to_string(attempt);
        name += ".plist";
        if (::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0) return name;
        if (errno == EEXIST) continue;
        // A file system without the no-replace flag: look first, then rename.
        if (errno != EINVAL && errno != ENOSYS) return std::nullopt;
        if (::access(name.c_str(), F_OK) == 0) continue;
        if (::rename(file.c_str(), name.c_str()) == 0) return name;
        return std::nullopt;
    }
    return std::nullopt;
}

void setOpenFunctionForTesting(OpenFunction open) { openFunction = open ? open : openFile; }

bool writeDictionary(const std::filesystem::path& file, const PropertyDictionary& values) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    const std::string bytes = BinaryPropertyList::write(values);
    std::string temp = file.string() + std::string(kTemporaryMarker) + std::string(kRandomCharacters, 'X');
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    // Held until the file is renamed or removed: a temporary file that no process holds is one
    // whose write died.
    ::flock(fd, LOCK_EX);
    bool ok = writeAll(fd, bytes.data(), bytes.size());
    if (ok) ok = ::rename(temp.c_str(), file.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    ok = (::close(fd) == 0) && ok;
    return ok;
}

int removeAbandonedTemporaries(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return 0;
    // The listing reads through its own descriptor; `fd` names the entries.
    DIR* listing = ::fdopendir(::dup(fd));
    if (!listing) {
        ::close(fd);
        return 0;
    }
    const time_t now = std::time(nullptr);
    int removed = 0;
    while (const dirent* entry = ::readdir(listing)) {
        if (isTemporaryName(entry->d_name) && removeIfAbandoned(fd, entry->d_name, now)) ++removed;
    }
    ::closedir(listing);
    ::close(fd);
    return removed;
}

}  // namespace platform::PropertyList
