#pragma once
// The application launched on a simulated desktop for a benchmark, onboarding done, as a
// person who has used it for a while finds it.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "BenchPlatform.h"
#include "app/AccessibilityReapprovalGuide.h"
#include "app/AppDelegate.h"
#include "app/TessivaneApp.h"
#include "desktop/Desktop.h"
#include "desktop/DesktopApplication.h"
#include "model/UITestLaunch.h"
#include "platform/Application.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"

namespace bench {

// Lets the application go, then the desktop. The delegate goes inside one turn of the run
// loop, so the bar is laid out once after all its items are gone rather than after each
// removal: outside the timed runs, that teardown of thousands of items otherwise costs more
// than the runs themselves and swamps a profile of them.
inline void tearDown(std::unique_ptr<desktop::Desktop>& desktop, std::shared_ptr<tessivane::AppDelegate>& delegate) {
    if (desktop) {
        desktop->application().setDelegate(nullptr);
        platform::RunLoop::main().async([&delegate] { delegate.reset(); });
        desktop->advance(0);
    }
    delegate.reset();
    desktop.reset();
}

struct LaunchedApplication {
    std::unique_ptr<desktop::Desktop> desktop;
    std::shared_ptr<tessivane::AppDelegate> delegate;

    LaunchedApplication() = default;
    LaunchedApplication(LaunchedApplication&&) = default;
    explicit operator bool() const { return delegate != nullptr; }
    ~LaunchedApplication() { tearDown(desktop, delegate); }
};

// Empty, with the benchmark skipped, when the application does not launch.
inline LaunchedApplication launchApplication(benchmark::State& state, const desktop::Scene& scene) {
    preparePlatform();
    LaunchedApplication launched;
    launched.desktop = std::make_unique<desktop::Desktop>(scene);
    launched.desktop->install();
    tessivane::UITestLaunch::defaults()->set(
        std::string(tessivane::AccessibilityReapprovalGuide::hasCompletedOnboardingKey), true);
    tessivane::TessivaneApp::main();
    launched.desktop->launchApplication({"tessivane"});
    launched.desktop->advance(0);
    launched.delegate = std::dynamic_pointer_cast<tessivane::AppDelegate>(platform::application().delegate());
    if (!launched.delegate) state.SkipWithError("the application did not launch");
    return launched;
}

}  // namespace bench
