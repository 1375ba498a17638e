#include "settings/HideHowItWorksIllustration.h"

#include "engine/SystemMenuBarLayout.h"
#include "settings/MenuBarClockFormat.h"
#include "settings/SettingsTheme.h"
#include "ui/Color.h"
#include "ui/Nodes.h"
#include "ui/TimelineView.h"

namespace tessivane {

const HideHowItWorksIllustration::Card HideHowItWorksIllustration::cards[3] = {
    {"1", "\u2318-drag apps away from the clock",
     "Hold \u2318 Command and drag each app past the thin line, to the side opposite the clock. That\u2019s a macOS "
     "step, and every menu bar tool that hides icons asks for the same one."},
    {"2", "Click > to tuck them away",
     "The arrow hides everything on the far side of the line. Your vossel stays next to the arrow, on the clock side "
     "with Wi\u2011Fi."},
    {"3", "Open one from the vossel",
     "Click the vossel when you need an app. You don\u2019t have to un-hide the whole bar."},
};

ui::LayoutDirection HideHowItWorksIllustration::systemMenuBarLayoutDirection() {
    return SystemMenuBarLayout::isRightToLeft() ? ui::LayoutDirection::rightToLeft : ui::LayoutDirection::leftToRight;
}

ui::Node HideHowItWorksIllustration::labeledCluster(const std::string& label, ui::Node content) {
    using namespace ui;
    return VStack({.spacing = 6},
                  std::move(content).frame({.height = 18}),
                  Text(label)
                      .font(Font::system(10, Weight::medium))
                      .foreground(Color::secondary())
                      .multilineTextAlignment(TextAlignment::center)
                      .lineLimit(1)
                      .fixedSize());
}

ui::Node HideHowItWorksIllustration::mockMenuBar() {
    using namespace ui;
    const platform::Color& accent = SettingsTheme::accent();
    auto appSymbol = [] { return Image::system("app.fill").font(Font::system(10)).foreground(Color::secondary()); };
    auto hiddenApps = HStack({.spacing = 5}, appSymbol(), appSymbol(), appSymbol())
                          .padding(Edges::horizontal, 8)
                          .frame(92, 18)
                          .overlay(RoundedRectangle(4).strokeBorder(Color::primary().opacity(0.28), 1, {4, 3}));
    auto lineAndArrow = HStack({.spacing = 6},
                               Capsule().fill(accent).frame(2, 16),
                               Image::system("chevron.right").font(Font::system(11, Weight::semibold)).foreground(accent));
    auto vosselIcon = Image::asset("MenuBarIcon")
                          .renderingMode(ImageRendering::templateImage)
                          .resizable()
                          .interpolation(Interpolation::high)
                          .aspectRatio(ContentMode::fit)
                          .frame(16, 16)
                          .foreground(accent);
    auto clock = TimelineView(clockInterval, [](double now) {
        return Text(MenuBarClockFormat::string(platform::Date{now})).monospacedDigit().layoutPriority(1);
    });
    return HStack({.alignment = VerticalAlignment::top, .spacing = 8},
                  Text(mockMenus).foreground(Color::secondary()).padding(Edges::top, 10),
                  Spacer(8),
                  labeledCluster("Hidden apps", std::move(hiddenApps)),
                  labeledCluster("|  >", std::move(lineAndArrow)),
                  labeledCluster("Vossel", std::move(vosselIcon)),
                  HStack({.spacing = 6}, Image::system("wifi"), Image::system("switch.2"), std::move(clock))
                      .padding(Edges::top, 10))
        .font(Font::system(12, Weight::medium))
        .foreground(Color::primary().opacity(0.85))
        .padding(Edges::horizontal, 10)
        .padding(Edges::vertical, 8)
        .apply(settingsSurface(8, Color::primary().opacity(0.05), Color::primary().opacity(0.12), 1, 0));
}

ui::Node HideHowItWorksIllustration::legendCard(const Card& card) {
    using namespace ui;
    return HStack({.alignment = VerticalAlignment::top, .spacing = 10},
                  Text(card.number)
                      .font(Font::system(12, Weight::bold))
                      .foreground(Color::white())
                      .frame(22, 22)
                      .background(Circle().fill(SettingsTheme::accent()))
                      .fixedSize(),
                  VStack({.alignment = HorizontalAlignment::leading, .spacing = 3},
                         Text(card.title).font(Font::system(13, Weight::semibold)),
                         Text(card.detail)
                             .font(Font::system(13))
                             .foreground(Color::secondary())
                             .fixedSize(false, true)))
        .padding(12)
        .frame({.maxWidth = infinity, .alignment = Alignment::leading})
        .background(RoundedRectangle(10).fill(Color::primary().opacity(0.04)));
}

ui::Node HideHowItWorksIllustration::body() {
    using namespace ui;
    return VStack({.alignment = HorizontalAlignment::leading, .spacing = 16},
                  VStack({.alignment = HorizontalAlignment::leading, .spacing = 8}, mockMenuBar())
                      .layoutDirection(systemMenuBarLayoutDirection()),
                  VStack({.alignment = HorizontalAlignment::leading, .spacing = 10},
                         legendCard(cards[0]), legendCard(cards[1]), legendCard(cards[2])))
        .padding(16)
        .apply(settingsSurface(12, Color::windowBackground(), Color::primary().opacity(0.14), 1, 0));
}

}  // namespace tessivane
