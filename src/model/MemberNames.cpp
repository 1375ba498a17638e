#include "model/MemberNames.h"

#include "model/GenericHostMemo.h"

namespace tessivane::MemberNames {

MenuBarIdentity::Names stored(const MenuBarItemID& id, GenericHostMemo& hosts) {
    const std::string_view title = id.title ? std::string_view(*id.title) : std::string_view{};
    std::string_view owner = id.ownerName ? std::string_view(*id.ownerName) : std::string_view{};
    if (!owner.empty() && hosts.ownerIsGenericHost(owner)) owner = {};
    return MenuBarIdentity::Names(title, owner);
}

MenuBarIdentity::Names live(std::string_view title, std::string_view owner, GenericHostMemo& hosts) {
    if (!owner.empty() && hosts.ownerIsGenericHost(owner)) owner = {};
    return MenuBarIdentity::Names(title, owner);
}

}  // namespace tessivane::MemberNames
