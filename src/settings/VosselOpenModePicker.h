#pragma once
#include "ui/View.h"

namespace tessivane {

// "When to open a vossel": on click or on hover, stored under "Tessivane.HoverToOpen".
// Reads the shared AppState from the environment.
class VosselOpenModePicker : public ui::View {
public:
    ui::Node body() override;
};

}  // namespace tessivane
