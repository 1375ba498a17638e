#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/DiscoveryFixture.h"
#include "engine/MenuBarOverflowMonitor.h"
#include "platform/Platform.h"
#include "platform/ProcessInfo.h"
#include "platform/Screen.h"
#include "platform/StatusBar.h"
#include "platform/UserDefaults.h"

namespace {

using platform::Rect;
using tessivane::MenuBarOverflowMonitor;

// The desktop's screens, with the main screen's areas beside the camera housing made as wide
// as given (a housing off the middle).
class LopsidedScreens final : public platform::Screens {
public:
    LopsidedScreens(platform::Screens& real, double left, double right) : real_(real), left_(left), right_(right) {}
    std::vector<platform::Screen> screens() const override { return real_.screens(); }
    std::optional<platform::Screen> mainScreen() const override {
        std::optional<platform::Screen> screen = real_.mainScreen();
        screen->auxiliaryTopLeftArea->size.width = left_;
        screen->auxiliaryTopRightArea->size.width = right_;
        return screen;
    }

private:
    platform::Screens& real_;
    double left_, right_;
};

class OverflowTest : public enginetest::DiscoveryFixture {
protected:
    // A 1512 pt screen whose camera housing leaves `side` points on either side of it.
    static desktop::Scene sceneWithSides(double side) {
        desktop::Scene scene = bareScene();
        scene.screens[0].cameraHousing = platform::Size{1512 - 2 * side, 32};
        return scene;
    }
    // Status-layer windows ending at the given right edges, in the top strip.
    static desktop::SceneApplication iconsEndingAt(std::vector<std::pair<double, double>> maxXAndWidth) {
        auto glass = app(800, "Glass", "com.example.glass");
        for (auto [maxX, width] : maxXAndWidth) glass.windows.push_back(window(Rect{maxX - width, 958, width, 24}));
        return glass;
    }
    MenuBarOverflowMonitor monitor_;
};

TEST_F(OverflowTest, IconsThatDoNotFitBesideTheHousingAreCountedNarrowerOnesStillFit) {
    desktop::Scene scene = sceneWithSides(500);
    // From the trailing end: 30, 200, 150, 20 pt; 340 pt are free after the 160 pt reserve.
    scene.applications.push_back(iconsEndingAt({{1100, 20}, {1480, 30}, {1250, 150}, {1450, 200}}));
    load(scene);
    ASSERT_EQ(platform::screens().mainScreen()->auxiliaryTopRightArea->width(), 500);
    EXPECT_EQ(monitor_.calculateHiddenCount(), 1);
    EXPECT_EQ(monitor_.hiddenCount.get(), 0);  // the coordinator publishes it

    // Narrow icons cost 22 pt each: after 300 pt, 40 pt leave room for one of two 20 pt icons.
    scene = sceneWithSides(500);
    scene.applications.push_back(iconsEndingAt({{1480, 300}, {1170, 20}, {1140, 20}}));
    load(scene);
    EXPECT_EQ(monitor_.calculateHiddenCount(), 1);
}

TEST_F(OverflowTest, MirroredBarCountsFromTheLeftEndInTheAreaLeftOfTheHousing) {
    platform::ProcessInfo::setArguments({"tessivane", "-ForceMenuBarRTL"});
    desktop::Scene scene = sceneWithSides(500);
    // From the left end: 300, 50 and 50 pt, with 340 pt free after the 160 pt reserve.
    scene.applications.push_back(iconsEndingAt({{390, 50}, {320, 300}, {440, 50}}));
    load(scene);
    platform::Services services = platform::services();
    LopsidedScreens screens(*services.screens, 500, 300);  // the right area would leave 180 pt
    services.screens = &screens;
    platform::install(services);
    EXPECT_EQ(monitor_.calculateHiddenCount(), 2);
}

TEST_F(OverflowTest, ARegionOfExactly420PointsKeepsTheSmallerReserve) {
    desktop::Scene scene = sceneWithSides(420);
    scene.applications.push_back(iconsEndingAt({{1480, 300}}));
    load(scene);
    EXPECT_EQ(monitor_.calculateHiddenCount(), 0);

    scene = sceneWithSides(421);  // 160 reserved: 261 free
    scene.applications.push_back(iconsEndingAt({{1480, 300}, {1170, 10}}));
    load(scene);
    EXPECT_EQ(monitor_.calculateHiddenCount(), 1);
    // A 290 pt icon fits beside 420 points (300 free), not beside 421 (261 free).
    for (const auto& [side, hidden] : {std::pair{420.0, 0}, {421.0, 1}}) {
        scene = sceneWithSides(side);
        scene.applications.push_back(iconsEndingAt({{1480, 290}}));
        load(scene);
        EXPECT_EQ(monitor_.calculateHiddenCount(), hidden) << side;
    }
    // Without a screen nothing is hidden.
    desktop().setScreens({});
    EXPECT_EQ(monitor_.calculateHiddenCount(), 0);
}

TEST_F(OverflowTest, WithoutHousingTheFallbackRegionIsAShareOfTheBarAtTheTrailingEnd) {
    desktop::Scene scene = bareScene();
    scene.screens[0].frame = Rect{0, 0, 1440, 900};
    scene.screens[0].cameraHousing.reset();
    load(scene);
    const platform::Screen screen = *platform::screens().mainScreen();
    EXPECT_EQ(MenuBarOverflowMonitor::fallbackRegion(screen), (Rect{792, 878, 648, 22}));
    platform::ProcessInfo::setArguments({"tessivane", "-ForceMenuBarRTL"});
    EXPECT_EQ(MenuBarOverflowMonitor::fallbackRegion(screen), (Rect{0, 878, 648, 22}));
}

TEST_F(OverflowTest, OnlyStatusLayerWindowsOfOthersInTheStripAreMeasured) {
    desktop::Scene scene = sceneWithSides(500);
    auto glass = app(801, "Glass", "com.example.glass");
    // The strip's threshold is 982 - (24 + 8) = 950; bottoms 4 pt below it still count.
    glass.windows = {window(Rect{1000, 947, 24, 35}), window(Rect{1040, 937, 24, 45}),
                     window(Rect{1080, 958, 24, 24}, "", 19), window(Rect{1120, 958, 24, 24}, "", 26),
                     window(Rect{1160, 958, 24, 24}, "", 20),
                     // Windows without an area take no room.
                     window(Rect{1020, 958, 0, 24}), window(Rect{1060, 958, 24, 0})};
    scene.applications.push_back(glass);
    auto dock = app(802, "Dock", "com.apple.dock");
    dock.windows = {window(Rect{1200, 958, 24, 24})};
    scene.applications.push_back(dock);
    auto disguised = app(803, "Helper Of Ours", "com.tessivane.Tessivane");
    disguised.windows = {window(Rect{1240, 958, 24, 24})};
    scene.applications.push_back(disguised);
    auto namesake = app(804, "Tessivane", "com.example.namesake");
    namesake.windows = {window(Rect{1280, 958, 24, 24})};
    scene.applications.push_back(namesake);
    load(scene);

    std::vector<double> measured;
    for (const Rect& frame : monitor_.menuBarStatusFrames(*platform::screens().mainScreen())) {
        if (frame.minX() >= 1000 && frame.minX() < 1300) measured.push_back(frame.minX());
    }
    std::sort(measured.begin(), measured.end());
    EXPECT_EQ(measured, (std::vector<double>{1000, 1160}));
}

}  // namespace

