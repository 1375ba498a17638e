#include "platform/PreferenceDomain.h"

#include <unistd.h>

#include <map>

#include "platform/FileLocations.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

namespace platform {
namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<PreferenceDomain>> domains;
};

Registry& registry() {
    static Registry r;
    return r;
}

}  // namespace

bool PreferenceDomain::isGlobalName(const std::string& name) {
    return name == kGlobalDomain || name == Preferences::kAnyApplication || name == ".GlobalPreferences";
}

std::shared_ptr<PreferenceDomain> PreferenceDomain::named(const std::string& name) {
    const bool global = isGlobalName(name);
    const std::string canonical = global ? kGlobalDomain : name;
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto& slot = r.domains[canonical];
    if (!slot) {
        // A domain name is a file name here: keep separators and dot-names out of the path.
        std::string stem = global ? ".GlobalPreferences" : canonical;
        if (stem.empty() || stem == "." || stem == ".." || stem.find('/') != std::string::npos ||
            stem.find('\0') != std::string::npos) {
            std::string safe;
            for (char c : stem) safe += (c == '/' || c == '\0') ? '_' : c;
            stem = "_" + safe;
        }
        slot = std::make_shared<PreferenceDomain>(canonical, FileLocations::preferences() / (stem + ".plist"));
    }
    return slot;
}

void PreferenceDomain::forgetAll() {
    std::map<std::string, std::shared_ptr<PreferenceDomain>> old;
    auto& r = registry();
    {
        std::lock_guard lock(r.mutex);
        old.swap(r.domains);
    }
}

PreferenceDomain::PreferenceDomain(std::string name, std::filesystem::path file)
    : name_(std::move(name)), file_(std::move(file)) {}

void PreferenceDomain::loadLocked() {
    if (loaded_) return;
    loaded_ = true;
    // A damaged or unreadable file reads as an empty domain; the next write replaces it.
    if (auto values = PropertyList::readDictionary(file_)) {
        values_ = std::move(*values);
        exists_ = true;
        fileIsCurrent_ = true;
    }
}

void PreferenceDomain::writeLocked() {
    exists_ = true;
    fileIsCurrent_ = PropertyList::writeDictionary(file_, values_);
}

std::optional<PropertyValue> PreferenceDomain::value(const std::string& key) {
    std::lock_guard lock(mutex_);
    loadLocked();
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

void PreferenceDomain::set(const std::string& key, std::optional<PropertyValue> value) {
    std::lock_guard lock(mutex_);
    loadLocked();
    if (value) {
        // Callers store the same value again and again (positions, the environments after
        // every refresh); the file already says so.
        const auto it = values_.find(key);
        if (fileIsCurrent_ && it != values_.end() && it->second == *value) return;
        values_.insert_or_assign(key, std::move(*value));
    } else if (values_.erase(key) == 0) {
        return;  // nothing to remove
    }
    writeLocked();
}

std::optional<PropertyDictionary> PreferenceDomain::contents() {
    std::lock_guard lock(mutex_);
    loadLocked();
    if (!exists_) return std::nullopt;
    return values_;
}

void PreferenceDomain::replace(const PropertyDictionary& values) {
    std::lock_guard lock(mutex_);
    loaded_ = true;
    values_ = values;
    writeLocked();
}

void PreferenceDomain::remove() {
    std::lock_guard lock(mutex_);
    loaded_ = true;
    exists_ = false;
    fileIsCurrent_ = false;
    values_.clear();
    ::unlink(file_.c_str());
}

}  // namespace platform
