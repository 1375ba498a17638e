#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/PropertyList.h"
#include "platform/PropertyValue.h"

namespace platform {

// One preference domain: the values of one property-list file under the preferences
// folder, read lazily and written through at every change. A file that is there but does not
// read is never lost: one that is not a property list (damaged, or beyond what can be read
// safely) is moved aside before the first write, and one that cannot be opened or read at all
// is never written over; the domain then lives in memory only. There is one object per domain
// name in the process, so every store object of a domain sees the same values; its mutex
// makes a write from another thread safe.
class PreferenceDomain : public std::enable_shared_from_this<PreferenceDomain> {
public:
    // The name every spelling of the any-application domain resolves to.
    static constexpr const char* kGlobalDomain = "NSGlobalDomain";

    // The shared domain for a name ("NSGlobalDomain", "kCFPreferencesAnyApplication" and
    // ".GlobalPreferences" all name the global domain).
    static std::shared_ptr<PreferenceDomain> named(const std::string& name);
    static bool isGlobalName(const std::string& name);
    // Forgets every domain held in memory; the next use reads the files again, as at a launch.
    static void forgetAll();
    // Moves whenever a value of any domain may have changed in this process (a changed value,
    // a file read, a domain replaced, removed or forgotten); storing a value a key already
    // holds leaves it. For callers that derive something from many values and keep it.
    static uint64_t changeCount();

    std::optional<PropertyValue> value(const std::string& key);
    // Sets or (with no value) removes one key, and writes the file.
    void set(const std::string& key, std::optional<PropertyValue> value);
    // The whole domain; absent when it does not exist (no file and nothing set).
    std::optional<PropertyDictionary> contents();
    void replace(const PropertyDictionary& values);
    // Empties the domain and deletes its file (one that did not read is kept, as by a write).
    void remove();

    const std::string& name() const { return name_; }
    const std::filesystem::path& file() const { return file_; }

    PreferenceDomain(std::string name, std::filesystem::path file);

    // Holds back the file writes of every domain changed on this thread while it lives, and
    // writes each of them once when the outermost one ends: for work that stores many values
    // in a row (a status item placed for each of a thousand vossels). Values read in between
    // are the new ones; only the files wait.
    class WriteBatch {
    public:
        WriteBatch();
        ~WriteBatch();
        WriteBatch(const WriteBatch&) = delete;
        WriteBatch& operator=(const WriteBatch&) = delete;
    };

private:
    void loadLocked();
    void writeLocked();
    // Whether the file may be written over or removed: never one that could not be read, and
    // one that did not read as a property list once it has been moved aside.
    bool mayReplaceFileLocked();
    // Writes the file if a batch held back a write.
    void writeHeldBack();

    std::mutex mutex_;
    std::string name_;
    std::filesystem::path file_;
    PropertyDictionary values_;
    bool loaded_ = false;
    bool exists_ = false;
    // What was found at the file when it was read.
    PropertyList::FileReading::Outcome found_ = PropertyList::FileReading::Outcome::missing;
    // Whether the file holds exactly `values_` (read from it, or written successfully).
    bool fileIsCurrent_ = false;
    bool writeHeldBack_ = false;
};

}  // namespace platform
