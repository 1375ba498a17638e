#pragma once
#include <functional>
#include <vector>

#include "model/DiscoveredMenuBarItem.h"
#include "model/IconGroup.h"
#include "model/MenuBarItemID.h"
#include "ui/View.h"

namespace tessivane {

// The content of a vossel's popover: a header with the vossel's icon, name and a settings
// button, then its present members, a "finding" state while they are being located, or an
// empty state. 260 points wide, laid out left to right whatever the language.
class GroupPopoverView : public ui::View {
public:
    using SelectHandler = std::function<void(const MenuBarItemID&)>;

    static constexpr double width = 260;
    // From this many members on, the list scrolls.
    static constexpr size_t scrollingMemberCount = 8;
    static constexpr double maxListHeight = 280;

    GroupPopoverView(IconGroup group, std::vector<DiscoveredMenuBarItem> members, bool isLocating,
                     SelectHandler onSelect, SelectHandler onSecondarySelect, std::function<void()> onOpenSettings)
        : group_(std::move(group)), members_(std::move(members)), isLocating_(isLocating),
          onSelect_(std::move(onSelect)), onSecondarySelect_(std::move(onSecondarySelect)),
          onOpenSettings_(std::move(onOpenSettings)) {}
    ui::Node body() override;

    // What a row reports: the member's identity with its live window number (when known)
    // and left edge, so the owner finds the icon where it is now.
    static MenuBarItemID reportedIdentity(const DiscoveredMenuBarItem& member);

private:
    ui::Node header();
    ui::Node memberList();
    ui::Node locatingMembers();
    ui::Node emptyMembers();

    IconGroup group_;
    std::vector<DiscoveredMenuBarItem> members_;
    bool isLocating_;
    SelectHandler onSelect_;
    SelectHandler onSecondarySelect_;
    std::function<void()> onOpenSettings_;
};

}  // namespace tessivane
