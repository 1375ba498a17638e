#pragma once
#include <functional>

#include "ui/View.h"

namespace tessivane {

// The "Settings" button with a gear that opens the More settings page.
class SettingsGearButton : public ui::View {
public:
    explicit SettingsGearButton(std::function<void()> action) : action_(std::move(action)) {}
    ui::Node body() override;

private:
    std::function<void()> action_;
};

}  // namespace tessivane
