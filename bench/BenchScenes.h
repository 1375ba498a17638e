#pragma once
// Generated desktops for the benchmark programs: many small utilities side by side on a
// screen wide enough to show every icon, so that nothing is lost to the camera housing.
#include <benchmark/benchmark.h>

#include <optional>
#include <string>
#include <utility>

#include "desktop/Scene.h"
#include "platform/Geometry.h"

namespace bench {

// The crowded laptop; absent, with the benchmark skipped, when its file does not load.
inline std::optional<desktop::Scene> defaultScene(benchmark::State& state) {
    std::string error;
    auto scene = desktop::Scene::load(std::string(TESSIVANE_RESOURCES_DIR) + "/scenes/laptop-crowded.json", error);
    if (!scene) state.SkipWithError(("crowded laptop scene: " + error).c_str());
    return scene;
}

// The same with Accessibility granted, as the application's own benchmarks launch on it.
inline std::optional<desktop::Scene> trustedDefaultScene(benchmark::State& state) {
    auto scene = defaultScene(state);
    if (scene) scene->accessibilityTrusted = true;
    return scene;
}

// A made-up word of its own for every number (three syllables from the number's digits in
// base 20), so that no two generated applications share a word their names are matched by.
inline std::string inventedName(int n) {
    static constexpr const char* syllables[20] = {"ka", "lo", "mi", "nu", "pe", "ra", "so", "ti", "vu", "we",
                                                  "zo", "be", "da", "fi", "go", "hu", "je", "ky", "ma", "xo"};
    std::string word;
    for (int i = 0; i < 3; ++i, n /= 20) word += syllables[n % 20];
    word[0] = static_cast<char>(word[0] - 'a' + 'A');
    return word;
}
inline std::string utilityBundleIdentifier(int i) { return "com.example." + inventedName(i); }

// `icons` icons of 20 points, `perApplication` to an application (the last may hold fewer),
// application i named `inventedName(i)` with the bundle identifier
// `utilityBundleIdentifier(i)`, its items described by its name ("Name", "Name 2", ...).
inline desktop::Scene utilityScene(int icons, int perApplication = 1) {
    desktop::Scene scene = desktop::Scene::minimal();
    scene.name = "Utilities";
    // 20 points an icon plus the spacing between them, and the clock side's margin.
    scene.screens[0].frame = platform::Rect{0, 0, 600.0 + 28.0 * icons, 1440};
    scene.screens[0].cameraHousing.reset();
    scene.accessibilityTrusted = true;
    for (int i = 0, placed = 0; placed < icons; ++i) {
        desktop::SceneApplication app;
        app.pid = 1000 + i;
        app.name = inventedName(i);
        app.bundleIdentifier = utilityBundleIdentifier(i);
        for (int k = 0; k < perApplication && placed < icons; ++k, ++placed) {
            desktop::SceneStatusItem item;
            item.autosaveName = "Item-" + std::to_string(k);
            item.width = 20;
            item.description = *app.name + (k == 0 ? "" : " " + std::to_string(k + 1));
            app.statusItems.push_back(std::move(item));
        }
        scene.applications.push_back(std::move(app));
    }
    return scene;
}

// The same applications on the default 14-inch screen with its camera housing, where most of
// their icons find no room and are known by their Accessibility extras alone.
inline desktop::Scene utilitySceneOnDefaultScreen(int icons) {
    desktop::Scene scene = utilityScene(icons);
    scene.screens = desktop::Scene::minimal().screens;
    return scene;
}

}  // namespace bench
