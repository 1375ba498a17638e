#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "engine/DiscoveryFixture.h"
#include "engine/ExtraWindowHidingService.h"
#include "engine/MenuBarItemDiscovery.h"
#include "engine/MenuBarSkyLight.h"
#include "platform/LogFile.h"

namespace {

using tessivane::DiscoveredMenuBarItem;
using tessivane::ExtraWindowHidingService;
using tessivane::MenuBarItemID;
using Members = std::unordered_set<MenuBarItemID>;

MenuBarItemID member(std::optional<std::string> bundle, std::optional<std::string> title,
                     std::optional<uint32_t> window = std::nullopt) {
    MenuBarItemID id;
    id.bundleIdentifier = std::move(bundle);
    id.title = std::move(title);
    id.windowID = window;
    return id;
}

class HidingTest : public enginetest::DiscoveryFixture {
protected:
    void SetUp() override {
        DiscoveryFixture::SetUp();
        loadDefaultScene();
        items = tessivane::MenuBarItemDiscovery().discoverItems(true);
    }
    uint32_t windowOf(const std::string& owner, const std::string& autosaveName) {
        const desktop::BarItem* item = desktop().statusItem(owner, autosaveName);
        EXPECT_NE(item, nullptr) << owner;
        return item ? item->window->number : 0;
    }
    double alpha(uint32_t window) { return desktop().windowAlpha(window); }
    // What an owner redrawing its icon does to the window's alpha.
    static void makeOpaqueBehindOurBack(uint32_t window) {
        auto connection = tessivane::MenuBarSkyLight::symbol<platform::CGSMainConnectionIDFn>("CGSMainConnectionID");
        auto setAlpha = tessivane::MenuBarSkyLight::symbol<platform::CGSSetWindowAlphaFn>("CGSSetWindowAlpha");
        setAlpha(connection(), window, 1);
    }
    std::vector<std::string> logLines() {
        std::ifstream in(logFolder() / "tessivane-hide.log");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    std::vector<DiscoveredMenuBarItem> items;
};

TEST_F(HidingTest, MembersWindowsStayTransparentUntilRevealedOrRestored) {
    const uint32_t quickNote = windowOf("Nimbusnote", "Item-0");
    const uint32_t syncStatus = windowOf("Nimbusnote", "Item-1");
    const uint32_t kettle = windowOf("Kettle", "");
    ExtraWindowHidingService service;

    // One member of an application with two icons hides both of its windows.
    service.sync({member("io.nimbusnote.Nimbusnote", "Quick Note")}, items);
    EXPECT_EQ(alpha(quickNote), 0);
    EXPECT_EQ(alpha(syncStatus), 0);
    EXPECT_EQ(alpha(kettle), 1);
    ASSERT_NE(service.timer(), nullptr);
    EXPECT_TRUE(service.timer()->isValid());
    EXPECT_DOUBLE_EQ(service.timer()->interval(), 1.0 / 30.0);

    // Kept so 30 times a second,
    makeOpaqueBehindOurBack(quickNote);
    advance(1.0 / 30.0);
    EXPECT_EQ(alpha(quickNote), 0);
    // also while a menu is being tracked.
    makeOpaqueBehindOurBack(quickNote);
    runLoop().blockingWait(0.05);
    bool tracking = true;
    runLoop().async([&] { tracking = false; });
    runLoop().runInMode(platform::RunLoopMode::eventTracking, [&] { return tracking; });
    EXPECT_EQ(alpha(quickNote), 0);

    service.reveal(member("io.nimbusnote.Nimbusnote", "Quick Note"));
    EXPECT_EQ(alpha(quickNote), 1);
    EXPECT_EQ(alpha(syncStatus), 1);
    advance(1);
    EXPECT_EQ(alpha(quickNote), 1);
    EXPECT_TRUE(service.timer()->isValid());

    service.sync({member("io.nimbusnote.Nimbusnote", "Quick Note")}, items);
    makeOpaqueBehindOurBack(syncStatus);
    advance(1.0 / 30.0);
    EXPECT_EQ(alpha(syncStatus), 0);

    auto timer = service.timer();
    service.restoreAll();
    EXPECT_EQ(alpha(quickNote), 1);
    EXPECT_EQ(alpha(syncStatus), 1);
    EXPECT_EQ(service.timer(), nullptr);
    EXPECT_FALSE(timer->isValid());
    EXPECT_TRUE(service.hiddenWindows().empty());
    EXPECT_TRUE(service.isPaused());
}

TEST_F(HidingTest, AnyOneOfTheAlphaFunctionsHidesAndRestoresAWindow) {
    for (const char* only : {"CGSSetWindowListAlpha", "CGSSetWindowAlpha", "SLSSetWindowAlpha", ""}) {
        desktop::Scene scene = bareScene();
        scene.skyLightFunctions = std::vector<std::string>{"CGSMainConnectionID", only};
        scene.coreGraphicsFunctions = std::vector<std::string>{};
        scene.applications.push_back(app(700, "Lantern", "com.example.lantern", {24}));
        load(scene);
        const uint32_t window = windowOf("Lantern", "Item-0");
        ExtraWindowHidingService service;
        service.sync({member("com.example.lantern", "Lantern")}, tessivane::MenuBarItemDiscovery().discoverItems(true));
        EXPECT_EQ(alpha(window), *only ? 0 : 1) << only;
        service.restoreAll();
        EXPECT_EQ(alpha(window), 1) << only;
    }
}

TEST_F(HidingTest, AWindowNoMemberMeansAnyMoreIsVisibleAgain) {
    const uint32_t quickNote = windowOf("Nimbusnote", "Item-0");
    const uint32_t kettle = windowOf("Kettle", "");
    ExtraWindowHidingService service;
    service.sync({member("io.nimbusnote.Nimbusnote", "Quick Note"), member("io.kettle.Kettle", "Kettle")}, items);
    EXPECT_EQ(alpha(quickNote), 0);
    EXPECT_EQ(alpha(kettle), 0);

    // Kettle left its vossel: its icon shows again and stays so; Quick Note stays hidden.
    service.sync({member("io.nimbusnote.Nimbusnote", "Quick Note")}, items);
    advance(1);
    EXPECT_EQ(alpha(kettle), 1);
    EXPECT_EQ(alpha(quickNote), 0);

    // Another environment without members: everything shows.
    service.sync({}, items);
    EXPECT_EQ(alpha(quickNote), 1);
    EXPECT_TRUE(service.hiddenWindows().empty());
}

TEST_F(HidingTest, ControlCenterMembersHideOnlyTheirOwnModule) {
    // Every module shares Control Center's bundle and owner name; only the module's own
    // name tells them apart.
    const DiscoveredMenuBarItem* wifi = nullptr;
    uint32_t clock = 0;
    for (const DiscoveredMenuBarItem& item : items) {
        if (item.title == "Wi-Fi") wifi = &item;
        if (item.title == "Clock") clock = item.windowID;
    }
    ASSERT_NE(wifi, nullptr);
    ASSERT_EQ(wifi->id.ownerName, "Control Center");
    ExtraWindowHidingService service;
    service.sync({wifi->id}, items);
    EXPECT_EQ(service.hiddenWindows(), std::vector<uint32_t>{wifi->windowID});
    EXPECT_EQ(alpha(wifi->windowID), 0);
    EXPECT_EQ(alpha(clock), 1);
}

TEST_F(HidingTest, OurOwnIconsAreNeverHidden) {
    DiscoveredMenuBarItem own;
    own.title = "Tessivane";
    own.ownerName = "Tessivane";
    own.windowID = 7777;
    DiscoveredMenuBarItem byBundle = own;
    byBundle.ownerName = "Vossel";
    byBundle.bundleIdentifier = "com.tessivane.Tessivane";
    byBundle.windowID = 7778;
    ExtraWindowHidingService service;
    service.sync({member(std::nullopt, "Tessivane"), member("com.tessivane.Tessivane", "Vossel")}, {own, byBundle});
    EXPECT_TRUE(service.hiddenWindows().empty());
    EXPECT_TRUE(service.isPaused());
}

TEST_F(HidingTest, EmptyMemberSetPausesStartsNoTimerAndLogsEmptyLists) {
    ExtraWindowHidingService service;
    service.sync({}, items);
    EXPECT_TRUE(service.hiddenWindows().empty());
    EXPECT_TRUE(service.isPaused());
    EXPECT_EQ(service.timer(), nullptr);

    // The first line creates the log; every sync appends one.
    service.sync({}, {});
    const std::vector<std::string> lines = logLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(0, 20), "2026-01-05T09:00:00Z");
    EXPECT_EQ(lines[0].substr(20, 36), " sync windows=[] members=[] itemWind");
    EXPECT_EQ(lines[1], "2026-01-05T09:00:00Z sync windows=[] members=[] itemWindows=[]");

