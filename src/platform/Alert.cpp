#include "platform/Alert.h"

#include "platform/Application.h"
#include "platform/OpenPanel.h"
#include "platform/Platform.h"

namespace platform {

ModalResponse Alert::runModal() {
    if (buttons.empty()) buttons.push_back("OK");
    return application().runModalAlert(*this);
}

ModalResponse OpenPanel::runModal() {
    urls.clear();
    return application().runModalOpenPanel(*this);
}

}  // namespace platform
