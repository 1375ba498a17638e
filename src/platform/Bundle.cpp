#include "platform/Bundle.h"

#include <memory>

#include "platform/PropertyList.h"

namespace platform {
namespace {

// Made on first use, which may be on another thread (a defaults write), hence the static.
std::unique_ptr<Bundle>& mainBundle() {
    static std::unique_ptr<Bundle> bundle = std::make_unique<Bundle>(TESSIVANE_RESOURCES_DIR);
    return bundle;
}

}  // namespace

Bundle& Bundle::main() { return *mainBundle(); }

void Bundle::setMainResources(const std::filesystem::path& resources) {
    mainBundle() = std::make_unique<Bundle>(resources);
}

Bundle::Bundle(std::filesystem::path resources)
    : resources_(std::move(resources)),
      info_(PropertyList::readDictionary(resources_ / "Info.plist").value_or(PropertyDictionary{})) {}

std::optional<std::string> Bundle::bundleIdentifier() const {
    auto v = infoValue("CFBundleIdentifier");
    if (auto s = v ? v->asString() : nullptr) return *s;
    return std::nullopt;
}

std::optional<PropertyValue> Bundle::infoValue(const std::string& key) const {
    auto it = info_.find(key);
    if (it == info_.end()) return std::nullopt;
    return it->second;
}

std::string Bundle::shortVersionString() const {
    auto v = infoValue("CFBundleShortVersionString");
    if (auto s = v ? v->asString() : nullptr) return *s;
    return "0";
}

std::filesystem::path Bundle::bundlePath() const { return "/Applications/Tessivane.app"; }

std::filesystem::path Bundle::resourcesPath() const { return resources_; }

std::optional<std::filesystem::path> Bundle::pathForResource(const std::string& name, const std::string& ext) const {
    if (name.empty() || name.find('/') != std::string::npos || name == "..") return std::nullopt;
    std::filesystem::path file = resources_ / (ext.empty() ? name : name + "." + ext);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return std::nullopt;
    return file;
}

}  // namespace platform