    // A line per cycle adds megabytes a day; a full log is moved aside to one previous file.
    std::filesystem::resize_file(logFolder() / "tessivane-hide.log", platform::kMostLogFileBytes - 10);
    service.sync({}, {});
    EXPECT_EQ(logLines(), std::vector<std::string>{lines[1]});
    EXPECT_EQ(std::filesystem::file_size(logFolder() / "tessivane-hide.log.1"), platform::kMostLogFileBytes - 10);
}

TEST_F(HidingTest, LogMessageQuotesMembersAndItems) {
    DiscoveredMenuBarItem named;
    named.title = "Say \"hi\"";
    named.windowID = 12;
    DiscoveredMenuBarItem unnamed;
    unnamed.ownerName = "Kettle";
    unnamed.windowID = 0;
    EXPECT_EQ(ExtraWindowHidingService::syncMessage({3, 17}, {member(std::nullopt, std::nullopt, 5)}, {named, unnamed}),
              "sync windows=[3, 17] members=[\"? wid=5\"] itemWindows=[\"Say \\\"hi\\\":12\", \"Kettle:0\"]");
    EXPECT_EQ(ExtraWindowHidingService::syncMessage({}, {member(std::nullopt, "Line\nbreak")}, {}),
              "sync windows=[] members=[\"Line\\nbreak wid=0\"] itemWindows=[]");
}

TEST_F(HidingTest, MissingPrivateFunctionsMakeHidingANoOp) {
    desktop::Scene scene = bareScene();
    scene.skyLightFunctions = std::vector<std::string>{};
    scene.coreGraphicsFunctions = std::vector<std::string>{"CGSMainConnectionID"};
    scene.applications.push_back(app(700, "Kettle", "io.kettle.Kettle", {28}));
    load(scene);
    const auto found = tessivane::MenuBarItemDiscovery().discoverItems(true);
    const uint32_t kettle = windowOf("Kettle", "Item-0");
    ExtraWindowHidingService service;
    service.sync({member("io.kettle.Kettle", std::nullopt)}, found);
    EXPECT_EQ(service.hiddenWindows(), std::vector<uint32_t>{kettle});
    advance(0.1);
    EXPECT_EQ(alpha(kettle), 1);
    EXPECT_EQ(logLines().size(), 1u);
}

}  // namespace
