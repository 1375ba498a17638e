#include <gtest/gtest.h>

#include <algorithm>

#include "desktop/DesktopAccessibility.h"
#include "engine/ActivationService.h"
#include "engine/DiscoveryFixture.h"
#include "engine/ExpandingSeparatorService.h"
#include "engine/MenuBarItemDiscovery.h"
#include "platform/Application.h"
#include "platform/Platform.h"
#include "platform/WindowServer.h"

namespace {

using platform::Rect;
using tessivane::ActivationService;
using tessivane::DiscoveredMenuBarItem;
using tessivane::MenuBarItemID;
using Items = std::vector<DiscoveredMenuBarItem>;

MenuBarItemID identity(std::optional<std::string> bundle, std::optional<std::string> title,
                       std::optional<std::string> owner = std::nullopt, int64_t index = 0) {
    return MenuBarItemID{std::move(bundle), std::move(title), std::move(owner), index, std::nullopt, std::nullopt};
}

DiscoveredMenuBarItem icon(std::string owner, std::optional<std::string> bundle, std::string title, double minX,
                           uint32_t window = 0) {
    DiscoveredMenuBarItem item;
    item.id = identity(bundle, title, owner);
    item.title = std::move(title);
    item.ownerName = std::move(owner);
    item.bundleIdentifier = std::move(bundle);
    item.frame = Rect{minX, 958, 28, 24};
    item.windowID = window;
    return item;
}

class ActivationTest : public enginetest::DiscoveryFixture {
protected:
    const DiscoveredMenuBarItem& discovered(const Items& items, const std::string& title) {
        auto it = std::find_if(items.begin(), items.end(), [&](const auto& i) { return i.title == title; });
        EXPECT_NE(it, items.end()) << title;
        return *it;
    }
    uint32_t windowOf(const std::string& owner, const std::string& autosaveName = "") {
        const desktop::BarItem* item = desktop().statusItem(owner, autosaveName);
        EXPECT_NE(item, nullptr) << owner;
        return item ? item->window->number : 0;
    }
    int32_t pidOf(const std::string& name) { return desktop().appNamed(name)->pid; }
    // A window's bounds as the window server lists them, however small: the expanded pusher is
    // one point wide.
    Rect quartzFrameOf(uint32_t window) {
        for (const platform::WindowInfo& info :
             platform::windowServer().windowList(platform::WindowListOptions::all, platform::kCGNullWindowID)) {
            if (info.number == window) return info.bounds;
        }
        ADD_FAILURE() << "no window " << window;
        return {};
    }
    platform::AXUIElementRef extraFor(const MenuBarItemID& id, const Items& items) {
        const ActivationService::Match match = service.resolve(id, items);
        const ActivationService::Apps apps = service.candidateApps(id, match);
        if (auto element = service.firstMatchingExtra(id, match, apps, false)) return element;
        return service.firstMatchingExtra(id, match, apps, true);
    }

