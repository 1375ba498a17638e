#pragma once
#include <cstdint>
#include <filesystem>
#include <string>

namespace platform {

// Logs written on every discovery cycle would otherwise grow by megabytes a day.
inline constexpr std::uintmax_t kMostLogFileBytes = 1024 * 1024;

// Appends one line "<ISO 8601 time stamp> <message>" to a log file in a world-writable
// folder. The file is opened without following a symbolic link; when it cannot be opened
// for appending it is written anew (never through a link planted at its name). A line that
// would take the file past `mostBytes` first moves it to "<file>.1", replacing the one
// there, so a log never takes more than about twice that.
void appendLogLine(const std::filesystem::path& file, const std::string& message,
                   std::uintmax_t mostBytes = kMostLogFileBytes);
// Lines this process appended so far, to any log: whoever shows the logs looks at the files
// again when it moves.
uint64_t appendedLogLines();

}  // namespace platform
