#include "platform/LogFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/DateFormatting.h"

namespace platform {
namespace {

constexpr int kAppendFlags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC;
constexpr int kCreateFlags = O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
constexpr mode_t kMode = 0644;

std::atomic<uint64_t> appendedLines{0};

// Opens an existing regular file for appending, or creates it; -1 when something else is
// there (a link, which O_NOFOLLOW refuses, a FIFO, a device, a folder).
int openForAppending(const char* path) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        // Non-blocking, so that a FIFO planted at the name cannot hang the caller.
        int fd = ::open(path, kAppendFlags | O_NONBLOCK);
        if (fd >= 0) {
            struct stat st {};
            if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) return fd;
            ::close(fd);
            return -1;
        }
        if (errno != ENOENT) return -1;
        fd = ::open(path, kCreateFlags, kMode);
        if (fd >= 0 || errno != EEXIST) return fd;
        // Created by someone else between the two calls: look at what is there now.
    }
    return -1;
}

void writeAll(int fd, const std::string& text) {
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        p += n;
        left -= static_cast<size_t>(n);
    }
}

// The size of an open file; 0 when it cannot be told.
std::uintmax_t sizeOf(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? static_cast<std::uintmax_t>(st.st_size) : 0;
}

}  // namespace

void appendLogLine(const std::filesystem::path& file, const std::string& message, std::uintmax_t mostBytes) {
    const std::string line = DateFormatting::iso8601(DateFormatting::now()) + " " + message + "\n";
    const char* path = file.c_str();
    int fd = openForAppending(path);
    const std::uintmax_t size = fd >= 0 ? sizeOf(fd) : 0;
    // A single line longer than the bound still gets a file of its own.
    if (size > 0 && size + line.size() > mostBytes) {
        // rename() moves the name, not what a planted link points to; the new file is then
        // created as any first one is. Should the move fail the line still goes to the old file.
        ::close(fd);
        const std::string previous = file.string() + ".1";
        ::rename(path, previous.c_str());
        fd = openForAppending(path);
    }
    if (fd < 0) {
        // Whatever sits at the name (a symbolic link, a directory entry we cannot append to)
        // is removed as a name, never followed, and the line starts a file of our own.
        ::unlink(path);
        fd = ::open(path, kCreateFlags, kMode);
        if (fd < 0) return;
    }
    writeAll(fd, line);
    ::close(fd);
    ++appendedLines;
}

uint64_t appendedLogLines() { return appendedLines; }

}  // namespace platform