    tessivane::UnansweringApplications unanswering;
    ActivationService service{unanswering};
};

// An ordinary application, a Control Center module, and the application that does not
// answer Accessibility, each found as icon, element and window.
TEST_F(ActivationTest, FindsIconElementAndWindowOnTheDefaultScene) {
    loadDefaultScene();
    const Items items = tessivane::MenuBarItemDiscovery().discoverItems(true);

    // Ordinary: the stored title changed since, the bundle still says which icon it is.
    const MenuBarItemID parcelbird = identity("com.parcelbird.mac", "Parcelbird Beta", "Parcelbird");
    ASSERT_TRUE(service.resolve(parcelbird, items));
    EXPECT_EQ(service.resolve(parcelbird, items)->windowID, windowOf("Parcelbird"));
    const platform::AXUIElementRef parcelElement = extraFor(parcelbird, items);
    ASSERT_NE(parcelElement, nullptr);
    EXPECT_EQ(parcelElement->pid(), pidOf("Parcelbird"));
    // Should it stop answering, each read of the element waits so long at most.
    EXPECT_EQ(parcelElement->messagingTimeout(), ActivationService::extrasMessagingTimeout);
    EXPECT_EQ(service.resolve(parcelbird, items)->axElement->messagingTimeout(),
              tessivane::MenuBarItemDiscovery::extrasMessagingTimeout);
    EXPECT_EQ(service.pinWindowID(parcelbird, items), windowOf("Parcelbird"));

    // A module: bundle and owner name are every module's; only its own name tells.
    const MenuBarItemID wifi = discovered(items, "Wi-Fi").id;
    ASSERT_EQ(wifi.ownerName, "Control Center");
    EXPECT_EQ(service.resolve(wifi, items)->windowID, windowOf("Control Center", "WiFi"));
    const platform::AXUIElementRef wifiElement = extraFor(wifi, items);
    ASSERT_NE(wifiElement, nullptr);
    EXPECT_EQ(service.axTitle(wifiElement), "Wi-Fi");
    EXPECT_EQ(service.axFrameQuartz(wifiElement), quartzFrameOf(windowOf("Control Center", "WiFi")));
    EXPECT_EQ(service.pinWindowID(wifi, items), windowOf("Control Center", "WiFi"));
    EXPECT_EQ(service.pinWindowID(discovered(items, "Clock").id, items), windowOf("Control Center", "Clock"));

    // Silent: resolved from discovery's window row, but no element to press, so no pin while
    // its icon stands on the clock side.
    const MenuBarItemID stillwater = identity("com.stillwater.app", "Stillwater", "Stillwater");
    EXPECT_EQ(service.resolve(stillwater, items)->windowID, windowOf("Stillwater"));
    const double before = runLoop().now();
    EXPECT_EQ(extraFor(stillwater, items), nullptr);
    // Each read of the silent application waits out the 0.4 s time-out, no longer.
    EXPECT_LE(runLoop().now() - before, 0.4 * 2 + 1e-6);
}

TEST_F(ActivationTest, PinsIconsPushedBeyondTheLineByTheirWindows) {
    // Stillwater and the Control Center-drawn Quillpad dragged beyond the line.
    std::optional<desktop::Scene> scene = testsupport::defaultScene();
    scene->accessibilityTrusted = true;
    for (desktop::SceneApplication& app : scene->applications) {
        if (app.name == "Stillwater") app.statusItems[0].position = 690;
    }
    load(*scene);
    tessivane::ExpandingSeparatorService separator;
    separator.setExpanded(true);
    const Items items = tessivane::MenuBarItemDiscovery().discoverItems(true);
    const MenuBarItemID stillwater = identity("com.stillwater.app", "Stillwater", "Stillwater");
    const uint32_t window = windowOf("Stillwater");

    separator.setExpanded(false);
    advance(0.01);
    const Rect pushed = quartzFrameOf(window);
    ASSERT_LT(pushed.maxX(), 0);
    EXPECT_EQ(service.pinByHitTest(stillwater, service.resolve(stillwater, items)), window);
    EXPECT_EQ(service.pinWindowID(stillwater, items), window);
    // Revealed again, the pinned window is found where it now stands.
    separator.setExpanded(true);
    EXPECT_GT(quartzFrameOf(window).minX(), 0);
    EXPECT_TRUE(service.isOnScreenMenuBar(quartzFrameOf(window)));
}

TEST_F(ActivationTest, HitTestTellsControlCenterWindowsAtTheLeadingEdgeApart) {
    desktop::Scene scene = bareScene();
    scene.applications.push_back(app(700, "Weatherly", "com.weatherly", {28}));
    desktop::SceneApplication host = app(710, "Control Center", "com.apple.controlcenter");
    host.windows.push_back(window({4, 958, 28, 24}, "Radio"));
    host.windows.push_back(window({10, 958, 24, 24}, "Weatherly Forecast"));
    scene.applications.push_back(host);
    load(scene);
    uint32_t forecast = 0;
    for (const auto& w : platform::windowServer().windowList(16, 0)) {
        if (w.name == "Weatherly Forecast") forecast = w.number;
    }
    // Neither window's process owns the icon; the element under each window's centre names it.
    EXPECT_EQ(service.pinByHitTest(identity("com.weatherly", "Weatherly"), std::nullopt), forecast);
    EXPECT_FALSE(service.pinByHitTest(identity("com.example.other", "Compass"), std::nullopt));

    // A much wider element in front of the windows' centres is no icon of theirs, whatever its
    // name (the width rule: LayoutTests).
    desktop::SceneApplication banner = app(720, "Marquee", "com.marquee");
    banner.windows.push_back(window({0, 958, 81, 24}, "Weatherly Banner"));
    scene.applications.push_back(banner);
    load(scene);
    EXPECT_FALSE(service.pinByHitTest(identity("com.weatherly", "Weatherly"), std::nullopt));
    scene.applications.back().windows[0].frame.size.width = 80;
    load(scene);
    EXPECT_TRUE(service.pinByHitTest(identity("com.weatherly", "Weatherly"), std::nullopt));
}

TEST_F(ActivationTest, OnlyMenuBarSizedWindowsAtTheLeadingEdgeArePinned) {
    // Quartz frames of the icon's own window: 8 to 260 wide, 10 to 48 high, its top between 8
    // above the screen and 48 below, its right edge within 40 points of the left end.
    for (const auto& [frame, pinned] : std::vector<std::pair<Rect, bool>>{
             {{4, 0, 8, 24}, true}, {{4, 0, 7, 24}, false}, {{-250, 0, 260, 24}, true},
             {{-250, 0, 261, 24}, false}, {{4, 0, 24, 10}, true}, {{4, 0, 24, 9}, false},
             {{4, 0, 24, 48}, true}, {{4, 0, 24, 49}, false}, {{4, -7, 24, 24}, true},
             {{4, -8, 24, 24}, false}, {{4, 47, 24, 24}, true}, {{4, 48, 24, 24}, false},
             {{15.5, 0, 24, 24}, true}, {{16, 0, 24, 24}, false}}) {
        desktop::Scene scene = bareScene();
        scene.applications.push_back(app(700, "Weatherly", "com.weatherly"));
        scene.applications.back().windows.push_back(
            window({frame.minX(), 982 - frame.maxY(), frame.width(), frame.height()}, "Icon"));
        load(scene);
        EXPECT_EQ(service.pinByHitTest(identity("com.weatherly", "Weatherly"), std::nullopt).has_value(), pinned)
            << frame.minX() << "," << frame.minY() << " " << frame.width() << "x" << frame.height();
    }
}

TEST_F(ActivationTest, HostWindowPushedOffScreenIsPinnedByNumberFrameOrElement) {
    desktop::Scene scene = bareScene();
    scene.applications.push_back(app(700, "Weatherly", "com.weatherly", {28}));
    desktop::SceneApplication host = app(710, "Control Center", "com.apple.controlcenter");
    host.windows.push_back(window({-100, 958, 24, 24}, "Radio"));
    scene.applications.push_back(host);
    load(scene);
    uint32_t radio = 0;
    for (const auto& w : platform::windowServer().windowList(16, 0)) {
        if (w.name == "Radio") radio = w.number;
    }
    ASSERT_NE(radio, 0u);

    // No hit test reaches it out there: it is the icon's when it was the icon's window before,
    const MenuBarItemID weatherly = identity("com.weatherly", "Weatherly");
    MenuBarItemID pinnedBefore = weatherly;
    pinnedBefore.windowID = radio;
    EXPECT_EQ(service.pinByHitTest(pinnedBefore, std::nullopt), radio);
    ActivationService::Match match = icon("Weatherly", "com.weatherly", "Weatherly", 1400, radio);
    EXPECT_EQ(service.pinByHitTest(weatherly, match), radio);
    // when it covers at least half of where the icon was listed,
    match->windowID = 0;
    match->frame = Rect{-91, 958, 24, 24};
    EXPECT_FALSE(service.pinByHitTest(weatherly, match));
    match->frame = Rect{-92, 958, 24, 24};
    EXPECT_EQ(service.pinByHitTest(weatherly, match), radio);
    // or when the icon's element stands there.
    scriptFrameOf(pidOf("Weatherly"), Rect{-100, 0, 24, 24});
    EXPECT_EQ(service.pinByHitTest(weatherly, std::nullopt), radio);
}

TEST_F(ActivationTest, ClickAtAnIconsCentreOpensIt) {
    loadDefaultScene();
    const Rect frame = quartzFrameOf(windowOf("Parcelbird"));
    service.postClick({frame.midX(), std::min(frame.midY(), 12.0)}, false);
    ASSERT_TRUE(desktop().openedMenu());
    EXPECT_EQ(desktop().openedMenu()->pid, pidOf("Parcelbird"));
    EXPECT_FALSE(desktop().openedMenu()->isContextMenu);
    desktop().closeOpenedMenu();

    // The click takes 20 ms of blocking waits; a right click opens the context menu.
    const double before = runLoop().now();
    service.postClick({frame.midX(), 11}, true);
    EXPECT_NEAR(runLoop().now() - before, 0.020, 1e-6);
    ASSERT_TRUE(desktop().openedMenu());
    EXPECT_TRUE(desktop().openedMenu()->isContextMenu);
}

TEST_F(ActivationTest, ClickClearingAppMenuRestoresTheAccessoryPolicy) {
    loadDefaultScene();
    platform::Application& app = platform::application();
    app.setActivationPolicy(platform::ActivationPolicy::accessory);
    const Rect frame = quartzFrameOf(windowOf("Parcelbird"));
    const double before = runLoop().now();
    EXPECT_TRUE(service.clickClearingAppMenu({frame.midX(), 11}, false));
    EXPECT_NEAR(runLoop().now() - before, 0.100, 1e-6);
    EXPECT_EQ(app.activationPolicy(), platform::ActivationPolicy::accessory);
    ASSERT_TRUE(desktop().openedMenu());
    EXPECT_EQ(desktop().openedMenu()->pid, pidOf("Parcelbird"));
}

TEST_F(ActivationTest, ResolutionRulesAndTies) {
    load(bareScene());
    const Items items = {
        icon("Weatherly", "com.weatherly", "Weatherly", 100, 11),
        icon("Weatherly", "com.weatherly", "Rain Radar", 130, 12),
        icon("Control Center", "com.apple.controlcenter", "Battery", 200, 13),
        icon("Control Center", "com.apple.controlcenter", "Wi-Fi", 230, 14),
        icon("Tessivane", "com.tessivane.Tessivane", "Tessivane", 300, 15),
    };
    // Two icons of one application: the leftmost.
    EXPECT_EQ(service.resolve(identity("com.weatherly", "Rain Radar"), items)->windowID, 11u);
    // Control Center never through its shared bundle, nor through its shared owner name.
    EXPECT_EQ(service.resolve(identity("com.apple.controlcenter", "Wi-Fi", "Control Center"), items)->windowID, 14u);
    EXPECT_FALSE(service.resolve(identity("com.apple.controlcenter", "Focus", "Control Center"), items));
    // An identity string equal to a live icon's, everything else differing.
    MenuBarItemID own = items[4].id;
    EXPECT_EQ(service.resolve(own, items)->windowID, 15u);
    // Names of our own icons do not count by the first rule, but the last resort takes them.
    EXPECT_EQ(service.resolve(identity(std::nullopt, "Tessivane Extra"), items)->windowID, 15u);
    // A unique bundle among the icons wins after names fail.
    const Items one = {icon("Lantern", "com.lantern", "Beacon", 100, 21), icon("Other", std::nullopt, "X", 130, 22)};
    EXPECT_EQ(service.resolve(identity("com.lantern", "Something"), one)->windowID, 21u);

    EXPECT_FALSE(service.resolve(identity(std::nullopt, std::nullopt), one));
    // Drawn by a host by name, so the first rule passes it by: the only icon of its bundle still
    // is the one meant; the only Control Center icon is not, its bundle being every module's.
    const Items hosted = {icon("SystemUIServer", "com.apple.siri", "Siri", 100, 31),
                          icon("Control Center", "com.apple.controlcenter", "Battery", 200, 32)};
    EXPECT_EQ(service.resolve(identity("com.apple.siri", "Voice"), hosted)->windowID, 31u);
    // Of two such icons, neither named so, none is.
    const Items twoHosted = {icon("SystemUIServer", "com.apple.siri", "Siri", 100, 31),
                             icon("SystemUIServer", "com.apple.siri", "Dictation", 130, 33)};
    EXPECT_FALSE(service.resolve(identity("com.apple.siri", "Voice"), twoHosted));
    EXPECT_FALSE(service.resolve(identity("com.apple.controlcenter", "Focus", "Control Center"), hosted));
}

TEST_F(ActivationTest, CandidatesNeverIncludeUsAndControlCenterIsNeverACertainOwner) {
    desktop::Scene scene = bareScene();
    scene.applications.push_back(app(700, "Weatherly", "com.weatherly", {28}));
    scene.applications.push_back(app(710, "Control Center", "com.apple.controlcenter", {30}));
    scene.applications.push_back(app(720, "Tessivane Helper", "com.example.tessivane.helper", {28}));
    scene.applications.push_back(app(730, "Loose Ends", "", {28}));
    scene.applications.back().statusItems[0].description = "Knot Tracker";
    load(scene);
    const MenuBarItemID id = identity("com.weatherly", "Tessivane weather", "Weatherly");
    ActivationService::Match match = icon("Weatherly", "com.weatherly", "Weatherly", 100);
    match->ownerPID = 700;

    std::vector<int32_t> pids;
    for (const auto& a : service.candidateApps(id, match)) pids.push_back(a.processIdentifier);
    EXPECT_EQ(pids, (std::vector<int32_t>{700, 710}));

    EXPECT_EQ(service.candidatePIDs(id, match), (std::unordered_set<int32_t>{700}));
    // The resolved icon's own process counts without a bundle to find it by.
    ActivationService::Match unbundled = icon("Weatherly", std::nullopt, "Weatherly", 100);
    unbundled->ownerPID = 700;
    EXPECT_EQ(service.candidatePIDs(identity(std::nullopt, "Weatherly"), unbundled), (std::unordered_set<int32_t>{700}));
    ActivationService::Match host = icon("Control Center", "com.apple.controlcenter", "Wi-Fi", 100);
    host->ownerPID = 710;
    EXPECT_TRUE(service.candidatePIDs(identity("com.apple.controlcenter", "Wi-Fi"), host).empty());

    // Named by the icon's owner alone, or by the title of the icon it resolved to; the first
    // process, 1, is as good as any.
    scene.applications.push_back(app(1, "Lighthouse", "com.lighthouse", {28}));
    load(scene);
    for (const auto& [named, resolved] : std::vector<std::pair<MenuBarItemID, ActivationService::Match>>{
             {identity(std::nullopt, std::nullopt, "Lighthouse"), std::nullopt},
             {identity(std::nullopt, std::nullopt), icon("Harbour", std::nullopt, "Lighthouse", 100)}}) {
        pids.clear();
        for (const auto& a : service.candidateApps(named, resolved)) pids.push_back(a.processIdentifier);
        EXPECT_EQ(pids, (std::vector<int32_t>{710, 1})) << resolved.has_value();
    }

    // An application without a bundle is one of the others, never Control Center.
    const MenuBarItemID knot = identity(std::nullopt, "Knot Tracker", "Loose Ends");
    const ActivationService::Apps apps = service.candidateApps(knot, std::nullopt);
    const platform::AXUIElementRef element = service.firstMatchingExtra(knot, std::nullopt, apps, false);
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element->pid(), 730);
    EXPECT_EQ(service.firstMatchingExtra(knot, std::nullopt, apps, true), nullptr);
}

