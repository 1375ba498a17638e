#pragma once
#include <optional>
#include <string>
#include <vector>

#include "model/IconGroup.h"
#include "model/JSONCoding.h"
#include "platform/PropertyValue.h"
#include "platform/UUID.h"

namespace tessivane {

// A named set of vossels; the user switches between environments. Names may repeat.
struct EnvironmentProfile {
    platform::UUID id;
    std::string name;
    std::vector<IconGroup> groups;

    bool operator==(const EnvironmentProfile&) const = default;

    EncodedJSON toJSON() const;                                 // throws EncodingError
    static EnvironmentProfile fromJSON(const DecodedJSON& json);  // throws DecodingError

    // The stored form: the UTF-8 bytes of a compact JSON array of environments. Absent
    // when a value cannot be encoded (a non-finite left edge of a member).
    static std::optional<platform::Data> encodeList(const std::vector<EnvironmentProfile>& environments);
    // All or nothing: absent when the text is not JSON, not an array, or any element
    // anywhere in it does not decode.
    static std::optional<std::vector<EnvironmentProfile>> decodeList(const platform::Data& data);
};

}  // namespace tessivane
