#include "settings/HideHowItWorksView.h"

#include "settings/HideHowItWorksIllustration.h"
#include "settings/SettingsCoverScreen.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node HideHowItWorksView::body() {
    using namespace ui;
    return view<SettingsCoverScreen>(
        "How hiding works", onDismiss_,
        VStack({.alignment = HorizontalAlignment::leading, .spacing = 16},
               Text(introduction).font(Font::callout()).foreground(Color::secondary()),
               view<HideHowItWorksIllustration>(),
               Spacer())
            .padding(24));
}

}  // namespace tessivane
