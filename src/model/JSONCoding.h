#pragma once
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/PropertyValue.h"
#include "platform/UUID.h"

namespace tessivane {

// The stored records are written with field order kept and read with a plain object, so
// that readers find keys by name and ignore keys they do not know.
using EncodedJSON = nlohmann::ordered_json;
using DecodedJSON = nlohmann::json;

// Thrown by the record decoders; list decoders turn it into "does not decode".
struct DecodingError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Thrown by the record encoders for a value JSON cannot hold (a non-finite number).
struct EncodingError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Strict field readers: a missing required key, a null where a value is required, or a
// value of the wrong JSON type throws DecodingError. Optional fields read null as absent.
namespace JSONCoding {
const DecodedJSON& requireObject(const DecodedJSON& json);
const DecodedJSON& requireArray(const DecodedJSON& object, const char* key);
std::string requireString(const DecodedJSON& object, const char* key);
std::optional<std::string> optionalString(const DecodedJSON& object, const char* key);
bool requireBool(const DecodedJSON& object, const char* key);
int64_t requireInt64(const DecodedJSON& object, const char* key);
std::optional<uint32_t> optionalUInt32(const DecodedJSON& object, const char* key);
std::optional<double> optionalDouble(const DecodedJSON& object, const char* key);
platform::UUID requireUUID(const DecodedJSON& object, const char* key);

// Compact text of an encoded value. Strings that are not valid UTF-8 are repaired rather
// than failing the whole save.
std::string compactText(const EncodedJSON& json);
// Parses UTF-8 JSON text; absent when it is not JSON.
std::optional<DecodedJSON> parse(std::string_view text);

// A stored JSON array of records, all or nothing: absent when the bytes are not JSON, not
// an array, or any element anywhere in it does not decode.
template <class Record>
std::optional<std::vector<Record>> decodeArray(const platform::Data& data) {
    auto json = parse(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    if (!json || !json->is_array()) return std::nullopt;
    try {
        std::vector<Record> records;
        records.reserve(json->size());
        for (const auto& element : *json) records.push_back(Record::fromJSON(element));
        return records;
    } catch (const DecodingError&) {
        return std::nullopt;
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}
}  // namespace JSONCoding

}  // namespace tessivane
