// Matching stored members to live icons: `isSameMember` of every member of 20 vossels of
// 5 members against each of 200 live icons, and the refresh of the members' identities
// from the live icons (`captureLiveWindows`) that every application of hiding runs.
#include <benchmark/benchmark.h>

#include <cctype>
#include <string>
#include <vector>

#include "BenchPlatform.h"
#include "BenchScenes.h"
#include "desktop/Desktop.h"
#include "engine/MenuBarItemDiscovery.h"
#include "model/DiscoveredMenuBarItem.h"
#include "model/GroupStore.h"
#include "model/MenuBarItemID.h"
#include "platform/UUID.h"

namespace {

constexpr int kVossels = 20;
constexpr int kMembersEach = 5;
constexpr int kIcons = 200;

// The live icons of a generated bar of 200 icons, two to an application.
const std::vector<tessivane::DiscoveredMenuBarItem>& liveIcons() {
    static const std::vector<tessivane::DiscoveredMenuBarItem> items = [] {
        bench::preparePlatform();
        desktop::Desktop desktop(bench::utilityScene(kIcons, 2));
        desktop.install();
        return tessivane::MenuBarItemDiscovery().discoverItems(true);
    }();
    return items;
}

// Stored members as they are found after a while: some exactly as stored, some with a new
// window and index, some known only by a title in other letters, some of applications that
// are not running (which match nothing and so are compared with every icon to the end).
std::vector<tessivane::MenuBarItemID> storedMembers(const std::vector<tessivane::DiscoveredMenuBarItem>& live) {
    std::vector<tessivane::MenuBarItemID> members;
    for (int k = 0; k < kVossels * kMembersEach; ++k) {
        tessivane::MenuBarItemID id = live[static_cast<size_t>(k * 2) % live.size()].id;
        switch (k % 4) {
        case 0:
            break;
        case 1:
            id.windowID = 9'000'000u + static_cast<uint32_t>(k);
            id.itemIndex += 1;
            id.frameMinX.reset();
            break;
        case 2:
            id.bundleIdentifier.reset();
            if (id.title) {
                for (char& c : *id.title) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            break;
        default:
            id.bundleIdentifier = "org.absent." + bench::inventedName(4000 + k);
            id.title = bench::inventedName(4000 + k);
            id.ownerName = id.title;
            id.windowID.reset();
            break;
        }
        members.push_back(std::move(id));
    }
    return members;
}

void BM_IsSameMemberAllPairs(benchmark::State& state) {
    const auto& live = liveIcons();
    const auto members = storedMembers(live);
    size_t matches = 0;
    for (auto _ : state) {
        matches = 0;
        for (const auto& member : members) {
            for (const auto& item : live) matches += member.isSameMember(item.id) ? 1 : 0;
        }
        benchmark::DoNotOptimize(matches);
    }
    state.counters["pairs"] = static_cast<double>(members.size() * live.size());
    state.counters["matches"] = static_cast<double>(matches);
}
BENCHMARK(BM_IsSameMemberAllPairs)->Unit(benchmark::kMicrosecond);

void BM_CaptureLiveWindows(benchmark::State& state) {
    const auto& live = liveIcons();
    const auto members = storedMembers(live);
    tessivane::GroupStore store;
    store.load();
    // The first run's environments; the vossels go into the active one.
    for (int v = 0; v < kVossels; ++v) {
        const platform::UUID id = platform::UUID::random();
        store.createGroup("Vossel " + std::to_string(v), "star.fill", std::nullopt, std::nullopt, id);
        store.environments.modify([&](std::vector<tessivane::EnvironmentProfile>& list) {
            for (auto& environment : list) {
                for (auto& group : environment.groups) {
                    if (group.id != id) continue;
                    group.memberIDs.assign(members.begin() + v * kMembersEach,
                                           members.begin() + (v + 1) * kMembersEach);
                }
            }
        });
    }
    for (auto _ : state) store.captureLiveWindows(live);
    state.counters["members"] = static_cast<double>(members.size());
}
BENCHMARK(BM_CaptureLiveWindows)->Unit(benchmark::kMicrosecond);

}  // namespace
