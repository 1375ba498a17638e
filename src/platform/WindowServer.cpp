#include "platform/WindowServer.h"

namespace platform {

PropertyDictionary WindowInfo::dictionary() const {
    PropertyDictionary d;
    d[WindowKey::number] = PropertyValue(static_cast<int64_t>(number));
    d[WindowKey::layer] = PropertyValue(static_cast<int64_t>(layer));
    d[WindowKey::bounds] = PropertyValue(PropertyDictionary{
        {"X", PropertyValue(bounds.origin.x)},
        {"Y", PropertyValue(bounds.origin.y)},
        {"Width", PropertyValue(bounds.size.width)},
        {"Height", PropertyValue(bounds.size.height)},
    });
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

std::optional<PropertyValue> WindowInfo::value(const std::string& key) const {
    if (key == WindowKey::number) return PropertyValue(static_cast<int64_t>(number));
    if (key == WindowKey::layer) return PropertyValue(static_cast<int64_t>(layer));
    if (key == WindowKey::ownerName) return PropertyValue(ownerName);
    if (key == WindowKey::ownerPID) return PropertyValue(static_cast<int64_t>(ownerPID));
    if (key == WindowKey::name) return name ? std::optional<PropertyValue>(PropertyValue(*name)) : std::nullopt;
    if (key == WindowKey::alpha) return PropertyValue(alpha);
    if (key == WindowKey::isOnscreen) return PropertyValue(isOnscreen);
    auto d = dictionary();  // the rarely read keys
    auto it = d.find(key);
    if (it == d.end()) return std::nullopt;
    return it->second;
}

}  // namespace platform
