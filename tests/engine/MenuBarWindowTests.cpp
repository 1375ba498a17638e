#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/DiscoveryFixture.h"
#include "engine/MenuBarItemDiscovery.h"
#include "engine/MenuBarSkyLight.h"
#include "platform/Platform.h"
#include "platform/ProcessInfo.h"
#include "platform/WindowServer.h"

namespace {

using platform::Rect;
using tessivane::DiscoveredMenuBarItem;
using tessivane::MenuBarItemDiscovery;

class MenuBarWindowTest : public enginetest::DiscoveryFixture {
protected:
    std::vector<DiscoveredMenuBarItem> windowsOf(const std::string& owner) {
        std::vector<DiscoveredMenuBarItem> found;
        for (auto& item : discovery_.discoverMenuBarItemWindows()) {
            if (item.ownerName == owner) found.push_back(std::move(item));
        }
        return found;
    }
    // An AppKit frame whose top edge lies `quartzY` below the top of the 982 pt screen.
    static Rect atQuartzY(double x, double quartzY, double width, double height = 20) {
        return Rect{x, 982 - quartzY - height, width, height};
    }
    static const DiscoveredMenuBarItem* rowAt(const std::vector<DiscoveredMenuBarItem>& rows, double minX) {
        auto it = std::find_if(rows.begin(), rows.end(), [minX](const auto& r) { return r.frame.minX() == minX; });
        return it == rows.end() ? nullptr : &*it;
    }
    MenuBarItemDiscovery discovery_;
};

TEST_F(MenuBarWindowTest, OnlyIconSizedWindowsInTheMenuBarStripCount) {
    desktop::Scene scene = bareScene();
    auto glass = app(700, "Glass", "com.example.glass");
    glass.windows = {window(atQuartzY(100, 48, 24)),   window(atQuartzY(140, 47.5, 24)),
                     window(atQuartzY(660, -8, 24)),   window(atQuartzY(700, -7.5, 24)),
                     window(atQuartzY(180, 1, 17)),    window(atQuartzY(220, 1, 18)),
                     window(atQuartzY(260, 1, 221)),   window(atQuartzY(500, 1, 24, 9)),
                     window(atQuartzY(540, 1, 24, 49)), window(atQuartzY(600, 300, 24))};
    scene.applications.push_back(glass);
    load(scene);

    const auto rows = windowsOf("Glass");
    std::vector<double> kept;
    for (const auto& row : rows) kept.push_back(row.frame.minX());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<double>{140, 220, 700}));
    ASSERT_EQ(rows.size(), 3u);
    // Indexes count the owner's windows in list order.
    EXPECT_EQ(rows[0].itemIndex, 0);
    EXPECT_EQ(rows[1].itemIndex, 1);
    EXPECT_EQ(rows[1].id.itemIndex, 1);
    EXPECT_EQ(rows[0].title, "Glass");
    EXPECT_EQ(rows[0].bundleIdentifier, std::optional<std::string>("com.example.glass"));
    EXPECT_EQ(rows[0].ownerPID, 700);
    EXPECT_NE(rows[0].windowID, 0u);
    EXPECT_FALSE(rows[0].axElement);
    EXPECT_EQ(rows[0].id.windowID, std::nullopt);
}

TEST_F(MenuBarWindowTest, WindowNamesGiveTitlesBundlesOrMarkOurOwnItems) {
    desktop::Scene scene = bareScene();
    auto glass = app(701, "Glass", "com.example.glass");
    glass.windows = {window(atQuartzY(300, 0, 24, 22), "Tessivane.Chevron"),
                     window(atQuartzY(340, 0, 24, 22), "com.example.pebble"),
                     window(atQuartzY(380, 0, 24, 22), "weather_station"),
                     window(atQuartzY(420, 0, 24, 22), "Glass")};
    scene.applications.push_back(glass);
    scene.applications.push_back(app(702, "Pebble", "com.example.pebble"));
    load(scene);

    const auto rows = windowsOf("Glass");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_FALSE(rowAt(rows, 300));
    const auto* named = rowAt(rows, 340);
    ASSERT_TRUE(named);
    EXPECT_EQ(named->bundleIdentifier, std::optional<std::string>("com.example.pebble"));
    EXPECT_EQ(named->title, "Pebble");
    const auto* labelled = rowAt(rows, 380);
    ASSERT_TRUE(labelled);
    EXPECT_EQ(labelled->bundleIdentifier, std::optional<std::string>("com.example.glass"));
    EXPECT_EQ(labelled->title, "Weather Station");
    ASSERT_TRUE(rowAt(rows, 420));
    EXPECT_EQ(rowAt(rows, 420)->title, "Glass");

    EXPECT_EQ(MenuBarItemDiscovery::bundleIDFromWindowName(" com.example.glass "),
              std::optional<std::string>("com.example.glass"));
    EXPECT_EQ(MenuBarItemDiscovery::bundleIDFromWindowName("com.example.unknown"), std::nullopt);
    EXPECT_EQ(MenuBarItemDiscovery::bundleIDFromWindowName("com.example glass"), std::nullopt);
}

