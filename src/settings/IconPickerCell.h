#pragma once
#include <functional>
#include <string>

#include "ui/View.h"

namespace tessivane {

// One symbol of the icon picker's grid: the symbol on a rounded tile, filled with the
// vossel's colour (or the accent) when it is the chosen one.
class IconPickerCell : public ui::View {
public:
    static constexpr double side = 58;

    IconPickerCell(std::string symbol, std::string colorHex, bool isSelected, std::function<void()> action)
        : symbol_(std::move(symbol)), colorHex_(std::move(colorHex)), isSelected_(isSelected), action_(std::move(action)) {}

    ui::Node body() override;

private:
    std::string symbol_;
    std::string colorHex_;
    bool isSelected_;
    std::function<void()> action_;
    ui::State<bool> isHovered_{this, false};
};

}  // namespace tessivane
