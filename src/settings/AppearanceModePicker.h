#pragma once
#include "ui/View.h"

namespace tessivane {

// "Theme": System, Light or Dark for the application's own windows. Reads the shared
// AppState from the environment.
class AppearanceModePicker : public ui::View {
public:
    ui::Node body() override;
};

}  // namespace tessivane
