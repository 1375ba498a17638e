#pragma once
#include <string>

#include "model/DiscoveredMenuBarItem.h"
#include "model/IconGroup.h"
#include "model/MenuBarItemID.h"
#include "ui/View.h"

namespace tessivane {

class AppState;

// The icons the menu bar shows now, one row each, with a switch that puts the icon into
// `group` or takes it out. While discovery has nothing yet it says why: still looking, no
// Accessibility permission, or nothing found. Reads the shared AppState from the environment.
class VosselMemberList : public ui::View {
public:
    static constexpr const char* lookingText = "Looking for menu bar icons\u2026";
    static constexpr const char* inThisVosselText = "In this vossel";

    // `group` is a snapshot: rows look the vossel up again in the store by its id.
    explicit VosselMemberList(IconGroup group) : group_(std::move(group)) {}

    ui::Node body() override;

    // Whether the row of a live icon shows its switch on for `group`: never for the
    // program's own icons; otherwise when a member has the icon's bundle identifier (outside
    // the generic hosts) or shares a name with it. Looks only from the live icon's side.
    static bool showsAsMember(const IconGroup& group, const DiscoveredMenuBarItem& item);
    // The identity a switch flips: the live icon's, with its current window number (when
    // known) and left edge.
    static MenuBarItemID identityToToggle(const DiscoveredMenuBarItem& item);
    // A row's key for the view tree: the icon's window while it has one, so a row whose
    // title changes (a timer, names that Accessibility fills in) stays the same row.
    static std::string rowKey(const DiscoveredMenuBarItem& item);
    // Moves the icon into the vossel, or out of it when it is a member, then refreshes the
    // status items and the hiding.
    static void flipMembership(AppState& appState, const DiscoveredMenuBarItem& item, const platform::UUID& groupID);

private:
    // `holder`: the vossel that holds the icon, if any.
    ui::Node row(AppState& appState, const IconGroup& current, const DiscoveredMenuBarItem& item, const IconGroup* holder);
    ui::Node list(AppState& appState);

    IconGroup group_;
};

}  // namespace tessivane
