#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/PropertyValue.h"

namespace platform {

class PreferenceDomain;

// User defaults: a searchable view of preference domains. The standard store reads its
// application's domain (the main bundle's identifier) and then the any-application
// domain; a suite reads the suite's domain first. Every write goes to the first domain
// and reaches its property-list file at once. Several store objects for one domain share
// the same values, and a write from another thread is safe.
class UserDefaults {
public:
    static UserDefaults& standard();
    // A store for a named suite; absent when the name cannot be used (empty, or the
    // application's own identifier, or the any-application domain).
    static std::shared_ptr<UserDefaults> suite(const std::string& suiteName);
    // Moves whenever a value of any store may have changed; a value stored again unchanged
    // leaves it. What is worked out from many values can be kept until it moves.
    static uint64_t changeCount();

    std::optional<PropertyValue> object(const std::string& key) const;
    // Foundation's readings: a missing value gives false / 0 / 0.0; numbers and the
    // strings "YES", "yes", "true", "1"... convert the way NSUserDefaults converts them.
    bool boolForKey(const std::string& key) const;
    int64_t integerForKey(const std::string& key) const;
    double doubleForKey(const std::string& key) const;
    std::optional<std::string> stringForKey(const std::string& key) const;  // strings and numbers
    std::optional<Data> dataForKey(const std::string& key) const;
    std::optional<PropertyArray> arrayForKey(const std::string& key) const;
    std::optional<PropertyDictionary> dictionaryForKey(const std::string& key) const;

    void set(const std::string& key, PropertyValue value);
    void removeObject(const std::string& key);

    // The whole named domain, as stored; absent when it does not exist.
    std::optional<PropertyDictionary> persistentDomain(const std::string& domainName) const;
    void setPersistentDomain(const PropertyDictionary& values, const std::string& domainName);
    void removePersistentDomain(const std::string& domainName);
    // Writes are already on disk; kept for callers that ask for it.
    bool synchronize();

    const std::string& domainName() const { return domainName_; }

    explicit UserDefaults(std::string domainName);

private:
    std::string domainName_;
};

// Another application's preferences, as CoreFoundation preferences reads them
// (for example "com.apple.controlcenter"). `kAnyApplication` is the global domain.
namespace Preferences {
inline constexpr const char* kAnyApplication = "kCFPreferencesAnyApplication";
std::optional<PropertyValue> copyAppValue(const std::string& key, const std::string& applicationID);
void setAppValue(const std::string& key, std::optional<PropertyValue> value, const std::string& applicationID);
}  // namespace Preferences

// Forgets every domain held in memory (tests that swap the home folder call it).
void resetPreferenceDomainsForTesting();

}  // namespace platform
