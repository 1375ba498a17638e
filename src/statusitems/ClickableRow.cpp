#include "statusitems/ClickableRow.h"

#include "ui/Nodes.h"

namespace tessivane {

ui::Node ClickableRow::body() {
    using namespace ui;
    // Copies, so a click still finds its callback while the popover re-renders.
    auto left = onLeftClick_;
    auto right = onRightClick_;
    return Node(content_)
        .contentShape(Rectangle())
        .onTapGesture([left] {
            if (left) left();
        })
        .onSecondaryClick([right] {
            if (right) right();
        })
        .layoutDirection(LayoutDirection::leftToRight);
}

}  // namespace tessivane
