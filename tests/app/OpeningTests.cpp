#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "AppDesktopFixture.h"
#include "desktop/DesktopServices.h"
#include "engine/ActivationService.h"
#include "engine/ExpandingSeparatorService.h"
#include "platform/Application.h"
#include "platform/FileLocations.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "ui/Automation.h"

namespace apptest {
namespace {

// A desk with room for every icon: a 1440-point screen without a camera housing under a
// 30-point bar, the clock, two applications that answer Accessibility, one that does not, and
// one more.
desktop::Scene roomyDesk() {
    desktop::Scene scene;
    scene.name = "Roomy desk";
    desktop::SceneScreen screen;
    screen.frame = platform::Rect{0, 0, 1440, 900};
    screen.isMain = true;
    scene.screens.push_back(screen);
    scene.selfPID = 4242;
    scene.accessibilityTrusted = true;
    scene.postEventAccess = true;
    scene.menuBarThickness = 30;
    scene.knownApplications.push_back({"com.tessivane.Tessivane", "/Applications/Tessivane.app"});

    auto app = [&](int32_t pid, std::string name, std::string bundle, double position, bool answers) {
        desktop::SceneApplication a;
        a.pid = pid;
        a.name = name;
        a.bundleIdentifier = bundle;
        a.answersAccessibility = answers;
        desktop::SceneStatusItem item;
        item.description = name;
        item.position = position;
        item.menu = {"Open " + name, "Quit " + name};
        item.contextMenu = {name + " Settings…"};
        a.statusItems.push_back(item);
        scene.applications.push_back(a);
    };
    desktop::SceneApplication controlCenter;
    controlCenter.pid = 380;
    controlCenter.name = "Control Center";
    controlCenter.bundleIdentifier = "com.apple.controlcenter";
    desktop::SceneStatusItem clock;
    clock.autosaveName = "Clock";
    clock.description = "Clock";
    clock.width = 112;
    clock.position = 10;
    controlCenter.statusItems.push_back(clock);
    scene.applications.push_back(controlCenter);
    app(615, "Parcelbird", "com.parcelbird.mac", 100, true);
    app(640, "Stillwater", "com.stillwater.app", 200, false);
    app(690, "Kettle", "io.kettle.Kettle", 300, true);
    app(652, "Lumenbar", "app.lumenbar.Lumenbar", 400, true);
    return scene;
}

// A vossel "Tools" holding Parcelbird (answers Accessibility) and Stillwater (does not), both
// tucked away beyond the line, and Kettle, left on the clock side; the bar collapsed and the
// start-up rediscoveries over. Lumenbar, tucked away first, stands right beside the line.
class OpeningTest : public AppOnDesktop {
protected:
    void SetUp() override {
        AppOnDesktop::SetUp();
        completeOnboarding();
        load(roomyDesk());
        launch();
        vossel_ = makeVossel("Tools", {"Parcelbird", "Stillwater", "Kettle"});
        tuckAway(*itemOf("Lumenbar"));
        tuckAway(*itemOf("Parcelbird"));
        tuckAway(*itemOf("Stillwater"));
        desktop().advance(2);
        std::filesystem::remove(platform::FileLocations::logFolder() / "tessivane-click.log");
    }

    const desktop::BarItem& parcelbird() { return *itemOf("Parcelbird"); }
    const desktop::BarItem& stillwater() { return *itemOf("Stillwater"); }
    const desktop::BarItem* vosselItem() { return ownItem("Tessivane.Group." + vossel_.uuidString()); }
    bool isExpanded() { return appState().hideService.isExpanded; }

