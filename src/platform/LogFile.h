#pragma once
#include <filesystem>
#include <string>

namespace platform {

// Appends one line "<ISO 8601 time stamp> <message>" to a log file in a world-writable
// folder. The file is opened without following a symbolic link; when it cannot be opened
// for appending it is written anew (never through a link planted at its name).
void appendLogLine(const std::filesystem::path& file, const std::string& message);

}  // namespace platform
