#pragma once
#include <functional>
#include <optional>
#include <string>

#include "platform/UUID.h"
#include "ui/Binding.h"
#include "ui/View.h"

namespace tessivane {

// A small vossel icon (and an optional title) that opens the icon picker: in a popover of
// its own, or, when `onOpen` is given, by calling it so that the caller shows
// IconPickerScreen in place of its content.
class IconPickerButton : public ui::View {
public:
    static constexpr const char* helpText = "Change the vossel icon";

    IconPickerButton(ui::Binding<std::string> selection, ui::Binding<std::string> accentColorHex,
                     ui::Binding<std::optional<std::string>> customIconFilename, platform::UUID importGroupID,
                     std::string title, std::function<void()> onOpen = {})
        : selection_(std::move(selection)), accentColorHex_(std::move(accentColorHex)),
          customIconFilename_(std::move(customIconFilename)), importGroupID_(importGroupID), title_(std::move(title)),
          onOpen_(std::move(onOpen)) {}

    ui::Node body() override;

private:
    ui::Binding<std::string> selection_;
    ui::Binding<std::string> accentColorHex_;
    ui::Binding<std::optional<std::string>> customIconFilename_;
    platform::UUID importGroupID_;
    std::string title_;
    std::function<void()> onOpen_;
    ui::State<bool> isPresented_{this, false};
};

}  // namespace tessivane