    // The pointer rests on the vossel's item until its popover opens.
    ui::HostingView& hoverVossel() {
        desktop().moveMouse(desktop().centerOf(*vosselItem()));
        desktop().advance(0.35);
        ui::HostingView* popover = shownPopover();
        if (!popover) {
            ADD_FAILURE() << "the vossel's popover did not open";
            std::abort();
        }
        return *popover;
    }
    void chooseRow(const std::string& title, bool secondary = false) {
        ui::Element row = hoverVossel().host().find(ui::byText(title));
        ASSERT_TRUE(secondary ? row.rightClick() : row.click()) << title;
        // The controller hands the choice over on the next turn.
        desktop().advance(0);
    }
    // What the log says of an attempt that opened the icon.
    std::string clickOk(int attempt) {
        return "click ok attempt=" + std::to_string(attempt) + " rtl=false sep=" + chevronX();
    }
    std::string chevronX() {
        return std::to_string(static_cast<int>(ownItem("Tessivane.Chevron")->frame().minX())) + ".0";
    }
    std::string pinned(const desktop::BarItem& item) {
        return "pinned=" + std::to_string(item.window->number) +
               " items=" + std::to_string(appState().discovery.items->size());
    }
    tessivane::MenuBarItemID member(const std::string& title) {
        for (const auto& vossel : appState().groupStore.groups()) {
            for (const auto& id : vossel.memberIDs) {
                if (id.title == title) return id;
            }
        }
        ADD_FAILURE() << "no member " << title;
        return {};
    }
    // Another application's icon of that width, placed next to the clock.
    uint64_t addIcon(double width) {
        desktop::SceneStatusItem spec;
        spec.width = width;
        spec.position = 15;
        return desktop().addStatusItem(itemOf("Kettle")->ownerPID, spec);
    }
    // Whether the next sync recreates the vossel's status item.
    bool syncRecreatesVossel() {
        const uint64_t before = vosselItem()->id;
        appState().syncGroupStatusItems();
        desktop().advance(0);
        return vosselItem()->id != before;
    }
    // Widens an icon by the clock until the vossel's item lies 9 points from the far edge of
    // the screen, then 5: whether a sync recreates it at each.
    std::pair<bool, bool> recreatedNearTheFarEdge(bool rtl) {
        auto fromEdge = [&] { return rtl ? 1440 - vosselItem()->frame().minX() : vosselItem()->frame().maxX(); };
        const uint64_t wide = addIcon(fromEdge() - 9);
        desktop().relayout();
        EXPECT_EQ(fromEdge(), 9);
        const bool at9 = syncRecreatesVossel();
        desktop().setStatusItemWidth(wide, desktop().bar().find(wide)->width + 4);
        EXPECT_EQ(fromEdge(), 5);
        const bool at5 = syncRecreatesVossel();
        desktop().removeStatusItem(wide);
        return {at9, at5};
    }
    static tessivane::MenuBarItemID ghost() {
        tessivane::MenuBarItemID id;
        id.title = "Ghost";
        id.ownerName = "Ghost";
        return id;
    }

