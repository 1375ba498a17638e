#include "model/IconGroup.h"

namespace tessivane {

EncodedJSON IconGroup::toJSON() const {
    EncodedJSON json = EncodedJSON::object();
    json["id"] = id.uuidString();
    json["name"] = name;
    json["symbolName"] = symbolName;
    json["symbolColorHex"] = symbolColorHex;
    if (customIconFilename) json["customIconFilename"] = *customIconFilename;
    EncodedJSON members = EncodedJSON::array();
    for (const auto& member : memberIDs) members.push_back(member.toJSON());
    json["memberIDs"] = std::move(members);
    json["isVisibleInMenuBar"] = isVisibleInMenuBar;
    return json;
}

IconGroup IconGroup::fromJSON(const DecodedJSON& json) {
    using namespace JSONCoding;
    requireObject(json);
    IconGroup group;
    group.id = requireUUID(json, "id");
    group.name = requireString(json, "name");
    group.symbolName = requireString(json, "symbolName");
    group.symbolColorHex = requireString(json, "symbolColorHex");
    group.customIconFilename = optionalString(json, "customIconFilename");
    const DecodedJSON& members = requireArray(json, "memberIDs");
    group.memberIDs.reserve(members.size());
    for (const auto& member : members) group.memberIDs.push_back(MenuBarItemID::fromJSON(member));
    group.isVisibleInMenuBar = requireBool(json, "isVisibleInMenuBar");
    return group;
}

std::optional<std::vector<IconGroup>> IconGroup::decodeList(const platform::Data& data) {
    return JSONCoding::decodeArray<IconGroup>(data);
}

}  // namespace tessivane
