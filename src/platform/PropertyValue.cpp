#include "platform/PropertyValue.h"

namespace platform {

std::optional<bool> PropertyValue::asBool() const {
    if (auto v = std::get_if<bool>(&storage_)) return *v;
    return std::nullopt;
}

std::optional<int64_t> PropertyValue::asInteger() const {
    if (auto v = std::get_if<int64_t>(&storage_)) return *v;
    return std::nullopt;
}

std::optional<uint64_t> PropertyValue::asUnsignedInteger() const {
    if (auto v = std::get_if<uint64_t>(&storage_)) return *v;
    if (auto v = std::get_if<int64_t>(&storage_); v && *v >= 0) return static_cast<uint64_t>(*v);
    return std::nullopt;
}

std::optional<double> PropertyValue::asDouble() const {
    if (auto v = std::get_if<double>(&storage_)) return *v;
    if (auto v = std::get_if<int64_t>(&storage_)) return static_cast<double>(*v);
    if (auto v = std::get_if<uint64_t>(&storage_)) return static_cast<double>(*v);
    return std::nullopt;
}

const std::string* PropertyValue::asString() const { return std::get_if<std::string>(&storage_); }

const Data* PropertyValue::asData() const { return std::get_if<Data>(&storage_); }

std::optional<Date> PropertyValue::asDate() const {
    if (auto v = std::get_if<Date>(&storage_)) return *v;
    return std::nullopt;
}

std::optional<Uid> PropertyValue::asUid() const {
    if (auto v = std::get_if<Uid>(&storage_)) return *v;
    return std::nullopt;
}

const PropertyArray* PropertyValue::asArray() const {
    if (auto v = std::get_if<std::shared_ptr<PropertyArray>>(&storage_)) return v->get();
    return nullptr;
}

const PropertyDictionary* PropertyValue::asDictionary() const {
    if (auto v = std::get_if<std::shared_ptr<PropertyDictionary>>(&storage_)) return v->get();
    return nullptr;
}

// Containers compare by content, not by the identity of their shared storage; shared storage
// is equal without a look inside (a list read from a file shares repeated containers).
bool PropertyValue::operator==(const PropertyValue& o) const {
    if (storage_.index() != o.storage_.index()) return false;
    if (auto a = asArray()) return a == o.asArray() || *a == *o.asArray();
    if (auto d = asDictionary()) return d == o.asDictionary() || *d == *o.asDictionary();
    return storage_ == o.storage_;
}

}  // namespace platform
