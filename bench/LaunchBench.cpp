// Launching with many vossels stored: the store read and checked, a status item made and
// placed for every vossel, the first discovery and hiding, on the crowded laptop. Each run
// starts from the same stored preferences file.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
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
#include "platform/UserDefaults.h"

namespace {

// One environment of `count` vossels, each holding one icon of an application that is not
// running, and onboarding done, as a file on disk.
void storeVossels(int count) {
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

void BM_LaunchWithVossels(benchmark::State& state) {
    bench::preparePlatform();
    auto scene = bench::defaultScene(state);
    if (!scene) return;
    scene->accessibilityTrusted = true;
    const int count = static_cast<int>(state.range(0));
    size_t items = 0;
    for (auto _ : state) {
        storeVossels(count);
        auto desktop = std::make_unique<desktop::Desktop>(*scene);
        desktop->install();
        const auto start = std::chrono::steady_clock::now();
        tessivane::TessivaneApp::main();
        desktop->launchApplication({"tessivane"});
        desktop->advance(0);  // launching finishes on the next turn
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        auto delegate = std::dynamic_pointer_cast<tessivane::AppDelegate>(platform::application().delegate());
        if (!delegate) {
            state.SkipWithError("the application did not launch");
            break;
        }
        items = delegate->appState.groupControllers().size();
        desktop->application().setDelegate(nullptr);
        delegate.reset();
        desktop.reset();
    }
    state.counters["status items"] = static_cast<double>(items);
}
BENCHMARK(BM_LaunchWithVossels)->Arg(100)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
