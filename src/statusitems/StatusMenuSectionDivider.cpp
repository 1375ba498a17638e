#include "statusitems/StatusMenuSectionDivider.h"

#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node StatusMenuSectionDivider::line() {
    using namespace ui;
    return Rectangle().fill(Color::primary().opacity(0.12)).frame({.height = 1, .maxWidth = infinity});
}

ui::Node StatusMenuSectionDivider::body() { return line(); }

}  // namespace tessivane
