#include "onboarding/AccessibilityReapprovalInstructions.h"

#include <string>

#include "onboarding/AccessibilitySettingsIllustration.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node AccessibilityReapprovalInstructions::body() {
    using namespace ui;
    return VStack({.alignment = HorizontalAlignment::leading, .spacing = 12},
                  Text(title).font(Font::headline()),
                  Text(explanation).font(Font::callout()).foreground(Color::secondary()).fixedSize(false, true),
                  Label(reassurance, Image::system("checkmark.shield.fill").foreground(Color::green()))
                      .font(Font::callout())
                      .fixedSize(false, true)
                      .padding(10)
                      .frame({.maxWidth = infinity, .alignment = Alignment::leading})
                      .background(RoundedRectangle(8).fill(Color::green().opacity(0.12))),
                  view<AccessibilitySettingsIllustration>().frame({.maxWidth = 420}),
                  stepRows(),
                  actions());
}

ui::Node AccessibilityReapprovalInstructions::stepRows() const {
    using namespace ui;
    return VStack({.alignment = HorizontalAlignment::leading, .spacing = 6},
                  ForEach(static_cast<int>(steps.size()), [](int i) {
                      return HStack({.alignment = VerticalAlignment::top, .spacing = 8},
                                    Text(std::to_string(i + 1) + ".")
                                        .font(Font::callout())
                                        .monospacedDigit()
                                        .foreground(Color::secondary())
                                        .frame({.width = 18, .alignment = Alignment::trailing}),
                                    Text(steps[static_cast<size_t>(i)])
                                        .font(Font::callout())
                                        .foreground(Color::secondary())
                                        .fixedSize(false, true));
                  }));
}

ui::Node AccessibilityReapprovalInstructions::actions() const {
    using namespace ui;
    auto open = onOpenSettings_;
    auto restart = onRestart_;
    return HStack({.alignment = VerticalAlignment::center, .spacing = 8},
                  Button(enableTitle,
                         [open] {
                             if (open) open();
                         })
                      .buttonStyle(ButtonStyle::borderedProminent),
                  restart ? Button(restartTitle, [restart] { restart(); }) : Empty());
}

}  // namespace tessivane
