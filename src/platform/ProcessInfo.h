#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The process's launch arguments (argv, the program name first, as macOS passes them).
namespace ProcessInfo {
const std::vector<std::string>& arguments();
void setArguments(std::vector<std::string> arguments);
bool hasArgument(const std::string& exact);  // whole-argument equality
int32_t processIdentifier();
void setProcessIdentifier(int32_t pid);
}  // namespace ProcessInfo

}  // namespace platform
