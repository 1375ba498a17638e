#pragma once
#include <functional>
#include <optional>
#include <string>

#include "platform/UUID.h"
#include "ui/Binding.h"
#include "ui/View.h"

namespace tessivane {

// The icon picker as a full-window page: a cover header with Back (Escape too), "Choose
// icon" and the icon as chosen so far, over IconPickerView.
class IconPickerScreen : public ui::View {
public:
    IconPickerScreen(ui::Binding<std::string> selection, ui::Binding<std::string> accentColorHex,
                     ui::Binding<std::optional<std::string>> customIconFilename, platform::UUID importGroupID,
                     std::function<void()> onBack)
        : selection_(std::move(selection)), accentColorHex_(std::move(accentColorHex)),
          customIconFilename_(std::move(customIconFilename)), importGroupID_(importGroupID), onBack_(std::move(onBack)) {}

    ui::Node body() override;

private:
    ui::Binding<std::string> selection_;
    ui::Binding<std::string> accentColorHex_;
    ui::Binding<std::optional<std::string>> customIconFilename_;
    platform::UUID importGroupID_;
    std::function<void()> onBack_;
};

}  // namespace tessivane
