#include "model/MemberNames.h"

#include "model/GenericHostMemo.h"

namespace tessivane::MemberNames {

std::string_view ownerForMatching(const std::optional<std::string>& bundle, std::string_view owner,
                                  GenericHostMemo& hosts) {
    if (owner.empty() || hosts.isGenericHost(bundle, owner)) return {};
    return owner;
}

MenuBarIdentity::Names stored(const MenuBarItemID& id, GenericHostMemo& hosts) {
    const std::string_view title = id.title ? std::string_view(*id.title) : std::string_view{};
    const std::string_view owner = id.ownerName ? std::string_view(*id.ownerName) : std::string_view{};
    return MenuBarIdentity::Names(title, ownerForMatching(id.bundleIdentifier, owner, hosts));
}

MenuBarIdentity::Names live(std::string_view title, std::string_view owner, GenericHostMemo& hosts) {
    return MenuBarIdentity::Names(title, ownerForMatching(std::nullopt, owner, hosts));
}

}  // namespace tessivane::MemberNames
