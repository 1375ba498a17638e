#pragma once
// The application launched on a simulated desktop for a benchmark, onboarding done, as a
// person who has used it for a while finds it.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "BenchPlatform.h"
#include "BenchScenes.h"
#include "app/AccessibilityReapprovalGuide.h"
#include "app/AppDelegate.h"
#include "app/TessivaneApp.h"
#include "desktop/Desktop.h"
#include "desktop/DesktopApplication.h"
#include "model/EnvironmentProfile.h"
#include "model/GroupStore.h"
#include "model/UITestLaunch.h"
#include "platform/Application.h"
#include "platform/FileLocations.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "platform/UserDefaults.h"

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

// One environment of `count` vossels, each holding one icon of an application that is not
// running, and onboarding done, as a file on disk.
inline void storeVossels(int count) {
    std::vector<tessivane::IconGroup> groups;
    groups.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        tessivane::MenuBarItemID member;
        member.bundleIdentifier = bench::utilityBundleIdentifier(i);
        member.title = bench::inventedName(i);
        member.ownerName = bench::inventedName(i);
        groups.push_back(tessivane::IconGroup{platform::UUID::random(), "Vossel " + std::to_string(i), "star.fill",
                                              "14B8A6", std::nullopt, {member}, true});
    }
    const std::vector<tessivane::EnvironmentProfile> environments = {
        {platform::UUID::random(), "Work", std::move(groups)}};
    std::error_code ignored;
    std::filesystem::remove_all(platform::FileLocations::preferences(), ignored);
    platform::resetPreferenceDomainsForTesting();
    const auto defaults = tessivane::UITestLaunch::defaults();
    defaults->set(tessivane::GroupStore::environmentsKey, *tessivane::EnvironmentProfile::encodeList(environments));
    defaults->set(std::string(tessivane::AccessibilityReapprovalGuide::hasCompletedOnboardingKey), true);
    platform::resetPreferenceDomainsForTesting();  // the launch reads the file
}

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
