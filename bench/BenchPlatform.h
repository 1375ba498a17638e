#pragma once
// Shared set-up of the benchmark and fuzz programs: a throw-away home and log folder, so that the
// simulated Mac's preferences and the logs never reach the real ones, and the manual clock.
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "platform/FileLocations.h"
#include "platform/ProcessInfo.h"
#include "platform/RunLoop.h"

namespace bench {

inline void preparePlatform() {
    static bool prepared = false;
    if (prepared) return;
    prepared = true;
    std::error_code ec;
    auto base = std::filesystem::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string pattern = (base / "tessivane-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    const std::filesystem::path root(pattern);
    std::filesystem::create_directories(root / "home");
    std::filesystem::create_directories(root / "logs");
    platform::FileLocations::setHome(root / "home");
    platform::FileLocations::setLogFolder(root / "logs");
    platform::RunLoop::resetMain(std::make_unique<platform::ManualClock>());
    platform::ProcessInfo::setArguments({"tessivane"});
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(platform::FileLocations::home()).parent_path(), ignored);
    });
}

// The CPU time this thread has used, in seconds: on a shared machine the wall clock counts
// the other processes too.
inline double threadSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace bench
