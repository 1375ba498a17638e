#pragma once
#include <functional>

#include "model/EnvironmentProfile.h"
#include "ui/View.h"

namespace tessivane {

// The environment switcher of the editor's rail: a borderless menu titled with the active
// environment that switches environments and asks its owner to add, rename or delete one.
// Reads the shared AppState from the environment.
class EnvironmentMenuButton : public ui::View {
public:
    EnvironmentMenuButton(std::function<void()> onSelectEnvironment, std::function<void()> onAdd,
                          std::function<void(EnvironmentProfile)> onRename,
                          std::function<void(EnvironmentProfile)> onDelete)
        : onSelectEnvironment_(std::move(onSelectEnvironment)), onAdd_(std::move(onAdd)),
          onRename_(std::move(onRename)), onDelete_(std::move(onDelete)) {}

    ui::Node body() override;

    // Rename “Work”… / Delete “Work”…
    static std::string renameTitle(const std::string& environmentName);
    static std::string deleteTitle(const std::string& environmentName);

private:
    std::function<void()> onSelectEnvironment_;
    std::function<void()> onAdd_;
    std::function<void(EnvironmentProfile)> onRename_;
    std::function<void(EnvironmentProfile)> onDelete_;
};

}  // namespace tessivane
