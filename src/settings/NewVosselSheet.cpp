#include "settings/NewVosselSheet.h"

#include "settings/VosselIdentityForm.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node NewVosselSheet::body() {
    return ui::view<VosselIdentityForm>(
        VosselIdentityForm::Texts{"New vossel", "What\u2019s this vossel for?",
                                  "VPN, Focus, Dev \u2014 whatever you want to keep together.", "Create vossel",
                                  "ui.newGroupName", "ui.addGroup"},
        name_, symbol_, colorHex_, customIconFilename_, importGroupID_, onCancel_, onCreate_, nameFocused_.binding());
}

}  // namespace tessivane
