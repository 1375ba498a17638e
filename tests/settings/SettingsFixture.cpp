#include "SettingsFixture.h"

#include "support/DesktopOnHome.h"
#include "ui/Environment.h"

namespace settings_test {

using testsupport::defaultScene;

SettingsTest::SettingsTest() {
    desktop_ = std::make_unique<desktop::Desktop>(defaultScene());
    desktop_->install();
}

SettingsTest::~SettingsTest() {
    appState_.reset();
    desktop_.reset();
}

AppState& SettingsTest::appState() {
    if (!appState_) {
        appState_ = std::make_unique<AppState>();
        appState_->start();
    }
    return *appState_;
}

void SettingsTest::grantAndDiscover() {
    desktop_->setAccessibilityTrusted(true);
    AppState& state = appState();
    state.permissionManager.refresh();
    state.discovery.items = state.discovery.discoverItems(true);
}

std::unique_ptr<ui::Host> SettingsTest::host(std::shared_ptr<ui::View> view) {
    return std::make_unique<ui::Host>(std::move(view), ui::Environment{}.withObject(appState()));
}

const tessivane::DiscoveredMenuBarItem& SettingsTest::liveItem(const std::string& name) {
    for (const auto& item : appState().discovery.items.get()) {
        if (item.title == name || item.displayName() == name) return item;
    }
    ADD_FAILURE() << "no live icon called " << name;
    static tessivane::DiscoveredMenuBarItem none;
    return none;
}

tessivane::IconGroup SettingsTest::makeVossel(const std::string& name, const std::vector<std::string>& members) {
    AppState& state = appState();
    const platform::UUID id = platform::UUID::random();
    state.groupStore.createGroup(name, "star.fill", std::nullopt, std::nullopt, id);
    for (const std::string& member : members) state.groupStore.toggleMember(liveItem(member).id, id);
    state.syncGroupStatusItems();
    return *storedVossel(id);
}

std::optional<tessivane::IconGroup> SettingsTest::storedVossel(const platform::UUID& id) {
    for (const auto& group : appState().groupStore.groups()) {
        if (group.id == id) return group;
    }
    return std::nullopt;
}

std::filesystem::path SettingsTest::writeImage(const std::string& name) {
    const std::filesystem::path path = home() / name;
    std::filesystem::copy_file(std::filesystem::path(TESSIVANE_RESOURCES_DIR) / "AppLogo.png", path,
                               std::filesystem::copy_options::overwrite_existing);
    return path;
}

}  // namespace settings_test
