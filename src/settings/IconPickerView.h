#pragma once
#include <memory>
#include <optional>
#include <string>

#include "platform/UUID.h"
#include "ui/Binding.h"
#include "ui/View.h"

namespace tessivane {

// Chooses a vossel's icon: a colour, an image file from the Mac, or a symbol of the
// catalogue (searchable). Edits its caller's three values through the bindings at once and
// never touches the stored vossels; an imported image is written to disk right away, named
// after `importGroupID`.
class IconPickerView : public ui::View {
public:
    static constexpr const char* openPanelTitle = "Choose an icon";
    static constexpr const char* openPanelMessage = "Select a PNG, JPEG, PDF, or ICNS image.";

    IconPickerView(ui::Binding<std::string> selection, ui::Binding<std::string> accentColorHex,
                   ui::Binding<std::optional<std::string>> customIconFilename, platform::UUID importGroupID)
        : selection_(std::move(selection)), accentColorHex_(std::move(accentColorHex)),
          customIconFilename_(std::move(customIconFilename)), importGroupID_(importGroupID) {}

    ui::Node body() override;

    // The import under way: it counts only while it is the latest of the picker's choices.
    using ImportTicket = std::shared_ptr<const bool>;

    // Asks for an image file and stores it as the vossel's custom icon, replacing the previous
    // file, once the file is copied and decoded in the background. A cancelled panel changes
    // nothing; a failed import beeps and changes nothing. An import outdone before it ends (by
    // another choice in the picker, or by the picker closing) changes nothing either.
    static void importFromMac(const ui::Binding<std::optional<std::string>>& customIconFilename,
                              const platform::UUID& importGroupID, const ui::Binding<ImportTicket>& ticket);

private:
    // Drops the custom image, deleting its file; the icon is the chosen symbol again.
    static void removeCustomImage(const ui::Binding<std::optional<std::string>>& customIconFilename,
                                  const ui::Binding<ImportTicket>& ticket);
    ui::Node symbolGrid();

    ui::Binding<std::string> selection_;
    ui::Binding<std::string> accentColorHex_;
    ui::Binding<std::optional<std::string>> customIconFilename_;
    platform::UUID importGroupID_;
    ui::State<std::string> searchText_{this, ""};
    ui::State<ImportTicket> importTicket_{this};
};

}  // namespace tessivane
