// Publishing the display's state while Settings shows a vossel whose icon is a symbol (0) or
// a 12-megapixel photo (1): the state built and compared with the last one, as the server
// does for an open page at every burst of work. The photo's picture goes by reference, so
// both cost the same, and the state is as large with either. Timed in CPU time of the main
// thread.
#include <benchmark/benchmark.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <memory>
#include <optional>
#include <random>
#include <string>

#include "BenchApplication.h"
#include "BenchScenes.h"
#include "desktop/display/DisplayAPI.h"
#include "model/CustomGroupIconStore.h"
#include "platform/FileLocations.h"

namespace {

// 4000 x 3000 pixels of noise, stored uncompressed as a photo's worth of bytes.
std::filesystem::path writePhoto() {
    const auto file = platform::FileLocations::home() / "photo.png";
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 4000, 3000);
    guint8* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const size_t bytes = static_cast<size_t>(gdk_pixbuf_get_rowstride(pixbuf)) * 3000;
    std::minstd_rand random(1);
    for (size_t i = 0; i < bytes; ++i) pixels[i] = static_cast<guint8>(random());
    gdk_pixbuf_save(pixbuf, file.c_str(), "png", nullptr, "compression", "0", nullptr);
    g_object_unref(pixbuf);
    return file;
}

void BM_PublishStateWithSettingsOpen(benchmark::State& state) {
    const auto scene = bench::trustedDefaultScene(state);
    if (!scene) return;
    auto launched = bench::launchApplication(state, *scene);
    if (!launched) return;
    desktop::Desktop* desktop = launched.desktop.get();
    tessivane::AppState& app = launched.delegate->appState;
    desktop->advance(2);

    const platform::UUID id = platform::UUID::random();
    std::optional<std::string> icon;
    if (state.range(0) == 1) {
        icon = tessivane::CustomGroupIconStore::shared().importImage(writePhoto(), id);
        if (!icon) {
            state.SkipWithError("the photo did not import");
            return;
        }
    }
    app.groupStore.createGroup("Photo", "star.fill", std::nullopt, icon, id);
    app.syncGroupStatusItems();
    app.openSettings(id);
    desktop->advance(1);

    desktop::DisplayAPI api(*desktop);
    api.publish();
    for (auto _ : state) {
        desktop->advance(1);  // the clock's second: a new state to build
        const double start = bench::threadSeconds();
        api.publish();
        state.SetIterationTime(bench::threadSeconds() - start);
    }
    uint64_t version = 0;
    state.counters["stateBytes"] = static_cast<double>(api.feed().current(version).size());
    // The home is the program's: the next run starts without this vossel and its file.
    app.groupStore.deleteGroup(id);
}
BENCHMARK(BM_PublishStateWithSettingsOpen)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMicrosecond);

// `GET /api/state` with 1,000 vossels in the bar: the request handled and its answer's text
// made, as the server writes it, with the state unchanged since the last request.
void BM_GetState(benchmark::State& state) {
    bench::preparePlatform();
    bench::storeVossels(static_cast<int>(state.range(0)));
    const auto scene = bench::trustedDefaultScene(state);
    if (!scene) return;
    auto launched = bench::launchApplication(state, *scene);
    if (!launched) return;
    launched.desktop->advance(2);
    desktop::DisplayAPI api(*launched.desktop);
    api.publish();
    size_t bytes = 0;
    for (auto _ : state) {
        const double start = bench::threadSeconds();
        const desktop::DisplayResponse response = api.handle("GET", "/state", "");
        const std::string text = response.bodyText();
        state.SetIterationTime(bench::threadSeconds() - start);
        bytes = text.size();
    }
    state.counters["stateBytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_GetState)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
