// One tick of the 30-per-second transparency timer with 5 and with 50 hidden windows.
#include <benchmark/benchmark.h>

#include <string>
#include <unordered_set>
#include <vector>

#include "BenchPlatform.h"
#include "BenchScenes.h"
#include "desktop/Desktop.h"
#include "engine/ExtraWindowHidingService.h"
#include "engine/MenuBarItemDiscovery.h"
#include "platform/RunLoop.h"

namespace {

void BM_TransparencyTick(benchmark::State& state) {
    bench::preparePlatform();
    const int hidden = static_cast<int>(state.range(0));
    desktop::Desktop desktop(bench::utilityScene(60));
    desktop.install();
    const auto items = tessivane::MenuBarItemDiscovery().discoverItems(true);
    std::unordered_set<tessivane::MenuBarItemID> members;
    for (int i = 0; i < hidden; ++i) {
        tessivane::MenuBarItemID id;
        id.bundleIdentifier = bench::utilityBundleIdentifier(i);
        members.insert(id);
    }
    tessivane::ExtraWindowHidingService service;
    service.sync(members, items);
    if (static_cast<int>(service.hiddenWindows().size()) != hidden) {
        state.SkipWithError("the members' windows were not all found");
        return;
    }
    platform::RunLoop& loop = platform::RunLoop::main();
    for (auto _ : state) {
        // Exactly one firing of the repeating timer.
        loop.advance(tessivane::ExtraWindowHidingService::reapplyInterval);
    }
    state.counters["windows"] = static_cast<double>(service.hiddenWindows().size());
    service.restoreAll();
}
BENCHMARK(BM_TransparencyTick)->Arg(5)->Arg(50)->Unit(benchmark::kNanosecond);

}  // namespace
