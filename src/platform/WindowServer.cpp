#include "platform/WindowServer.h"

namespace platform {

namespace {
PropertyValue boundsDictionary(const Rect& bounds) {
    return PropertyValue(PropertyDictionary{
        {"X", PropertyValue(bounds.origin.x)},
        {"Y", PropertyValue(bounds.origin.y)},
        {"Width", PropertyValue(bounds.size.width)},
        {"Height", PropertyValue(bounds.size.height)},
    });
}
}  // namespace

PropertyDictionary WindowInfo::dictionary() const {
    PropertyDictionary d;
    d[WindowKey::number] = PropertyValue(static_cast<int64_t>(number));
    d[WindowKey::layer] = PropertyValue(static_cast<int64_t>(layer));
    d[WindowKey::bounds] = boundsDictionary(bounds);
    d[WindowKey::ownerName] = PropertyValue(ownerName);
    d[WindowKey::ownerPID] = PropertyValue(static_cast<int64_t>(ownerPID));
    if (name) d[WindowKey::name] = PropertyValue(*name);
    d[WindowKey::alpha] = PropertyValue(alpha);
    d[WindowKey::isOnscreen] = PropertyValue(isOnscreen);
    d[WindowKey::sharingState] = PropertyValue(int64_t{1});
    d[WindowKey::storeType] = PropertyValue(int64_t{1});
    d[WindowKey::memoryUsage] = PropertyValue(int64_t{2176});
    return d;
}

// The keys read in every scan are answered without building the whole dictionary.
std::optional<PropertyValue> WindowInfo::value(const std::string& key) const {
    if (key == WindowKey::number) return PropertyValue(static_cast<int64_t>(number));
    if (key == WindowKey::layer) return PropertyValue(static_cast<int64_t>(layer));
    if (key == WindowKey::bounds) return boundsDictionary(bounds);
    if (key == WindowKey::ownerName) return PropertyValue(ownerName);
    if (key == WindowKey::ownerPID) return PropertyValue(static_cast<int64_t>(ownerPID));
    if (key == WindowKey::name) return name ? std::optional<PropertyValue>(PropertyValue(*name)) : std::nullopt;
    if (key == WindowKey::alpha) return PropertyValue(alpha);
    if (key == WindowKey::isOnscreen) return PropertyValue(isOnscreen);
    auto d = dictionary();
    auto it = d.find(key);
    if (it == d.end()) return std::nullopt;
    return it->second;
}

}  // namespace platform
