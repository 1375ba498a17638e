#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "model/IconGroup.h"
#include "ui/View.h"

namespace tessivane {

// The page that renames a vossel and changes its icon. Edits stay here until Save, which
// hands the trimmed name, the symbol, the colour and the custom file to `onSave`; Back
// leaves the vossel as it was. The icon picker writes and deletes image files at once, so
// the page keeps the vossel's own image file and, when it goes away without a save, puts
// that file back and removes any image imported meanwhile.
class EditVosselScreen : public ui::View {
public:
    using SaveAction = std::function<void(const std::string& name, const std::string& symbol,
                                          const std::string& colorHex,
                                          const std::optional<std::string>& customIconFilename)>;

    EditVosselScreen(IconGroup group, std::function<void()> onCancel, SaveAction onSave)
        : group_(std::move(group)), onCancel_(std::move(onCancel)), onSave_(std::move(onSave)) {}

    ui::Node body() override;

private:
    struct IconFileGuard;

    IconGroup group_;
    std::function<void()> onCancel_;
    SaveAction onSave_;
    ui::State<std::string> name_{this, group_.name};
    ui::State<std::string> symbol_{this, group_.symbolName};
    ui::State<std::string> colorHex_{this, group_.symbolColorHex};
    ui::State<std::optional<std::string>> customIconFilename_{this, group_.customIconFilename};
    // Shared by the screen's successive instances; set up when the page appears.
    ui::State<std::shared_ptr<IconFileGuard>> guard_{this, nullptr};
};

}  // namespace tessivane
