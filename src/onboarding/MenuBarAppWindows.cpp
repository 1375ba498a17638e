#include "onboarding/MenuBarAppWindows.h"

#include "platform/Application.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "platform/Window.h"

namespace tessivane::MenuBarAppWindows {

void restoreAccessoryIfIdle() {
    platform::RunLoop::main().async([] {
        if (!platform::services().application) return;
        platform::Application& app = platform::application();
        for (const auto& window : app.windows()) {
            // Status item windows, popovers and menus are not titled and never count.
            if (window && window->isVisible() && window->isTitled()) return;
        }
        app.setActivationPolicy(platform::ActivationPolicy::accessory);
    });
}

void bringForward(platform::Window& window) {
    platform::Application& app = platform::application();
    app.setActivationPolicy(platform::ActivationPolicy::regular);
    app.activate(true);
    window.makeKeyAndOrderFront();
    window.orderFrontRegardless();
}

}  // namespace tessivane::MenuBarAppWindows
