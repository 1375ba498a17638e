#pragma once
#include <optional>
#include <string>

#include "ui/View.h"

namespace tessivane {

// A vossel's icon on a rounded square of `size` points. Small wells show the symbol in the
// vossel's colour on a faint square; large ones (56 points and up) show it white on a
// square of the vossel's colour. A custom image always sits on the faint square.
class VosselIconWell : public ui::View {
public:
    static constexpr double largeThreshold = 56;

    VosselIconWell(std::string symbolName, std::string colorHex, std::optional<std::string> customIconFilename,
                   double size)
        : symbolName_(std::move(symbolName)), colorHex_(std::move(colorHex)),
          customIconFilename_(std::move(customIconFilename)), size_(size) {}

    ui::Node body() override;

    static bool isLarge(double size) { return size >= largeThreshold; }

private:
    std::string symbolName_;
    std::string colorHex_;
    std::optional<std::string> customIconFilename_;
    double size_;
};

}  // namespace tessivane
