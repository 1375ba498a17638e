#pragma once
#include <functional>
#include <optional>
#include <string>

#include "platform/UUID.h"
#include "ui/Binding.h"
#include "ui/View.h"

namespace tessivane {

// The page that creates a vossel. Its owner keeps the values being typed and creates the
// vossel (with `importGroupID` as its id) in `onCreate`. As a sheet's first field does, the
// name field has the focus when the page comes up: what is typed at once names the vossel.
class NewVosselSheet : public ui::View {
public:
    NewVosselSheet(ui::Binding<std::string> name, ui::Binding<std::string> symbol, ui::Binding<std::string> colorHex,
                   ui::Binding<std::optional<std::string>> customIconFilename, platform::UUID importGroupID,
                   std::function<void()> onCancel, std::function<void()> onCreate)
        : name_(std::move(name)), symbol_(std::move(symbol)), colorHex_(std::move(colorHex)),
          customIconFilename_(std::move(customIconFilename)), importGroupID_(importGroupID),
          onCancel_(std::move(onCancel)), onCreate_(std::move(onCreate)) {}

    ui::Node body() override;

private:
    ui::Binding<std::string> name_;
    ui::Binding<std::string> symbol_;
    ui::Binding<std::string> colorHex_;
    ui::Binding<std::optional<std::string>> customIconFilename_;
    platform::UUID importGroupID_;
    std::function<void()> onCancel_;
    std::function<void()> onCreate_;
    ui::State<bool> nameFocused_{this, true};
};

}  // namespace tessivane
