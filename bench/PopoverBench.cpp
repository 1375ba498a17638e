// Opening a vossel's popover on the default scene as a person does: the rediscovery before
// it opens (a forced scan with hiding reapplied), the members matched, the popover shown
// and its view tree rendered on the next turn of the run loop.
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
#include "model/UITestLaunch.h"
#include "platform/Application.h"
#include "platform/Platform.h"

namespace {

void BM_OpenVosselPopover(benchmark::State& state) {
    bench::preparePlatform();
    auto scene = bench::defaultScene(state);
    if (!scene) return;
    scene->accessibilityTrusted = true;
    auto desktop = std::make_unique<desktop::Desktop>(*scene);
    desktop->install();
    tessivane::UITestLaunch::defaults()->set(
        std::string(tessivane::AccessibilityReapprovalGuide::hasCompletedOnboardingKey), true);
    tessivane::TessivaneApp::main();
    desktop->launchApplication({"tessivane"});
    desktop->advance(0);
    auto delegate = std::dynamic_pointer_cast<tessivane::AppDelegate>(platform::application().delegate());
    if (!delegate) {
        state.SkipWithError("the application did not launch");
        return;
    }
    tessivane::AppState& app = delegate->appState;
    desktop->advance(2);  // the start-up rediscoveries

    // A vossel of five icons of other applications.
    const platform::UUID id = platform::UUID::random();
    app.groupStore.createGroup("Everyday", "star.fill", std::nullopt, std::nullopt, id);
    int added = 0;
    for (const auto& item : app.discovery.items.get()) {
        if (added == 5) break;
        if (!item.bundleIdentifier || *item.bundleIdentifier == "com.apple.controlcenter") continue;
        app.groupStore.toggleMember(item.id, id);
        ++added;
    }
    app.syncGroupStatusItems();
    app.applyHiding();
    desktop->advance(0);
    const auto found = app.groupControllers().find(id);
    if (added < 5 || found == app.groupControllers().end()) {
        state.SkipWithError("the vossel has no status item");
        return;
    }
    tessivane::GroupStatusItemController& controller = *found->second;

    size_t shownMembers = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        controller.openPopover();
        desktop->advance(0);  // the popover's first rendering
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        if (!controller.isPopoverShown()) {
            state.SkipWithError("the popover did not open");
            break;
        }
        shownMembers = controller.members().size();
        controller.closePopover();
        // Past the guard against reopening at once; the discovery cycle runs here at times.
        desktop->advance(0.4);
    }
    state.counters["members"] = static_cast<double>(shownMembers);
    desktop->application().setDelegate(nullptr);
    delegate.reset();
    desktop.reset();
}
BENCHMARK(BM_OpenVosselPopover)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
