#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "model/JSONCoding.h"
#include "model/MenuBarIdentity.h"

namespace tessivane {

class GenericHostMemo;

// The stored identity of one menu bar icon. Window numbers, positions and even titles
// change between runs, so membership is the tolerant `isSameMember`, not equality.
struct MenuBarItemID {
    std::optional<std::string> bundleIdentifier;
    std::optional<std::string> title;
    std::optional<std::string> ownerName;
    int64_t itemIndex = 0;
    std::optional<uint32_t> windowID;
    std::optional<double> frameMinX;

    // "bundle|owner|title|index": absent strings as empty, no escaping. Window number and
    // left edge are not part of it.
    std::string id() const;
    // Whether the two identity strings are equal, without building them.
    bool hasSameIdentityString(const MenuBarItemID& other) const;
    // The membership match, symmetric in its two sides.
    bool isSameMember(const MenuBarItemID& other) const;
    // The same, with each side's names as `MemberNames::stored` gives them, made once by a
    // caller that compares one identity with many.
    bool isSameMember(const MenuBarItemID& other, const MenuBarIdentity::Names& selfNames,
                      const MenuBarIdentity::Names& otherNames, GenericHostMemo& hosts) const;

    // All six fields, exactly.
    bool operator==(const MenuBarItemID&) const = default;

    // Keys only for present values; throws EncodingError for a non-finite frameMinX.
    EncodedJSON toJSON() const;
    // Throws DecodingError.
    static MenuBarItemID fromJSON(const DecodedJSON& json);
};

}  // namespace tessivane

template <>
struct std::hash<tessivane::MenuBarItemID> {
    size_t operator()(const tessivane::MenuBarItemID& id) const noexcept;
};
