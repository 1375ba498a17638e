#include "platform/PreferenceDomain.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "platform/DateFormatting.h"
#include "platform/FileLocations.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

namespace platform {
namespace {

using Outcome = PropertyList::FileReading::Outcome;

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<PreferenceDomain>> domains;
    // The preferences folder this process has cleared of abandoned writes.
    std::filesystem::path cleared;
};

Registry& registry() {
    static Registry r;
    return r;
}

std::atomic<uint64_t> valueChanges{0};

void noteChange() { valueChanges.fetch_add(1, std::memory_order_relaxed); }

// The batches open on this thread, and the domains whose writes they hold back.
thread_local int openBatches = 0;
thread_local std::vector<std::shared_ptr<PreferenceDomain>> heldBack;

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
        // Writes killed before their rename leave temporary files that nothing else removes;
        // the first use of a preferences folder in a process removes them.
        if (const auto folder = FileLocations::preferences(); folder != r.cleared) {
            r.cleared = folder;
            PropertyList::removeAbandonedTemporaries(folder);
        }
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
        r.cleared.clear();
    }
    noteChange();
}

uint64_t PreferenceDomain::changeCount() { return valueChanges.load(std::memory_order_relaxed); }

PreferenceDomain::PreferenceDomain(std::string name, std::filesystem::path file)
    : name_(std::move(name)), file_(std::move(file)) {}

void PreferenceDomain::loadLocked() {
    if (loaded_) return;
    loaded_ = true;
    PropertyList::FileReading reading = PropertyList::readFile(file_);
    found_ = reading.outcome;
    switch (found_) {
    case Outcome::read:
        values_ = std::move(reading.values);
        noteChange();
        exists_ = true;
        fileIsCurrent_ = true;
        break;
    case Outcome::inaccessible:
        std::fprintf(stderr, "preferences: cannot read %s (%s); it is left as it is, and changes are kept in memory only\n",
                     file_.c_str(), std::strerror(reading.error));
        break;
    case Outcome::missing:
    case Outcome::unparsable:
        break;
    }
}

bool PreferenceDomain::mayReplaceFileLocked() {
    if (found_ == Outcome::inaccessible) return false;
    if (found_ == Outcome::unparsable) {
        const auto aside = PropertyList::moveAside(file_, DateFormatting::now());
        if (!aside) {
            std::fprintf(stderr, "preferences: %s does not read as a property list and cannot be moved aside (%s); "
                                 "it is left as it is\n",
                         file_.c_str(), std::strerror(errno));
            return false;
        }
        std::fprintf(stderr, "preferences: %s does not read as a property list; kept as %s\n", file_.c_str(),
                     aside->c_str());
        found_ = Outcome::missing;
    }
    return true;
}

void PreferenceDomain::writeLocked() {
    exists_ = true;
    if (openBatches > 0) {
        fileIsCurrent_ = false;
        if (!std::exchange(writeHeldBack_, true)) heldBack.push_back(shared_from_this());
        return;
    }
    writeHeldBack_ = false;
    fileIsCurrent_ = mayReplaceFileLocked() && PropertyList::writeDictionary(file_, values_);
}

void PreferenceDomain::writeHeldBack() {
    std::lock_guard lock(mutex_);
    if (writeHeldBack_) writeLocked();
}

PreferenceDomain::WriteBatch::WriteBatch() { ++openBatches; }

PreferenceDomain::WriteBatch::~WriteBatch() {
    if (--openBatches > 0) return;
    std::vector<std::shared_ptr<PreferenceDomain>> domains;
    domains.swap(heldBack);
    for (const auto& domain : domains) domain->writeHeldBack();
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
        const bool same = it != values_.end() && it->second == *value;
        if (same && fileIsCurrent_) return;
        if (!same) {
            values_.insert_or_assign(key, std::move(*value));
            noteChange();
        }
    } else if (values_.erase(key) == 0) {
        return;  // nothing to remove
    } else {
        noteChange();
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
    loadLocked();  // what is there decides whether it may be written over
    values_ = values;
    noteChange();
    writeLocked();
}

void PreferenceDomain::remove() {
    std::lock_guard lock(mutex_);
    loadLocked();
    exists_ = false;
    fileIsCurrent_ = false;
    writeHeldBack_ = false;
    values_.clear();
    noteChange();
    if (mayReplaceFileLocked()) ::unlink(file_.c_str());
}

}  // namespace platform
