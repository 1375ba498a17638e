#include "statusitems/AppMenuPopoverView.h"

#include "statusitems/GroupPopoverView.h"
#include "statusitems/StatusMenuInsetDivider.h"
#include "statusitems/StatusMenuRow.h"
#include "statusitems/StatusMenuSectionDivider.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node AppMenuPopoverView::body() {
    using namespace ui;
    const auto row = [](const char* symbol, const char* title, std::optional<std::string> shortcut,
                        const std::function<void()>& action) {
        return view<StatusMenuRow>(symbol, title, std::move(shortcut), action);
    };
    return VStack({.alignment = HorizontalAlignment::leading, .spacing = 0},
                  HStack({.alignment = VerticalAlignment::center, .spacing = 8},
                         Image::asset("MenuBarIcon")
                             .renderingMode(ImageRendering::templateImage)
                             .resizable()
                             .aspectRatio(ContentMode::fit)
                             .frame(18, 18)
                             .foreground(Color::primary()),
                         Text("Tessivane").font(Font::system(13, Weight::semibold)),
                         Spacer())
                      .padding(Edges::horizontal, 12)
                      .padding(Edges::vertical, 8),
                  view<StatusMenuSectionDivider>(),
                  row("gearshape", "Settings…", "⌘,", commands_.onSettings),
                  view<StatusMenuInsetDivider>(),
                  row("sparkles", "Welcome Tour…", std::nullopt, commands_.onWelcomeTour),
                  view<StatusMenuInsetDivider>(),
                  row("arrow.triangle.2.circlepath", "Check for Updates…", std::nullopt, commands_.onCheckForUpdates),
                  view<StatusMenuInsetDivider>(),
                  row("globe", "Website", std::nullopt, commands_.onWebsite),
                  view<StatusMenuInsetDivider>(),
                  row("envelope", "Email Support…", std::nullopt, commands_.onSupport),
                  view<StatusMenuInsetDivider>(),
                  row("heart", "Leave a Tip…", std::nullopt, commands_.onTip),
                  view<StatusMenuSectionDivider>(),
                  row("power", "Quit Tessivane", "⌘Q", commands_.onQuit))
        .frame({.width = GroupPopoverView::width})
        .background(Fill(Color::windowBackground()).ignoresSafeArea())
        .layoutDirection(LayoutDirection::leftToRight);
}

}  // namespace tessivane
