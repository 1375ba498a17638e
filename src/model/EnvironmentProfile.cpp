#include "model/EnvironmentProfile.h"

namespace tessivane {

EncodedJSON EnvironmentProfile::toJSON() const {
    EncodedJSON json = EncodedJSON::object();
    json["id"] = id.uuidString();
    json["name"] = name;
    EncodedJSON list = EncodedJSON::array();
    for (const auto& group : groups) list.push_back(group.toJSON());
    json["groups"] = std::move(list);
    return json;
}

EnvironmentProfile EnvironmentProfile::fromJSON(const DecodedJSON& json) {
    using namespace JSONCoding;
    requireObject(json);
    EnvironmentProfile environment;
    environment.id = requireUUID(json, "id");
    environment.name = requireString(json, "name");
    const DecodedJSON& list = requireArray(json, "groups");
    environment.groups.reserve(list.size());
    for (const auto& group : list) environment.groups.push_back(IconGroup::fromJSON(group));
    return environment;
}

std::optional<platform::Data> EnvironmentProfile::encodeList(const std::vector<EnvironmentProfile>& environments) {
    try {
        EncodedJSON json = EncodedJSON::array();
        for (const auto& environment : environments) json.push_back(environment.toJSON());
        const std::string text = JSONCoding::compactText(json);
        return platform::Data(text.begin(), text.end());
    } catch (const EncodingError&) {
        return std::nullopt;
    }
}

std::optional<std::vector<EnvironmentProfile>> EnvironmentProfile::decodeList(const platform::Data& data) {
    return JSONCoding::decodeArray<EnvironmentProfile>(data);
}

}  // namespace tessivane
