#pragma once
#include <string>

#include "ui/Binding.h"
#include "ui/View.h"

namespace tessivane {

// "Color": the no-colour swatch and one swatch per palette colour; the chosen one is ringed.
class IconColorPickerRow : public ui::View {
public:
    static constexpr const char* noColorHelp = "Default gray \u2014 matches other menu bar icons";

    explicit IconColorPickerRow(ui::Binding<std::string> accentColorHex) : accentColorHex_(std::move(accentColorHex)) {}
    ui::Node body() override;

private:
    ui::Binding<std::string> accentColorHex_;
};

}  // namespace tessivane
