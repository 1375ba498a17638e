#include "statusitems/GroupIconImage.h"

#include "model/CustomGroupIconStore.h"
#include "statusitems/GroupAccentPalette.h"

namespace tessivane {

std::optional<platform::Image> GroupIconImage::menuBarImage(const IconGroup& group) {
    if (group.customIconFilename) {
        if (auto image = CustomGroupIconStore::shared().menuBarImage(group.customIconFilename)) return image;
    }
    return GroupAccentPalette::menuBarImage(group.symbolName, group.symbolColorHex);
}

}  // namespace tessivane
