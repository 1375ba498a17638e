#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "engine/DiscoveryFixture.h"
#include "engine/ExpandingSeparatorService.h"
#include "platform/Platform.h"
#include "platform/ProcessInfo.h"
#include "platform/StatusBar.h"
#include "platform/UserDefaults.h"

namespace {

using tessivane::ExpandingSeparatorService;

class SeparatorTest : public enginetest::DiscoveryFixture {
protected:
    static std::optional<double> stored(const std::string& autosaveName) {
        return ExpandingSeparatorService::preferredPosition(autosaveName);
    }
    static void store(const std::string& autosaveName, double position) {
        platform::UserDefaults::standard().set("NSStatusItem Preferred Position " + autosaveName,
                                               platform::PropertyValue(position));
    }
    const desktop::BarItem& own(const std::string& autosaveName) {
        const desktop::BarItem* item = desktop().statusItem("Tessivane", autosaveName);
        EXPECT_NE(item, nullptr) << autosaveName;
        return *item;
    }
    // An application whose two icons the user has dragged beyond the line.
    void addIconsBeyondTheLine() {
        desktop::SceneApplication app = enginetest::DiscoveryFixture::app(880, "Farside", "com.farside.app", {28, 28});
        app.statusItems[0].position = 700;
        app.statusItems[1].position = 760;
        desktop().launchApp(app);
    }
    // On a bar without a camera housing, with an icon between the clock and our trio that
    // shoves the trio about as it widens: whether `arrange`, then vossel items `gap` points to
    // the clock side of the chevron, make the trio be re-created.
    bool reinstalls(bool rtl, const std::function<void(ExpandingSeparatorService&)>& arrange, double gap = 30) {
        platform::ProcessInfo::setArguments({"tessivane", rtl ? "-ForceMenuBarRTL" : "-ForceMenuBarLTR"});
        desktop::Scene scene = bareScene();
        scene.screens[0].cameraHousing.reset();
        scene.applications.push_back(app(890, "Widebar", "com.widebar", {100}));
        scene.applications.back().statusItems[0].position = 100;
        load(scene);
        ExpandingSeparatorService service;
        service.setExpanded(true);
        arrange(service);
        const platform::Rect chevron = ExpandingSeparatorService::windowFrame(service.chevronItem);
        // Kept on screen, so that they count.
        const double vosselX = rtl ? std::min(chevron.minX() - gap - 24, 1480.0) : std::max(chevron.minX() + gap, 20.0);
        service.relayoutChevronIfDetached({{vosselX, 958, 24, 24}, {vosselX + (rtl ? -30 : 30), 958, 24, 24}});
        return service.chevronRelayouts == 1;
    }
    // Puts the left edge of one of our items at x.
    void shove(const std::shared_ptr<platform::StatusItem>& item, double x, bool rtl) {
        const desktop::BarItem& wide = *desktop().statusItem("Widebar", "Item-0");
        const double now = ExpandingSeparatorService::windowFrame(item).minX();
        desktop().setStatusItemWidth(wide.id, wide.width + (rtl ? x - now : now - x));
    }
    platform::Image chevronImage(ExpandingSeparatorService& service) {
        return *service.chevronItem->button()->image();
    }
};

TEST_F(SeparatorTest, FirstRunPositionsPlaceTheTrioAndANewVosselBesideTheSettingsItem) {
    loadDefaultScene();
    // The first vossel's position is written before the trio exists, one step past the
    // Settings item (611 when it has none).
    const platform::UUID vossel = platform::UUID::random();
    ExpandingSeparatorService::prepareGroupPosition(vossel, {});
    EXPECT_EQ(stored("Tessivane.Group." + vossel.uuidString()), 631);

    ExpandingSeparatorService service;
    service.ensureItems();
    EXPECT_EQ(stored("Tessivane.Chevron"), 643);
    EXPECT_EQ(stored("Tessivane.Line"), 659);
    EXPECT_EQ(stored("Tessivane.Pusher"), 673);
    // The items took the positions written for them, from the clock outward.
    EXPECT_GT(own("Tessivane.Chevron").frame().minX(), own("Tessivane.Line").frame().minX());
    EXPECT_GT(own("Tessivane.Line").frame().minX(), own("Tessivane.Pusher").frame().minX());

    // Items in the bar keep where they stand: a stored position they would not take until
    // they are made again would tell the next launch of another bar.
    const platform::UUID outer = platform::UUID::random();
    store("Tessivane.Group." + outer.uuidString(), 660);
    service.vosselGroupIDs = {vossel, outer};
    service.pinChevronBesideVossels();
    EXPECT_EQ(stored("Tessivane.Chevron"), 643);
    EXPECT_EQ(stored("Tessivane.Pusher"), 673);
    // Made again, they go beyond the vossel that now lies past the chevron.
    service.tearDown();
    service.pinChevronBesideVossels();
    EXPECT_EQ(stored("Tessivane.Chevron"), 692);
    EXPECT_EQ(stored("Tessivane.Line"), 708);
    EXPECT_EQ(stored("Tessivane.Pusher"), 722);
}

TEST_F(SeparatorTest, NewVosselPositionKeepsClearOfTheStoredChevron) {
    loadDefaultScene();
    const platform::UUID first = platform::UUID::random();
    const platform::UUID second = platform::UUID::random();

    store("Tessivane.Chevron", 650);
    ExpandingSeparatorService::prepareGroupPosition(first, {});
    EXPECT_EQ(stored("Tessivane.Group." + first.uuidString()), 631);  // 650 - 40 raised to 611 + 20

    // The older separator name stands in for a chevron never stored.
    platform::UserDefaults::standard().removeObject("NSStatusItem Preferred Position Tessivane.Chevron");
    store("Tessivane.Separator", 700);
    store("Tessivane.Settings", 500);
    ExpandingSeparatorService::prepareGroupPosition(second, {first});
    EXPECT_EQ(stored("Tessivane.Group." + second.uuidString()), 660);  // M = 631: min(660, 667)

    // A position that is not a number counts as none.
    platform::UserDefaults::standard().set("NSStatusItem Preferred Position Tessivane.Settings",
                                           platform::PropertyValue("far"));
    ExpandingSeparatorService service;
    service.pinChevronBesideVossels();
    EXPECT_EQ(stored("Tessivane.Chevron"), 643);

    // Several new vossels at once: each placed beyond the one before, as one by one.
    store("Tessivane.Chevron", 2000);
    const std::vector<platform::UUID> added = {platform::UUID::random(), platform::UUID::random(),
                                               platform::UUID::random()};
    ExpandingSeparatorService::prepareGroupPositions(added, {first, second});
    EXPECT_EQ(stored("Tessivane.Group." + added[0].uuidString()), 696);  // M = 660
    EXPECT_EQ(stored("Tessivane.Group." + added[1].uuidString()), 732);
    EXPECT_EQ(stored("Tessivane.Group." + added[2].uuidString()), 768);
}

// A new vossel's item goes between the outermost vossel and a chevron that stands there (or
// that a launch makes there): past it, the vossel would be hidden with the icons beyond.
TEST_F(SeparatorTest, NewVosselsStayOnTheClockSideOfAStoredChevron) {
    loadDefaultScene();
    using Stored = ExpandingSeparatorService::StoredPosition;
    const platform::UUID inner = platform::UUID::random();  // an item already in the bar, at 631
    struct Case {
        const char* what;
        std::optional<double> chevron;
        std::vector<std::optional<double>> earlier;  // positions stored for the new ones before
        Stored stored;
        std::vector<double> placed;
    };
    const std::vector<Case> cases = {
        {"the usual step fits", 700, {{}}, Stored::replace, {660}},
        {"one more than fits", 643, {{}}, Stored::replace, {637}},
        {"three that do not fit share the room", 643, {{}, {}, {}}, Stored::replace, {634, 637, 640}},
        {"no chevron stored: the least steps", {}, {{}, {}}, Stored::replace, {651, 671}},
        {"an earlier place before the chevron is kept", 643, {620, {}}, Stored::keepBeforeChevron, {620, 637}},
        {"an earlier place beyond the outermost is kept", 643, {{}, 640}, Stored::keepBeforeChevron, {641.5, 640}},
        {"an earlier place past the chevron is not", 643, {650}, Stored::keepBeforeChevron, {637}},
        {"nor one on it", 643, {643}, Stored::keepBeforeChevron, {637}},
        {"nor any without a chevron stored", {}, {620}, Stored::keepBeforeChevron, {651}},
        {"a re-placed item gets a new place", 643, {620}, Stored::replace, {637}},
    };
    for (const Case& c : cases) {
        store("Tessivane.Group." + inner.uuidString(), 631);
        if (c.chevron) {
            store("Tessivane.Chevron", *c.chevron);
        } else {
            platform::UserDefaults::standard().removeObject("NSStatusItem Preferred Position Tessivane.Chevron");
        }
        std::vector<platform::UUID> ids;
        for (const auto& earlier : c.earlier) {
            ids.push_back(platform::UUID::random());
            if (earlier) store("Tessivane.Group." + ids.back().uuidString(), *earlier);
        }
        ExpandingSeparatorService::prepareGroupPositions(ids, {inner}, c.stored);
        std::vector<double> placed;
        for (const platform::UUID& id : ids) placed.push_back(stored("Tessivane.Group." + id.uuidString()).value_or(-1));
        EXPECT_EQ(placed, c.placed) << c.what;
    }
}

// Pinning a trio that is not in the bar keeps a stored one that lies beyond the vossels in
// order (the bar the person left) and otherwise puts it beside the outermost vossel; a
// re-creation always puts it there.
TEST_F(SeparatorTest, PinningKeepsAStoredTrioBeyondTheVosselsAndAReinstallMovesIt) {
    loadDefaultScene();
    const platform::UUID first = platform::UUID::random();
    const platform::UUID second = platform::UUID::random();
    struct Case {
        const char* what;
        std::optional<double> chevron, line, pusher;  // stored before pinning
        std::vector<platform::UUID> vossels;
        std::optional<double> settings;
        double pinned;  // the chevron's position after pinning
        double moved;   // and after moving the trio beside the vossels
    };
    const std::vector<Case> cases = {
        {"nothing stored", {}, {}, {}, {first}, {}, 732, 732},
        {"a trio beyond the vossel", 760, 776, 790, {first}, {}, 760, 732},
        {"a trio far beyond it", 2000, 2016, 2030, {first}, {}, 2000, 732},
        {"a vossel past the chevron", 690, 706, 720, {first}, {}, 732, 732},
        {"a vossel on the chevron", 700, 716, 730, {first}, {}, 732, 732},
        {"a second vossel past it, though shown only now", 760, 776, 790, {first, second}, {}, 832, 832},
        {"the line before the chevron", 760, 740, 790, {first}, {}, 732, 732},
        {"the pusher before the line", 760, 776, 770, {first}, {}, 732, 732},
        {"no line stored", 760, {}, 790, {first}, {}, 732, 732},
        {"the Settings item past the trio", 760, 776, 790, {first}, 900, 932, 932},
        {"the Settings item alone, its position gone", 650, 666, 680, {}, {}, 650, 643},
    };
    for (const Case& c : cases) {
        store("Tessivane.Group." + first.uuidString(), 700);
        store("Tessivane.Group." + second.uuidString(), 800);
        auto& defaults = platform::UserDefaults::standard();
        for (const auto& [name, value] : {std::pair{"Tessivane.Chevron", c.chevron}, {"Tessivane.Line", c.line},
                                          {"Tessivane.Pusher", c.pusher}, {"Tessivane.Settings", c.settings}}) {
            if (value) {
                store(name, *value);
            } else {
                defaults.removeObject(std::string("NSStatusItem Preferred Position ") + name);
            }
        }
        ExpandingSeparatorService service;
        service.vosselGroupIDs = c.vossels;
        service.pinChevronBesideVossels();
        EXPECT_EQ(stored("Tessivane.Chevron"), c.pinned) << c.what;
        const double chevron = *stored("Tessivane.Chevron");
        EXPECT_LT(chevron, *stored("Tessivane.Line")) << c.what;
        EXPECT_LT(*stored("Tessivane.Line"), *stored("Tessivane.Pusher")) << c.what;
        service.moveChevronBesideVossels();
        EXPECT_EQ(stored("Tessivane.Chevron"), c.moved) << c.what;
        EXPECT_EQ(stored("Tessivane.Line"), c.moved + 16) << c.what;
        EXPECT_EQ(stored("Tessivane.Pusher"), c.moved + 30) << c.what;
    }
}

TEST_F(SeparatorTest, CollapsedLengthFollowsTheWidestScreen) {
    desktop::Scene scene = bareScene();
    desktop::SceneScreen small;
    small.frame = {0, 0, 600, 400};
    scene.screens = {small};
    load(scene);
    ExpandingSeparatorService service;
    service.updateCollapsedLength();
    EXPECT_EQ(service.collapsedLineLength, 800);

    desktop::SceneScreen laptop, wide;
    laptop.frame = {0, 0, 1440, 900};
    wide.frame = {1440, 0, 2560, 1440};
    desktop().setScreens({laptop, wide});
    service.updateCollapsedLength();
    EXPECT_EQ(service.collapsedLineLength, 2500);

    desktop().setScreens({laptop});
    service.updateCollapsedLength();
    EXPECT_EQ(service.collapsedLineLength, 1520);

    desktop().setScreens({});
    service.updateCollapsedLength();
    EXPECT_EQ(service.collapsedLineLength, 1808);
}

TEST_F(SeparatorTest, CollapsingPushesIconsBeyondTheLineOffTheBarAndExpandingBringsThemBack) {
    loadDefaultScene();
    addIconsBeyondTheLine();
    const desktop::BarItem& near = *desktop().statusItem("Farside", "Item-0");
    const desktop::BarItem& far = *desktop().statusItem("Farside", "Item-1");
    const desktop::BarItem& clock = *desktop().statusItem("Control Center", "Clock");
    ExpandingSeparatorService service;

    service.setExpanded(true);
    EXPECT_TRUE(near.onScreen);
    EXPECT_TRUE(far.onScreen);
    EXPECT_EQ(service.pusherItem->length(), 1);
    EXPECT_EQ(chevronImage(service).symbolName(), "chevron.left");
    EXPECT_EQ(chevronImage(service).accessibilityDescription(), "Show grouped icons");
    EXPECT_TRUE(chevronImage(service).isTemplate());

    service.setExpanded(false);
    advance(0.01);
    EXPECT_EQ(service.pusherItem->length(), 1592);
    EXPECT_FALSE(near.onScreen);
    EXPECT_FALSE(far.onScreen);
    EXPECT_LE(far.frame().maxX(), 0);
    EXPECT_TRUE(clock.onScreen);
    // The scene's own icons stored beyond the line go too; those on the clock side stay.
    EXPECT_FALSE(desktop().statusItem("Kettle", "")->onScreen);
    EXPECT_FALSE(desktop().statusItem("Orbitdock", "")->onScreen);
    EXPECT_TRUE(desktop().statusItem("Vantage VPN", "")->onScreen);
    EXPECT_TRUE(own("Tessivane.Chevron").onScreen);
    EXPECT_EQ(chevronImage(service).symbolName(), "chevron.right");
    EXPECT_EQ(chevronImage(service).accessibilityDescription(), "Hide grouped icons");
}

TEST_F(SeparatorTest, ClickingTheChevronTogglesTheHiddenIcons) {
    // On the default scene the camera housing hides the chevron; here it has room.
    load(bareScene());
    addIconsBeyondTheLine();
    const desktop::BarItem& near = *desktop().statusItem("Farside", "Item-0");
    ExpandingSeparatorService service;
    service.setExpanded(false);
    advance(0.01);
    ASSERT_TRUE(own("Tessivane.Chevron").shown);

    desktop().clickStatusItem(own("Tessivane.Chevron"));
    EXPECT_TRUE(service.isExpanded);
    EXPECT_TRUE(near.shown);
    desktop().clickStatusItem(own("Tessivane.Chevron"));
    advance(0.01);
    EXPECT_FALSE(service.isExpanded);
    EXPECT_FALSE(near.onScreen);
    // A right click is not the chevron's business.
    desktop().clickStatusItem(own("Tessivane.Chevron"), desktop::MouseButton::right);
    EXPECT_FALSE(service.isExpanded);
}

TEST_F(SeparatorTest, RightToLeftBarMirrorsTheChevron) {
    platform::ProcessInfo::setArguments({"tessivane", "-ForceMenuBarRTL"});
    loadDefaultScene();
    ExpandingSeparatorService service;
    service.setExpanded(true);
    EXPECT_EQ(chevronImage(service).symbolName(), "chevron.right");
    service.setExpanded(false);
    EXPECT_EQ(chevronImage(service).symbolName(), "chevron.left");
    EXPECT_EQ(chevronImage(service).size(), (platform::Size{10, 14}));
}

TEST_F(SeparatorTest, CollapseIsAppliedAgainAfterTheBarsLateRelayout) {
    loadDefaultScene();
    ExpandingSeparatorService service;
    service.setExpanded(false);
    // Until the main queue runs, only the first application from ensureItems holds.
    service.pusherItem->setLength(5);
    advance(0.01);
    EXPECT_EQ(service.pusherItem->length(), service.collapsedLineLength);

    // And once more 0.35 s after the collapse.
    service.pusherItem->setLength(5);
    advance(0.33);
    EXPECT_EQ(service.pusherItem->length(), 5);
    advance(0.01);
    EXPECT_EQ(service.pusherItem->length(), service.collapsedLineLength);
    service.pusherItem->setLength(5);
    advance(1);
    EXPECT_EQ(service.pusherItem->length(), 5);

    // A service that is gone by then does nothing.
    auto gone = std::make_unique<ExpandingSeparatorService>();
    gone->setExpanded(false);
    gone.reset();
    advance(1);
}

TEST_F(SeparatorTest, ToggleExpandsANearlyCollapsedPusherAndCollapsesAnythingShorter) {
    loadDefaultScene();
    ExpandingSeparatorService service;
    service.ensureItems();
    service.collapsedLineLength = 2000;
    service.pusherItem->setLength(1990);
    service.toggle();
    EXPECT_TRUE(service.isExpanded);

    service.collapsedLineLength = 2000;
    service.pusherItem->setLength(1989);
    service.toggle();
    EXPECT_FALSE(service.isExpanded);
}

TEST_F(SeparatorTest, LineAndPusherAreDisabledAndTheLineCarriesItsBar) {
    loadDefaultScene();
    ExpandingSeparatorService service;
    service.ensureItems();
    auto line = service.lineItem->button();
    EXPECT_EQ(service.lineItem->length(), 8);
    EXPECT_FALSE(line->isEnabled());
    EXPECT_TRUE(line->appearsDisabled());
    EXPECT_EQ(line->toolTip(), "\u2318-drag icons past this line, away from the clock, then click the arrow.");
    const platform::Image image = *line->image();
    EXPECT_TRUE(image.isTemplate());
    EXPECT_EQ(image.size(), (platform::Size{2, 16}));
    ASSERT_TRUE(image.isBitmap());
    // Two columns, transparent above and below the bar, at twice the points.
    const platform::Bitmap& bitmap = *image.bitmap();
    EXPECT_EQ(bitmap.width, 4);
    EXPECT_EQ(bitmap.height, 32);
    auto alpha = [&](int x, int y) { return bitmap.rgba[static_cast<size_t>((y * bitmap.width + x) * 4 + 3)]; };
    EXPECT_EQ(alpha(1, 16), 255);
    EXPECT_EQ(alpha(2, 16), 255);
    EXPECT_EQ(alpha(0, 16), 0);
    EXPECT_EQ(alpha(3, 16), 0);
    EXPECT_EQ(alpha(1, 0), 0);
    EXPECT_EQ(alpha(1, 31), 0);

    auto pusher = service.pusherItem->button();
    EXPECT_FALSE(pusher->isEnabled());
    EXPECT_TRUE(pusher->appearsDisabled());
    EXPECT_FALSE(pusher->image().has_value());
    EXPECT_EQ(service.chevronItem->button()->toolTip(),
              "Click to show or hide icons on the far side of the line. \u2318-drag icons away from the clock, "
              "past |, to hide them.");

    service.tearDown();
    EXPECT_EQ(service.chevronItem, nullptr);
    EXPECT_EQ(desktop().statusItem("Tessivane", "Tessivane.Chevron"), nullptr);
    EXPECT_EQ(desktop().statusItem("Tessivane", "Tessivane.Pusher"), nullptr);
}

TEST_F(SeparatorTest, ChevronDetachedFromTheVosselsIsReinstalledAtMostTwice) {
    loadDefaultScene();
    ExpandingSeparatorService service;
    service.setExpanded(true);
    auto vosselFramesLeftOfChevronBy = [&](double gap) {
        const double chevronX = ExpandingSeparatorService::windowFrame(service.chevronItem).minX();
        return std::vector<platform::Rect>{{chevronX + gap, 958, 30, 24}, {chevronX + gap + 30, 958, 30, 24}};
    };

    service.relayoutChevronIfDetached(vosselFramesLeftOfChevronBy(44));
    EXPECT_EQ(service.chevronRelayouts, 0);

    auto first = service.chevronItem;
    service.relayoutChevronIfDetached(vosselFramesLeftOfChevronBy(44.5));
    EXPECT_EQ(service.chevronRelayouts, 1);
    EXPECT_NE(service.chevronItem, first);
    EXPECT_TRUE(service.isExpanded);
    advance(0.5);
    EXPECT_FALSE(service.isExpanded);  // collapsed again on the next turn

    service.relayoutChevronIfDetached(vosselFramesLeftOfChevronBy(50));
    EXPECT_EQ(service.chevronRelayouts, 2);
    auto third = service.chevronItem;
    service.relayoutChevronIfDetached(vosselFramesLeftOfChevronBy(50));
    EXPECT_EQ(service.chevronRelayouts, 2);
    EXPECT_EQ(service.chevronItem, third);

    // Nothing visible to compare with: nothing happens, not even counting.
    ExpandingSeparatorService other;
    other.ensureItems();
    other.relayoutChevronIfDetached({{-40, 958, 30, 24}, {500, 958, 1, 24}});
    EXPECT_EQ(other.chevronRelayouts, 0);

    // Mirrored, the vossel items' right edge is the one to stay near.
    EXPECT_FALSE(reinstalls(true, [](ExpandingSeparatorService&) {}, 44));
    EXPECT_TRUE(reinstalls(true, [](ExpandingSeparatorService&) {}, 45));
}

TEST_F(SeparatorTest, TrioShovedOffScreenOrOverTheApplicationMenusIsReinstalled) {
    for (const bool rtl : {false, true}) {
        SCOPED_TRACE(rtl ? "right to left" : "left to right");
        const double edge = rtl ? 1504 : 8;  // 8 pt inside the screen's leading edge
        const double beyond = rtl ? 0.5 : -0.5;
        EXPECT_FALSE(reinstalls(rtl, [](ExpandingSeparatorService&) {}));
        // The chevron past the edge, with no line to tell.
        auto chevronAt = [&](double x) {
            return [&, x](ExpandingSeparatorService& s) {
                platform::statusBar().removeStatusItem(s.lineItem);
                s.lineItem.reset();
                shove(s.chevronItem, x, rtl);
            };
        };
        EXPECT_FALSE(reinstalls(rtl, chevronAt(edge)));
        EXPECT_TRUE(reinstalls(rtl, chevronAt(edge + beyond)));
        // The line past the edge, the chevron still inside.
        auto lineAt = [&](double x) { return [&, x](ExpandingSeparatorService& s) { shove(s.lineItem, x, rtl); }; };
        EXPECT_FALSE(reinstalls(rtl, lineAt(edge)));
        EXPECT_TRUE(reinstalls(rtl, lineAt(edge + beyond)));
        // A collapsed pusher lying over the application menus instead of beyond the screen
        // (where the menus would not be, were the bar mirrored the other way).
        EXPECT_TRUE(reinstalls(rtl, [&](ExpandingSeparatorService& s) {
            shove(s.lineItem, rtl ? 450 : 1000, rtl);
            const platform::Rect line = ExpandingSeparatorService::windowFrame(s.lineItem);
            s.pusherItem->setLength(rtl ? 1300 - line.maxX() : line.minX() - 200);
        }));
    }
}

// An icon Command-dropped just past the line lands in front of the collapsed pusher; the next
// look at the trio makes the pusher again beyond it, in either direction, and leaves the
// chevron and the line where they are. With nothing there the pusher stays; an icon that no
// pusher past the line goes in front of leaves the bar as it was, and is not tried again.
TEST_F(SeparatorTest, APusherWithIconsDroppedInFrontOfItIsMadeAgainBeyondThem) {
    struct Case {
        const char* what;
        bool rtl;
        bool expanded;  // while the icons are dropped
        double past;    // how far past the line's outer edge each one is dropped
        int dropped;    // icons dropped there one after the other
        bool tied;      // an icon that came after the line, at the line's own position
        bool remade;    // the pusher was made again, beyond them
    };
    const std::vector<Case> cases = {
        {"a point past the line", false, false, 1, 1, false, true},
        {"mirrored", true, false, 1, 1, false, true},
        {"on the line's edge while expanded", false, true, 0.25, 1, false, true},
        {"four in a row", false, false, 1, 4, false, true},
        {"mirrored, four in a row further past", true, false, 30, 4, false, true},
        {"past the expanded pusher already", false, true, 1, 1, false, false},
        {"none", false, false, 1, 0, false, false},
        {"tied with the line", true, false, 1, 0, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        desktop_.reset();
        testsupport::resetPlatformForTest();
        platform::ProcessInfo::setArguments({"tessivane", c.rtl ? "-ForceMenuBarRTL" : "-ForceMenuBarLTR"});
        load(bareScene());
        desktop::SceneApplication near = app(880, "Nearside", "com.nearside.app", {24, 24, 24, 24});
        double clockSide = 200;
        for (desktop::SceneStatusItem& icon : near.statusItems) icon.position = clockSide += 10;
        desktop().launchApp(near);
        ExpandingSeparatorService service;
        service.setExpanded(c.expanded);
        advance(0.5);
        const auto chevron = service.chevronItem, line = service.lineItem, pusher = service.pusherItem;
        const double linePosition = *stored("Tessivane.Line"), pusherPosition = *stored("Tessivane.Pusher");

        std::vector<uint64_t> dropped;
        double nearest = pusherPosition;
        for (int i = 0; i < c.dropped; ++i) {
            dropped.push_back(desktop().statusItem("Nearside", "Item-" + std::to_string(i))->id);
            const platform::Rect at = ExpandingSeparatorService::windowFrame(service.lineItem);
            desktop().commandDragStatusItem(dropped.back(), c.rtl ? at.maxX() + c.past : at.minX() - c.past);
            nearest = std::min(nearest, desktop().bar().find(dropped.back())->position);
        }
        if (c.tied) {
            desktop::SceneApplication tied = app(881, "Tiebar", "com.tiebar", {24});
            tied.statusItems[0].position = linePosition;
            desktop().launchApp(tied);
        }
        service.setExpanded(false);
        advance(0.5);
        for (uint64_t id : dropped) EXPECT_FALSE(desktop().bar().find(id)->onScreen) << id;
        if (c.remade) {
            EXPECT_GT(*stored("Tessivane.Pusher"), linePosition);
            EXPECT_LT(*stored("Tessivane.Pusher"), nearest);
        } else {
            EXPECT_EQ(stored("Tessivane.Pusher"), pusherPosition);
            EXPECT_TRUE(c.tied || service.pusherItem == pusher);
        }
        EXPECT_EQ(service.chevronItem, chevron);
        EXPECT_EQ(service.lineItem, line);
        EXPECT_EQ(stored("Tessivane.Line"), linePosition);
        if (c.tied) {
            EXPECT_TRUE(desktop().statusItem("Tiebar", "Item-0")->onScreen);
            const auto kept = service.pusherItem;
            service.setExpanded(false);
            EXPECT_EQ(service.pusherItem, kept);
        }
    }
}

}  // namespace
