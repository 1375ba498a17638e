// Settings open on the crowded laptop with 10, 100 and 1,000 vossels stored: the display's
// state built afresh (as for a page that connects, and as the full rebuild every few seconds
// does), and one change shown (another vossel's chip clicked, the window rendered on the
// next turn, the state published). Timed in CPU time of the main thread.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "BenchApplication.h"
#include "BenchScenes.h"
#include "desktop/display/DisplayAPI.h"
#include "platform/Window.h"
#include "settings/VosselChip.h"
#include "ui/Automation.h"
#include "ui/HostingView.h"

namespace {

// The application launched with `count` vossels and Settings open on the first; empty (the
// benchmark skipped) when it did not come up.
bench::LaunchedApplication openSettings(benchmark::State& state, int count) {
    bench::preparePlatform();
    bench::storeVossels(count);
    const auto scene = bench::trustedDefaultScene(state);
    if (!scene) return {};
    auto launched = bench::launchApplication(state, *scene);
    if (!launched) return launched;
    tessivane::AppState& app = launched.delegate->appState;
    launched.desktop->advance(2);
    app.openSettings(app.groupStore.groups().front().id);
    launched.desktop->advance(1);
    return launched;
}

ui::Host* settingsHost(const bench::LaunchedApplication& launched) {
    const auto& window = launched.delegate->settingsWindow.window();
    auto* hosting = window ? dynamic_cast<ui::HostingView*>(window->contentView().get()) : nullptr;
    return hosting ? &hosting->host() : nullptr;
}

void BM_SettingsOpenStateBuild(benchmark::State& state) {
    const auto launched = openSettings(state, static_cast<int>(state.range(0)));
    if (!launched) return;
    size_t bytes = 0;
    for (auto _ : state) {
        const double start = bench::threadSeconds();
        desktop::DisplayAPI api(*launched.desktop);  // nothing cached: every part built
        api.publish();
        state.SetIterationTime(bench::threadSeconds() - start);
        uint64_t version = 0;
        bytes = api.feed().current(version).size();
    }
    state.counters["stateBytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_SettingsOpenStateBuild)->Arg(10)->Arg(100)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_SettingsOpenChange(benchmark::State& state) {
    const auto launched = openSettings(state, static_cast<int>(state.range(0)));
    if (!launched) return;
    ui::Host* host = settingsHost(launched);
    const auto& groups = launched.delegate->appState.groupStore.groups();
    if (!host || groups.size() < 2) {
        state.SkipWithError("Settings did not open with two vossels");
        return;
    }
    const std::string chips[] = {tessivane::VosselChip::identifier(groups[0]),
                                 tessivane::VosselChip::identifier(groups[1])};
    desktop::DisplayAPI api(*launched.desktop);
    api.publish();
    int next = 1;
    for (auto _ : state) {
        ui::Element chip = host->find(ui::byIdentifier(chips[next]));
        const double start = bench::threadSeconds();
        if (!chip.click()) {
            state.SkipWithError("the chip did not take the click");
            break;
        }
        launched.desktop->advance(0);  // the window renders
        api.publish();
        state.SetIterationTime(bench::threadSeconds() - start);
        next = 1 - next;
    }
    uint64_t version = 0;
    state.counters["stateBytes"] = static_cast<double>(api.feed().current(version).size());
}
BENCHMARK(BM_SettingsOpenChange)->Arg(10)->Arg(100)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
