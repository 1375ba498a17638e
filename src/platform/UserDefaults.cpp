#include "platform/UserDefaults.h"

#include <atomic>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/Bundle.h"
#include "platform/PreferenceDomain.h"

namespace platform {
namespace {

constexpr const char* kFallbackIdentifier = "com.tessivane.Tessivane";

std::string applicationIdentifier() { return Bundle::main().bundleIdentifier().value_or(kFallbackIdentifier); }

// The leading integer of a string, as Foundation's integer readings of text take it:
// white space, an optional sign, digits; whatever follows is ignored.
int64_t leadingInteger(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int64_t value = 0;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
        int digit = s[i] - '0';
        if (value > (std::numeric_limits<int64_t>::max() - digit) / 10) {
            return negative ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
        }
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

double leadingDouble(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    if (i < s.size() && s[i] == '+') ++i;
    double value = 0;
    auto result = std::from_chars(s.data() + i, s.data() + s.size(), value);
    return result.ec == std::errc() ? value : 0.0;
}

bool equalsIgnoringASCIICase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return i == a.size() && !b[i];
}

int64_t clampToInteger(double d) {
    if (!(d == d)) return 0;
    if (d >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
    if (d <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(d);
}

// A number's text as NSNumber gives it: integers plainly, doubles in their shortest form.
std::string numberText(const PropertyValue& v) {
    if (auto i = v.asInteger()) return std::to_string(*i);
    if (auto u = v.asUnsignedInteger()) return std::to_string(*u);
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, *v.asDouble());
    return std::string(buffer, result.ptr);
}

}  // namespace

UserDefaults::UserDefaults(std::string domainName) : domainName_(std::move(domainName)) {}

namespace {
// Times the standard store followed the main bundle to another domain: its values changed.
std::atomic<uint64_t> standardDomainSwitches{0};
}  // namespace

UserDefaults& UserDefaults::standard() {
    static UserDefaults store(applicationIdentifier());
    // Tests may point the main bundle elsewhere; the standard store follows it.
    if (auto id = applicationIdentifier(); id != store.domainName_) {
        store.domainName_ = std::move(id);
        standardDomainSwitches.fetch_add(1, std::memory_order_relaxed);
    }
    return store;
}

uint64_t UserDefaults::changeCount() {
    return PreferenceDomain::changeCount() + standardDomainSwitches.load(std::memory_order_relaxed);
}

std::shared_ptr<UserDefaults> UserDefaults::suite(const std::string& suiteName) {
    if (suiteName.empty() || suiteName == applicationIdentifier() || PreferenceDomain::isGlobalName(suiteName)) {
        return nullptr;
    }
    return std::make_shared<UserDefaults>(suiteName);
}

std::optional<PropertyValue> UserDefaults::object(const std::string& key) const {
    if (auto v = PreferenceDomain::named(domainName_)->value(key)) return v;
    if (PreferenceDomain::isGlobalName(domainName_)) return std::nullopt;
    return PreferenceDomain::named(PreferenceDomain::kGlobalDomain)->value(key);
}

bool UserDefaults::boolForKey(const std::string& key) const {
    auto v = object(key);
    if (!v) return false;
    if (auto b = v->asBool()) return *b;
    if (auto i = v->asInteger()) return *i != 0;
    if (auto d = v->asDouble()) return *d != 0;
    if (auto s = v->asString()) {
        if (equalsIgnoringASCIICase(*s, "yes") || equalsIgnoringASCIICase(*s, "true")) return true;
        if (equalsIgnoringASCIICase(*s, "no") || equalsIgnoringASCIICase(*s, "false")) return false;
        return leadingInteger(*s) != 0;
    }
    return false;
}

int64_t UserDefaults::integerForKey(const std::string& key) const {
    auto v = object(key);
    if (!v) return 0;
    if (auto i = v->asInteger()) return *i;
    if (auto d = v->asDouble()) return clampToInteger(*d);
    if (auto b = v->asBool()) return *b ? 1 : 0;
    if (auto s = v->asString()) return leadingInteger(*s);
    return 0;
}

double UserDefaults::doubleForKey(const std::string& key) const {
    auto v = object(key);
    if (!v) return 0;
    if (auto d = v->asDouble()) return *d;
    if (auto b = v->asBool()) return *b ? 1 : 0;
    if (auto s = v->asString()) return leadingDouble(*s);
    return 0;
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const {
    auto v = object(key);
    if (!v) return std::nullopt;
    if (auto s = v->asString()) return *s;
    if (v->isNumber()) return numberText(*v);
    if (auto b = v->asBool()) return std::string(*b ? "1" : "0");
    return std::nullopt;
}

std::optional<Data> UserDefaults::dataForKey(const std::string& key) const {
    auto v = object(key);
    if (auto d = v ? v->asData() : nullptr) return *d;
    return std::nullopt;
}

std::optional<PropertyArray> UserDefaults::arrayForKey(const std::string& key) const {
    auto v = object(key);
    if (auto a = v ? v->asArray() : nullptr) return *a;
    return std::nullopt;
}

std::optional<PropertyDictionary> UserDefaults::dictionaryForKey(const std::string& key) const {
    auto v = object(key);
    if (auto d = v ? v->asDictionary() : nullptr) return *d;
    return std::nullopt;
}

void UserDefaults::set(const std::string& key, PropertyValue value) {
    PreferenceDomain::named(domainName_)->set(key, std::move(value));
}

void UserDefaults::removeObject(const std::string& key) { PreferenceDomain::named(domainName_)->set(key, std::nullopt); }

std::optional<PropertyDictionary> UserDefaults::persistentDomain(const std::string& domainName) const {
    return PreferenceDomain::named(domainName)->contents();
}

void UserDefaults::setPersistentDomain(const PropertyDictionary& values, const std::string& domainName) {
    PreferenceDomain::named(domainName)->replace(values);
}

void UserDefaults::removePersistentDomain(const std::string& domainName) {
    PreferenceDomain::named(domainName)->remove();
}

bool UserDefaults::synchronize() { return true; }

namespace Preferences {

std::optional<PropertyValue> copyAppValue(const std::string& key, const std::string& applicationID) {
    // CoreFoundation searches the application's domain and then the any-application one.
    return UserDefaults(applicationID).object(key);
}

void setAppValue(const std::string& key, std::optional<PropertyValue> value, const std::string& applicationID) {
    PreferenceDomain::named(applicationID)->set(key, std::move(value));
}

}  // namespace Preferences

void resetPreferenceDomainsForTesting() { PreferenceDomain::forgetAll(); }

}  // namespace platform
