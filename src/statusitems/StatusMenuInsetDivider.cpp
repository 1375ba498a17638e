#include "statusitems/StatusMenuInsetDivider.h"

#include "statusitems/StatusMenuSectionDivider.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node StatusMenuInsetDivider::body() {
    using namespace ui;
    return StatusMenuSectionDivider::line().padding(Edges::leading, 46).padding(Edges::trailing, 12);
}

}  // namespace tessivane
