#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/AccessibilityReapprovalGuide.h"
#include "app/FakeSystemServices.h"
#include "app/OptInUsageReporter.h"
#include "model/UITestLaunch.h"
#include "platform/ProcessInfo.h"
#include "platform/UserDefaults.h"
#include "support/TestHome.h"

namespace tessivane {
namespace {

using namespace std::chrono_literals;
namespace Reporter = OptInUsageReporter;

// A loopback report endpoint that records what reaches it and answers with a chosen status.
class ReportServer {
public:
    struct Received {
        std::string path;
        std::string body;
        std::string contentType;
        size_t contentTypeCount = 0;
        std::string userAgent;
    };

    ReportServer() {
        server_.Post(R"(/.*)", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard lock(mutex_);
            received_.push_back(Received{request.path, request.body, request.get_header_value("Content-Type"),
                                         request.get_header_value_count("Content-Type"),
                                         request.get_header_value("User-Agent")});
            response.status = status_;
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] {
            server_.listen_after_bind();
            finished_ = true;
        });
    }
    ~ReportServer() {
        // The listening socket exists since the bind; stop only works once the loop runs.
        while (!server_.is_running() && !finished_) std::this_thread::yield();
        server_.stop();
        thread_.join();
    }

    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    void answer(int status) {
        std::lock_guard lock(mutex_);
        status_ = status;
    }
    std::vector<Received> received() const {
        std::lock_guard lock(mutex_);
        return received_;
    }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> finished_{false};
    mutable std::mutex mutex_;
    std::vector<Received> received_;
    int status_ = 200;
};

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

class OptInUsageReporterTest : public testsupport::TestHome {
protected:
    apptest::FakeSystemServices system;
    ReportServer server;
    std::vector<EnvironmentProfile> environments;
    int factsRequests = 0;

    void SetUp() override {
        TestHome::SetUp();
        Reporter::setEndpointBase(server.base());
        system.screens.all = {apptest::FakeScreens::plain(1512, 982)};
        EnvironmentProfile work{platform::UUID::random(), "Work", {vossel("Chat", 2), vossel("Sync", 3)}};
        EnvironmentProfile home{platform::UUID::random(), "Home", {vossel("Media", 1)}};
        environments = {work, home};
    }
    void TearDown() override {
        // Nothing may still be writing to the defaults when the next test swaps them.
        EXPECT_TRUE(Reporter::waitUntilIdle(10s));
        Reporter::setEndpointBase(std::string(Reporter::defaultEndpointBase));
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

TEST_F(OptInUsageReporterTest, MenuBarWidthFollowsTheCameraHousingAndTheBarsDirection) {
    optIn(true);
    system.screens.all = {apptest::FakeScreens::laptop(1512, 600.4, 700.5), apptest::FakeScreens::plain(1920, 1080)};
    send(true);
    auto report = lastReport();
    EXPECT_EQ(report["displayCount"], 2);
    EXPECT_EQ(report["hasNotch"], true);
    EXPECT_EQ(report["menuBarWidth"], 701);  // halves round away from zero
    EXPECT_EQ(report["rtl"], false);

    platform::ProcessInfo::setArguments({"tessivane", "-ForceMenuBarRTL"});
    send(true);
    report = lastReport();
    EXPECT_EQ(report["rtl"], true);
    EXPECT_EQ(report["menuBarWidth"], 600);

    // One area of zero width is no camera housing.
    auto flat = apptest::FakeScreens::laptop(1512, 0, 700);
    system.screens.all = {flat};
    send(true);
    report = lastReport();
    EXPECT_EQ(report["hasNotch"], false);
    EXPECT_EQ(report["menuBarWidth"], 700);

    system.screens.all.clear();
    send(true);
    report = lastReport();
    EXPECT_EQ(report["displayCount"], 0);
    EXPECT_EQ(report["hasNotch"], false);
    EXPECT_EQ(report["menuBarWidth"], 0);
}

}  // namespace
}  // namespace tessivane
