// Launching with many vossels stored: the store read and checked, a status item made and
// placed for every vossel, the first discovery and hiding, on the crowded laptop; and the
// discovery cycle that then runs every 8 seconds, there and on bars of many applications.
// Each launch starts from the same stored preferences file. Timed in CPU time of the main
// thread.
#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BenchApplication.h"
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

// The desktop and the application launched on it with `count` stored vossels; null (with
// the benchmark skipped) when the application did not come up.
struct Launched {
    std::unique_ptr<desktop::Desktop> desktop;
    std::shared_ptr<tessivane::AppDelegate> delegate;

    ~Launched() { bench::tearDown(desktop, delegate); }
};

std::unique_ptr<Launched> launch(benchmark::State& state, const desktop::Scene& scene, int count, double* seconds) {
    bench::storeVossels(count);
    auto launched = std::make_unique<Launched>();
    launched->desktop = std::make_unique<desktop::Desktop>(scene);
    launched->desktop->install();
    const double start = bench::threadSeconds();
    tessivane::TessivaneApp::main();
    launched->desktop->launchApplication({"tessivane"});
    launched->desktop->advance(0);  // launching finishes on the next turn
    if (seconds) *seconds = bench::threadSeconds() - start;
    launched->delegate = std::dynamic_pointer_cast<tessivane::AppDelegate>(platform::application().delegate());
    if (!launched->delegate) {
        state.SkipWithError("the application did not launch");
        return nullptr;
    }
    return launched;
}

void BM_LaunchWithVossels(benchmark::State& state) {
    bench::preparePlatform();
    const auto scene = bench::trustedDefaultScene(state);
    if (!scene) return;
    size_t items = 0;
    for (auto _ : state) {
        double seconds = 0;
        auto launched = launch(state, *scene, static_cast<int>(state.range(0)), &seconds);
        if (!launched) break;
        state.SetIterationTime(seconds);
        items = launched->delegate->appState.groupControllers().size();
    }
    state.counters["status items"] = static_cast<double>(items);
}
BENCHMARK(BM_LaunchWithVossels)->Arg(100)->Arg(1000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);

// Eight seconds of the run loop after such a launch, one cycle of the discovery timer in them:
// a forced scan, the overflow count, the members' identities refreshed and hiding applied.
void BM_DiscoveryCycleWithVossels(benchmark::State& state) {
    bench::preparePlatform();
    const auto scene = bench::trustedDefaultScene(state);
    if (!scene) return;
    auto launched = launch(state, *scene, static_cast<int>(state.range(0)), nullptr);
    if (!launched) return;
    launched->desktop->advance(2);  // the start-up rediscoveries
    tessivane::AppState& app = launched->delegate->appState;
    for (auto _ : state) {
        const double start = bench::threadSeconds();
        launched->desktop->advance(tessivane::AppState::discoveryInterval);
        state.SetIterationTime(bench::threadSeconds() - start);
    }
    state.counters["status items"] = static_cast<double>(app.groupControllers().size());
}
BENCHMARK(BM_DiscoveryCycleWithVossels)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// One discovery cycle on the scene, with one vossel holding the first icon, timed in CPU of the
// main thread.
void runApplicationsCycle(benchmark::State& state, const desktop::Scene& scene) {
    bench::storeVossels(1);
    const auto launched = bench::launchApplication(state, scene);
    if (!launched) return;
    launched.desktop->advance(2);  // the start-up rediscoveries
    tessivane::AppState& app = launched.delegate->appState;
    for (auto _ : state) {
        const double start = bench::threadSeconds();
        launched.desktop->advance(tessivane::AppState::discoveryInterval);
        state.SetIterationTime(bench::threadSeconds() - start);
    }
    state.counters["icons"] = static_cast<double>(app.discovery.items->size());
}

// The same cycle on a bar of `count` small utilities, one icon each: the window list, the
// running applications and the Accessibility pass all grow with the applications.
void BM_DiscoveryCycleWithApplications(benchmark::State& state) {
    bench::preparePlatform();
    runApplicationsCycle(state, bench::utilityScene(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_DiscoveryCycleWithApplications)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The same applications on the default screen: most of their icons have no room, so the scan
// keeps them from the Accessibility extras that no window row stands for.
void BM_DiscoveryCycleWithApplicationsDefaultScreen(benchmark::State& state) {
    bench::preparePlatform();
    runApplicationsCycle(state, bench::utilitySceneOnDefaultScreen(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_DiscoveryCycleWithApplicationsDefaultScreen)
    ->Arg(100)
    ->Arg(1000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
