#include "settings/IconPickerScreen.h"

#include "settings/IconPickerView.h"
#include "settings/SettingsCoverScreen.h"
#include "settings/VosselIconWell.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node IconPickerScreen::body() {
    using namespace ui;
    auto well = view<VosselIconWell>(selection_.get(), accentColorHex_.get(), customIconFilename_.get(), 28)
                    .frame({.width = 56, .alignment = Alignment::trailing});
    return SettingsCoverScreen::page(
        SettingsCoverScreen::header(onBack_, SettingsCoverScreen::titleText("Choose icon"), std::move(well)),
        view<IconPickerView>(selection_, accentColorHex_, customIconFilename_, importGroupID_));
}

}  // namespace tessivane
