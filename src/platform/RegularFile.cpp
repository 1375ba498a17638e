#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform::RegularFile {

int read(const std::filesystem::path& file, size_t limit, std::string& bytes, OpenFunction open) {
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
        // The size of the moment: a file that grows while it is read is read as far as it was.
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) error = errno;
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        bytes.resize(got);
    }
    ::close(fd);
    if (error != 0) bytes.clear();
    return error;
}

}  // namespace platform::RegularFile
