#include "engine/GenericHostMemo.h"

#include "model/MenuBarIdentity.h"

namespace tessivane {

bool GenericHostMemo::isGenericHost(const std::optional<std::string>& bundle, std::string_view owner) {
    if (bundle && *bundle == MenuBarIdentity::controlCenterBundleIdentifier) return true;
    return ownerIsGenericHost(owner);
}

bool GenericHostMemo::ownerIsGenericHost(std::string_view owner) {
    if (auto it = owners_.find(owner); it != owners_.end()) return it->second;
    const bool generic = MenuBarIdentity::isGenericHost(std::nullopt, owner);
    owners_.emplace(std::string(owner), generic);
    return generic;
}

}  // namespace tessivane
