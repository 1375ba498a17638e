#pragma once
#include <string>

#include "platform/Color.h"
#include "ui/View.h"

namespace tessivane {

// A drawn imitation of the system's Accessibility list after an update: the old copy's
// entry, faded and marked for removal, above the current copy's entry marked to be switched
// on. A picture only: nothing in it reacts, and it reads as one accessibility element.
class AccessibilitySettingsIllustration : public ui::View {
public:
    static constexpr const char* accessibilityLabel =
        "Illustration: remove the faded old Tessivane entry, then enable the current Tessivane app.";

    ui::Node body() override;

private:
    static ui::Node appIcon();
    static ui::Node oldEntryRow();
    static ui::Node newEntryRow();
    static ui::Node fakeToggle(bool isOn);
    static ui::Node calloutBadge(std::string text, platform::Color color, std::string systemImage);
};

}  // namespace tessivane
