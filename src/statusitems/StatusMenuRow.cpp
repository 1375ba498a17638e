#include "statusitems/StatusMenuRow.h"

#include "settings/SettingsTheme.h"
#include "statusitems/StatusMenuSymbolWell.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node StatusMenuRow::body() {
    using namespace ui;
    const platform::Color highlight = isHovering_ ? SettingsTheme::accent().opacity(0.16) : Color::clear();
    return Button(action_,
                  HStack({.alignment = VerticalAlignment::center, .spacing = 10},
                         view<StatusMenuSymbolWell>(symbol_),
                         Text(title_).font(Font::system(13, Weight::medium)).foreground(Color::primary()),
                         Spacer(8),
                         shortcut_ ? Text(*shortcut_).font(Font::system(13)).foreground(Color::secondary()) : Empty())
                      .padding(Edges::horizontal, 12)
                      .padding(Edges::vertical, 7)
                      .frame({.maxWidth = infinity, .alignment = Alignment::leading})
                      .contentShape(Rectangle())
                      .background(highlight))
        .buttonStyle(ButtonStyle::plain)
        .onHover([this](bool inside) { isHovering_ = inside; });
}

}  // namespace tessivane
