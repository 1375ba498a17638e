#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "app/AccessibilityReapprovalGuide.h"
#include "app/OptInUsageReporter.h"
#include "app/ReportServer.h"
#include "app/ServicesOnDesktop.h"
#include "model/UITestLaunch.h"
#include "platform/Platform.h"
#include "platform/ProcessInfo.h"
#include "platform/Screen.h"
#include "platform/UserDefaults.h"

namespace tessivane {
namespace {

using namespace std::chrono_literals;
namespace Reporter = OptInUsageReporter;

MenuBarItemID member(const std::string& title) {
    MenuBarItemID id;
    id.title = title;
    return id;
}

IconGroup vossel(const std::string& name, size_t members) {
    IconGroup g;
    g.id = platform::UUID::random();
    g.name = name;
    g.symbolName = "star";
    for (size_t i = 0; i < members; ++i) g.memberIDs.push_back(member(name + std::to_string(i)));
    return g;
}

// A laptop screen whose camera housing is off centre, which no simulated screen has: it
// tells which of the two top areas the report measures.
class OffCentreHousingScreens : public platform::Screens {
public:
    std::vector<platform::Screen> screens() const override { return {screen()}; }
    std::optional<platform::Screen> mainScreen() const override { return screen(); }

private:
    static platform::Screen screen() {
        platform::Screen s;
        s.frame = platform::Rect(0, 0, 1512, 982);
        s.auxiliaryTopLeftArea = platform::Rect(0, 950, 600, 32);
        s.auxiliaryTopRightArea = platform::Rect(800, 950, 712, 32);
        return s;
    }
};

class OptInUsageReporterTest : public apptest::ServicesOnDesktop {
protected:
    apptest::ReportServer server;
    std::vector<EnvironmentProfile> environments;
    int factsRequests = 0;

    void SetUp() override {
        ServicesOnDesktop::SetUp();
        Reporter::setEndpointBase(server.base());
        desktop().setScreens({screen(1512, 982, std::nullopt, true)});
        EnvironmentProfile work{platform::UUID::random(), "Work", {vossel("Chat", 2), vossel("Sync", 3)}};
        EnvironmentProfile home{platform::UUID::random(), "Home", {vossel("Media", 1)}};
        environments = {work, home};
    }
    void TearDown() override {
        // Nothing may still be writing to the defaults when the next test swaps them.
        EXPECT_TRUE(Reporter::waitUntilIdle(10s));
        Reporter::setEndpointBase(std::string(Reporter::defaultEndpointBase));
        ServicesOnDesktop::TearDown();
    }

    std::shared_ptr<platform::UserDefaults> store() const { return UITestLaunch::defaults(); }
    void optIn(bool on) { store()->set(std::string(Reporter::shareSystemInfoKey), on); }
    void lastSentSecondsAgo(double seconds) {
        store()->set(std::string(Reporter::lastSentAtKey), platform::Date{runLoop().now() - seconds});
    }
    std::optional<platform::Date> lastSent() const {
        auto value = store()->object(std::string(Reporter::lastSentAtKey));
        return value ? value->asDate() : std::nullopt;
    }

    // Sends and waits for the request, if any, to finish.
    void send(bool force) {
        Reporter::sendIfNeeded(
            [this] {
                ++factsRequests;
                return Reporter::AppFacts{.environments = environments,
                                          .discoveredCount = 17,
                                          .overflowHiddenCount = 3,
                                          .launchAtLogin = true,
                                          .accessibilityTrusted = false};
            },
            force);
        ASSERT_TRUE(Reporter::waitUntilIdle(10s));
    }

    nlohmann::ordered_json lastReport() const {
        auto all = server.received();
        if (all.empty()) return {};
        return nlohmann::ordered_json::parse(all.back().body);
    }
};

TEST_F(OptInUsageReporterTest, ReportCarriesTheFourteenFieldsInOrderWithItsHeaders) {
    store()->set(std::string(AccessibilityReapprovalGuide::firstInstalledVersionKey), "1.2.0");
    store()->set("Tessivane.HoverToOpen", false);
    optIn(true);
    send(/*force=*/true);

    auto received = server.received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].path, "/telemetry");
    EXPECT_EQ(received[0].contentType, "application/json");
    EXPECT_EQ(received[0].contentTypeCount, 1u);
    EXPECT_EQ(received[0].userAgent, "Tessivane/" + platform::Bundle::main().shortVersionString() + " Usage/1");

    auto expected = nlohmann::ordered_json::parse(R"({
        "appVersion": ")" + platform::Bundle::main().shortVersionString() + R"(",
        "firstInstalledVersion": "1.2.0",
        "displayCount": 1, "hasNotch": false, "menuBarWidth": 680, "rtl": false,
        "vosselCount": 3, "environmentCount": 2, "discoveredCount": 17, "memberCount": 6,
        "overflowHiddenCount": 3, "hoverToOpen": false, "launchAtLogin": true,
        "accessibilityTrusted": false})");
    // ordered_json compares key order too.
    EXPECT_EQ(lastReport(), expected);
    EXPECT_EQ(lastSent(), platform::Date{runLoop().now()});
}