TEST_F(ActivationTest, ContextMenuThroughAccessibilityOnlyForOrdinaryApplications) {
    loadDefaultScene();
    const Items items = tessivane::MenuBarItemDiscovery().discoverItems(true);
    EXPECT_TRUE(service.showContextMenuViaAX(identity("com.parcelbird.mac", "Parcelbird"), items));
    ASSERT_TRUE(desktop().openedMenu());
    EXPECT_TRUE(desktop().openedMenu()->isContextMenu);
    desktop().closeOpenedMenu();

    // Control Center's icons are not asked, even with an element at hand.
    Items withElement = items;
    for (DiscoveredMenuBarItem& item : withElement) {
        if (item.title == "Wi-Fi") item.axElement = extraFor(item.id, items);
    }
    const int messages = desktop().accessibility().messagesSent();
    EXPECT_FALSE(service.showContextMenuViaAX(discovered(items, "Wi-Fi").id, withElement));
    EXPECT_FALSE(desktop().openedMenu());
    EXPECT_EQ(desktop().accessibility().messagesSent(), messages);
    // No element: nothing to ask.
    EXPECT_FALSE(service.showContextMenuViaAX(identity("com.stillwater.app", "Stillwater"), items));
}

TEST_F(ActivationTest, MenuBarGeometryTests) {
    load(bareScene());
    // A menu bar element wider than 80 pt is an application's menu, even in the icon's process.
    desktop().launchApp(app(700, "Weatherly", "com.weatherly", {80, 81}));
    const MenuBarItemID weatherly = identity("com.weatherly", "Weatherly");
    auto centreOf = [&](size_t index) {
        const Rect frame = desktop().toQuartz(desktop().statusItem("Weatherly", "", index)->frame());
        return platform::Point{frame.midX(), frame.midY()};
    };
    EXPECT_FALSE(service.isForeignAppMenu(centreOf(0), weatherly, std::nullopt));
    EXPECT_TRUE(service.isForeignAppMenu(centreOf(1), weatherly, std::nullopt));

    // On the 1512 x 982 screen: 8 to 260 points wide, its top from 8 above the bar to 40 below
    // the screen's top, its centre at least 2 points inside the screen.
    for (const auto& [frame, onBar] : std::vector<std::pair<Rect, bool>>{
             {{700, 4, 7, 24}, false}, {{700, 4, 8, 24}, true}, {{700, 4, 260, 24}, true},
             {{700, 4, 261, 24}, false}, {{700, -8, 20, 24}, true}, {{700, -9, 20, 24}, false},
             {{700, 39, 20, 24}, true}, {{700, 40, 20, 24}, false}, {{-8, 0, 20, 24}, true},
             {{-8.5, 0, 20, 24}, false}, {{1500, 0, 20, 24}, true}, {{1500.5, 0, 20, 24}, false},
             {{-30, 4, 20, 24}, false}}) {
        EXPECT_EQ(service.isOnScreenMenuBar(frame), onBar) << frame.minX() << "," << frame.minY() << " " << frame.width();
    }

    // Left to right, hidden is left of the separator by more than 2 points; no separator, or one
    // at either end of the bar (the rule: LayoutTests), hides everything.
    struct Hidden { double midX; std::optional<double> separator; bool hidden; };
    auto check = [&](const std::vector<Hidden>& cases, bool rtl) {
        for (const Hidden& c : cases) {
            EXPECT_EQ(service.isInHiddenRegion({c.midX - 10, 0, 20, 24}, c.separator, rtl), c.hidden)
                << c.midX << " against " << c.separator.value_or(-1) << (rtl ? " right to left" : "");
        }
    };
    check({{1410, std::nullopt, true}, {1410, 80.0, true}, {1410, 81.0, false}, {897, 900.0, true},
           {898, 900.0, false}, {899, 900.0, false}},
          false);

    // Right to left on a 1728 point screen, mirrored.
    desktop::SceneScreen wide;
    wide.frame = {0, 0, 1728, 1117};
    desktop().setScreens({wide});
    check({{903, 900.0, true}, {902, 900.0, false}, {901, 900.0, false}, {10, 8.0, true}, {10, 9.0, false},
           {901, std::nullopt, true}},
          true);

    desktop().setScreens({});
    EXPECT_EQ(service.primaryScreenFrame(), (Rect{0, 0, 1728, 1117}));
}

