#include "app/TessivaneApp.h"

#include <optional>

#include "platform/Application.h"
#include "platform/Platform.h"

namespace tessivane {

std::shared_ptr<platform::Menu> TessivaneApp::body() const {
    auto commands = std::make_shared<platform::Menu>();
    commands->addItem("Settings\u2026",
                      [weak = std::weak_ptr<AppDelegate>(appDelegate)] {
                          if (auto delegate = weak.lock()) delegate->openSettings(std::nullopt);
                      },
                      ",");
    auto appMenu = std::make_shared<platform::MenuItem>();
    appMenu->submenu = std::move(commands);
    auto menu = std::make_shared<platform::Menu>();
    menu->addItem(std::move(appMenu));
    return menu;
}

void TessivaneApp::main() {
    platform::registerApplicationDelegateFactory([]() -> std::shared_ptr<platform::ApplicationDelegate> {
        TessivaneApp app;
        if (platform::services().application) platform::application().setMainMenu(app.body());
        return app.appDelegate;
    });
}

}  // namespace tessivane
