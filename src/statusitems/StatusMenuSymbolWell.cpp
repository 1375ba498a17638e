#include "statusitems/StatusMenuSymbolWell.h"

#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node StatusMenuSymbolWell::body() {
    using namespace ui;
    return ZStack(RoundedRectangle(6).fill(Color::primary().opacity(0.06)),
                  Image::system(systemName_).font(Font::system(13, Weight::semibold)).foreground(Color::secondary()))
        .frame(28, 28);
}

}  // namespace tessivane
