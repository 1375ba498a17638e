// Opening a vossel's popover on the default scene as a person does: the rediscovery before
// it opens (a forced scan with hiding reapplied), the members matched, the popover shown
// and its view tree rendered on the next turn of the run loop. Timed in CPU time of the main
// thread.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "BenchApplication.h"
#include "BenchScenes.h"

namespace {

void BM_OpenVosselPopover(benchmark::State& state) {
    const auto scene = bench::trustedDefaultScene(state);
    if (!scene) return;
    auto launched = bench::launchApplication(state, *scene);
    if (!launched) return;
    desktop::Desktop* desktop = launched.desktop.get();
    tessivane::AppState& app = launched.delegate->appState;
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
        const double start = bench::threadSeconds();
        controller.openPopover();
        desktop->advance(0);  // the popover's first rendering
        state.SetIterationTime(bench::threadSeconds() - start);
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
}
BENCHMARK(BM_OpenVosselPopover)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
