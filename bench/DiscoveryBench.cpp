// A forced discovery scan (Accessibility pass included) of the default scene, of generated
// bars of 50 and 200 icons, and of one application with 1,000 and 10,000 icons.
#include <benchmark/benchmark.h>

#include "BenchPlatform.h"
#include "BenchScenes.h"
#include "desktop/Desktop.h"
#include "desktop/Scene.h"
#include "engine/MenuBarItemDiscovery.h"

namespace {

void runScan(benchmark::State& state, desktop::Desktop& desktop) {
    desktop.install();
    desktop.setAccessibilityTrusted(true);
    tessivane::MenuBarItemDiscovery discovery;
    size_t listed = 0;
    for (auto _ : state) {
        auto items = discovery.discoverItems(true);
        listed = items.size();
        benchmark::DoNotOptimize(items);
    }
    state.counters["icons"] = static_cast<double>(listed);
}

void BM_ForcedScanDefaultScene(benchmark::State& state) {
    bench::preparePlatform();
    const auto scene = bench::defaultScene(state);
    if (!scene) return;
    desktop::Desktop desktop(*scene);
    runScan(state, desktop);
}
BENCHMARK(BM_ForcedScanDefaultScene)->Unit(benchmark::kMicrosecond);

// Applications with two icons each.
void BM_ForcedScanGenerated(benchmark::State& state) {
    bench::preparePlatform();
    desktop::Desktop desktop(bench::utilityScene(static_cast<int>(state.range(0)), 2));
    runScan(state, desktop);
}
BENCHMARK(BM_ForcedScanGenerated)->Arg(50)->Arg(200)->Unit(benchmark::kMicrosecond);

// Every icon of one application: its Accessibility extras and its windows are all of one
// bundle, so each is told from the others by title and place alone.
void BM_ForcedScanOneApplication(benchmark::State& state) {
    bench::preparePlatform();
    const int icons = static_cast<int>(state.range(0));
    desktop::Desktop desktop(bench::utilityScene(icons, icons));
    runScan(state, desktop);
}
BENCHMARK(BM_ForcedScanOneApplication)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
