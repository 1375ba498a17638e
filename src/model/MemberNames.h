#pragma once
#include <string_view>

#include "model/MenuBarIdentity.h"
#include "model/MenuBarItemID.h"

namespace tessivane {

class GenericHostMemo;

// The names by which the one-sided rules that relate a stored member to a live icon
// (refreshing stored identities, hiding, resolving, finding an element or a window, the
// popover's member list, the member switches) tell one icon from another. A generic host's name ("Control Center",
// "SystemUIServer") is the owner of every icon that host draws, so it is left out on both
// sides: otherwise a member for the Wi-Fi module would mean the clock, the battery and every
// other module as well.
namespace MemberNames {

// A stored identity's title and owner name, the owner left out when it is a generic host.
// Views into `id`, which must outlive the result.
MenuBarIdentity::Names stored(const MenuBarItemID& id, GenericHostMemo& hosts);
// A live icon's (or element's) title and owner name, the owner left out when it is a
// generic host. Views into the arguments.
MenuBarIdentity::Names live(std::string_view title, std::string_view owner, GenericHostMemo& hosts);

}  // namespace MemberNames

}  // namespace tessivane
