#include "settings/EnvironmentMenuButton.h"

#include "app/AppState.h"
#include "settings/SettingsTheme.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

std::string EnvironmentMenuButton::renameTitle(const std::string& environmentName) {
    return "Rename \u201C" + environmentName + "\u201D\u2026";
}

std::string EnvironmentMenuButton::deleteTitle(const std::string& environmentName) {
    return "Delete \u201C" + environmentName + "\u201D\u2026";
}

ui::Node EnvironmentMenuButton::body() {
    using namespace ui;
    AppState& appState = environmentObject<AppState>();
    GroupStore& store = appState.groupStore;
    const EnvironmentProfile* active = store.activeEnvironment();

    auto label = HStack({.spacing = 6},
                        Text(active ? active->name : "Environment").lineLimit(1),
                        Image::system("chevron.down").font(Font::system(8, Weight::semibold)).foreground(Color::secondary()))
                     .font(Font::system(13, Weight::medium))
                     .padding(Edges::horizontal, 10)
                     .frame({.height = 28})
                     .frame({.maxWidth = 148})
                     .apply(settingsSurface(6, Color::windowBackground(), Color::primary().opacity(0.16), 1, 0));

    std::vector<Node> items;
    AppState* state = &appState;
    auto onSelect = onSelectEnvironment_;
    items.push_back(ForEach(
        store.environments.get(), [](const EnvironmentProfile& e) { return e.id.uuidString(); },
        [&](const EnvironmentProfile& e) {
            const platform::UUID id = e.id;
            const bool isActive = store.activeEnvironmentID.get() == id;
            // Choosing the active environment runs the whole switch too.
            return Button(
                [state, id, onSelect] {
                    state->groupStore.switchEnvironment(id);
                    state->syncGroupStatusItems();
                    state->applyHiding();
                    state->objectWillChange.send();
                    if (onSelect) onSelect();
                },
                isActive ? Label(e.name, "checkmark") : Text(e.name));
        }));
    items.push_back(Divider());
    items.push_back(Button("Add environment\u2026", [onAdd = onAdd_] {
        if (onAdd) onAdd();
    }));
    if (active) {
        // The environment is looked up when the item is chosen: a copy in the menu would copy
        // every vossel of it at every render.
        auto withActive = [state, id = active->id](const std::function<void(EnvironmentProfile)>& action) {
            if (!action) return;
            for (const EnvironmentProfile& e : state->groupStore.environments.get()) {
                if (e.id == id) return action(e);
            }
        };
        items.push_back(Button(renameTitle(active->name), [withActive, onRename = onRename_] { withActive(onRename); }));
        if (store.environments->size() >= 2) {
            items.push_back(Button(deleteTitle(active->name), [withActive, onDelete = onDelete_] { withActive(onDelete); })
                                .role(ButtonRole::destructive));
        }
    }

    return pointingHandCursor(Menu(std::move(label), std::move(items))
                                  .menuStyle(MenuStyle::borderlessButton)
                                  .menuIndicator(Visibility::hidden)
                                  .fixedSize())
        .help("Switch environment");
}

}  // namespace tessivane
