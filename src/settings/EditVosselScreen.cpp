#include "settings/EditVosselScreen.h"

#include "platform/Text.h"
#include "settings/VosselIdentityForm.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node EditVosselScreen::body() {
    auto name = name_.binding();
    auto symbol = symbol_.binding();
    auto colorHex = colorHex_.binding();
    auto custom = customIconFilename_.binding();
    auto onSave = onSave_;
    return ui::view<VosselIdentityForm>(
        VosselIdentityForm::Texts{"Edit vossel", "Name and icon",
                                  "Save keeps the changes. Back leaves them as they were.", "Save", "ui.groupName",
                                  "ui.saveVossel"},
        name, symbol, colorHex, custom, group_.id, onCancel_, [=] {
            if (onSave) onSave(platform::Text::trimmed(name.get()), symbol.get(), colorHex.get(), custom.get());
        });
}

}  // namespace tessivane
