// A forced discovery scan (Accessibility pass included) of the default scene and of a
// generated bar of 200 icons.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "desktop/Desktop.h"
#include "desktop/Scene.h"
#include "engine/MenuBarItemDiscovery.h"
#include "platform/FileLocations.h"
#include "platform/ProcessInfo.h"
#include "platform/RunLoop.h"

namespace {

// A throw-away home, so that the simulated Mac's preferences never reach the real one.
void preparePlatform() {
    static bool prepared = false;
    if (prepared) return;
    prepared = true;
    std::error_code ec;
    auto base = std::filesystem::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string pattern = (base / "tessivane-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    const std::filesystem::path root(pattern);
    std::filesystem::create_directories(root / "home");
    std::filesystem::create_directories(root / "logs");
    platform::FileLocations::setHome(root / "home");
    platform::FileLocations::setLogFolder(root / "logs");
    platform::RunLoop::resetMain(std::make_unique<platform::ManualClock>());
    platform::ProcessInfo::setArguments({"tessivane"});
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(platform::FileLocations::home()).parent_path(), ignored);
    });
}

// 100 applications with two 20 pt icons each on a screen wide enough to show them all.
desktop::Scene generatedScene(int icons) {
    desktop::Scene scene = desktop::Scene::minimal();
    scene.name = "Generated";
    scene.screens[0].frame = platform::Rect{0, 0, 5600, 1440};
    scene.screens[0].cameraHousing.reset();
    scene.accessibilityTrusted = true;
    for (int i = 0; i < icons / 2; ++i) {
        desktop::SceneApplication app;
        app.pid = 1000 + i;
        app.name = "Utility " + std::to_string(i);
        app.bundleIdentifier = "com.example.utility" + std::to_string(i);
        for (int k = 0; k < 2; ++k) {
            desktop::SceneStatusItem item;
            item.autosaveName = "Item-" + std::to_string(k);
            item.width = 20;
            item.description = "Gauge " + std::to_string(i) + "." + std::to_string(k);
            app.statusItems.push_back(std::move(item));
        }
        scene.applications.push_back(std::move(app));
    }
    return scene;
}

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
    preparePlatform();
    std::string error;
    auto desktop = desktop::Desktop::fromFile(std::string(TESSIVANE_RESOURCES_DIR) + "/scenes/default.json", error);
    if (!desktop) {
        state.SkipWithError(("default scene: " + error).c_str());
        return;
    }
    runScan(state, *desktop);
}
BENCHMARK(BM_ForcedScanDefaultScene)->Unit(benchmark::kMicrosecond);

void BM_ForcedScanGenerated200(benchmark::State& state) {
    preparePlatform();
    desktop::Desktop desktop(generatedScene(200));
    runScan(state, desktop);
}
BENCHMARK(BM_ForcedScanGenerated200)->Unit(benchmark::kMicrosecond);

}  // namespace