namespace {

class DefaultSceneOverflowTest : public enginetest::DiscoveryFixture {
protected:
    size_t othersHiddenByTheHousing() {
        size_t hidden = 0;
        for (const auto& bar : desktop().bar().items()) {
            if (!bar->own && bar->onScreen && !bar->shown) ++hidden;
        }
        return hidden;
    }
};

TEST_F(DefaultSceneOverflowTest, CountMatchesWhatTheBarHidesOnceOurItemsTakeTheirRoom) {
    loadDefaultScene();
    MenuBarOverflowMonitor monitor;
    const int estimate = monitor.calculateHiddenCount();
    // The estimate keeps 160 pt of the area beside the housing for the running program's own
    // items, which it does not count. Alone in the bar the others have that room too.
    EXPECT_EQ(othersHiddenByTheHousing(), 3u);
    EXPECT_EQ(estimate, 8);

    // Our own items next to the clock (settings, vossels, chevron, line) as wide as the reserve,
    // less the bar's trailing inset.
    platform::UserDefaults::standard().set("NSStatusItem Preferred Position Tessivane.Settings",
                                           platform::PropertyValue(1.0));
    auto own = platform::statusBar().statusItem(152);
    own->setAutosaveName("Tessivane.Settings");
    desktop().advance(0);
    EXPECT_EQ(othersHiddenByTheHousing(), static_cast<size_t>(estimate));
    EXPECT_EQ(monitor.calculateHiddenCount(), estimate);
}

}  // namespace
