#pragma once
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/PropertyValue.h"

namespace platform {

// One preference domain: the values of one property-list file under the preferences
// folder, read lazily and written through at every change. There is one object per domain
// name in the process, so every store object of a domain sees the same values; its mutex
// makes a write from another thread safe.
class PreferenceDomain {
public:
    // The name every spelling of the any-application domain resolves to.
    static constexpr const char* kGlobalDomain = "NSGlobalDomain";

    // The shared domain for a name ("NSGlobalDomain", "kCFPreferencesAnyApplication" and
    // ".GlobalPreferences" all name the global domain).
    static std::shared_ptr<PreferenceDomain> named(const std::string& name);
    static bool isGlobalName(const std::string& name);
    // Forgets every domain held in memory; the next use reads the files again.
    static void forgetAll();

    std::optional<PropertyValue> value(const std::string& key);
    // Sets or (with no value) removes one key, and writes the file.
    void set(const std::string& key, std::optional<PropertyValue> value);
    // The whole domain; absent when it does not exist (no file and nothing set).
    std::optional<PropertyDictionary> contents();
    void replace(const PropertyDictionary& values);
    // Empties the domain and deletes its file.
    void remove();

    const std::string& name() const { return name_; }
    const std::filesystem::path& file() const { return file_; }

    PreferenceDomain(std::string name, std::filesystem::path file);

private:
    void loadLocked();
    void writeLocked();

    std::mutex mutex_;
    std::string name_;
    std::filesystem::path file_;
    PropertyDictionary values_;
    bool loaded_ = false;
    bool exists_ = false;
    // Whether the file holds exactly `values_` (read from it, or written successfully).
    bool fileIsCurrent_ = false;
};

}  // namespace platform
