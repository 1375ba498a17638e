#include "onboarding/AccessibilitySettingsIllustration.h"

#include <utility>

#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

namespace {

// A list row of the imitated settings pane: a tinted rounded card edged in the same tint.
ui::Node entryCard(ui::Node row, platform::Color tint, double fillOpacity, double edgeOpacity, double edgeWidth) {
    using namespace ui;
    return std::move(row)
        .padding(Edges::horizontal, 10)
        .padding(Edges::vertical, 8)
        .background(RoundedRectangle(8).fill(tint.opacity(fillOpacity)))
        .overlay(RoundedRectangle(8).strokeBorder(tint.opacity(edgeOpacity), edgeWidth));
}

}  // namespace

ui::Node AccessibilitySettingsIllustration::body() {
    using namespace ui;
    return VStack({.alignment = HorizontalAlignment::leading, .spacing = 10},
                  HStack({.spacing = 6},
                         Image::system("hand.raised.fill").font(Font::caption()).foreground(Color::secondary()),
                         Text("Accessibility").font(Font::caption().withWeight(Weight::semibold)),
                         Spacer()),
                  oldEntryRow().overlay(calloutBadge("Remove old", Color::red(), "minus.circle.fill").offset(6, -10),
                                        Alignment::topTrailing),
                  HStack(Spacer(),
                         Image::system("arrow.down").font(Font::caption().bold()).foreground(Color::orange()),
                         Spacer()),
                  newEntryRow().overlay(
                      calloutBadge("Enable this one", Color::green(), "checkmark.circle.fill").offset(6, -10),
                      Alignment::topTrailing))
        .padding(12)
        .background(RoundedRectangle(10).fill(Color::windowBackground()))
        .overlay(RoundedRectangle(10).strokeBorder(Color::primary().opacity(0.1), 1))
        .accessibilityCombine()
        .accessibilityLabel(accessibilityLabel);
}

ui::Node AccessibilitySettingsIllustration::appIcon() {
    using namespace ui;
    return Image::asset("AppLogo")
        .resizable()
        .aspectRatio(ContentMode::fit)
        .frame(24, 24)
        .clipShape(RoundedRectangle(5));
}

ui::Node AccessibilitySettingsIllustration::oldEntryRow() {
    using namespace ui;
    return entryCard(HStack({.alignment = VerticalAlignment::center, .spacing = 10},
                            appIcon(),
                            VStack({.alignment = HorizontalAlignment::leading, .spacing = 1},
                                   Text("Tessivane").font(Font::callout()).strikethrough().foreground(Color::secondary()),
                                   Text("old copy after update").font(Font::caption2()).foreground(Color::tertiary())),
                            Spacer(8),
                            fakeToggle(true).opacity(0.35),
                            Image::system("minus.circle.fill")
                                .font(Font::title3())
                                .foreground(Color::red())
                                .symbolRenderingMode(SymbolRendering::hierarchical)),
                     Color::red(), 0.08, 0.25, 1);
}

ui::Node AccessibilitySettingsIllustration::newEntryRow() {
    using namespace ui;
    return entryCard(HStack({.alignment = VerticalAlignment::center, .spacing = 10},
                            appIcon(),
                            VStack({.alignment = HorizontalAlignment::leading, .spacing = 1},
                                   Text("Tessivane").font(Font::callout().withWeight(Weight::medium)),
                                   Text("/Applications/Tessivane.app")
                                       .font(Font::caption2())
                                       .foreground(Color::secondary())
                                       .lineLimit(1)),
                            Spacer(8),
                            fakeToggle(true)),
                     Color::green(), 0.1, 0.35, 1.5);
}

ui::Node AccessibilitySettingsIllustration::fakeToggle(bool isOn) {
    using namespace ui;
    return ZStack({.alignment = isOn ? Alignment::trailing : Alignment::leading},
                  Capsule().fill(isOn ? Color::green() : Color::primary().opacity(0.15)).frame(38, 22),
                  Circle()
                      .fill(Color::white())
                      .frame(18, 18)
                      .padding(2)
                      .shadow({.color = Color::black().opacity(0.12), .radius = 0.5, .x = 0, .y = 0.5}));
}

ui::Node AccessibilitySettingsIllustration::calloutBadge(std::string text, platform::Color color,
                                                         std::string systemImage) {
    using namespace ui;
    return HStack({.alignment = VerticalAlignment::center, .spacing = 4},
                  Image::system(std::move(systemImage)).font(Font::caption2().bold()),
                  Text(std::move(text)).font(Font::caption2().withWeight(Weight::semibold)))
        .padding(Edges::horizontal, 8)
        .padding(Edges::vertical, 4)
        .background(Capsule().fill(color))
        .foreground(Color::white());
}

}  // namespace tessivane
