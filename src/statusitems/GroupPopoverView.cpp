#include "statusitems/GroupPopoverView.h"

#include "settings/SettingsTheme.h"
#include "statusitems/GroupIconView.h"
#include "statusitems/MemberRow.h"
#include "statusitems/StatusMenuInsetDivider.h"
#include "statusitems/StatusMenuSectionDivider.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

MenuBarItemID GroupPopoverView::reportedIdentity(const DiscoveredMenuBarItem& member) {
    MenuBarItemID id = member.id;
    if (member.windowID != 0) id.windowID = member.windowID;
    id.frameMinX = member.frame.minX();
    return id;
}

ui::Node GroupPopoverView::body() {
    using namespace ui;
    Node content = !members_.empty()                         ? memberList()
                   : isLocating_ && !group_.memberIDs.empty() ? locatingMembers()
                                                              : emptyMembers();
    return VStack({.alignment = HorizontalAlignment::leading, .spacing = 0},
                  header(),
                  view<StatusMenuSectionDivider>(),
                  std::move(content))
        .frame({.width = width})
        .fixedSize(false, true)
        .background(Fill(Color::windowBackground()).ignoresSafeArea())
        .layoutDirection(LayoutDirection::leftToRight);
}

ui::Node GroupPopoverView::header() {
    using namespace ui;
    const Font semibold = Font::system(13, Weight::semibold);
    Node gear = Button(onOpenSettings_,
                       Image::system("gearshape")
                           .font(Font::system(13, Weight::medium))
                           .foreground(Color::secondary())
                           .frame(28, 28)
                           .contentShape(Rectangle()))
                    .buttonStyle(ButtonStyle::plain)
                    .help("Open Settings");
    return HStack({.alignment = VerticalAlignment::center, .spacing = 8},
                  view<GroupIconView>(group_.symbolName, group_.symbolColorHex, group_.customIconFilename, semibold)
                      .frame(22, 22),
                  Text(group_.name).font(semibold),
                  Spacer(),
                  pointingHandCursor(std::move(gear)))
        .padding(Edges::horizontal, 12)
        .padding(Edges::vertical, 8);
}

ui::Node GroupPopoverView::memberList() {
    using namespace ui;
    const int count = static_cast<int>(members_.size());
    Node rows = VStack({.alignment = HorizontalAlignment::center, .spacing = 0},
                       ForEach(count, [&](int i) {
                           const DiscoveredMenuBarItem& member = members_[static_cast<size_t>(i)];
                           MenuBarItemID id = reportedIdentity(member);
                           auto select = onSelect_;
                           auto secondary = onSecondarySelect_;
                           return Group(view<MemberRow>(
                                            member,
                                            [select, id] {
                                                if (select) select(id);
                                            },
                                            [secondary, id] {
                                                if (secondary) secondary(id);
                                            }),
                                        i + 1 < count ? view<StatusMenuInsetDivider>() : Empty());
                       }));
    if (members_.size() < scrollingMemberCount) return rows;
    return ScrollView(std::move(rows)).scrollIndicators(Visibility::visible).frame({.maxHeight = maxListHeight});
}

ui::Node GroupPopoverView::locatingMembers() {
    using namespace ui;
    return VStack({.alignment = HorizontalAlignment::leading, .spacing = 10},
                  HStack({.spacing = 8},
                         ProgressView().progressViewStyle(ProgressStyle::circular).controlSize(ControlSize::small),
                         Text("Finding menu bar apps…").font(Font::subheadline().withWeight(Weight::semibold))),
                  Text("The icon is on the bar. Matching it to this vossel.")
                      .font(Font::caption())
                      .foreground(Color::secondary())
                      .fixedSize(false, true))
        .padding(14);
}

ui::Node GroupPopoverView::emptyMembers() {
    using namespace ui;
    const bool hasIdentities = !group_.memberIDs.empty();
    const char* title = hasIdentities ? "No menu bar apps right now" : "This vossel is empty";
    const char* text = hasIdentities
                           ? "Apps you turned on stay in this vossel. They appear here again when their icon is in "
                             "the menu bar."
                           : "Turn apps on in Settings, then ⌘-drag them past the | line, away from the clock.";
    const char* button = hasIdentities ? "Open Settings…" : "Add apps…";
    return VStack({.alignment = HorizontalAlignment::leading, .spacing = 10},
                  Text(title).font(Font::subheadline().withWeight(Weight::semibold)),
                  Text(text).font(Font::caption()).foreground(Color::secondary()).fixedSize(false, true),
                  pointingHandCursor(Button(button, onOpenSettings_)
                                         .buttonStyle(ButtonStyle::borderedProminent)
                                         .tint(SettingsTheme::accent())
                                         .controlSize(ControlSize::small)))
        .padding(14);
}

}  // namespace tessivane
