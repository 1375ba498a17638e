#include "platform/PropertyList.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <string_view>
#include <system_error>

#include "platform/BinaryPropertyList.h"
#include "platform/DateFormatting.h"
#include "platform/RegularFile.h"
#include "platform/XMLPropertyList.h"

namespace platform::PropertyList {
namespace {

// The largest file read: a preferences file is a few kilobytes, and one past this is kept aside
// like a damaged one rather than read into memory.
constexpr size_t kLargestFile = UINT32_MAX;
// A file larger than this is judged by its ends before it is read whole, so that one whose
// beginning or binary trailer shows it damaged is kept aside without being read into memory.
constexpr size_t kJudgedByItsEnds = 1 << 20;
// Nesting deeper than this is refused rather than recursed into. Mac applications nest a few
// levels. Values are compared, written and freed recursively, and under AddressSanitizer a few
// thousand levels overflow an 8 MB stack; a thousand leaves room for whatever the caller
// already has on the stack.
constexpr int kDeepestNesting = 1000;
// A temporary file of a write is named after the file with this marker and random characters
// added: a name no person or other program gives a file, so that only this system's own
// temporary files are ever taken for abandoned ones.
constexpr std::string_view kTemporaryMarker = ".tessivane-write-";
constexpr size_t kRandomCharacters = 6;
// A temporary file no process holds and untouched for this long was left by a write that died.
constexpr time_t kAbandonedAfterSeconds = 60;

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

// Whether what a stat found is an abandoned temporary file of this user's: a regular file (a
// link is never followed), owned by this user, untouched for long enough.
bool looksAbandoned(const struct stat& st, time_t now) {
    return S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && now - st.st_mtime >= kAbandonedAfterSeconds;
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Removes the entry `name` of the folder open as `folder` if it is an abandoned temporary file
// of this user's that no writer holds. Only a regular file is ever opened, and the entry is
// looked at again after the lock, so that a file put at the name meanwhile is not the one
// removed.
bool removeIfAbandoned(int folder, const char* name, time_t now) {
    struct stat named {};
    if (::fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) != 0 || !looksAbandoned(named, now)) return false;
    const int fd = ::openat(folder, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    struct stat opened {};
    // A writer holds its file until the rename: a live write, however slow, keeps it.
    const bool abandoned = ::fstat(fd, &opened) == 0 && sameFile(opened, named) &&
                           ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 &&
                           looksAbandoned(opened, now) && ::fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                           sameFile(opened, named);
    const bool removed = abandoned && ::unlinkat(folder, name, 0) == 0;
    ::close(fd);
    return removed;
}

int openFile(const char* path, int flags) { return ::open(path, flags); }
OpenFunction openFunction = openFile;

// Whether a large file whose ends these are may read as a list.
bool mayRead(uint64_t size, std::string_view head, std::string_view tail) {
    if (head.starts_with(BinaryPropertyList::kMagic)) return BinaryPropertyList::trailerFits(tail, size);
    return !XMLPropertyList::headIsDamaged(head, kDeepestNesting);
}

}  // namespace

std::optional<PropertyDictionary> parseDictionary(const std::string& bytes) {
    if (bytes.empty() || bytes.size() > kLargestFile) return std::nullopt;
    std::optional<PropertyValue> top = bytes.starts_with(BinaryPropertyList::kMagic)
                                           ? BinaryPropertyList::read(bytes, {.deepestNesting = kDeepestNesting})
                                           : XMLPropertyList::read(bytes, kDeepestNesting);
    const PropertyDictionary* dictionary = top ? top->asDictionary() : nullptr;
    if (!dictionary) return std::nullopt;
    return *dictionary;
}

FileReading readFile(const std::filesystem::path& file) {
    using Outcome = FileReading::Outcome;
    FileReading reading;
    std::string bytes;
    const RegularFile::Preview ends{kJudgedByItsEnds, BinaryPropertyList::kTrailerSize, mayRead};
    const int error = RegularFile::read(file, kLargestFile, bytes, openFunction, &ends);
    if (error == ENOENT) return reading;
    // Too large to read, or damaged at its ends, is still the user's file: kept aside like a
    // damaged one.
    if (error == EFBIG || error == ECANCELED) {
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
