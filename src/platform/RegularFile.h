#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

// Reading a whole file that should be an ordinary one, whatever is really at its path: the
// read never blocks (a FIFO, a terminal) and never grows past a bound (/dev/zero, a huge file).
namespace RegularFile {
using OpenFunction = int (*)(const char* path, int flags);
// A look at the ends of a large file before it is read whole, for a caller that can tell from
// them that the whole is not worth reading.
struct Preview {
    size_t headBytes = 0;
    size_t tailBytes = 0;
    // Asked about a file larger than `headBytes` with its size, its first `headBytes` and its
    // last `tailBytes`; false leaves the rest unread.
    std::function<bool(uint64_t size, std::string_view head, std::string_view tail)> worthReading;
};
// 0 with the file's bytes in `bytes`, or why not: ENOENT, the error of the open, EISDIR for a
// folder, EINVAL for anything else that is not a regular file, EFBIG for a file larger than
// `limit`, ECANCELED for one the preview found not worth reading, the error of a read. `open`
// stands in for open(2) when given.
int read(const std::filesystem::path& file, size_t limit, std::string& bytes, OpenFunction open = nullptr,
         const Preview* preview = nullptr);
}  // namespace RegularFile

}  // namespace platform
