#pragma once
#include <string>

#include "ui/Font.h"
#include "ui/View.h"

namespace tessivane {

// A vossel's symbol drawn in its colour (palette rendering), or in the primary colour when
// the vossel has none.
class ColoredSymbolView : public ui::View {
public:
    ColoredSymbolView(std::string symbolName, std::string colorHex, ui::Font font)
        : symbolName_(std::move(symbolName)), colorHex_(std::move(colorHex)), font_(font) {}
    ui::Node body() override;

private:
    std::string symbolName_;
    std::string colorHex_;
    ui::Font font_;
};

}  // namespace tessivane
