#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "AppDesktopFixture.h"
#include "app/AccessibilityReapprovalGuide.h"
#include "app/OptInUsageReporter.h"
#include "app/ReportServer.h"
#include "desktop/DesktopApplication.h"
#include "desktop/DesktopStatusItem.h"
#include "model/CustomGroupIconStore.h"
#include "model/UITestLaunch.h"
#include "platform/Bundle.h"
#include "platform/Accessibility.h"
#include "platform/Application.h"
#include "platform/Menu.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "platform/UserDefaults.h"
#include "platform/Window.h"
#include "support/BackgroundHold.h"
#include "support/TestPictures.h"
#include "ui/Automation.h"
#include "ui/HostingView.h"

namespace apptest {
namespace {

using namespace std::chrono_literals;
namespace Guide = tessivane::AccessibilityReapprovalGuide;
namespace Reporter = tessivane::OptInUsageReporter;

platform::UserDefaults& standardDefaults() { return platform::UserDefaults::standard(); }

class LaunchTest : public AppOnDesktop {
protected:
    void TearDown() override {
        // Nothing may still be writing to the defaults when the next test swaps them.
        EXPECT_TRUE(Reporter::waitUntilIdle(5s));
    }

    std::shared_ptr<platform::Window> settingsWindow() { return delegate().settingsWindow.window(); }
    std::shared_ptr<platform::Window> onboardingWindow() { return delegate().onboardingWindow.window(); }
    bool isShown(const std::shared_ptr<platform::Window>& window) { return window && window->isVisible(); }
};

TEST_F(LaunchTest, FirstRunOnTheDefaultDesktop) {
    loadDefault();
    AppDelegate& app = beginLaunch();
    std::vector<double> discoveries;
    const double launchedAt = platform::RunLoop::main().now();
    auto counter = app.appState.discovery.items.changes.connect(
        [&](const auto&) { discoveries.push_back(std::round((platform::RunLoop::main().now() - launchedAt) * 1000)); });
    desktop().advance(0);

    AppState& state = appState();
    ASSERT_EQ(state.groupStore.environments->size(), 2u);
    EXPECT_EQ(state.groupStore.environments.get()[0].name, "Work");
    EXPECT_EQ(state.groupStore.environments.get()[1].name, "Home");
    EXPECT_TRUE(state.groupStore.activeEnvironmentID.get());
    for (const char* name : {"Tessivane.Settings", "Tessivane.Chevron", "Tessivane.Line", "Tessivane.Pusher"}) {
        EXPECT_NE(ownItem(name), nullptr) << name;
    }
    // Collapsed: the pusher is wide and the hidden icons are shoved off the bar.
    EXPECT_FALSE(state.hideService.isExpanded);
    ASSERT_NE(ownItem("Tessivane.Pusher"), nullptr);
    EXPECT_GT(ownItem("Tessivane.Pusher")->width, 100);
    EXPECT_TRUE(state.discoveryTimer() && state.discoveryTimer()->isValid());
    EXPECT_DOUBLE_EQ(state.discoveryTimer()->interval(), 8.0);

    desktop().advance(16.5);
    EXPECT_EQ(discoveries, (std::vector<double>{0, 400, 1200, 8000, 16000}));  // milliseconds

    // The welcome tour is up by the first follow-up, with the application in the Dock.
    ASSERT_TRUE(isShown(onboardingWindow()));
    EXPECT_EQ(onboardingWindow()->title(), "Welcome to Tessivane");
    EXPECT_FALSE(onboardingWindow()->styleMask() & platform::WindowStyle::resizable);
    EXPECT_EQ(platform::application().activationPolicy(), platform::ActivationPolicy::regular);
    EXPECT_FALSE(settingsWindow());
    // The launch was recorded, and no alert was shown on a first run.
    EXPECT_EQ(standardDefaults().stringForKey(std::string(Guide::lastLaunchedVersionKey)), Guide::currentAppVersion());
    EXPECT_TRUE(desktop().alerts().empty());
}

TEST_F(LaunchTest, TheWelcomeWindowOpensAtTheFirstFollowUpAndComesBackOnActivation) {
    loadDefault();
    launch();
    // An agent starts in the background: nothing shows before the follow-up.
    desktop().advance(0.59);
    EXPECT_FALSE(isShown(onboardingWindow()));
    EXPECT_FALSE(standardDefaults().stringForKey(std::string(Guide::lastLaunchedVersionKey)));
    desktop().advance(0.01);
    ASSERT_TRUE(isShown(onboardingWindow()));
    EXPECT_TRUE(standardDefaults().stringForKey(std::string(Guide::lastLaunchedVersionKey)));

    onboardingWindow()->performClose();
    desktop().advance(0.1);
    EXPECT_FALSE(isShown(onboardingWindow()));
    // Closed before finishing: the application stays a regular one, and coming to the front
    // again brings the tour back.
    EXPECT_EQ(platform::application().activationPolicy(), platform::ActivationPolicy::regular);
    desktop().application().deactivate();
    platform::application().activate(true);
    desktop().advance(0);
    EXPECT_TRUE(isShown(onboardingWindow()));
}

TEST_F(LaunchTest, UITestingLaunchIsIsolatedAndShowsSettings) {
    auto suite = platform::UserDefaults::suite(std::string(tessivane::UITestLaunch::suiteName));
    suite->set("Tessivane.LeftOver", true);
    loadDefault();
    launch({"tessivane", "-UITesting"});

    EXPECT_FALSE(suite->object("Tessivane.LeftOver"));
    EXPECT_TRUE(suite->boolForKey(std::string(Guide::hasCompletedOnboardingKey)));
    EXPECT_EQ(platform::application().activationPolicy(), platform::ActivationPolicy::regular);
    ASSERT_TRUE(isShown(settingsWindow()));
    EXPECT_EQ(settingsWindow()->title(), "Tessivane");
    EXPECT_EQ(settingsWindow()->identifier(), "ui.settingsWindow");
    EXPECT_EQ(settingsWindow()->styleMask(), 15u);
    EXPECT_EQ(settingsWindow()->contentRect().size, (platform::Size{760, 560}));
    EXPECT_EQ(settingsWindow()->minSize(), (platform::Size{720, 520}));
    ASSERT_TRUE(delegate().hasUpdaterController());
    EXPECT_FALSE(delegate().updaterController().isStarted());

    // The user moves and closes the window; the follow-up brings it back where it was.
    settingsWindow()->setFrame(platform::Rect{40, 60, 800, 600});
    settingsWindow()->performClose();
    desktop().advance(0.6);
    ASSERT_TRUE(isShown(settingsWindow()));
    EXPECT_EQ(settingsWindow()->frame(), (platform::Rect{40, 60, 800, 600}));
    EXPECT_FALSE(onboardingWindow());
    EXPECT_FALSE(suite->object(std::string(Guide::lastLaunchedVersionKey)));

    // Opted in all the same: nothing is reported under UI tests.
    ReportServer server;
    Reporter::setEndpointBase(server.base());
    suite->set(std::string(Reporter::shareSystemInfoKey), true);
    desktop().advance(5);
    EXPECT_TRUE(Reporter::waitUntilIdle(5s));
    EXPECT_TRUE(server.received().empty());
    EXPECT_TRUE(desktop().alerts().empty());
}

TEST_F(LaunchTest, ReportsFiveSecondsAfterLaunchWhenOptedIn) {
    standardDefaults().set(std::string(Reporter::shareSystemInfoKey), true);
    standardDefaults().set(AppDelegate::shareSystemInfoMigratedKey, true);
    ReportServer server;
    Reporter::setEndpointBase(server.base());
    loadDefault();
    launch();
    EXPECT_TRUE(delegate().updaterController().updater().sendsSystemProfile());
    EXPECT_TRUE(delegate().updaterController().isStarted());

    desktop().advance(4.9);
    ASSERT_TRUE(Reporter::waitUntilIdle(5s));
    EXPECT_TRUE(server.received().empty());
    desktop().advance(0.2);
    ASSERT_TRUE(Reporter::waitUntilIdle(5s));
    ASSERT_EQ(server.received().size(), 1u);
    EXPECT_EQ(server.received()[0].path, "/telemetry");
    EXPECT_TRUE(standardDefaults().object(std::string(Reporter::lastSentAtKey)));

    // The end of an update cycle reports again only after 20 hours; turning the opt-in off
    // and on again reports at once.
    delegate().updaterController().checkForUpdates();
    desktop().advance(1);
    ASSERT_TRUE(Reporter::waitUntilIdle(5s));
    EXPECT_EQ(server.received().size(), 1u);
    standardDefaults().set(std::string(Reporter::lastSentAtKey),
                           platform::Date{platform::RunLoop::main().now() - 21 * 3600});
    delegate().updaterController().checkForUpdates();
    desktop().advance(1);
    ASSERT_TRUE(Reporter::waitUntilIdle(5s));
    EXPECT_EQ(server.received().size(), 2u);
    appState().shareSystemInfoWithDeveloper = false;
    EXPECT_FALSE(delegate().updaterController().updater().sendsSystemProfile());
    appState().shareSystemInfoWithDeveloper = true;
    ASSERT_TRUE(Reporter::waitUntilIdle(5s));
    EXPECT_EQ(server.received().size(), 3u);
    EXPECT_TRUE(delegate().updaterController().updater().sendsSystemProfile());
}

TEST_F(LaunchTest, AnOptInFromBeforeTheMigrationIsTurnedOffOnce) {
    standardDefaults().set(std::string(Reporter::shareSystemInfoKey), true);
    ReportServer server;
    Reporter::setEndpointBase(server.base());
    loadDefault();
    AppDelegate& app = beginLaunch();
    EXPECT_TRUE(app.appState.shareSystemInfoWithDeveloper);
    desktop().advance(0);

    EXPECT_FALSE(appState().shareSystemInfoWithDeveloper);
    EXPECT_FALSE(standardDefaults().boolForKey(std::string(Reporter::shareSystemInfoKey)));
    EXPECT_TRUE(standardDefaults().boolForKey(AppDelegate::shareSystemInfoMigratedKey));
    EXPECT_FALSE(delegate().updaterController().updater().sendsSystemProfile());
    desktop().advance(5.5);
    ASSERT_TRUE(Reporter::waitUntilIdle(5s));
    EXPECT_TRUE(server.received().empty());
}

TEST_F(LaunchTest, TheOptInObserverReactsToChangesOnly) {
    loadDefault();
    launch();
    std::vector<bool> calls;
    appState().onShareSystemInfoChanged = [&](bool value) { calls.push_back(value); };
    standardDefaults().removeObject(std::string(Reporter::shareSystemInfoKey));
    appState().shareSystemInfoWithDeveloper = false;
    EXPECT_TRUE(calls.empty());
    EXPECT_FALSE(standardDefaults().object(std::string(Reporter::shareSystemInfoKey)));
    appState().shareSystemInfoWithDeveloper = true;
    appState().shareSystemInfoWithDeveloper = true;
    EXPECT_EQ(calls, std::vector<bool>{true});
    EXPECT_TRUE(standardDefaults().boolForKey(std::string(Reporter::shareSystemInfoKey)));
}

class ReapprovalNoticeTest : public LaunchTest {
protected:
    void SetUp() override {
        LaunchTest::SetUp();
        // Trust was granted to an earlier copy; this one is not trusted.
        standardDefaults().set(std::string(Guide::grantedVersionKey), "0.9");
        standardDefaults().set(std::string(Guide::lastLaunchedVersionKey), "0.9");
    }
};

TEST_F(ReapprovalNoticeTest, ShowsOnceAndCanAskForTrust) {
    completeOnboarding();
    loadDefault();
    desktop().queueAlertAnswer("Enable Accessibility");
    launch();
    desktop().advance(0.5);
    EXPECT_TRUE(desktop().alerts().empty());
    desktop().advance(0.1);

    ASSERT_EQ(desktop().alerts().size(), 1u);
    const desktop::RecordedAlert& alert = desktop().alerts()[0];
    EXPECT_EQ(alert.messageText, "Re-enable Accessibility after update");
    EXPECT_EQ(alert.informativeText,
              "macOS ties Accessibility to each signed copy of the app. After an update, an old Tessivane switch may "
              "still look on while this copy is not.\n\nClick Enable Accessibility, then Open System Settings in the "
              "dialog that appears \u2014 that is what adds this copy to the list.");
    EXPECT_EQ(alert.style, platform::AlertStyle::informational);
    EXPECT_EQ(alert.buttons, (std::vector<std::string>{"Enable Accessibility", "Later"}));
    EXPECT_EQ(alert.answer, "Enable Accessibility");
    EXPECT_EQ(standardDefaults().stringForKey(std::string(Guide::noticeDismissedForVersionKey)),
              Guide::currentAppVersion());
    EXPECT_TRUE(desktop().isAccessibilityPromptShown());
    // The notice was decided on the previous launch's records, then this launch was noted.
    EXPECT_EQ(standardDefaults().stringForKey(std::string(Guide::lastLaunchedVersionKey)), Guide::currentAppVersion());
    EXPECT_FALSE(onboardingWindow());

    // Dismissed for this version: the next launch shows nothing.
    shutDown();
    loadDefault();
    launch();
    desktop().advance(1);
    EXPECT_TRUE(desktop().alerts().empty());
}

TEST_F(LaunchTest, TrustGrantedOnceHoldsForTheNextLaunchOnTheSameMachine) {
    completeOnboarding();
    loadDefault();
    launch();
    desktop().advance(1);
    desktop().setAccessibilityTrusted(true);  // the person switches Tessivane on in System Settings
    desktop().advance(3);
    ASSERT_TRUE(standardDefaults().stringForKey(std::string(Guide::grantedVersionKey)));
    shutDown();

    loadDefault();
    launch();
    desktop().advance(2);
    EXPECT_TRUE(platform::accessibility().isProcessTrusted());
    EXPECT_TRUE(desktop().alerts().empty());
}

TEST_F(ReapprovalNoticeTest, LaterAsksForNothing) {
    completeOnboarding();
    loadDefault();
    desktop().queueAlertAnswer("Later");
    launch();
    desktop().advance(0.6);
    ASSERT_EQ(desktop().alerts().size(), 1u);
    EXPECT_FALSE(desktop().isAccessibilityPromptShown());
    EXPECT_EQ(standardDefaults().stringForKey(std::string(Guide::noticeDismissedForVersionKey)),
              Guide::currentAppVersion());
}

TEST_F(ReapprovalNoticeTest, TheDiscoveryCycleWaitsWhileTheAlertIsUp) {
    completeOnboarding();
    loadDefault();
    launch();
    std::vector<double> scans;
    const double launchedAt = platform::RunLoop::main().now();
    auto counter = appState().discovery.items.changes.connect(
        [&](const auto&) { scans.push_back(std::round(platform::RunLoop::main().now() - launchedAt)); });
    desktop().setAlertHandler([&](desktop::Desktop& d, const platform::Alert&) {
        // The user reads the alert for ten seconds.
        platform::RunLoop::main().advance(10);
        d.answerAlert("Later");
    });
    desktop().advance(0.6);
    // The rediscoveries of start-up (0.4 s and 1.2 s) are main-queue blocks and run during the
    // alert; the 8 s tick runs only once the alert is gone, 10.6 s after launch.
    EXPECT_EQ(scans, (std::vector<double>{0, 1, 11}));
}

// Quitting while the notice is up answers nothing: the process ends inside terminate, the
// alert's caller never resumes, and the next launch shows the notice again.
TEST_F(ReapprovalNoticeTest, QuittingWhileItIsUpLeavesItForTheNextLaunch) {
    completeOnboarding();
    loadDefault();
    desktop().setAlertHandler([](desktop::Desktop& d, const platform::Alert&) { d.application().terminate(); });
    launch();
    desktop().advance(0.6);
    ASSERT_EQ(desktop().alerts().size(), 1u);
    EXPECT_TRUE(platform::application().isTerminated());
    EXPECT_FALSE(standardDefaults().object(std::string(Guide::noticeDismissedForVersionKey)));
    EXPECT_FALSE(desktop().isAccessibilityPromptShown());
    // The launch is noted after the notice; that code never ran either.
    EXPECT_EQ(standardDefaults().stringForKey(std::string(Guide::lastLaunchedVersionKey)), std::string("0.9"));
    desktop().advance(10);
    EXPECT_FALSE(standardDefaults().object(std::string(Guide::noticeDismissedForVersionKey)));

    shutDown();
    loadDefault();
    desktop().queueAlertAnswer("Later");
    launch();
    desktop().advance(0.6);
    ASSERT_EQ(desktop().alerts().size(), 1u);
    EXPECT_EQ(desktop().alerts()[0].messageText, "Re-enable Accessibility after update");
    EXPECT_EQ(standardDefaults().stringForKey(std::string(Guide::noticeDismissedForVersionKey)),
              Guide::currentAppVersion());
}

TEST_F(ReapprovalNoticeTest, AnUpdateSeenOnlyInTheLastLaunchRecordIsNoticedFromTheNextLaunch) {
    standardDefaults().removeObject(std::string(Guide::grantedVersionKey));
    completeOnboarding();
    loadDefault();
    launch();
    desktop().advance(0.6);
    EXPECT_TRUE(desktop().alerts().empty());
    EXPECT_EQ(standardDefaults().stringForKey(std::string(Guide::pendingReapprovalVersionKey)),
              Guide::currentAppVersion());

    shutDown();
    loadDefault();
    desktop().queueAlertAnswer("Later");
    launch();
    desktop().advance(0.6);
    EXPECT_EQ(desktop().alerts().size(), 1u);
}

TEST_F(ReapprovalNoticeTest, AnUnfinishedTourComesFirst) {
    loadDefault();
    launch();
    desktop().advance(0.6);
    EXPECT_TRUE(desktop().alerts().empty());
    EXPECT_TRUE(isShown(onboardingWindow()));
    EXPECT_EQ(standardDefaults().stringForKey(std::string(Guide::lastLaunchedVersionKey)), Guide::currentAppVersion());
}

TEST_F(LaunchTest, TheMainMenuOpensSettingsAndQuits) {
    loadDefault();
    launch();
    auto menu = platform::application().mainMenu();
    ASSERT_TRUE(menu);
    // The application's commands, and the Edit menu whose commands go to the first responder.
    using Row = std::tuple<std::string, std::string, std::optional<platform::ResponderAction>>;
    auto rows = [](const platform::Menu& m) {
        std::vector<Row> out;
        for (const auto& i : m.items) out.emplace_back(i->isSeparator ? "-" : i->title, i->keyEquivalent, i->responderAction);
        return out;
    };
    using A = platform::ResponderAction;
    ASSERT_EQ(menu->items.size(), 2u);
    ASSERT_TRUE(menu->items[0]->submenu && menu->items[1]->submenu);
    EXPECT_EQ(rows(*menu->items[0]->submenu),
              (std::vector<Row>{{"Settings\u2026", ",", std::nullopt}, {"Quit Tessivane", "q", std::nullopt}}));
    EXPECT_EQ(menu->items[1]->title, "Edit");
    EXPECT_EQ(rows(*menu->items[1]->submenu),
              (std::vector<Row>{{"Undo", "z", A::undo}, {"Redo", "Z", A::redo}, {"-", "", std::nullopt},
                                {"Cut", "x", A::cut}, {"Copy", "c", A::copy}, {"Paste", "v", A::paste},
                                {"Select All", "a", A::selectAll}}));

    // Command-comma opens settings even before the tour is complete (keys reach the
    // application once it is in front).
    platform::application().activate(true);
    desktop().pressKey(43, ",", platform::Modifier::command);
    EXPECT_TRUE(isShown(settingsWindow()));
    EXPECT_TRUE(settingsWindow()->isKeyWindow());

    desktop().pressKey(12, "q", platform::Modifier::command);
    EXPECT_TRUE(platform::application().isTerminated());
}

// The tour asks for attention once per showing, and closing the settings window over it
// gives it the key state back, so Return works there at once.
TEST_F(LaunchTest, SettingsClosedOverTheTourLeavesTheTourKey) {
    loadDefault();
    launch();
    desktop().advance(0.6);
    ASSERT_TRUE(isShown(onboardingWindow()));
    EXPECT_EQ(desktop().application().attentionRequests(), 1);
    desktop().advance(1);
    EXPECT_EQ(desktop().application().attentionRequests(), 1);
    ASSERT_TRUE(onboardingWindow()->isKeyWindow());

    platform::application().activate(true);
    desktop().pressKey(43, ",", platform::Modifier::command);
    ASSERT_TRUE(isShown(settingsWindow()));
    ASSERT_TRUE(settingsWindow()->isKeyWindow());
    settingsWindow()->performClose();
    desktop().advance(0);
    EXPECT_TRUE(onboardingWindow()->isKeyWindow());
    auto* tour = dynamic_cast<ui::HostingView*>(onboardingWindow()->contentView().get());
    ASSERT_NE(tour, nullptr);
    const std::string before = tour->host().serialize().dump();
    desktop().pressReturn();
    desktop().advance(0);
    EXPECT_NE(tour->host().serialize().dump(), before) << "Return moved the tour on";
}

// Keys go to the application in front: with Finder there, neither Return nor a key
// equivalent reaches the tour; a click in the tour's window brings Tessivane back first.
TEST_F(LaunchTest, KeysGoToTheActiveApplicationOnly) {
    loadDefault();
    launch();
    desktop().advance(1);
    ASSERT_TRUE(isShown(onboardingWindow()));
    ASSERT_TRUE(onboardingWindow()->isKeyWindow());
    auto* tour = dynamic_cast<ui::HostingView*>(onboardingWindow()->contentView().get());
    ASSERT_NE(tour, nullptr);
    auto shown = [&] {
        desktop().advance(0);
        return tour->host().serialize().dump();
    };
    const platform::Rect frame = onboardingWindow()->frame();
    struct Case {
        const char* what;
        bool finderInFront;
        bool moves;
    };
    for (const Case& c : {Case{"Finder in front", true, false}, Case{"the tour clicked again", false, true}}) {
        SCOPED_TRACE(c.what);
        // A click on the desktop hands the keys to Finder; one in the tour's window takes them back.
        desktop().click(c.finderInFront ? platform::Point{frame.maxX() + 40, frame.midY()}
                                        : platform::Point{frame.midX(), frame.maxY() - 10});
        desktop().advance(0);
        EXPECT_EQ(platform::application().isActive(), !c.finderInFront);
        const std::string before = shown();
        desktop().pressReturn();
        EXPECT_EQ(shown() != before, c.moves) << "Return";
        desktop().pressKey(43, ",", platform::Modifier::command);
        EXPECT_EQ(isShown(settingsWindow()), !c.finderInFront) << "Command-comma";
        if (settingsWindow()) settingsWindow()->performClose();
        desktop().advance(0);
    }
}

TEST_F(LaunchTest, EveryOtherRoadIntoSettingsWaitsForTheTour) {
    loadDefault();
    launch();
    const platform::UUID focus = platform::UUID::random();
    appState().openSettings(focus);
    EXPECT_FALSE(settingsWindow());
    EXPECT_TRUE(isShown(onboardingWindow()));
    EXPECT_EQ(appState().settingsFocusGroupID.get(), focus);

    completeOnboarding();
    const platform::UUID other = platform::UUID::random();
    appState().openSettings(other);
    ASSERT_TRUE(isShown(settingsWindow()));
    // The settings root takes the id as soon as it appears, and clears it.
    EXPECT_EQ(appState().settingsFocusGroupID.get(), std::nullopt);
    // No id still shows the window and leaves a pending focus alone.
    settingsWindow()->performClose();
    appState().settingsFocusGroupID = focus;
    appState().openSettings(std::nullopt);
    EXPECT_TRUE(isShown(settingsWindow()));
    EXPECT_EQ(appState().settingsFocusGroupID.get(), focus);
}

TEST_F(LaunchTest, WindowsLeaveTheDockOnlyWhenNoneIsLeft) {
    completeOnboarding();
    loadDefault();
    launch();
    EXPECT_EQ(platform::application().activationPolicy(), platform::ActivationPolicy::accessory);
    delegate().openSettings(std::nullopt);
    auto settings = settingsWindow();
    const platform::Rect centred = settings->frame();
    delegate().appMenuController()->togglePopover();
    desktop().advance(0);
    ui::HostingView* popover = shownPopover();
    ASSERT_NE(popover, nullptr);
    ASSERT_TRUE(popover->host().find(ui::byText("Welcome Tour…")).click());
    desktop().advance(0);
    ASSERT_TRUE(isShown(onboardingWindow()));

    onboardingWindow()->performClose();
    desktop().advance(0);
    EXPECT_EQ(platform::application().activationPolicy(), platform::ActivationPolicy::regular);
    settings->performClose();
    desktop().advance(0);
    EXPECT_EQ(platform::application().activationPolicy(), platform::ActivationPolicy::accessory);

    // Shown again: the same window, where it was, and the Dock icon is back.
    delegate().openSettings(std::nullopt);
    EXPECT_EQ(settingsWindow(), settings);
    EXPECT_EQ(settings->frame(), centred);
    EXPECT_EQ(platform::application().activationPolicy(), platform::ActivationPolicy::regular);
}

TEST_F(LaunchTest, TheApplicationMenuCommands) {
    completeOnboarding();
    loadDefault();
    launch();
    auto choose = [&](const std::string& row) {
        delegate().appMenuController()->togglePopover();
        desktop().advance(0);
        ui::HostingView* popover = shownPopover();
        if (!popover) return false;
        const bool clicked = popover->host().find(ui::byText(row)).click();
        // Past the guard that keeps the closing click from reopening the popover.
        desktop().advance(0.4);
        return clicked;
    };
    ASSERT_TRUE(choose("Website"));
    ASSERT_TRUE(choose("Email Support…"));
    ASSERT_TRUE(choose("Leave a Tip…"));
    EXPECT_EQ(desktop().openedURLs(), (std::vector<std::string>{"https://tessivane.app", "mailto:support@tessivane.app",
                                                                "https://ko-fi.com/tessivane"}));

    const int checksBefore = desktop().updateChecks();
    ASSERT_TRUE(choose("Check for Updates…"));
    EXPECT_EQ(desktop().updateChecks(), checksBefore + 1);
    ASSERT_TRUE(choose("Settings…"));
    EXPECT_TRUE(isShown(settingsWindow()));
    ASSERT_TRUE(choose("Quit Tessivane"));
    EXPECT_TRUE(platform::application().isTerminated());
}

TEST_F(LaunchTest, TheOverflowBadge) {
    loadDefault();
    launch();
    auto button = delegate().appMenuController()->statusItem()->button();
    ASSERT_TRUE(button);
    // The default laptop loses icons to its camera housing.
    EXPECT_EQ(button->title(), "+" + std::to_string(appState().overflowHiddenCount.get()));
    EXPECT_GT(appState().overflowHiddenCount.get(), 0);

    delegate().updateOverflowBadge(12);
    EXPECT_EQ(button->title(), "+12");
    EXPECT_EQ(button->toolTip(), "12 menu bar icons may be hidden by the notch or lack of space");
    delegate().updateOverflowBadge(0);
    EXPECT_EQ(button->title(), "");
    EXPECT_EQ(button->toolTip(), "Tessivane");
    delegate().updateOverflowBadge(-3);
    EXPECT_EQ(button->title(), "");
}

TEST_F(LaunchTest, TheArrangedDeskShowsOurItemsBesideTheClock) {
    std::string error;
    auto scene = desktop::Scene::load(std::string(TESSIVANE_RESOURCES_DIR) + "/scenes/laptop-arranged.json", error);
    ASSERT_TRUE(scene) << error;
    load(*scene);
    launch();
    for (const char* name : {"Tessivane.Settings", "Tessivane.Chevron", "Tessivane.Line"}) {
        ASSERT_NE(ownItem(name), nullptr) << name;
        EXPECT_TRUE(ownItem(name)->shown) << name;
    }
    // The bar starts collapsed: the pusher as long as the 1512 pt screen and 80 pt more, and
    // so again after the bar's late relayout.
    EXPECT_FALSE(appState().hideService.isExpanded);
    EXPECT_EQ(appState().hideService.pusherItem->length(), 1592);
    appState().hideService.pusherItem->setLength(5);
    desktop().advance(0.35);
    EXPECT_EQ(appState().hideService.pusherItem->length(), 1592);
    // Icons beyond the line are still lost, for the badge to count.
    EXPECT_FALSE(itemOf("Kettle")->shown);
    EXPECT_GT(appState().overflowHiddenCount.get(), 0);
}

TEST_F(LaunchTest, AStoredIconWhoseDecodingNeverEndsLeavesTheLaunchAnsweringWithTheSymbol) {
    completeOnboarding();
    loadDefault();
    launch();
    const platform::UUID id = makeVossel("Tools", {});
    const std::string name = id.uuidString() + ".svg";
    const tessivane::IconGroup vossel = appState().groupStore.groups().back();
    appState().groupStore.updateGroup(id, vossel.name, vossel.symbolName, vossel.symbolColorHex, name);
    shutDown();
    const auto file = tessivane::CustomGroupIconStore::shared().folder() / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << testsupport::kEndlessFilterSVG;

    loadDefault();
    std::vector<std::string> decoded;
    platform::Subscription ended = tessivane::CustomGroupIconStore::shared().decodingDidEnd.connect(
        [&](const std::string& n) { decoded.push_back(n); });
    auto shownImage = [&] { return ownItem("Tessivane.Group." + id.uuidString())->own->button()->image(); };
    {
        // The launch answers, with the symbol, before the decoder has even started.
        testsupport::BackgroundHold hold;
        launch();
        desktop().advance(1);
        ASSERT_TRUE(shownImage());
        EXPECT_EQ(shownImage()->symbolName(), vossel.symbolName);
        EXPECT_TRUE(decoded.empty());
        hold.release();
        EXPECT_TRUE(hold.heldUntilReleased());
    }
    // Given up at the bound: the symbol stays, and so does the file.
    finishBackgroundWork();
    EXPECT_EQ(decoded, std::vector<std::string>{name});
    EXPECT_EQ(shownImage()->symbolName(), vossel.symbolName);
    std::ifstream stored(file);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(stored), {}), testsupport::kEndlessFilterSVG);
}

