#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace platform::RegularFile {
namespace {

// Up to `length` bytes from `at` into `out`: fewer when the file ends first. 0 or the error.
int readAt(int fd, uint64_t at, size_t length, std::string& out) {
    out.resize(length);
    size_t got = 0;
    int error = 0;
    while (got < length) {
        const ssize_t n = ::pread(fd, out.data() + got, length - got, static_cast<off_t>(at + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = errno;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    out.resize(got);
    return error;
}

// 0 when the preview finds the file of `size` bytes worth reading whole.
int previewed(int fd, uint64_t size, const Preview& preview) {
    if (size <= preview.headBytes || !preview.worthReading) return 0;
    std::string head, tail;
    const size_t tailBytes = static_cast<size_t>(std::min<uint64_t>(preview.tailBytes, size));
    if (const int error = readAt(fd, 0, preview.headBytes, head); error != 0) return error;
    if (const int error = readAt(fd, size - tailBytes, tailBytes, tail); error != 0) return error;
    return preview.worthReading(size, head, tail) ? 0 : ECANCELED;
}

}  // namespace

int read(const std::filesystem::path& file, size_t limit, std::string& bytes, OpenFunction open,
         const Preview* preview) {
    bytes.clear();
    // Non-blocking, so that a FIFO at the name cannot hang the caller in open().
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
    const int fd = open ? open(file.c_str(), flags) : ::open(file.c_str(), flags);
    if (fd < 0) return errno;
    struct stat st {};
    int error = 0;
    if (::fstat(fd, &st) != 0) {
        error = errno;
    } else if (!S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    } else if (static_cast<uintmax_t>(st.st_size) > limit) {
        error = EFBIG;
    } else {
        const auto size = static_cast<uint64_t>(st.st_size);
        error = preview ? previewed(fd, size, *preview) : 0;
        // The size of the moment: a file that grows while it is read is read as far as it was.
        if (error == 0) error = readAt(fd, 0, static_cast<size_t>(size), bytes);
    }
    ::close(fd);
    if (error != 0) bytes.clear();
    return error;
}

}  // namespace platform::RegularFile
