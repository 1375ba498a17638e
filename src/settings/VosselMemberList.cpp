#include "settings/VosselMemberList.h"

#include <unordered_map>

#include "app/AppState.h"
#include "model/GenericHostMemo.h"
#include "model/MemberNames.h"
#include "model/MenuBarIdentity.h"
#include "platform/Text.h"
#include "settings/SettingsTheme.h"
#include "statusitems/AppIconView.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

bool VosselMemberList::showsAsMember(const IconGroup& group, const DiscoveredMenuBarItem& item) {
    if (MenuBarIdentity::isSelf(item.bundleIdentifier, item.ownerName)) return false;
    GenericHostMemo hosts;
    const bool sameBundleCounts = item.bundleIdentifier && !hosts.isGenericHost(item.bundleIdentifier, item.ownerName);
    const MenuBarIdentity::Names live = MemberNames::live(item.title, item.ownerName, hosts);
    for (const MenuBarItemID& member : group.memberIDs) {
        if (sameBundleCounts && member.bundleIdentifier == item.bundleIdentifier) return true;
        if (MenuBarIdentity::namesOverlap(MemberNames::stored(member, hosts), live)) return true;
    }
    return false;
}

MenuBarItemID VosselMemberList::identityToToggle(const DiscoveredMenuBarItem& item) {
    MenuBarItemID identity = item.id;
    if (item.windowID != 0) identity.windowID = item.windowID;
    identity.frameMinX = item.frame.minX();
    return identity;
}

void VosselMemberList::flipMembership(AppState& appState, const DiscoveredMenuBarItem& item,
                                      const platform::UUID& groupID) {
    appState.groupStore.toggleMember(identityToToggle(item), groupID);
    appState.syncGroupStatusItems();
    appState.applyHiding();
    appState.objectWillChange.send();
}

ui::Node VosselMemberList::row(AppState& appState, const IconGroup& current, const DiscoveredMenuBarItem& item,
                               const IconGroup* holder) {
    using namespace ui;
    const bool isOn = showsAsMember(current, item);
    const std::string displayName = item.displayName();

    Node secondLine;
    if (isOn) {
        secondLine = Text(inThisVosselText);
    } else if (holder && holder->id != current.id) {
        secondLine = Text("In \u201C" + holder->name + "\u201D");
    } else if (!platform::Text::caseInsensitiveEquals(item.ownerName, displayName)) {
        secondLine = Text(item.ownerName);
    }
    if (secondLine.kind() != NodeKind::empty) secondLine = std::move(secondLine).font(Font::caption()).foreground(Color::secondary());

    AppState* state = &appState;
    const platform::UUID groupID = group_.id;
    // The switch always flips: a member that matches only by name is taken out as well.
    Binding<bool> membership([isOn] { return isOn; }, [state, item, groupID](bool) { flipMembership(*state, item, groupID); });

    return HStack({.spacing = 10},
                  view<AppIconView>(item.bundleIdentifier, item.ownerName, displayName),
                  VStack({.alignment = HorizontalAlignment::leading, .spacing = 2},
                         Text(displayName).lineLimit(1),
                         std::move(secondLine)),
                  Spacer(),
                  pointingHandCursor(Toggle("In vossel", membership)
                                         .labelsHidden()
                                         .toggleStyle(ToggleStyle::switchStyle)
                                         .controlSize(ControlSize::small)))
        .padding(Edges::vertical, 2);
}

std::string VosselMemberList::rowKey(const DiscoveredMenuBarItem& item) {
    if (item.windowID != 0) return "window-" + std::to_string(item.windowID);
    return item.id.id();
}

ui::Node VosselMemberList::list(AppState& appState) {
    using namespace ui;
    const auto& items = appState.discovery.items.get();
    // The vossel as stored now, else the snapshot this list was made with.
    IconGroup current = group_;
    for (const IconGroup& g : appState.groupStore.groups()) {
        if (g.id == group_.id) {
            current = g;
            break;
        }
    }

    // Each row compares its icon with the stored members, a memo per comparison: one
    // memory of the generic hosts serves the whole list.
    GenericHostMemo::Scope hosts;
    std::vector<const MenuBarItemID*> ids;
    ids.reserve(items.size());
    for (const DiscoveredMenuBarItem& item : items) ids.push_back(&item.id);
    const std::vector<const IconGroup*> holders = appState.groupStore.groupsContaining(ids);
    std::vector<Node> rows;
    rows.reserve(items.size() * 2);
    std::unordered_map<std::string, int> seen;
    for (size_t i = 0; i < items.size(); ++i) {
        std::string key = rowKey(items[i]);
        if (int n = seen[key]++; n > 0) key += "#" + std::to_string(n);
        rows.push_back(row(appState, current, items[i], holders[i])
                           .padding(Edges::horizontal, 12)
                           .padding(Edges::vertical, 7)
                           .frame({.maxWidth = infinity, .alignment = Alignment::leading})
                           .id(key));
        if (i + 1 < items.size()) {
            rows.push_back(Rectangle().fill(Color::primary().opacity(0.12)).frame({.height = 1, .maxWidth = infinity}).id(key + "/divider"));
        }
    }
    return ScrollView(VStack({.alignment = HorizontalAlignment::leading, .spacing = 0}, std::move(rows))
                          .frame({.maxWidth = infinity, .alignment = Alignment::leading}))
        .scrollIndicators(Visibility::visible);
}

ui::Node VosselMemberList::body() {
    using namespace ui;
    AppState& appState = environmentObject<AppState>();
    const bool hasItems = !appState.discovery.items->empty();
    if (appState.discovery.isRefreshing.get() && !hasItems) {
        return VStack({.spacing = 12}, ProgressView(), Text(lookingText).foreground(Color::secondary()))
            .frame({.maxWidth = infinity});
    }
    if (!appState.permissionManager.isAccessibilityTrusted.get()) {
        return ContentUnavailable("Enable Accessibility", "lock.shield",
                                  "Tessivane needs Accessibility to list menu bar icons.")
            .frame({.maxWidth = infinity});
    }
    if (hasItems) return list(appState);
    return ContentUnavailable("No menu bar icons found", "menubar.arrow.up.rectangle",
                              "Click Refresh. If this stays empty, enable Accessibility and restart Tessivane.")
        .frame({.maxWidth = infinity});
}

}  // namespace tessivane
