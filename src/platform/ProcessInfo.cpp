#include "platform/ProcessInfo.h"

#include <unistd.h>

#include <algorithm>
#include <optional>

namespace platform::ProcessInfo {
namespace {

std::vector<std::string>& storedArguments() {
    static std::vector<std::string> args;
    return args;
}

std::optional<int32_t>& storedPid() {
    static std::optional<int32_t> pid;
    return pid;
}

}  // namespace

const std::vector<std::string>& arguments() { return storedArguments(); }

void setArguments(std::vector<std::string> arguments) { storedArguments() = std::move(arguments); }

bool hasArgument(const std::string& exact) {
    const auto& args = storedArguments();
    return std::find(args.begin(), args.end(), exact) != args.end();
}

int32_t processIdentifier() { return storedPid().value_or(static_cast<int32_t>(getpid())); }

void setProcessIdentifier(int32_t pid) { storedPid() = pid; }

}  // namespace platform::ProcessInfo
