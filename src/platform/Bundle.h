#pragma once
#include <filesystem>
#include <optional>
#include <string>

#include "platform/PropertyValue.h"

namespace platform {

// The application bundle: its information property list (resources/Info.plist) and its
// resources folder.
class Bundle {
public:
    static Bundle& main();
    // Points the main bundle at another resources folder (tests with their own Info.plist).
    static void setMainResources(const std::filesystem::path& resources);

    std::optional<std::string> bundleIdentifier() const;
    std::optional<PropertyValue> infoValue(const std::string& key) const;
    // "CFBundleShortVersionString", or "0" when missing.
    std::string shortVersionString() const;
    std::filesystem::path bundlePath() const;  // "/Applications/Tessivane.app"
    std::filesystem::path resourcesPath() const;
    std::optional<std::filesystem::path> pathForResource(const std::string& name, const std::string& ext) const;

    explicit Bundle(std::filesystem::path resources);

private:
    std::filesystem::path resources_;
    PropertyDictionary info_;
};

}  // namespace platform
