#include "settings/VosselChip.h"

#include "settings/SettingsTheme.h"
#include "settings/VosselIconWell.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node VosselChip::body() {
    using namespace ui;
    const platform::Color& accent = SettingsTheme::accent();
    const bool selected = isSelected_;
    auto label = HStack({.spacing = 7},
                        view<VosselIconWell>(group_.symbolName, group_.symbolColorHex, group_.customIconFilename, 22),
                        Text(group_.name).lineLimit(1))
                     .padding(Edges::horizontal, 8)
                     .padding(Edges::vertical, 4)
                     .background(RoundedRectangle(8).fill(selected ? accent.opacity(0.16) : Color::clear()))
                     .overlay(RoundedRectangle(8).strokeBorder(selected ? accent.opacity(0.55) : Color::primary().opacity(0.08), 1))
                     .foreground(selected ? Color::primary() : Color::primary().opacity(0.78))
                     .opacity(group_.isVisibleInMenuBar ? 1 : 0.5);
    return pointingHandCursor(Button(actions_.select, std::move(label)).buttonStyle(ButtonStyle::plain))
        .fixedSize()
        .accessibilityIdentifier(identifier(group_))
        .contextMenu({Button(group_.isVisibleInMenuBar ? "Hide from Menu Bar" : "Show in Menu Bar", actions_.toggleVisible),
                      Button("Delete \u201C" + group_.name + "\u201D", actions_.requestDelete).role(ButtonRole::destructive)});
}

bool VosselChip::sameInputs(const ui::View& previous) const {
    const auto& before = static_cast<const VosselChip&>(previous);
    return isSelected_ == before.isSelected_ && group_ == before.group_;
}

}  // namespace tessivane