TEST_F(MenuBarWindowTest, StatusItemWindowsComeFromThePrivateListWithTheirFrames) {
    desktop::Scene scene = bareScene();
    scene.applications.push_back(app(703, "Pebble", "com.example.pebble", {24, 30}));
    desktop::Desktop& d = load(scene);

    const auto ids = tessivane::MenuBarSkyLight::menuBarItemWindowIDs();
    const auto rows = windowsOf("Pebble");
    ASSERT_EQ(rows.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const desktop::BarItem* bar = d.statusItem("Pebble", "", i);
        ASSERT_TRUE(bar);
        const auto* row = itemWithWindow(rows, bar->window->number);
        ASSERT_TRUE(row) << i;
        EXPECT_EQ(row->frame, bar->frame());
        EXPECT_NE(std::find(ids.begin(), ids.end(), bar->window->number), ids.end());
    }
    // The menu bar's own window (level 24) is in the private list too, but is no icon.
    const auto all = platform::windowServer().windowList(platform::WindowListOptions::excludeDesktopElements, 0);
    const auto menuBar = std::find_if(all.begin(), all.end(), [](const auto& w) { return w.layer == 24; });
    ASSERT_NE(menuBar, all.end());
    EXPECT_EQ(std::find(ids.begin(), ids.end(), menuBar->number), ids.end());
}

TEST_F(MenuBarWindowTest, WithoutPrivateFunctionsThePublicListStillServes) {
    desktop::Scene scene = bareScene();
    scene.skyLightFunctions = std::vector<std::string>{};
    scene.coreGraphicsFunctions = std::vector<std::string>{};
    auto pebble = app(704, "Pebble", "com.example.pebble", {24});
    // Outside the status layers: ignored once the private list is gone.
    pebble.windows = {window(atQuartzY(600, 0, 24, 22), "", 3), window(atQuartzY(640, 0, 24, 22), "", 0)};
    scene.applications.push_back(pebble);
    load(scene);

    EXPECT_TRUE(tessivane::MenuBarSkyLight::menuBarItemWindowIDs().empty());
    EXPECT_EQ(tessivane::MenuBarSkyLight::lookup("CGSMainConnectionID"), nullptr);
    // A function found in either framework serves.
    for (bool inCoreGraphics : {false, true}) {
        scene.skyLightFunctions = scene.coreGraphicsFunctions = std::vector<std::string>{};
        (inCoreGraphics ? scene.coreGraphicsFunctions : scene.skyLightFunctions) =
            std::vector<std::string>{"CGSMainConnectionID"};
        load(scene);
        EXPECT_NE(tessivane::MenuBarSkyLight::lookup("CGSMainConnectionID"), nullptr) << inCoreGraphics;
    }
    const auto rows = windowsOf("Pebble");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_NE(rows[0].frame.minX(), 600);
    EXPECT_NE(rows[1].frame.minX(), 600);
}

TEST_F(MenuBarWindowTest, SourceAppHitTestFindsTheIconUnderAWindowButNoHost) {
    desktop::Scene scene = bareScene();
    scene.applications.push_back(app(705, "Pebble", "com.example.pebble", {24}));
    scene.applications.push_back(app(709, "Broadside", "com.example.broadside", {80, 81}));
    desktop::Desktop& d = load(scene);

    const desktop::BarItem* bar = d.statusItem("Pebble", "Item-0");
    ASSERT_TRUE(bar);
    const auto hit = MenuBarItemDiscovery::sourceApp(MenuBarItemDiscovery::cocoaRect(bar->frame()));
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->name, "Pebble");
    EXPECT_EQ(hit->bundleIdentifier, std::optional<std::string>("com.example.pebble"));
    EXPECT_TRUE(hit->element);

    // An answer too wide for the probed window is passed over (the width rule: LayoutTests).
    auto answersOver = [&](size_t item, double width) {
        const Rect icon = d.statusItem("Broadside", "", item)->frame();
        const Rect probe{icon.midX() - width / 2, icon.minY(), width, icon.height()};
        return MenuBarItemDiscovery::sourceApp(MenuBarItemDiscovery::cocoaRect(probe)).has_value();
    };
    EXPECT_TRUE(answersOver(0, 24));   // an 80 pt icon
    EXPECT_FALSE(answersOver(1, 24));  // an 81 pt icon
}