TEST_F(ActivationTest, WindowLookUpsAndOverlaps) {
    desktop::Scene scene = bareScene();
    // AppKit frames on the 1512 x 982 screen: y 958 is the menu bar strip (Quartz y 0).
    desktop::SceneApplication first = app(700, "Lantern", "com.lantern");
    first.windows.push_back(window({400, 958, 40, 24}));
    desktop::SceneApplication second = app(710, "Beacon", "com.beacon");
    second.windows.push_back(window({400, 958, 40, 24}));
    desktop::SceneApplication thin = app(720, "Thin", "com.thin");
    thin.windows.push_back(window({600, 958, 5, 24}));
    scene.applications = {first, second, thin};
    load(scene);

    // The window list runs front to back: the last window made is in front.
    std::vector<uint32_t> overlapping;
    uint32_t thinWindow = 0;
    for (const auto& w : platform::windowServer().windowList(16, 0)) {
        if (w.ownerPID == 700 || w.ownerPID == 710) overlapping.push_back(w.number);
        if (w.ownerPID == 720) thinWindow = w.number;
    }
    ASSERT_EQ(overlapping.size(), 2u);
    const uint32_t front = overlapping[0];

    // Equal overlaps (0.6 each): the window earlier in the list.
    EXPECT_EQ(service.bestOverlappingMenuBarWindow({400, 0, 24, 24}, false), front);
    // 0.29 of the joint extent is not enough, 0.31 is; frames narrower than 6 points never match.
    EXPECT_FALSE(service.bestOverlappingMenuBarWindow({422, 0, 40, 24}, false));
    EXPECT_EQ(service.bestOverlappingMenuBarWindow({421, 0, 40, 24}, false), front);
    EXPECT_FALSE(service.bestOverlappingMenuBarWindow({400, 0, 5, 24}, false));
    // Neither window is Control Center's.
    EXPECT_FALSE(service.bestOverlappingMenuBarWindow({400, 0, 24, 24}, true));

    EXPECT_FALSE(service.liveWindowQuartz(thinWindow));  // 5 points wide
    EXPECT_FALSE(service.liveWindowQuartz(0));
    EXPECT_FALSE(service.liveWindowQuartz(999999));  // a window that has closed
    EXPECT_EQ(service.liveWindowQuartz(front), (Rect{400, 0, 40, 24}));
}

