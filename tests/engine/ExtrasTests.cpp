#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/DiscoveryFixture.h"
#include "engine/MenuBarItemDiscovery.h"
#include "platform/Platform.h"
#include "platform/Accessibility.h"

namespace {

using platform::Rect;
using tessivane::DiscoveredMenuBarItem;
using tessivane::MenuBarItemDiscovery;

desktop::SceneAXNode node(std::string description, std::vector<desktop::SceneAXNode> children = {}) {
    desktop::SceneAXNode n;
    n.description = std::move(description);
    n.children = std::move(children);
    return n;
}

std::vector<DiscoveredMenuBarItem> extrasOf(const std::string& owner) {
    tessivane::UnansweringApplications unanswering;
    std::vector<DiscoveredMenuBarItem> found;
    for (auto& item : MenuBarItemDiscovery::discoverAXExtras(unanswering)) {
        if (item.ownerName == owner) found.push_back(std::move(item));
    }
    return found;
}

class ExtrasTest : public enginetest::DiscoveryFixture {
protected:
    tessivane::UnansweringApplications unanswering;
};

TEST_F(ExtrasTest, HumanizedLabelsUseTheLastIdentifierPieceAndTheTable) {
    EXPECT_EQ(MenuBarItemDiscovery::humanizeLabel("com.apple.menuextra.battery"), "Battery");
    EXPECT_EQ(MenuBarItemDiscovery::humanizeLabel("  BentoBox-0 "), "Control Center");
    EXPECT_EQ(MenuBarItemDiscovery::humanizeLabel("wi-fi"), "Wi-Fi");
    EXPECT_EQ(MenuBarItemDiscovery::humanizeLabel("AudioVideoModule"), "Sound");
    EXPECT_EQ(MenuBarItemDiscovery::humanizeLabel("com.example.now_playing"), "Now Playing");
    EXPECT_EQ(MenuBarItemDiscovery::humanizeLabel("my_custom-item"), "My Custom Item");
    EXPECT_EQ(MenuBarItemDiscovery::humanizeLabel("weather.."), "Weather");
    EXPECT_EQ(MenuBarItemDiscovery::humanizeLabel(""), "");
}

TEST_F(ExtrasTest, TitleSkipsTheApplicationNameAndGenericWordsAndLooksTwoLevelsDown) {
    desktop::Scene scene = bareScene();
    auto weather = app(610, "Weatherly", "com.example.weatherly", {24, 24, 24, 24});
    weather.activationPolicy = platform::ActivationPolicy::accessory;
    // The description only repeats the application's name: the title is next in line.
    weather.statusItems[0].description = "WEATHERLY";
    weather.statusItems[0].title = "Forecast";
    // Generic words everywhere but in a grandchild.
    weather.statusItems[1].description = "button";
    weather.statusItems[1].children = {node("group", {node("Rain Radar")})};
    // The only usable label is a great-grandchild: too deep.
    weather.statusItems[2].description = "menu extra";
    weather.statusItems[2].children = {node("group", {node("image", {node("Too Deep")})})};
    // An identifier is the last resort.
    weather.statusItems[3].identifier = "com.example.weatherly.wind_gauge";
    scene.applications.push_back(weather);
    load(scene);

    auto items = extrasOf("Weatherly");
    ASSERT_EQ(items.size(), 4u);
    std::sort(items.begin(), items.end(), [](auto& a, auto& b) { return a.itemIndex < b.itemIndex; });
    EXPECT_EQ(items[0].title, "Forecast");
    EXPECT_EQ(items[1].title, "Rain Radar");
    EXPECT_EQ(items[2].title, "Weatherly");
    EXPECT_EQ(items[3].title, "Wind Gauge");
    for (size_t i = 0; i < items.size(); ++i) {
        const auto& item = items[i];
        EXPECT_EQ(item.itemIndex, static_cast<int64_t>(i));
        EXPECT_EQ(item.id.itemIndex, static_cast<int64_t>(i));
        EXPECT_EQ(item.id.title, item.title);
        EXPECT_EQ(item.id.ownerName, std::optional<std::string>("Weatherly"));
        EXPECT_EQ(item.bundleIdentifier, std::optional<std::string>("com.example.weatherly"));
        EXPECT_EQ(item.windowID, 0u);
        EXPECT_EQ(item.ownerPID, 610);
        EXPECT_TRUE(item.axElement);
        EXPECT_EQ(item.id.frameMinX, item.frame.minX());
    }
}

TEST_F(ExtrasTest, FramesArriveInAppKitCoordinatesAtTheIcons) {
    desktop::Scene scene = bareScene();
    scene.applications.push_back(app(611, "Pebble", "com.example.pebble", {30}));
    desktop::Desktop& d = load(scene);

    const auto items = extrasOf("Pebble");
    ASSERT_EQ(items.size(), 1u);
    const desktop::BarItem* bar = d.statusItem("Pebble", "Item-0");
    ASSERT_TRUE(bar);
    EXPECT_EQ(items[0].frame, bar->frame());
    // The flip is its own inverse.
    const Rect quartz = MenuBarItemDiscovery::cocoaRect(bar->frame());
    EXPECT_EQ(quartz.minY(), 0);
    EXPECT_EQ(MenuBarItemDiscovery::cocoaRect(quartz), bar->frame());

    // A size that cannot be read leaves no frame at all, not one at the position.
    scriptAccessibility().answer = [](const platform::AXUIElementRef&,
                                      const std::string& attribute) -> enginetest::ScriptedAccessibility::Answer {
        if (attribute == platform::AX::size) return {{platform::AXError::cannotComplete, std::monostate{}}};
        return std::nullopt;
    };
    EXPECT_EQ(extrasOf("Pebble").at(0).frame, Rect{});
}

TEST_F(ExtrasTest, HelpersServicesSilentAndProhibitedApplicationsContributeNothing) {
    desktop::Scene scene = bareScene();
    scene.applications.push_back(app(620, "Sync Helper", "com.example.sync", {24}));
    scene.applications.push_back(app(621, "Indexer", "com.example.indexer.xpc", {24}));
    scene.applications.push_back(app(622, "Daemon", "com.example.daemon", {24}));
    scene.applications.back().activationPolicy = platform::ActivationPolicy::prohibited;
    scene.applications.push_back(app(623, "Stubborn", "com.example.stubborn", {24}));
    scene.applications.back().answersAccessibility = false;
    scene.applications.push_back(app(624, "Lantern", "com.example.lantern", {24}));
    load(scene);

    // The application that does not answer costs its short time-out and no more; for a while
    // after, it is not asked at all, and then it is asked again.
    for (const double cost : {0.12, 0.0, 0.12}) {
        SCOPED_TRACE(cost);
        const double before = platform::RunLoop::main().now();
        const auto items = MenuBarItemDiscovery::discoverAXExtras(unanswering);
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(items[0].ownerName, "Lantern");
        EXPECT_NEAR(platform::RunLoop::main().now() - before, cost, 1e-6);
        advance(cost > 0 ? 0.5 : tessivane::UnansweringApplications::quietPeriod);
    }
    // Only a time-out does that: an application that refuses a read is asked the next time.
    scriptAccessibility().answer = [](const platform::AXUIElementRef&,
                                      const std::string& attribute) -> enginetest::ScriptedAccessibility::Answer {
        if (attribute == platform::AX::extrasMenuBar) return {{platform::AXError::failure, std::monostate{}}};
        return std::nullopt;
    };
    EXPECT_TRUE(MenuBarItemDiscovery::discoverAXExtras(unanswering).empty());
    scriptAccessibility().answer = nullptr;
    EXPECT_EQ(MenuBarItemDiscovery::discoverAXExtras(unanswering).size(), 1u);
}

TEST_F(ExtrasTest, WithoutTrustThePassIsEmpty) {
    desktop::Scene scene = bareScene();
    scene.accessibilityTrusted = false;
    scene.applications.push_back(app(625, "Lantern", "com.example.lantern", {24}));
    load(scene);
    EXPECT_TRUE(MenuBarItemDiscovery::discoverAXExtras(unanswering).empty());
}

TEST_F(ExtrasTest, FramesOneScreenWidthTooFarLeftAreMovedBackWhenAScreenIsNear) {
    desktop::Scene scene = bareScene();
    scene.screens = {desktop::SceneScreen{}};
    scene.screens[0].frame = Rect{0, 0, 1440, 900};
    scene.screens[0].cameraHousing.reset();
    load(scene);

    // Moved one screen width to the right when that lands within 80 pt of a screen; within 100 pt
    // of the leftmost screen edge, or without a size, nothing moves.
    auto movedTo = [](double minX, double width = 24) {
        return MenuBarItemDiscovery::normalizedMenuBarFrame(Rect{minX, 876, width, 24}).minX();
    };
    for (const auto& [minX, result] : std::vector<std::pair<double, double>>{
             {-1500, -60}, {-3000, -3000}, {-1544, -1544}, {-1543.5, -103.5}, {-100, -100}, {-100.5, 1339.5},
             {-90, -90}}) {
        EXPECT_EQ(movedTo(minX), result) << minX;
    }
    EXPECT_EQ(movedTo(-1500, 0), -1500);

    // With a second screen far to the left, up to 80 pt past its right edge.
    scene.screens.push_back(scene.screens[0]);
    scene.screens[1].frame = Rect{-3000, 0, 1000, 900};
    load(scene);
    EXPECT_EQ(movedTo(-3360), -3360);
    EXPECT_EQ(movedTo(-3360.5), -1920.5);

    // Coordinates flip about the screen at the origin, whichever screen is the main one.
    scene.screens[1].isMain = true;
    scene.screens[0].frame.size.height = 982;
    load(scene);
    ASSERT_EQ(platform::screens().mainScreen()->frame.minX(), -3000);
    EXPECT_EQ(MenuBarItemDiscovery::flipHeight(), 982);
}

}  // namespace
