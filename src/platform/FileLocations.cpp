#include "platform/FileLocations.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>

namespace platform::FileLocations {
namespace {

// Preferences are written from other threads too, so the roots are read under a lock.
struct Roots {
    std::mutex mutex;
    std::filesystem::path home;
    std::filesystem::path logFolder = "/tmp";
    bool homeSet = false;
};

Roots& roots() {
    static Roots r;
    return r;
}

std::filesystem::path defaultHome() {
    if (const char* h = std::getenv("HOME"); h && *h) return h;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

}  // namespace

std::filesystem::path home() {
    auto& r = roots();
    std::lock_guard lock(r.mutex);
    if (!r.homeSet) {
        r.home = defaultHome();
        r.homeSet = true;
    }
    return r.home;
}

void setHome(const std::filesystem::path& home) {
    auto& r = roots();
    std::lock_guard lock(r.mutex);
    r.home = home;
    r.homeSet = true;
}

std::filesystem::path logFolder() {
    auto& r = roots();
    std::lock_guard lock(r.mutex);
    return r.logFolder;
}

void setLogFolder(const std::filesystem::path& folder) {
    auto& r = roots();
    std::lock_guard lock(r.mutex);
    r.logFolder = folder;
}

std::filesystem::path applicationSupport() { return home() / "Library" / "Application Support"; }

std::filesystem::path preferences() { return home() / "Library" / "Preferences"; }

}  // namespace platform::FileLocations
