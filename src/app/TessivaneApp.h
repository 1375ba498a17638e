#pragma once
#include <memory>

#include "app/AppDelegate.h"
#include "platform/Menu.h"

namespace tessivane {

// The application description: one delegate for the whole run, and a settings scene with no
// content of its own whose only command, "Settings…" (Command-comma), opens settings through
// the delegate (the welcome tour instead while onboarding is incomplete).
struct TessivaneApp {
    std::shared_ptr<AppDelegate> appDelegate = std::make_shared<AppDelegate>();

    // The scene's commands as the application's first main menu; the delegate installs its
    // own main menu when launching finishes.
    std::shared_ptr<platform::Menu> body() const;

    // The entry point: registers the application with the platform, which then creates it
    // (its delegate and scene) each time the system launches it, with the launch arguments
    // already in place.
    static void main();
};

}  // namespace tessivane
