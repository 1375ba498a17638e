#include "statusitems/MemberRow.h"

#include "settings/SettingsTheme.h"
#include "statusitems/AppIconView.h"
#include "statusitems/ClickableRow.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node MemberRow::body() {
    using namespace ui;
    const std::string name = member_.displayName();
    const platform::Color highlight = isHovering_ ? SettingsTheme::accent().opacity(0.16) : Color::clear();
    Node row = HStack({.alignment = VerticalAlignment::center, .spacing = 10},
                      view<AppIconView>(member_.bundleIdentifier, member_.ownerName, name),
                      Text(name).font(Font::system(13, Weight::medium)).foreground(Color::primary()),
                      Spacer())
                   .padding(Edges::horizontal, 12)
                   .padding(Edges::vertical, 7)
                   .frame({.maxWidth = infinity, .alignment = Alignment::leading})
                   .contentShape(Rectangle())
                   .background(highlight)
                   .onHover([this](bool inside) { isHovering_ = inside; });
    return view<ClickableRow>(pointingHandCursor(std::move(row)), onSelect_, onSecondarySelect_)
        .help("Click to open. Right-click for its menu.");
}

}  // namespace tessivane
