#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace platform {

// A moment, held as property lists and Foundation hold it: seconds since
// 2001-01-01T00:00:00Z, so that a date read from a file is written back bit for bit.
struct Date {
    static constexpr double kReferenceDateSince1970 = 978307200.0;

    constexpr Date() = default;
    constexpr explicit Date(double secondsSince1970) : sinceReferenceDate(secondsSince1970 - kReferenceDateSince1970) {}
    static constexpr Date sinceReference(double seconds) {
        Date date;
        date.sinceReferenceDate = seconds;
        return date;
    }
    constexpr double secondsSince1970() const { return sinceReferenceDate + kReferenceDateSince1970; }
    bool operator==(const Date&) const = default;

    double sinceReferenceDate = 0;
};

// A reference inside a keyed archive: an index into its objects.
struct Uid {
    uint64_t value = 0;
    bool operator==(const Uid&) const = default;
};

using Data = std::vector<uint8_t>;

class PropertyValue;
using PropertyArray = std::vector<PropertyValue>;
using PropertyDictionary = std::map<std::string, PropertyValue>;

// One value of a property list: what user defaults and preference domains hold.
class PropertyValue {
public:
    // Integers above the signed 64-bit range are held as unsigned; every other one as signed.
    using Storage = std::variant<bool, int64_t, uint64_t, double, std::string, Data, Date, Uid,
                                 std::shared_ptr<PropertyArray>, std::shared_ptr<PropertyDictionary>>;

    PropertyValue() : storage_(false) {}
    PropertyValue(bool v) : storage_(v) {}
    PropertyValue(int v) : storage_(int64_t{v}) {}
    PropertyValue(int64_t v) : storage_(v) {}
    PropertyValue(uint64_t v) {
        if (v > static_cast<uint64_t>(INT64_MAX)) storage_ = v;
        else storage_ = static_cast<int64_t>(v);
    }
    PropertyValue(double v) : storage_(v) {}
    PropertyValue(const char* v) : storage_(std::string(v)) {}
    PropertyValue(std::string v) : storage_(std::move(v)) {}
    PropertyValue(Data v) : storage_(std::move(v)) {}
    PropertyValue(Date v) : storage_(v) {}
    PropertyValue(Uid v) : storage_(v) {}
    PropertyValue(PropertyArray v) : storage_(std::make_shared<PropertyArray>(std::move(v))) {}
    PropertyValue(PropertyDictionary v) : storage_(std::make_shared<PropertyDictionary>(std::move(v))) {}

    bool isBool() const { return std::holds_alternative<bool>(storage_); }
    bool isInteger() const { return std::holds_alternative<int64_t>(storage_) || std::holds_alternative<uint64_t>(storage_); }
    bool isDouble() const { return std::holds_alternative<double>(storage_); }
    bool isNumber() const { return isInteger() || isDouble(); }
    bool isString() const { return std::holds_alternative<std::string>(storage_); }
    bool isData() const { return std::holds_alternative<Data>(storage_); }
    bool isDate() const { return std::holds_alternative<Date>(storage_); }
    bool isUid() const { return std::holds_alternative<Uid>(storage_); }
    bool isArray() const { return std::holds_alternative<std::shared_ptr<PropertyArray>>(storage_); }
    bool isDictionary() const { return std::holds_alternative<std::shared_ptr<PropertyDictionary>>(storage_); }

    // Exact-type accessors: absent when the value is of another type.
    std::optional<bool> asBool() const;
    // Absent for an integer above the signed range, as well as for other types.
    std::optional<int64_t> asInteger() const;
    // Absent for a negative integer, as well as for other types.
    std::optional<uint64_t> asUnsignedInteger() const;
    std::optional<double> asDouble() const;  // integers read as doubles too
    const std::string* asString() const;
    const Data* asData() const;
    std::optional<Date> asDate() const;
    std::optional<Uid> asUid() const;
    const PropertyArray* asArray() const;
    const PropertyDictionary* asDictionary() const;

    bool operator==(const PropertyValue& o) const;
    const Storage& storage() const { return storage_; }

private:
    Storage storage_;
};

}  // namespace platform