    platform::UUID vossel_;
};

TEST_F(OpeningTest, AMemberOpensThroughAccessibilityAndTheBarCollapsesAgain) {
    ASSERT_FALSE(parcelbird().shown);
    EXPECT_EQ(desktop().windowAlpha(parcelbird().window->number), 0);

    ui::HostingView& popover = hoverVossel();
    EXPECT_TRUE(popover.host().find(ui::byText("Parcelbird")));
    EXPECT_TRUE(popover.host().find(ui::byText("Stillwater")));
    chooseRow("Parcelbird");

    // The icons beyond the line are back, opaque, and nothing is open yet.
    EXPECT_EQ(shownPopover(), nullptr);
    EXPECT_TRUE(isExpanded());
    EXPECT_TRUE(parcelbird().shown);
    EXPECT_EQ(desktop().windowAlpha(parcelbird().window->number), 1);
    EXPECT_FALSE(desktop().openedMenu());

    desktop().advance(0.2);
    ASSERT_TRUE(desktop().openedMenu());
    EXPECT_EQ(desktop().openedMenu()->ownerName, "Parcelbird");
    EXPECT_FALSE(desktop().openedMenu()->isContextMenu);
    EXPECT_EQ(clickLog(), (std::vector<std::string>{"row left Parcelbird", "activate Parcelbird secondary=false",
                                                    pinned(parcelbird()), clickOk(0)}));

    desktop().advance(0.99);
    EXPECT_TRUE(isExpanded());
    desktop().advance(0.02);
    EXPECT_FALSE(isExpanded());
    EXPECT_FALSE(parcelbird().shown);
    EXPECT_EQ(clickLog().size(), 4u);
}

TEST_F(OpeningTest, TheIconRightBesideTheLineOpensToo) {
    // It touches the line and the expanded pusher, which must not pass for touching ours.
    const platform::UUID beside = makeVossel("Beside", {"Lumenbar"});
    desktop().advance(2);
    desktop().moveMouse(desktop().centerOf(*ownItem("Tessivane.Group." + beside.uuidString())));
    desktop().advance(0.35);
    ASSERT_NE(shownPopover(), nullptr);
    ASSERT_TRUE(shownPopover()->host().find(ui::byText("Lumenbar")).click());
    desktop().advance(0);
    desktop().advance(0.2);
    ASSERT_TRUE(desktop().openedMenu());
    EXPECT_EQ(desktop().openedMenu()->ownerName, "Lumenbar");
    EXPECT_EQ(clickLog().back(), clickOk(0));
}

TEST_F(OpeningTest, AnApplicationThatDoesNotAnswerIsClickedThroughItsWindow) {
    chooseRow("Stillwater");
    desktop().advance(0.2);
    ASSERT_TRUE(desktop().openedMenu());
    EXPECT_EQ(desktop().openedMenu()->ownerName, "Stillwater");
    EXPECT_FALSE(desktop().openedMenu()->isContextMenu);
    // At the icon's centre, but no lower than 12 points below the top of this 30-point bar.
    ASSERT_FALSE(desktop().syntheticEvents().posted().empty());
    EXPECT_EQ(desktop().syntheticEvents().posted().back().location,
              (platform::Point{stillwater().frame().midX(), 12}));
    EXPECT_EQ(clickLog(), (std::vector<std::string>{"row left Stillwater", "activate Stillwater secondary=false",
                                                    pinned(stillwater()), clickOk(0)}));
    desktop().advance(1.0);
    EXPECT_FALSE(isExpanded());
}

TEST_F(OpeningTest, AnIconThatRefusesAXPressCountsAsOpenedOnlyBeyondTheLine) {
    desktop().bar().find(parcelbird().id)->spec.actions = {};
    // Beyond the line the refusal is taken for an opening, and nothing is clicked.
    chooseRow("Parcelbird");
    desktop().advance(0.2);
    EXPECT_EQ(clickLog().back(), clickOk(0));
    EXPECT_TRUE(desktop().syntheticEvents().posted().empty());

    // On the clock side its window is not clicked either: every attempt misses.
    desktop().advance(2);
    desktop().commandDragStatusItem(parcelbird().id, itemOf("Kettle")->frame().minX());
    appState().performActivation(member("Parcelbird"), false);
    desktop().advance(3);
    EXPECT_EQ(clickLog().back(), "click give up");
    EXPECT_FALSE(desktop().openedMenu());
}

TEST_F(OpeningTest, AControlCenterModuleIsFoundAmongControlCentersOwnExtras) {
    makeVossel("Time", {"Clock"});
    // On the clock side: only Accessibility can open it.
    appState().performActivation(member("Clock"), false);
    desktop().advance(0.2);
    ASSERT_TRUE(desktop().openedMenu());
    EXPECT_EQ(desktop().openedMenu()->ownerName, "Control Center");
    EXPECT_EQ(clickLog().back(), clickOk(0));
}

TEST_F(OpeningTest, AForeignMenuOverTheIconIsClearedFromTheTwelfthAttemptOn) {
    desktop::SceneApplication ledger;
    ledger.pid = 777;
    ledger.name = "Ledgerwise";
    for (int i = 0; i < 20; ++i) ledger.menus.push_back("Ledger Menu " + std::to_string(i));
    desktop().launchApp(ledger);
    // In front, its menus reach over the icons beyond the line.
    desktop().setFrontmostApp(777);
    appState().performActivation(member("Stillwater"), false);
    desktop().advance(10);
    EXPECT_EQ(clickLog().back(), clickOk(12));
    ASSERT_TRUE(desktop().openedMenu());
    EXPECT_EQ(desktop().openedMenu()->ownerName, "Stillwater");
}

TEST_F(OpeningTest, OnARightToLeftBarVosselItemsStayOnTheClockSideAndIconsBeyondTheLineOpen) {
    // Expanded, as a collapsed pusher reaching past the right edge counts as covering the
    // application menus; and without the separator's own repair.
    appState().hideService.setExpanded(true);
    appState().hideService.chevronRelayouts = 2;
    desktop().setLanguages({"ar"});
    desktop().advance(9);
    ASSERT_EQ(appState().vosselRelayoutAttempts(), 0);
    desktop().commandDragStatusItem(vosselItem()->id, ownItem("Tessivane.Line")->frame().maxX() + 40);
    EXPECT_TRUE(syncRecreatesVossel());
    // Pushed towards the right edge along with the chevron: only the edge decides.
    EXPECT_EQ(recreatedNearTheFarEdge(true), std::make_pair(false, true));

    appState().hideService.setExpanded(false);
    desktop().advance(1);
    chooseRow("Stillwater");
    desktop().advance(0.2);
    ASSERT_TRUE(desktop().openedMenu());
    EXPECT_EQ(desktop().openedMenu()->ownerName, "Stillwater");
    EXPECT_EQ(clickLog().back(), "click ok attempt=0 rtl=true sep=" + chevronX());
}

TEST_F(OpeningTest, AVosselItemCountsAsBeyondTheChevronFromFourPointsAndAtTheFarEdgeFromEight) {
    // Just beyond the chevron, with another application's 3-point icon between them.
    const uint64_t spacer = desktop().addStatusItem(itemOf("Kettle")->ownerPID, {.width = 3});
    desktop().commandDragStatusItem(spacer, ownItem("Tessivane.Chevron")->frame().minX() - 1);
    desktop().commandDragStatusItem(vosselItem()->id, ownItem("Tessivane.Line")->frame().maxX() + 1);
    ASSERT_EQ(vosselItem()->frame().maxX(), ownItem("Tessivane.Chevron")->frame().minX() - 3);
    EXPECT_FALSE(syncRecreatesVossel());
    desktop().setStatusItemWidth(spacer, 6);
    EXPECT_TRUE(syncRecreatesVossel());

    // Pushed to the left edge along with the chevron: only the edge decides.
    appState().hideService.chevronRelayouts = 2;
    desktop().removeStatusItem(spacer);
    EXPECT_EQ(recreatedNearTheFarEdge(false), std::make_pair(false, true));
}

TEST_F(OpeningTest, APusherLeftOverTheApplicationMenusIsRebuilt) {
    // The separator's own repair has run out.
    appState().hideService.chevronRelayouts = 2;
    const uint64_t pusher = ownItem("Tessivane.Pusher")->id;
    appState().hideService.pusherItem->setLength(1000);
    desktop().relayout();
    ASSERT_LT(ownItem("Tessivane.Pusher")->frame().minX(), 400);
    appState().syncGroupStatusItems();
    EXPECT_NE(ownItem("Tessivane.Pusher")->id, pusher);
    EXPECT_EQ(appState().vosselRelayoutAttempts(), 1);
    EXPECT_FALSE(appState().hideService.isExpanded);
}

TEST_F(OpeningTest, AnIconThatCannotBeFoundIsGivenUp) {
    appState().performActivation(ghost(), false);
    const std::string miss = " rtl=false langRTL=false sep=" + chevronX() + " pin=0";
    desktop().advance(2.2);
    EXPECT_EQ(clickLog(),
              (std::vector<std::string>{"activate Ghost secondary=false",
                                        "pinned=0 items=" + std::to_string(appState().discovery.items->size()),
                                        "click miss attempt=0" + miss, "click miss attempt=10" + miss,
                                        "click give up"}));
    desktop().advance(0.79);
    EXPECT_TRUE(isExpanded());
    desktop().advance(0.02);
    EXPECT_FALSE(isExpanded());
    EXPECT_EQ(clickLog().size(), 5u);
}

TEST_F(OpeningTest, ASecondaryChoiceOpensTheContextMenuThroughAccessibility) {
    chooseRow("Kettle", true);
    ASSERT_TRUE(desktop().openedMenu());
    EXPECT_EQ(desktop().openedMenu()->ownerName, "Kettle");
    EXPECT_TRUE(desktop().openedMenu()->isContextMenu);
    EXPECT_EQ(clickLog(), (std::vector<std::string>{"row right Kettle", "activate Kettle secondary=true",
                                                    "AXShowMenu ok"}));
    EXPECT_GT(*appState().hideSuppressedUntil(), platform::RunLoop::main().now() + 3.9);
    // The bar is left alone.
    EXPECT_FALSE(isExpanded());
    desktop().advance(3);
    EXPECT_EQ(clickLog().size(), 3u);
    EXPECT_FALSE(isExpanded());
}

TEST_F(OpeningTest, ASecondaryChoiceThatMustBeClickedStillOpensTheContextMenu) {
    // Stillwater's window is right-clicked; Control Center's module is asked for its menu once
    // the bar is open. Neither is pressed.
    makeVossel("Time", {"Clock"});
    for (const char* name : {"Stillwater", "Clock"}) {
        SCOPED_TRACE(name);
        desktop().advance(2);
        appState().performActivation(member(name), true);
        desktop().advance(0.2);
        ASSERT_TRUE(desktop().openedMenu());
        EXPECT_TRUE(desktop().openedMenu()->isContextMenu);
        EXPECT_EQ(clickLog().back(), clickOk(0));
    }
    EXPECT_EQ(desktop().openedMenus(), (std::vector<std::string>{"Stillwater: Stillwater (context menu)",
                                                                 "Control Center: Clock (context menu)"}));
}

TEST_F(OpeningTest, AnApplicationThatDoesNotAnswerHoldsTheMainThreadBriefly) {
    // Stillwater never answers; its window beyond the line is right-clicked. Kettle stops once
    // discovery has its element, which the Control-click then asks for its actions; its window
    // on the clock side is not clicked. Each read of them waits 0.4 s at most (0.12 s in a
    // scan), and an application that did not answer is not asked again for a while: the click
    // waits for the actions only, an attempt for the extras search and a brief hit test.
    const double turn = 0.5;
    auto now = [] { return platform::RunLoop::main().now(); };
    for (const auto& [name, opens] : {std::pair{"Stillwater", true}, std::pair{"Kettle", false}}) {
        SCOPED_TRACE(name);
        desktop().advance(2);
        desktop().setAppAnswersAccessibility(itemOf(name)->ownerPID, false);
        double start = now();
        appState().performActivation(member(name), true);
        EXPECT_LE(now() - start, turn);
        // Read right after the first attempt, due as soon and scheduled later.
        std::optional<double> attempted;
        start = now();
        platform::RunLoop::main().asyncAfter(tessivane::AppState::firstAttemptDelay, [&] { attempted = now(); });
        desktop().advance(tessivane::AppState::firstAttemptDelay);
        ASSERT_TRUE(attempted);
        EXPECT_LE(*attempted - start - tessivane::AppState::firstAttemptDelay, turn);
        EXPECT_EQ(desktop().openedMenu().has_value(), opens);
        desktop().closeOpenedMenu();
    }
    // Once the while has passed since Kettle's last attempt, a scan asks again and waits; the
    // next one does not.
    desktop().advance(tessivane::AppState::lastAttempt * tessivane::AppState::retryDelay +
                      tessivane::UnansweringApplications::quietPeriod);
    double start = now();
    appState().discovery.discoverItems(true);
    EXPECT_GE(now() - start, tessivane::MenuBarItemDiscovery::extrasMessagingTimeout - 1e-3);
    start = now();
    appState().discovery.discoverItems(true);
    EXPECT_EQ(now(), start);
}

TEST_F(OpeningTest, ASecondChoiceWithinTheDebounceIsDropped) {
    chooseRow("Parcelbird");
    desktop().advance(0.5);
    appState().performActivation(member("Stillwater"), false);
    desktop().advance(2);
    EXPECT_EQ(clickLog(), (std::vector<std::string>{"row left Parcelbird", "activate Parcelbird secondary=false",
                                                    pinned(parcelbird()), clickOk(0)}));
    EXPECT_EQ(desktop().openedMenu()->ownerName, "Parcelbird");
}

TEST_F(OpeningTest, ANewerRequestCancelsTheOlderOnesAttemptsAndCollapse) {
    // A request that keeps missing, replaced while it retries.
    appState().performActivation(ghost(), false);
    desktop().advance(0.9);
    appState().performActivation(member("Parcelbird"), false);
    desktop().advance(2.5);
    const auto log = clickLog();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[2].rfind("click miss attempt=0", 0), 0u);
    EXPECT_EQ(std::vector<std::string>(log.begin() + 3, log.end()),
              (std::vector<std::string>{"activate Parcelbird secondary=false", pinned(parcelbird()), clickOk(0)}));
    EXPECT_FALSE(isExpanded());
}

TEST_F(OpeningTest, AnOlderRequestsCollapseWaitsForTheNewerOne) {
    appState().performActivation(member("Parcelbird"), false);
    desktop().advance(0.9);
    appState().performActivation(member("Parcelbird"), false);
    // The first would have collapsed 1.2 s after it was made.
    desktop().advance(0.6);
    EXPECT_TRUE(isExpanded());
    desktop().advance(0.65);
    EXPECT_FALSE(isExpanded());
    EXPECT_EQ(clickLog().size(), 6u);
}

TEST_F(OpeningTest, HidingPausesForFourSecondsAfterARequest) {
    chooseRow("Parcelbird");
    // The request itself takes a moment (hit tests wait on an application that does not answer).
    const auto sinceRequest = [&] { return platform::RunLoop::main().now() - *appState().lastActivationAt(); };
    desktop().advance(3.95 - sinceRequest());
    appState().applyHiding();
    EXPECT_EQ(desktop().windowAlpha(parcelbird().window->number), 1);
    EXPECT_EQ(desktop().windowAlpha(stillwater().window->number), 1);
    desktop().advance(0.1);
    appState().applyHiding();
    EXPECT_EQ(desktop().windowAlpha(parcelbird().window->number), 0);
    EXPECT_EQ(desktop().windowAlpha(stillwater().window->number), 0);

}

TEST_F(OpeningTest, IdentitiesAreNotRefreshedWhileTheHiddenIconsAreRevealed) {
    const std::optional<double> collapsedAt = member("Parcelbird").frameMinX;
    appState().hideService.setExpanded(true);
    appState().discovery.items = appState().discovery.discoverItems(true);
    ASSERT_NE(parcelbird().frame().minX(), collapsedAt);
    appState().applyHiding();
    EXPECT_EQ(member("Parcelbird").frameMinX, collapsedAt);
}

TEST_F(OpeningTest, AVosselHiddenFromTheMenuBarKeepsItsMembersTransparentAndADeletedOneShowsThemAtOnce) {
    appState().groupStore.setGroupVisible(vossel_, false);
    appState().syncGroupStatusItems();
    EXPECT_EQ(vosselItem(), nullptr);
    EXPECT_TRUE(appState().groupControllers().empty());
    appState().windowHiding.restoreAll();
    EXPECT_EQ(desktop().windowAlpha(parcelbird().window->number), 1);
    appState().applyHiding();
    EXPECT_EQ(desktop().windowAlpha(parcelbird().window->number), 0);
    EXPECT_EQ(desktop().windowAlpha(stillwater().window->number), 0);

    // Deleted through its item's menu, the vossel gives its members back without waiting
    // for the next discovery.
    appState().groupStore.setGroupVisible(vossel_, true);
    appState().syncGroupStatusItems();
    desktop().advance(0);
    desktop().queueAlertAnswer("Delete");
    desktop().clickStatusItem(*vosselItem(), desktop::MouseButton::right);
    ASSERT_TRUE(desktop().chooseOwnMenuItem("Delete \u201CTools\u201D\u2026"));
    desktop().advance(0);
    EXPECT_TRUE(appState().groupStore.groups().empty());
    EXPECT_EQ(desktop().windowAlpha(parcelbird().window->number), 1);
    EXPECT_EQ(desktop().windowAlpha(stillwater().window->number), 1);
}

TEST_F(OpeningTest, AVosselStoredTwiceHasOneItemAndAnotherHiddenStillLosesItsOwn) {
    tessivane::GroupStore& store = appState().groupStore;
    const platform::UUID media = platform::UUID::random();
    store.createGroup("Media", "play.fill", std::nullopt, std::nullopt, media);
    // Stored data edited by hand can hold one vossel twice.
    const platform::UUID active = *store.activeEnvironmentID.get();
    store.environments.modify([&](std::vector<tessivane::EnvironmentProfile>& environments) {
        for (auto& environment : environments) {
            if (environment.id == active) environment.groups.push_back(environment.groups.front());
        }
    });
    appState().syncGroupStatusItems();
    EXPECT_EQ(appState().groupControllers().size(), 2u);
    EXPECT_TRUE(vosselItem());
    ASSERT_TRUE(ownItem("Tessivane.Group." + media.uuidString()));

    store.setGroupVisible(media, false);
    appState().syncGroupStatusItems();
    EXPECT_EQ(appState().groupControllers().size(), 1u);
    EXPECT_TRUE(vosselItem());
    EXPECT_FALSE(ownItem("Tessivane.Group." + media.uuidString()));
}

TEST_F(OpeningTest, AVosselItemMovedOffScreenIsRecreatedThreeTimesAtMost) {
    for (int run = 1; run <= 4; ++run) {
        const desktop::BarItem* before = vosselItem();
        ASSERT_NE(before, nullptr);
        const uint64_t id = before->id;
        // Dropped beyond the line, wholly on the far side of the chevron.
        desktop().commandDragStatusItem(id, ownItem("Tessivane.Line")->frame().minX() - 40);
        appState().syncGroupStatusItems();
        desktop().advance(0);
        const desktop::BarItem* after = vosselItem();
        ASSERT_NE(after, nullptr);
        const double chevronX = ownItem("Tessivane.Chevron")->frame().minX();
        if (run <= 3) {
            EXPECT_NE(after->id, id) << run;
            EXPECT_GE(after->frame().maxX(), chevronX - 4) << run;
            EXPECT_TRUE(after->shown) << run;
        } else {
            EXPECT_EQ(after->id, id);
            EXPECT_LT(after->frame().maxX(), chevronX - 4);
        }
        EXPECT_EQ(appState().vosselRelayoutAttempts(), std::min(run, 3));
    }
}

TEST_F(OpeningTest, SwitchingEnvironmentsReplacesTheStatusItems) {
    tessivane::GroupStore& store = appState().groupStore;
    const platform::UUID work = *store.activeEnvironmentID.get();
    const platform::UUID home = store.environments.get()[1].id;
    store.switchEnvironment(home);
    const platform::UUID media = platform::UUID::random();
    store.createGroup("Media", "play.fill", std::nullopt, std::nullopt, media);
    appState().syncGroupStatusItems();
    EXPECT_EQ(vosselItem(), nullptr);
    EXPECT_TRUE(ownItem("Tessivane.Group." + media.uuidString()));
    EXPECT_TRUE(tessivane::ExpandingSeparatorService::preferredPosition("Tessivane.Group." + media.uuidString()));
    ASSERT_EQ(appState().groupControllers().size(), 1u);
    EXPECT_TRUE(appState().groupControllers().contains(media));

    // Members of other environments are not hidden.
    appState().windowHiding.restoreAll();
    appState().applyHiding();
    EXPECT_EQ(desktop().windowAlpha(parcelbird().window->number), 1);
    store.switchEnvironment(work);
    appState().syncGroupStatusItems();
    EXPECT_TRUE(vosselItem());
    EXPECT_FALSE(ownItem("Tessivane.Group." + media.uuidString()));
}

TEST_F(OpeningTest, QuittingShowsEveryHiddenIcon) {
    ASSERT_EQ(desktop().windowAlpha(parcelbird().window->number), 0);
    ASSERT_GT(ownItem("Tessivane.Pusher")->width, 1);
    platform::application().activate(true);  // Command-Q goes to the application in front
    desktop().pressKey(12, "q", platform::Modifier::command);
    ASSERT_TRUE(platform::application().isTerminated());
    EXPECT_EQ(desktop().windowAlpha(parcelbird().window->number), 1);
    EXPECT_EQ(desktop().windowAlpha(stillwater().window->number), 1);
    EXPECT_EQ(ownItem("Tessivane.Pusher")->width, 1);
    EXPECT_TRUE(appState().hideService.isExpanded);
}

}  // namespace
}  // namespace apptest
