#pragma once
#include "ui/View.h"

namespace tessivane {

// The opt-in card of the anonymous device-information report: a switch bound to
// `AppState::shareSystemInfoWithDeveloper` and what the report holds. Reads the shared
// AppState from the environment.
class AnonymousDeviceInfoOptIn : public ui::View {
public:
    static constexpr const char* caption =
        "Optional. With update checks we get macOS version, chip, memory, display count, notch, menu bar width, RTL, "
        "and counts of vossels, environments, and icons. No names, files, or which apps you grouped.";

    ui::Node body() override;
};

}  // namespace tessivane
