// Whole scans on the simulated desktop: the default laptop scene and small scenes in code.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "desktop/DesktopAccessibility.h"
#include "engine/DiscoveryFixture.h"
#include "engine/MenuBarItemDiscovery.h"
#include "platform/Platform.h"
#include "platform/ProcessInfo.h"
#include "platform/StatusBar.h"
#include "platform/WindowServer.h"

namespace {

using tessivane::DiscoveredMenuBarItem;
using tessivane::MenuBarItemDiscovery;

class DiscoveryTest : public enginetest::DiscoveryFixture {
protected:
    int messages() { return desktop().accessibility().messagesSent(); }
    // The system time set by hand, backwards too.
    void setClock(double t) {
        const_cast<platform::ManualClock&>(static_cast<const platform::ManualClock&>(runLoop().clock())).set(t);
    }
    std::string titleOfWindow(const std::vector<DiscoveredMenuBarItem>& items, const std::string& owner,
                              const std::string& autosaveName) {
        const desktop::BarItem* bar = desktop().statusItem(owner, autosaveName);
        if (!bar) return "<no bar item " + owner + " " + autosaveName + ">";
        const DiscoveredMenuBarItem* item = itemWithWindow(items, bar->window->number);
        return item ? item->title : "<not listed>";
    }
    // Control Center's windows of the default scene, each named after its module.
    void expectModuleTitles(const std::vector<DiscoveredMenuBarItem>& items) {
        const std::pair<const char*, const char*> modules[] = {
            {"Clock", "Clock"},   {"BentoBox", "Control Center"}, {"DoNotDisturb", "Focus"}, {"AudioVideoModule", "Sound"},
            {"Battery", "Battery"}, {"WiFi", "Wi-Fi"},             {"Bluetooth", "Bluetooth"}};
        for (const auto& [autosaveName, title] : modules) {
            EXPECT_EQ(titleOfWindow(items, "Control Center", autosaveName), title);
        }
    }
};

TEST_F(DiscoveryTest, ForcedScanOfTheDefaultSceneListsEveryIconOnceLeftToRight) {
    desktop::Desktop& d = loadDefaultScene();
    // One of our own status items is in the bar too.
    auto own = platform::statusBar().statusItem(platform::StatusItem::variableLength);
    own->setAutosaveName("Tessivane.Settings");
    own->button()->setTitle("Tessivane");
    d.advance(0);

    const desktop::BarItem* ownBar = d.statusItem("Tessivane", "Tessivane.Settings");
    ASSERT_TRUE(ownBar && ownBar->onScreen);

    MenuBarItemDiscovery discovery;
    const auto items = discovery.discoverItems(true);
    EXPECT_FALSE(itemWithWindow(items, ownBar->window->number));

    size_t inBar = 0;
    for (const auto& bar : d.bar().items()) {
        if (bar->own || !bar->onScreen) continue;
        ++inBar;
        const auto count = std::count_if(items.begin(), items.end(),
                                         [&](const auto& item) { return item.windowID == bar->window->number; });
        EXPECT_EQ(count, 1) << bar->autosaveName << " of pid " << bar->ownerPID;
    }
    // Icons behind the camera housing are listed too: they are what a vossel reaches.
    EXPECT_EQ(items.size(), inBar);
    EXPECT_EQ(items.size(), 21u);
    EXPECT_TRUE(std::is_sorted(items.begin(), items.end(),
                               [](const auto& a, const auto& b) { return a.frame.minX() < b.frame.minX(); }));
    for (const auto& item : items) {
        EXPECT_NE(item.ownerPID, d.selfPID()) << item.title;
        EXPECT_EQ(item.title.find("Tessivane"), std::string::npos);
        EXPECT_EQ(item.id.frameMinX, item.frame.minX());
        EXPECT_EQ(item.id.windowID, std::optional<uint32_t>(item.windowID));
        EXPECT_EQ(item.id.title, std::optional<std::string>(item.title));
        EXPECT_EQ(item.id.itemIndex, item.itemIndex);
    }

    // Control Center's anonymous windows carry the names of its modules.
    expectModuleTitles(items);
    EXPECT_EQ(titleOfWindow(items, "Spotlight", "Item-0"), "Spotlight");
    EXPECT_EQ(titleOfWindow(items, "TextInputMenuAgent", "Item-0"), "Input Source");
    // An icon that Control Center draws for another application is that application's.
    const auto* quill = itemWithWindow(items, d.statusItem("Quillpad", "")->window->number);
    ASSERT_TRUE(quill);
    EXPECT_EQ(quill->bundleIdentifier, std::optional<std::string>("com.quillpad.Quillpad"));
    EXPECT_EQ(quill->ownerName, "Quillpad");
    EXPECT_TRUE(quill->axElement);
    // The application that does not answer Accessibility still has its icon, by its window.
    const auto* still = itemWithWindow(items, d.statusItem("Stillwater", "")->window->number);
    ASSERT_TRUE(still);
    EXPECT_EQ(still->title, "Stillwater");
    EXPECT_FALSE(still->axElement);

    // Indexes count each owner's icons from 0.
    std::map<std::string, std::set<int64_t>> indexes;
    for (const auto& item : items) indexes[item.bundleIdentifier.value_or(item.ownerName)].insert(item.itemIndex);
    for (const auto& [owner, seen] : indexes) {
        EXPECT_EQ(*seen.begin(), 0) << owner;
        EXPECT_EQ(*seen.rbegin(), static_cast<int64_t>(seen.size()) - 1) << owner;
    }
    EXPECT_EQ(indexes["io.nimbusnote.Nimbusnote"].size(), 2u);
    EXPECT_EQ(indexes["com.apple.controlcenter"].size(), 7u);
}

TEST_F(DiscoveryTest, MirroredBarKeepsEveryControlCenterModule) {
    platform::ProcessInfo::setArguments({"tessivane", "-ForceMenuBarRTL"});
    desktop::Desktop& d = loadDefaultScene();
    ASSERT_LT(d.statusItem("Control Center", "Clock")->frame().minX(), 100);

    MenuBarItemDiscovery discovery;
    const auto items = discovery.discoverItems(true);
    EXPECT_EQ(items.size(), 21u);
    expectModuleTitles(items);
}

TEST_F(DiscoveryTest, ScansWithinTenSecondsReuseTheAccessibilityPassUnlessForced) {
    loadDefaultScene();
    MenuBarItemDiscovery discovery;

    const int start = messages();
    const auto first = discovery.discoverItems(true);
    const int perPass = messages() - start;
    ASSERT_GT(perPass, 0);
    const auto firstDate = discovery.extrasCacheDate();

    // All but the application that does not answer, which was asked a moment ago.
    discovery.discoverItems(true);
    EXPECT_EQ(messages() - start, 2 * perPass - 1);

    advance(5);
    int before = messages();
    const auto cached = discovery.discoverItems(false);
    EXPECT_EQ(messages(), before);
    EXPECT_EQ(cached.size(), first.size());
    EXPECT_NE(discovery.extrasCacheDate(), firstDate);  // the second forced scan refilled it

    advance(6);  // 11 s after the last pass
    before = messages();
    discovery.discoverItems(false);
    EXPECT_GT(messages(), before);

    // Younger than 10 s is young enough; 10 s is not.
    const double filled = *discovery.extrasCacheDate();
    setClock(filled + 9.9);
    before = messages();
    discovery.discoverItems(false);
    EXPECT_EQ(messages(), before);
    setClock(filled + 10);
    discovery.discoverItems(false);
    EXPECT_GT(messages(), before);

    // A clock set back makes the pass look younger than it is; it is asked for again.
    setClock(*discovery.extrasCacheDate() - 60);
    before = messages();
    discovery.discoverItems(false);
    EXPECT_GT(messages(), before);
}

TEST_F(DiscoveryTest, IconsWithoutAUsableWindowComeFromAccessibilityAlone) {
    desktop::Scene scene = bareScene();
    auto dot = app(900, "Dotmatrix", "com.example.dotmatrix", {16, 16});
    dot.statusItems[0].title = "Ping";
    dot.statusItems[1].title = "Settings...";  // one of the titles never listed
    scene.applications.push_back(dot);
    auto pair = app(901, "Pairwise", "com.example.pairwise", {24});
    scene.applications.push_back(pair);
    // Without a bundle, an extra finds its window's row by names.
    scene.applications.push_back(app(902, "Loosely", "", {24}));
    // A host's extra without a window is no icon of its own.
    scene.applications.push_back(app(903, "Control Center", "com.apple.controlcenter", {16}));
    desktop::Desktop& d = load(scene);

    MenuBarItemDiscovery discovery;
    const auto items = discovery.discoverItems(true);
    std::vector<const DiscoveredMenuBarItem*> dots;
    for (const auto& item : items) {
        if (item.ownerName == "Dotmatrix") dots.push_back(&item);
    }
    ASSERT_EQ(dots.size(), 1u);
    EXPECT_EQ(dots[0]->title, "Ping");
    EXPECT_EQ(dots[0]->windowID, 0u);
    EXPECT_TRUE(dots[0]->axElement);
    EXPECT_EQ(dots[0]->frame, d.statusItem("Dotmatrix", "Item-0")->frame());
    EXPECT_EQ(dots[0]->id.windowID, std::nullopt);

    // An application seen by both sources is listed once, with its window and element.
    auto owned = [&](const std::string& owner) {
        return std::count_if(items.begin(), items.end(), [&](const auto& i) { return i.ownerName == owner; });
    };
    EXPECT_EQ(owned("Pairwise"), 1);
    EXPECT_EQ(owned("Loosely"), 1);
    EXPECT_EQ(owned("Control Center"), 0);
    const auto* paired = itemWithWindow(items, d.statusItem("Pairwise", "Item-0")->window->number);
    ASSERT_TRUE(paired);
    EXPECT_TRUE(paired->axElement);
}

TEST_F(DiscoveryTest, RowsAtOneLeftEdgeKeepTheOrderTheyWereFoundIn) {
    // Enough of them that a sort that is not stable would show.
    desktop::Scene scene = bareScene();
    for (int i = 0; i < 20; ++i) {
        const std::string n = std::to_string(i);
        scene.applications.push_back(app(1000 + i, "Twin " + n, "com.example.twin" + n));
        scene.applications.back().windows = {window({600, 958, 24, 24})};
    }
    load(scene);
    std::vector<uint32_t> windowList, scanned;
    for (const auto& w : platform::windowServer().windowList(platform::WindowListOptions::excludeDesktopElements, 0)) {
        if (w.ownerName.starts_with("Twin")) windowList.push_back(w.number);
    }
    for (const auto& item : MenuBarItemDiscovery().discoverItems(true)) {
        if (item.ownerName.starts_with("Twin")) scanned.push_back(item.windowID);
    }
    ASSERT_EQ(windowList.size(), 20u);
    EXPECT_EQ(scanned, windowList);
}

TEST_F(DiscoveryTest, RefreshAnimatedShowsTheRefreshingStateForOneTurn) {
    loadDefaultScene();
    MenuBarItemDiscovery discovery;
    int changes = 0;
    auto watch = discovery.objectWillChange.connect([&] { ++changes; });
    bool done = false;
    discovery.refreshAnimated([&] { done = true; });
    EXPECT_TRUE(discovery.isRefreshing.get());
    EXPECT_TRUE(discovery.items->empty());
    advance(0);
    EXPECT_TRUE(done);
    EXPECT_FALSE(discovery.isRefreshing.get());
    EXPECT_EQ(discovery.items->size(), 21u);
    EXPECT_EQ(changes, 3);
    // A refresh asks Accessibility again, however fresh its last answer.
    const double filled = *discovery.extrasCacheDate();
    setClock(filled + 1);
    discovery.refreshAnimated({});
    advance(0);
    EXPECT_EQ(*discovery.extrasCacheDate(), filled + 1);
}

TEST_F(DiscoveryTest, RefreshOutlivedByItsBlockDoesNothing) {
    loadDefaultScene();
    bool done = false;
    {
        MenuBarItemDiscovery discovery;
        discovery.refreshAnimated([&] { done = true; });
    }
    advance(0);
    EXPECT_FALSE(done);
}

}  // namespace
