#include "model/MenuBarItemID.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

#include "model/GenericHostMemo.h"
#include "model/MemberNames.h"
#include "model/MenuBarIdentity.h"

namespace tessivane {

namespace {

// The four parts of an identity string, the index already written in decimal.
struct IdentityParts {
    std::array<char, 24> indexBuffer{};
    std::array<std::string_view, 4> parts;

    explicit IdentityParts(const MenuBarItemID& id) {
        auto [end, ec] = std::to_chars(indexBuffer.data(), indexBuffer.data() + indexBuffer.size(), id.itemIndex);
        (void)ec;  // 24 characters hold every 64-bit integer
        parts = {std::string_view(id.bundleIdentifier ? *id.bundleIdentifier : std::string_view{}),
                 std::string_view(id.ownerName ? *id.ownerName : std::string_view{}),
                 std::string_view(id.title ? *id.title : std::string_view{}),
                 std::string_view(indexBuffer.data(), static_cast<size_t>(end - indexBuffer.data()))};
    }

    size_t length() const { return parts[0].size() + parts[1].size() + parts[2].size() + parts[3].size() + 3; }

    // Walks the joined string "p0|p1|p2|p3" character by character.
    struct Cursor {
        const IdentityParts& owner;
        size_t part = 0;
        size_t offset = 0;
        char next() {
            if (offset == owner.parts[part].size()) {
                ++part;
                offset = 0;
                return '|';
            }
            return owner.parts[part][offset++];
        }
    };
};

size_t mix(size_t seed, size_t value) {
    return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

template <class T>
size_t hashOptional(const std::optional<T>& value) {
    return value ? mix(1, std::hash<T>{}(*value)) : 0;
}

}  // namespace

std::string MenuBarItemID::id() const {
    IdentityParts p(*this);
    std::string result;
    result.reserve(p.length());
    for (size_t i = 0; i < p.parts.size(); ++i) {
        if (i) result += '|';
        result += p.parts[i];
    }
    return result;
}

bool MenuBarItemID::hasSameIdentityString(const MenuBarItemID& other) const {
    // The parts are not escaped, so "a|" + "" and "a" + "|" give the same string; compare
    // the joined text, not the parts.
    IdentityParts a(*this), b(other);
    const size_t length = a.length();
    if (length != b.length()) return false;
    IdentityParts::Cursor ca{a}, cb{b};
    for (size_t i = 0; i < length; ++i) {
        if (ca.next() != cb.next()) return false;
    }
    return true;
}

bool MenuBarItemID::isSameMember(const MenuBarItemID& other) const {
    if (hasSameIdentityString(other)) return true;
    // A generic host's name is the owner of every icon it draws, so it takes no part in the
    // name comparison; otherwise a Wi-Fi member would be the clock and the battery as well,
    // and adding one Control Center module to a vossel would take another out of its own.
    GenericHostMemo hosts;
    return isSameMember(other, MemberNames::stored(*this, hosts), MemberNames::stored(other, hosts), hosts);
}

bool MenuBarItemID::isSameMember(const MenuBarItemID& other, const MenuBarIdentity::Names& selfNames,
                                 const MenuBarIdentity::Names& otherNames, GenericHostMemo& hosts) const {
    if (hasSameIdentityString(other)) return true;

    static const std::string empty;
    const std::string& selfOwner = ownerName ? *ownerName : empty;
    const std::string& otherOwner = other.ownerName ? *other.ownerName : empty;
    const bool sameBundle = bundleIdentifier && other.bundleIdentifier && *bundleIdentifier == *other.bundleIdentifier;

    const bool otherIsSelf = MenuBarIdentity::isSelf(other.bundleIdentifier, otherOwner);
    if (!otherIsSelf) {
        if (sameBundle && !hosts.isGenericHost(other.bundleIdentifier, otherOwner)) return true;
        if (MenuBarIdentity::namesOverlap(selfNames, otherNames)) return true;
    }
    if (MenuBarIdentity::isSelf(bundleIdentifier, selfOwner)) return false;
    if (sameBundle && !hosts.isGenericHost(bundleIdentifier, selfOwner)) return true;
    // The name overlap compares the same pairs of names from either side (equality and
    // containment both ways), so when it already ran above its answer stands.
    if (!otherIsSelf) return false;
    return MenuBarIdentity::namesOverlap(otherNames, selfNames);
}

EncodedJSON MenuBarItemID::toJSON() const {
    EncodedJSON json = EncodedJSON::object();
    if (bundleIdentifier) json["bundleIdentifier"] = *bundleIdentifier;
    if (title) json["title"] = *title;
    if (ownerName) json["ownerName"] = *ownerName;
    json["itemIndex"] = itemIndex;
    if (windowID) json["windowID"] = *windowID;
    if (frameMinX) {
        if (!std::isfinite(*frameMinX)) throw EncodingError("frameMinX is not a finite number");
        json["frameMinX"] = *frameMinX;
    }
    return json;
}

MenuBarItemID MenuBarItemID::fromJSON(const DecodedJSON& json) {
    using namespace JSONCoding;
    requireObject(json);
    MenuBarItemID id;
    id.bundleIdentifier = optionalString(json, "bundleIdentifier");
    id.title = optionalString(json, "title");
    id.ownerName = optionalString(json, "ownerName");
    id.itemIndex = requireInt64(json, "itemIndex");
    id.windowID = optionalUInt32(json, "windowID");
    id.frameMinX = optionalDouble(json, "frameMinX");
    return id;
}

}  // namespace tessivane

size_t std::hash<tessivane::MenuBarItemID>::operator()(const tessivane::MenuBarItemID& id) const noexcept {
    using tessivane::hashOptional;
    using tessivane::mix;
    size_t h = hashOptional(id.bundleIdentifier);
    h = mix(h, hashOptional(id.title));
    h = mix(h, hashOptional(id.ownerName));
    h = mix(h, std::hash<int64_t>{}(id.itemIndex));
    h = mix(h, hashOptional(id.windowID));
    // 0.0 and -0.0 are equal, so they must hash alike.
    std::optional<double> x = id.frameMinX;
    if (x && *x == 0) x = 0.0;
    h = mix(h, hashOptional(x));
    return h;
}
