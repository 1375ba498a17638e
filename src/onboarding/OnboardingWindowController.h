#pragma once
#include <memory>

#include "platform/Signal.h"
#include "platform/Window.h"
#include "statusitems/WeakAnchor.h"

namespace tessivane {

class AppState;

// The single welcome window. It is built on the first `show` and reused for the rest of the
// run, so the tour keeps its place when it is closed and opened again. While it is up the
// application behaves as an ordinary one (Dock icon, focus). Main thread only.
class OnboardingWindowController {
public:
    static constexpr const char* windowTitle = "Welcome to Tessivane";
    static constexpr platform::Size contentSize{520, 500};

    OnboardingWindowController() = default;
    OnboardingWindowController(const OnboardingWindowController&) = delete;
    OnboardingWindowController& operator=(const OnboardingWindowController&) = delete;

    // Builds the window on the first call; every call brings the application and the window
    // to the front and asks for the user's attention.
    void show(AppState& appState);

    // Null until the first `show`.
    const std::shared_ptr<platform::Window>& window() const { return window_; }

private:
    // The tour's own way out: closes the window and, once the tour is complete, lets the
    // application return to the menu bar.
    void dismiss();
    void windowWillClose();

    std::shared_ptr<platform::Window> window_;
    platform::Subscription closeObserver_;
    WeakAnchor<OnboardingWindowController> anchor_{this};
};

}  // namespace tessivane
