#pragma once
#include <filesystem>

namespace platform {

// Where the application's files live. Both roots are configurable so that tests and the
// simulated desktop never touch the real home or the real log folder.
namespace FileLocations {
std::filesystem::path home();
void setHome(const std::filesystem::path& home);
// The folder of the two diagnostic logs ("/tmp" on a Mac).
std::filesystem::path logFolder();
void setLogFolder(const std::filesystem::path& folder);

std::filesystem::path applicationSupport();  // home/Library/Application Support
std::filesystem::path preferences();         // home/Library/Preferences
}  // namespace FileLocations

}  // namespace platform
