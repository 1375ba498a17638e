// One tick of the 30-per-second transparency timer with 5 and with 50 hidden windows.
#include <benchmark/benchmark.h>

#include <string>
#include <unordered_set>
#include <vector>

#include "BenchPlatform.h"
#include "desktop/Desktop.h"
#include "desktop/Scene.h"
#include "engine/ExtraWindowHidingService.h"
#include "engine/MenuBarItemDiscovery.h"
#include "platform/RunLoop.h"

namespace {

// 60 applications with one 20 pt icon each on a screen wide enough to show them all.
desktop::Scene sceneOfUtilities(int count) {
    desktop::Scene scene = desktop::Scene::minimal();
    scene.name = "Utilities";
    scene.screens[0].frame = platform::Rect{0, 0, 3000, 1440};
    scene.screens[0].cameraHousing.reset();
    scene.accessibilityTrusted = true;
    for (int i = 0; i < count; ++i) {
        desktop::SceneApplication app;
        app.pid = 1000 + i;
        app.name = "Utility " + std::to_string(i);
        app.bundleIdentifier = "com.example.utility" + std::to_string(i);
        desktop::SceneStatusItem item;
        item.autosaveName = "Item-0";
        item.width = 20;
        item.description = "Gauge " + std::to_string(i);
        app.statusItems.push_back(std::move(item));
        scene.applications.push_back(std::move(app));
    }
    return scene;
}

void BM_TransparencyTick(benchmark::State& state) {
    bench::preparePlatform();
    const int hidden = static_cast<int>(state.range(0));
    desktop::Desktop desktop(sceneOfUtilities(60));
    desktop.install();
    const auto items = tessivane::MenuBarItemDiscovery().discoverItems(true);
    std::unordered_set<tessivane::MenuBarItemID> members;
    for (int i = 0; i < hidden; ++i) {
        tessivane::MenuBarItemID id;
        id.bundleIdentifier = "com.example.utility" + std::to_string(i);
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