TEST_F(ActivationTest, OwnStatusItemsAndForeignMenusUnderThePoint) {
    loadDefaultScene();
    tessivane::ExpandingSeparatorService separator;
    separator.setExpanded(true);
    const Rect chevron = quartzFrameOf(separator.chevronItem->button()->windowNumber());
    EXPECT_TRUE(service.isOwnMenuBarFrame(chevron));
    EXPECT_TRUE(service.isOwnMenuBarFrame({chevron.minX() + 1, chevron.minY() + 1, chevron.width(), 10}));
    EXPECT_TRUE(service.isOwnMenuBarFrame({chevron.midX(), chevron.midY(), 0, 0}));
    // Icons abut our items: touching one, or the one-point expanded pusher, is not being one.
    EXPECT_FALSE(service.isOwnMenuBarFrame({chevron.maxX(), chevron.minY(), 24, chevron.height()}));
    EXPECT_FALSE(service.isOwnMenuBarFrame({chevron.maxX() + 1, chevron.minY(), 10, 10}));
    const Rect pusher = quartzFrameOf(separator.pusherItem->button()->windowNumber());
    EXPECT_FALSE(service.isOwnMenuBarFrame({pusher.minX() - 24, pusher.minY(), 24, pusher.height()}));
    EXPECT_FALSE(service.isOwnMenuBarFrame(quartzFrameOf(windowOf("Control Center", "Clock"))));

    const MenuBarItemID parcelbird = identity("com.parcelbird.mac", "Parcelbird");
    const Rect parcel = quartzFrameOf(windowOf("Parcelbird"));
    EXPECT_FALSE(service.isForeignAppMenu({parcel.midX(), 11}, parcelbird, std::nullopt));
    const Rect kettleSide = quartzFrameOf(windowOf("Nimbusnote", "Item-0"));
    EXPECT_TRUE(service.isForeignAppMenu({kettleSide.midX(), 11}, parcelbird, std::nullopt));

    // Our own items are no icon of another application's, however narrow.
    EXPECT_TRUE(service.isForeignAppMenu({chevron.midX(), chevron.midY()}, parcelbird, std::nullopt));

    // The frontmost application's menu titles at the left end of the bar.
    const auto titles = desktop().appMenuTitles();
    ASSERT_GE(titles.size(), 2u);
    const Rect title = desktop().toQuartz(titles[1].second);
    EXPECT_TRUE(service.isForeignAppMenu({title.midX(), title.midY()}, parcelbird, std::nullopt));
    // Nothing there but the desktop.
    EXPECT_FALSE(service.isForeignAppMenu({700, 500}, parcelbird, std::nullopt));

    // A window found through the icon's element is refused where it lies over one of ours.
    desktop::SceneApplication overlay = app(760, "Overlay", "com.overlay");
    overlay.windows.push_back(window(tessivane::MenuBarItemDiscovery::cocoaRect(chevron)));
    desktop().launchApp(overlay);
    scriptFrameOf(pidOf("Parcelbird"), chevron);
    EXPECT_FALSE(service.pinWindowID(parcelbird, {}));
}

}  // namespace
