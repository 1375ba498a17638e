#include "statusitems/GroupIconView.h"

#include "model/CustomGroupIconStore.h"
#include "statusitems/ColoredSymbolView.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node GroupIconView::body() {
    using namespace ui;
    observe(CustomGroupIconStore::shared());  // the image comes once decoded
    if (auto image = CustomGroupIconStore::shared().image(customIconFilename_)) {
        return Image::of(*image).resizable().interpolation(Interpolation::high).aspectRatio(ContentMode::fit);
    }
    return view<ColoredSymbolView>(symbolName_, colorHex_, font_);
}

}  // namespace tessivane
