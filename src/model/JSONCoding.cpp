#include "model/JSONCoding.h"

#include <cmath>
#include <limits>

namespace tessivane::JSONCoding {

namespace {

const DecodedJSON* find(const DecodedJSON& object, const char* key) {
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

const DecodedJSON& require(const DecodedJSON& object, const char* key) {
    const DecodedJSON* value = find(object, key);
    if (!value || value->is_null()) throw DecodingError(std::string("missing key ") + key);
    return *value;
}

// Foundation reads a whole-valued floating-point number as an integer too.
template <class Int>
std::optional<Int> exactInteger(const DecodedJSON& value) {
    if (value.is_number_unsigned()) {
        auto v = value.get<uint64_t>();
        if (v > static_cast<uint64_t>(std::numeric_limits<Int>::max())) return std::nullopt;
        return static_cast<Int>(v);
    }
    if (value.is_number_integer()) {
        auto v = value.get<int64_t>();
        if constexpr (std::is_unsigned_v<Int>) {
            if (v < 0 || static_cast<uint64_t>(v) > std::numeric_limits<Int>::max()) return std::nullopt;
        }
        return static_cast<Int>(v);
    }
    if (value.is_number_float()) {
        double d = value.get<double>();
        // The upper bound is exclusive: max()+1 is exactly representable, max() may not be.
        const double upper = std::ldexp(1.0, std::numeric_limits<Int>::digits);
        const double lower = std::is_signed_v<Int> ? -upper : 0.0;
        if (!std::isfinite(d) || d != std::trunc(d) || d < lower || d >= upper) return std::nullopt;
        return static_cast<Int>(d);
    }
    return std::nullopt;
}

}  // namespace

const DecodedJSON& requireObject(const DecodedJSON& json) {
    if (!json.is_object()) throw DecodingError("expected an object");
    return json;
}

const DecodedJSON& requireArray(const DecodedJSON& object, const char* key) {
    const DecodedJSON& value = require(object, key);
    if (!value.is_array()) throw DecodingError(std::string("expected an array under ") + key);
    return value;
}

std::string requireString(const DecodedJSON& object, const char* key) {
    const DecodedJSON& value = require(object, key);
    if (!value.is_string()) throw DecodingError(std::string("expected a string under ") + key);
    return value.get<std::string>();
}

std::optional<std::string> optionalString(const DecodedJSON& object, const char* key) {
    const DecodedJSON* value = find(object, key);
    if (!value || value->is_null()) return std::nullopt;
    if (!value->is_string()) throw DecodingError(std::string("expected a string under ") + key);
    return value->get<std::string>();
}

bool requireBool(const DecodedJSON& object, const char* key) {
    const DecodedJSON& value = require(object, key);
    if (!value.is_boolean()) throw DecodingError(std::string("expected a Boolean under ") + key);
    return value.get<bool>();
}

int64_t requireInt64(const DecodedJSON& object, const char* key) {
    auto v = exactInteger<int64_t>(require(object, key));
    if (!v) throw DecodingError(std::string("expected a 64-bit integer under ") + key);
    return *v;
}

std::optional<uint32_t> optionalUInt32(const DecodedJSON& object, const char* key) {
    const DecodedJSON* value = find(object, key);
    if (!value || value->is_null()) return std::nullopt;
    auto v = exactInteger<uint32_t>(*value);
    if (!v) throw DecodingError(std::string("expected an unsigned 32-bit integer under ") + key);
    return v;
}

std::optional<double> optionalDouble(const DecodedJSON& object, const char* key) {
    const DecodedJSON* value = find(object, key);
    if (!value || value->is_null()) return std::nullopt;
    if (!value->is_number()) throw DecodingError(std::string("expected a number under ") + key);
    // A literal too large for a double ("1e400") reads as infinity, which could never be
    // written back; it does not decode.
    const double d = value->get<double>();
    if (!std::isfinite(d)) throw DecodingError(std::string("number out of range under ") + key);
    return d;
}

platform::UUID requireUUID(const DecodedJSON& object, const char* key) {
    auto uuid = platform::UUID::parse(requireString(object, key));
    if (!uuid) throw DecodingError(std::string("expected a UUID under ") + key);
    return *uuid;
}

std::string compactText(const EncodedJSON& json) {
    return json.dump(-1, ' ', false, EncodedJSON::error_handler_t::replace);
}

std::optional<DecodedJSON> parse(std::string_view text) {
    DecodedJSON json = DecodedJSON::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
    if (json.is_discarded()) return std::nullopt;
    return json;
}

}  // namespace tessivane::JSONCoding
