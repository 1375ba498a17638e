#pragma once
#include <cstddef>
#include <filesystem>
#include <string>

namespace platform {

// Reading a whole file that should be an ordinary one, whatever is really at its path: the
// read never blocks (a FIFO, a terminal) and never grows past a bound (/dev/zero, a huge file).
namespace RegularFile {
using OpenFunction = int (*)(const char* path, int flags);
// 0 with the file's bytes in `bytes`, or why not: ENOENT, the error of the open, EISDIR for a
// folder, EINVAL for anything else that is not a regular file, EFBIG for a file larger than
// `limit`, the error of a read. `open` stands in for open(2) when given.
int read(const std::filesystem::path& file, size_t limit, std::string& bytes, OpenFunction open = nullptr);
}  // namespace RegularFile

}  // namespace platform
