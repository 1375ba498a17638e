#pragma once
#include "ui/View.h"

namespace tessivane {

// A full-width hairline between the sections of a status menu.
class StatusMenuSectionDivider : public ui::View {
public:
    ui::Node body() override;
    // The 1-point line both dividers draw.
    static ui::Node line();
};

}  // namespace tessivane
