#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "model/MenuBarIdentity.h"
#include "model/MenuBarItemID.h"

namespace tessivane {

class GenericHostMemo;

// The names by which the rules that relate a stored member to a live icon (membership,
// refreshing stored identities, hiding, resolving, finding an element or a window, the
// popover's member list, the member switches) tell one icon from another. A generic host's name ("Control Center",
// "SystemUIServer") is the owner of every icon that host draws, so it is left out on both
// sides: otherwise a member for the Wi-Fi module would mean the clock, the battery and every
// other module as well.
namespace MemberNames {

// The owner name that takes part in name matching: empty for a generic host (Control
// Center's bundle identifier, or an owner that is one of the hosts' own names or the running
// Control Center's localized one). The one rule for every comparison by names.
std::string_view ownerForMatching(const std::optional<std::string>& bundle, std::string_view owner,
                                  GenericHostMemo& hosts);
// A stored identity's title and owner name, the owner left out when it is a generic host.
// Views into `id`, which must outlive the result.
MenuBarIdentity::Names stored(const MenuBarItemID& id, GenericHostMemo& hosts);
// A live icon's (or element's) title and owner name, the owner left out when it is a
// generic host. Views into the arguments.
MenuBarIdentity::Names live(std::string_view title, std::string_view owner, GenericHostMemo& hosts);

}  // namespace MemberNames

}  // namespace tessivane