TEST_F(OptInUsageReporterTest, WithoutFirstInstalledRecordTheKeyIsLeftOut) {
    optIn(true);
    send(true);
    auto report = lastReport();
    EXPECT_EQ(report.size(), 13u);
    EXPECT_FALSE(report.contains("firstInstalledVersion"));
    EXPECT_EQ(report.begin().key(), "appVersion");
    EXPECT_EQ(std::next(report.begin()).key(), "displayCount");
}

TEST_F(OptInUsageReporterTest, OptedOutNothingIsBuiltOrSentForcedOrNot) {
    send(false);
    send(true);
    optIn(false);
    send(true);
    EXPECT_EQ(factsRequests, 0);
    EXPECT_TRUE(server.received().empty());
    EXPECT_FALSE(lastSent());
}

TEST_F(OptInUsageReporterTest, UITestLaunchNeverReports) {
    optIn(true);
    platform::ProcessInfo::setArguments({"tessivane", "-UITesting"});
    optIn(true);  // the isolated store's opt-in
    send(true);
    EXPECT_EQ(factsRequests, 0);
    EXPECT_TRUE(server.received().empty());
}

TEST_F(OptInUsageReporterTest, UnforcedReportsWaitTwentyHoursAfterTheLastAcceptedOne) {
    optIn(true);
    lastSentSecondsAgo(19 * 3600);
    send(false);
    EXPECT_TRUE(server.received().empty());
    EXPECT_EQ(factsRequests, 0);

    // Turning the opt-in on sends at once, whatever the last time.
    send(true);
    EXPECT_EQ(server.received().size(), 1u);
    EXPECT_EQ(lastSent(), platform::Date{runLoop().now()});

    advance(71999);
    send(false);
    EXPECT_EQ(server.received().size(), 1u);
    advance(1);
    send(false);
    EXPECT_EQ(server.received().size(), 2u);
}

TEST_F(OptInUsageReporterTest, UnreadableOrFutureLastTimeLetsTheReportGo) {
    optIn(true);
    store()->set(std::string(Reporter::lastSentAtKey), "yesterday");
    send(false);
    EXPECT_EQ(server.received().size(), 1u);

    // A time ahead of the clock (a clock set back) must not silence reporting for days.
    lastSentSecondsAgo(-5 * 24 * 3600);
    send(false);
    EXPECT_EQ(server.received().size(), 2u);
}

TEST_F(OptInUsageReporterTest, RejectedOrFailedReportsRecordNothingAndAreRetried) {
    optIn(true);
    lastSentSecondsAgo(30 * 3600);
    const auto before = lastSent();
    server.answer(500);
    send(false);
    EXPECT_EQ(server.received().size(), 1u);
    EXPECT_EQ(lastSent(), before);

    // The next trigger tries again and, answered this time, records the time.
    server.answer(204);
    advance(60);
    send(false);
    EXPECT_EQ(server.received().size(), 2u);
    EXPECT_EQ(lastSent(), platform::Date{runLoop().now()});

    // No server at all: a transport error records nothing either.
    Reporter::setEndpointBase("http://127.0.0.1:1");
    advance(60);
    send(true);
    EXPECT_EQ(lastSent(), platform::Date{runLoop().now() - 60});
}

TEST_F(OptInUsageReporterTest, ScreensDecideTheNotchAndTheMenuBarWidth) {
    optIn(true);
    // The simulated laptop: a 188-point housing leaves 662 points on either side.
    desktop().setScreens({screen(1512, 982, 188, true), screen(1920, 1080, std::nullopt)});
    send(true);
    auto report = lastReport();
    EXPECT_EQ(report["displayCount"], 2);
    EXPECT_EQ(report["hasNotch"], true);
    EXPECT_EQ(report["menuBarWidth"], 662);
    EXPECT_EQ(report["rtl"], false);

    // Without a housing, 0.45 of the screen; 0.45 x 1530 = 688.5 rounds away from zero.
    desktop().setScreens({screen(1530, 982, std::nullopt, true)});
    send(true);
    report = lastReport();
    EXPECT_EQ(report["hasNotch"], false);
    EXPECT_EQ(report["menuBarWidth"], 689);

    desktop().setScreens({});
    send(true);
    report = lastReport();
    EXPECT_EQ(report["displayCount"], 0);
    EXPECT_EQ(report["hasNotch"], false);
    EXPECT_EQ(report["menuBarWidth"], 0);
}

TEST_F(OptInUsageReporterTest, RightToLeftBarMeasuresTheLeftArea) {
    optIn(true);
    OffCentreHousingScreens offCentre;
    auto services = platform::services();
    services.screens = &offCentre;
    platform::install(services);

    send(true);
    EXPECT_EQ(lastReport()["menuBarWidth"], 712);

    desktop().setLanguages({"he"});
    send(true);
    EXPECT_EQ(lastReport()["rtl"], true);
    EXPECT_EQ(lastReport()["menuBarWidth"], 600);

    platform::ProcessInfo::setArguments({"tessivane", "-ForceMenuBarLTR"});
    send(true);
    EXPECT_EQ(lastReport()["rtl"], false);
    EXPECT_EQ(lastReport()["menuBarWidth"], 712);
}

}  // namespace
}  // namespace tessivane