TEST_F(LaunchTest, BecomingActiveRereadsTrustAndRediscovers) {
    completeOnboarding();
    loadDefault();
    launch();
    EXPECT_FALSE(appState().permissionManager.isAccessibilityTrusted);
    int scans = 0;
    auto counter = appState().discovery.items.changes.connect([&](const auto&) { ++scans; });

    desktop().setAccessibilityTrusted(true);
    desktop().application().deactivate();
    platform::application().activate(true);
    desktop().advance(0);
    EXPECT_TRUE(appState().permissionManager.isAccessibilityTrusted);
    EXPECT_EQ(scans, 1);
    EXPECT_FALSE(onboardingWindow());
}

TEST_F(LaunchTest, RestartingOpensANewCopyAndQuits) {
    completeOnboarding();
    loadDefault();
    launch();
    const size_t ownItems = desktop().bar().itemsOf(desktop().selfPID()).size();
    const auto* first = platform::application().delegate().get();
    appState().restartApp();
    delegate_.reset();  // the old copy goes with its process; the desktop still holds it until it quits
    desktop().advance(0);
    ASSERT_EQ(desktop().openedApplications().size(), 1u);
    EXPECT_EQ(desktop().openedApplications()[0], platform::Bundle::main().bundlePath());

    // The old copy quit and a new one started with the same arguments, in place of it.
    desktop().advance(0);
    EXPECT_EQ(desktop().relaunchCount(), 1);
    EXPECT_FALSE(platform::application().isTerminated());
    ASSERT_TRUE(platform::application().delegate());
    EXPECT_NE(platform::application().delegate().get(), first);
    delegate_ = std::dynamic_pointer_cast<AppDelegate>(platform::application().delegate());
    desktop().advance(2);
    EXPECT_EQ(desktop().bar().itemsOf(desktop().selfPID()).size(), ownItems);
    EXPECT_TRUE(ownItem("Tessivane.Chevron"));
}

}  // namespace
}  // namespace apptest
