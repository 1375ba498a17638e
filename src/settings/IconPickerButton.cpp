#include "settings/IconPickerButton.h"

#include "settings/IconPickerView.h"
#include "settings/SettingsTheme.h"
#include "settings/VosselIconWell.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node IconPickerButton::body() {
    using namespace ui;
    auto label = HStack({.spacing = 6},
                        view<VosselIconWell>(selection_.get(), accentColorHex_.get(), customIconFilename_.get(), 32),
                        title_.empty() ? Empty() : Text(title_));
    auto presented = isPresented_.binding();
    auto onOpen = onOpen_;
    auto button = pointingHandCursor(Button(
                                         [onOpen, presented] {
                                             if (onOpen) {
                                                 onOpen();
                                             } else {
                                                 presented.set(true);
                                             }
                                         },
                                         std::move(label))
                                         .buttonStyle(ButtonStyle::plain)
                                         .help(helpText));
    if (onOpen_) return button;
    return std::move(button).popover(
        presented, view<IconPickerView>(selection_, accentColorHex_, customIconFilename_, importGroupID_).frame(520, 560));
}

}  // namespace tessivane
