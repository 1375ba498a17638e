#pragma once
#include <functional>

#include "ui/View.h"

namespace tessivane {

// The "How hiding works" page of the settings window: a cover with the illustration.
class HideHowItWorksView : public ui::View {
public:
    static constexpr const char* introduction =
        "Apps you hide sit on the far side of the thin line, away from the clock. Your vossel stays beside the arrow, "
        "on the clock side, so you can open one app without showing everything.";

    explicit HideHowItWorksView(std::function<void()> onDismiss) : onDismiss_(std::move(onDismiss)) {}
    ui::Node body() override;

private:
    std::function<void()> onDismiss_;
};

}  // namespace tessivane
