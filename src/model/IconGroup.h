#pragma once
#include <optional>
#include <string>
#include <vector>

#include "model/JSONCoding.h"
#include "model/MenuBarItemID.h"
#include "platform/PropertyValue.h"
#include "platform/UUID.h"

namespace tessivane {

// One vossel: a named group of menu bar icons shown as one status item of its own.
// Every field is always given; there are no defaults worth relying on.
struct IconGroup {
    platform::UUID id;
    std::string name;
    std::string symbolName;
    std::string symbolColorHex;  // six hexadecimal digits, or empty for no colour of its own
    std::optional<std::string> customIconFilename;
    std::vector<MenuBarItemID> memberIDs;
    bool isVisibleInMenuBar = true;

    bool operator==(const IconGroup&) const = default;

    EncodedJSON toJSON() const;                        // throws EncodingError
    static IconGroup fromJSON(const DecodedJSON& json);  // throws DecodingError

    // The legacy stored form: a JSON array of vossels. All or nothing: absent when any
    // element does not decode.
    static std::optional<std::vector<IconGroup>> decodeList(const platform::Data& data);
};

}  // namespace tessivane
