#include "settings/EditVosselScreen.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "model/CustomGroupIconStore.h"
#include "platform/Text.h"
#include "settings/VosselIdentityForm.h"
#include "ui/Nodes.h"

namespace tessivane {

namespace fs = std::filesystem;

// The vossel's image file as it was when the page appeared.
struct EditVosselScreen::IconFileGuard {
    std::optional<std::string> original;
    std::optional<std::vector<char>> bytes;
    bool saved = false;

    static std::optional<fs::path> pathOf(const std::optional<std::string>& name) {
        if (!name || name->empty() || fs::path(*name).filename() != fs::path(*name)) return std::nullopt;
        return CustomGroupIconStore::shared().folder() / *name;
    }

    explicit IconFileGuard(std::optional<std::string> name) : original(std::move(name)) {
        if (auto path = pathOf(original)) {
            std::ifstream in(*path, std::ios::binary);
            if (in) bytes.emplace(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }

    // Undoes what the picker did to the files: an image imported under another name goes,
    // the vossel's own comes back as it was.
    void discard(const std::optional<std::string>& current) const {
        if (saved) return;
        if (current && current != original) CustomGroupIconStore::shared().deleteFile(current);
        auto path = pathOf(original);
        if (!path || !bytes) return;
        std::ofstream out(*path, std::ios::binary | std::ios::trunc);
        out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
    }
};

ui::Node EditVosselScreen::body() {
    auto name = name_.binding();
    auto symbol = symbol_.binding();
    auto colorHex = colorHex_.binding();
    auto custom = customIconFilename_.binding();
    auto guard = guard_.binding();
    auto onSave = onSave_;
    const std::optional<std::string> original = group_.customIconFilename;
    return ui::view<VosselIdentityForm>(
               VosselIdentityForm::Texts{"Edit vossel", "Name and icon",
                                         "Save keeps the changes. Back leaves them as they were.", "Save",
                                         "ui.groupName", "ui.saveVossel"},
               name, symbol, colorHex, custom, group_.id, onCancel_,
               [=] {
                   if (auto g = guard.get()) g->saved = true;
                   if (onSave) onSave(platform::Text::trimmed(name.get()), symbol.get(), colorHex.get(), custom.get());
               })
        .onAppear([guard, original] {
            if (!guard.get()) guard.set(std::make_shared<IconFileGuard>(original));
        })
        .onDisappear([guard, custom] {
            if (auto g = guard.get()) g->discard(custom.get());
        });
}

}  // namespace tessivane
