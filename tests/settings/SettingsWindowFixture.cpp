#include "SettingsWindowFixture.h"

#include <cstdlib>

#include "app/TessivaneApp.h"
#include "desktop/DesktopApplication.h"
#include "platform/Platform.h"
#include "platform/Window.h"
#include "ui/HostingView.h"

namespace settings_test {

SettingsWindowTest::~SettingsWindowTest() {
    // The delegate goes while the desktop still serves it.
    if (desktop_ && delegate_) desktop_->application().setDelegate(nullptr);
    delegate_.reset();
    desktop_.reset();
}

void SettingsWindowTest::launch(bool trusted, std::vector<std::string> arguments) {
    std::string error;
    desktop_ = desktop::Desktop::fromFile(std::string(TESSIVANE_RESOURCES_DIR) + "/scenes/laptop-crowded.json", error);
    ASSERT_TRUE(desktop_) << error;
    desktop_->install();
    desktop_->setAccessibilityTrusted(trusted);
    tessivane::TessivaneApp::main();
    ASSERT_TRUE(desktop_->launchApplication(std::move(arguments)));
    delegate_ = std::dynamic_pointer_cast<tessivane::AppDelegate>(platform::application().delegate());
    if (!delegate_) {
        ADD_FAILURE() << "the launched application has no Tessivane delegate";
        std::abort();
    }
    desktop_->advance(0);
    settle();
}

void SettingsWindowTest::settle() {
    desktop_->advance(0);
    desktop_->advance(0);
}

ui::Host& SettingsWindowTest::window() {
    const auto& settings = delegate_->settingsWindow.window();
    auto* hosting = settings ? dynamic_cast<ui::HostingView*>(settings->contentView().get()) : nullptr;
    if (!hosting) {
        ADD_FAILURE() << "no settings window";
        std::abort();
    }
    return hosting->host();
}

bool SettingsWindowTest::click(ui::Element element) {
    const bool took = element.click();
    settle();
    return took;
}

std::optional<tessivane::IconGroup> SettingsWindowTest::vosselNamed(const std::string& name) {
    for (const auto& vossel : vossels()) {
        if (vossel.name == name) return vossel;
    }
    return std::nullopt;
}

const desktop::BarItem* SettingsWindowTest::statusItemOf(const platform::UUID& vossel) const {
    return desktop_->statusItem(desktop_->scene().selfName, "Tessivane.Group." + vossel.uuidString());
}

const tessivane::DiscoveredMenuBarItem& SettingsWindowTest::liveItem(const std::string& name) {
    for (const auto& item : appState().discovery.items.get()) {
        if (item.displayName() == name) return item;
    }
    ADD_FAILURE() << "no live icon called " << name;
    static tessivane::DiscoveredMenuBarItem none;
    return none;
}

ui::Element SettingsWindowTest::memberSwitch(const std::string& name) {
    return text(name).parent().parent().find(ui::byRole(ui::Role::toggle));
}

}  // namespace settings_test
