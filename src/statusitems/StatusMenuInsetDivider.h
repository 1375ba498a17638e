#pragma once
#include "ui/View.h"

namespace tessivane {

// The hairline between rows of one section, starting after the rows' symbol tiles.
class StatusMenuInsetDivider : public ui::View {
public:
    ui::Node body() override;
};

}  // namespace tessivane