TEST_F(MenuBarWindowTest, OnlyHostWindowsShovedToTheLeadingEdgeAreHitTested) {
    desktop::Scene scene = bareScene();
    scene.screens[0].cameraHousing.reset();
    auto wide = app(706, "Widebar", "com.example.widebar", {1446});
    wide.statusItems[0].position = 100;
    auto gem = app(708, "Gem", "com.example.gem", {24});
    gem.statusItems[0].position = 150;  // at x = 34
    auto pebble = app(707, "Pebble", "com.example.pebble", {24});
    pebble.statusItems[0].position = 200;  // beyond both: at x = 10
    scene.applications.push_back(wide);
    scene.applications.push_back(gem);
    scene.applications.push_back(pebble);
    desktop::Desktop& d = load(scene);
    const Rect pebbleFrame = d.statusItem("Pebble", "Item-0")->frame();
    ASSERT_LT(pebbleFrame.maxX(), 40);

    auto hostAt = [](const Rect& frame, uint32_t number) {
        DiscoveredMenuBarItem row;
        row.title = row.ownerName = "Control Center";
        row.bundleIdentifier = "com.apple.controlcenter";
        row.itemIndex = 3;
        row.frame = frame;
        row.windowID = number;
        row.id = {row.bundleIdentifier, row.title, row.ownerName, 3, std::nullopt, std::nullopt};
        return row;
    };
    const auto resolved = MenuBarItemDiscovery::resolveSourceApplications({hostAt(pebbleFrame, 90)}, {});
    EXPECT_EQ(resolved[0].title, "Pebble");
    EXPECT_EQ(resolved[0].ownerName, "Pebble");
    EXPECT_EQ(resolved[0].bundleIdentifier, std::optional<std::string>("com.example.pebble"));
    EXPECT_TRUE(resolved[0].axElement);
    EXPECT_EQ(resolved[0].id,
              (tessivane::MenuBarItemID{"com.example.pebble", "Pebble", "Pebble", 3, 90u, pebbleFrame.minX()}));

    // A host window over the next icon, whose right edge is past 40 pt, is left alone.
    const Rect gemFrame = d.statusItem("Gem", "Item-0")->frame();
    ASSERT_GE(gemFrame.maxX(), 40);
    ASSERT_TRUE(MenuBarItemDiscovery::sourceApp(MenuBarItemDiscovery::cocoaRect(gemFrame)));
    EXPECT_EQ(MenuBarItemDiscovery::resolveSourceApplications({hostAt(gemFrame, 91)}, {})[0].title, "Control Center");

    // Mirrored, the icons are shoved past the right edge instead.
    platform::ProcessInfo::setArguments({"tessivane", "-ForceMenuBarRTL"});
    load(scene);
    const Rect mirrored = desktop().statusItem("Pebble", "Item-0")->frame();
    ASSERT_GT(mirrored.minX(), 1512 - 40);
    EXPECT_EQ(MenuBarItemDiscovery::resolveSourceApplications({hostAt(mirrored, 92)}, {})[0].title, "Pebble");
    const Rect mirroredGem = desktop().statusItem("Gem", "Item-0")->frame();
    ASSERT_LE(mirroredGem.minX(), 1512 - 40);
    EXPECT_EQ(MenuBarItemDiscovery::resolveSourceApplications({hostAt(mirroredGem, 93)}, {})[0].title,
              "Control Center");
}

TEST_F(MenuBarWindowTest, MenuBarBandFollowsTheDirection) {
    load(bareScene());
    // On the 1512 x 982 screen the band is the top 52 pt, 8 pt more above and below when the
    // frame overlaps it sideways; left to right it reaches 400 pt past the left edge and 80
    // past the right, right to left 80 past the left edge and 2000 past the right.
    auto check = [](const std::vector<std::pair<Rect, bool>>& cases, const char* direction) {
        for (const auto& [frame, inBand] : cases) {
            EXPECT_EQ(MenuBarItemDiscovery::isInMenuBarBand(frame), inBand)
                << direction << " " << frame.minX() << "," << frame.minY() << " " << frame.width();
        }
    };
    check({{{-390, 960, 24, 22}, true}, {{-430, 960, 24, 22}, false}, {{-424, 960, 24, 22}, false},
           {{-423.5, 960, 24, 22}, true}, {{1580, 960, 10, 22}, true}, {{1592, 960, 10, 22}, false},
           {{1591.5, 960, 10, 22}, true}, {{600, 800, 24, 22}, false}, {{600, 900, 24, 22}, false},
           {{600, 900.5, 24, 22}, true}, {{600, 990, 24, 22}, false}, {{600, 989.5, 24, 22}, true},
           {{-424, 906, 24, 22}, false}, {{-423.5, 906, 24, 22}, true}, {{1592, 906, 10, 22}, false},
           {{1591.5, 906, 10, 22}, true}},
          "left to right");
    platform::ProcessInfo::setArguments({"tessivane", "-ForceMenuBarRTL"});
    check({{{-390, 960, 24, 22}, false}, {{3000, 960, 24, 22}, true}, {{-104, 960, 24, 22}, false},
           {{-103.5, 960, 24, 22}, true}, {{3512, 960, 24, 22}, false}, {{3511.5, 960, 24, 22}, true}},
          "right to left");
    // Without a screen there is no menu bar.
    desktop().setScreens({});
    check({{{600, 960, 24, 22}, false}}, "no screen");
}

}  // namespace
