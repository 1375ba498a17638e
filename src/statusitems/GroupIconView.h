#pragma once
#include <optional>
#include <string>

#include "ui/Font.h"
#include "ui/View.h"

namespace tessivane {

// A vossel's icon inside a view: its custom image fitted into the space offered, or its
// symbol in its colour. The custom file is read again on every render, so a replaced or
// deleted file shows at once.
class GroupIconView : public ui::View {
public:
    GroupIconView(std::string symbolName, std::string colorHex, std::optional<std::string> customIconFilename,
                  ui::Font font)
        : symbolName_(std::move(symbolName)), colorHex_(std::move(colorHex)),
          customIconFilename_(std::move(customIconFilename)), font_(font) {}
    ui::Node body() override;

private:
    std::string symbolName_;
    std::string colorHex_;
    std::optional<std::string> customIconFilename_;
    ui::Font font_;
};

}  // namespace tessivane
