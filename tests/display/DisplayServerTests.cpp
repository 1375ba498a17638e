#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AppDesktopFixture.h"
#include "DisplayServerTestSupport.h"
#include "app/AccessibilityReapprovalGuide.h"
#include "desktop/DesktopApplication.h"
#include "desktop/DesktopStatusItem.h"
#include "desktop/display/DisplayAccess.h"
#include "support/DesktopOnHome.h"
#include "support/TestPictures.h"

#include "desktop/Desktop.h"
#include "desktop/display/DisplayAPI.h"
#include "desktop/display/DisplayServer.h"
#include "model/CustomGroupIconStore.h"
#include "platform/Alert.h"
#include "platform/Digest.h"
#include "platform/Image.h"
#include "platform/RunLoop.h"
#include "platform/UserDefaults.h"
#include "ui/SymbolCatalogue.h"

namespace {

using nlohmann::json;

using displaytest::client;
using displaytest::kToken;
using displaytest::options;

class DisplayServerTest : public testsupport::DesktopOnHome {};
class ServerOfTheApplicationTest : public apptest::AppOnDesktop {};

// What the client thread saw; checked on the main thread once the server stopped.
struct Seen {
    int index = 0;
    bool indexLoadsScript = false;
    std::string frameOptions, framePolicy;
    std::string scriptEncoding = "unread";
    int font = 0;
    int escape = 0;
    bool alertUp = false;
    std::vector<std::string> alertButtons;
    int answer = 0;
    bool alertGone = false;
    int afterStop = 0;
};

json getJSON(httplib::Client& c, const char* path) {
    auto r = c.Get(path);
    if (!r || r->status != 200) return json();
    return json::parse(r->body, nullptr, false);
}

// The whole road of a request: from a client thread through the server to the main thread
// and back, with a modal alert up under the manual clock, which the server keeps serving
// until the page answers it.
TEST_F(DisplayServerTest, ServesThePageAndRunsRequestsOnTheMainThreadEvenInsideAnAlert) {
    desktop::Desktop desktop(desktop::Scene::minimal());
    desktop.install();
    desktop::DisplayAPI api(desktop);
    desktop::DisplayServer server(api, options());
    std::string error;
    ASSERT_TRUE(server.start(error)) << error;
    ASSERT_GT(server.port(), 0);

    platform::ModalResponse response = 0;
    const std::thread::id mainThread = std::this_thread::get_id();
    bool alertRanOnMain = false;
    platform::RunLoop::main().async([&] {
        alertRanOnMain = std::this_thread::get_id() == mainThread;
        platform::Alert alert;
        alert.messageText = "Replace the icon?";
        alert.addButton("Replace");
        alert.addButton("Cancel");
        response = alert.runModal();
    });

    Seen seen;
    std::thread visitor([&] {
        auto owned = client(server.port());
        httplib::Client& c = *owned;
        if (auto r = c.Get("/")) {
            seen.index = r->status;
            seen.indexLoadsScript = r->body.find("/js/main.js") != std::string::npos;
            seen.frameOptions = r->get_header_value("X-Frame-Options");
            seen.framePolicy = r->get_header_value("Content-Security-Policy");
        }
        // Compressing costs CPU and buys nothing over loopback, whatever the browser offers.
        c.set_decompress(false);
        if (auto r = c.Get("/js/main.js", {{"Accept-Encoding", "br, gzip, deflate"}}))
            seen.scriptEncoding = r->get_header_value("Content-Encoding");
        if (auto r = c.Get("/fonts/MaterialIcons-Regular.ttf")) seen.font = r->status;
        if (auto r = c.Get("/../CMakeLists.txt")) seen.escape = r->status;
        json s = getJSON(c, "/api/state");
        for (const auto& w : s["windows"]) {
            if (w.value("kind", "") == "alert" && w.value("messageText", "") == "Replace the icon?") {
                seen.alertUp = true;
                seen.alertButtons = w["buttons"].get<std::vector<std::string>>();
            }
        }
        if (auto r = c.Post("/api/dialogs/alert", R"({"button": "Cancel"})", "application/json")) seen.answer = r->status;
        s = getJSON(c, "/api/state");
        seen.alertGone = s.is_object() && std::none_of(s["windows"].begin(), s["windows"].end(),
                                                       [](const json& w) { return w.value("kind", "") == "alert"; });
        server.stop();
        if (auto r = c.Get("/api/state")) seen.afterStop = r->status;
    });
    server.run();
    visitor.join();

    EXPECT_EQ(seen.index, 200);
    EXPECT_TRUE(seen.indexLoadsScript);
    // No page of another origin may frame it (and make a click on its bait land on the desktop).
    EXPECT_EQ(seen.frameOptions, "DENY");
    EXPECT_EQ(seen.framePolicy, "frame-ancestors 'none'");
    EXPECT_EQ(seen.scriptEncoding, "");
    EXPECT_EQ(seen.font, 200);
    EXPECT_NE(seen.escape, 200);
    EXPECT_TRUE(alertRanOnMain);
    EXPECT_TRUE(seen.alertUp);
    EXPECT_EQ(seen.alertButtons, (std::vector<std::string>{"Replace", "Cancel"}));
    EXPECT_EQ(seen.answer, 200);
    EXPECT_EQ(response, platform::Modal::alertSecondButtonReturn);
    EXPECT_TRUE(seen.alertGone);
    EXPECT_NE(seen.afterStop, 200);  // a stopped server answers nothing more
}

// Any web page the person visits can send requests to a loopback server, and so can any
// other user of the machine: only the page's own requests, with the token, drive the desktop.
TEST_F(DisplayServerTest, RefusesRequestsFromOtherPagesOtherHostsAndOtherUsers) {
    desktop::Desktop& d = loadDefault();
    desktop::DisplayAPI api(d);
    desktop::DisplayServer server(api, options());
    std::string error;
    ASSERT_TRUE(server.start(error)) << error;
    const std::string own = "127.0.0.1:" + std::to_string(server.port());
    const std::string flip = R"({"enabled": true})";

    std::vector<std::pair<std::string, int>> seen;  // what, status
    int redirect = 0;
    std::string cookie, location, withCookie;
    std::thread visitor([&] {
        auto note = [&](const std::string& what, const httplib::Result& r) { seen.emplace_back(what, r ? r->status : -1); };
        httplib::Client bare("127.0.0.1", server.port());
        bare.set_read_timeout(30, 0);
        // A form on another site posting to the switch, and its fetch() of text/plain.
        note("cross-origin form", bare.Post("/api/settings/accessibility", {{"Origin", "http://evil.example"}},
                                             "enabled=true", "application/x-www-form-urlencoded"));
        note("cross-origin text", bare.Post("/api/settings/accessibility", {{"Origin", "null"}, {"X-Tessivane-Token", kToken}},
                                             flip, "text/plain"));
        // DNS rebinding: a name of the attacker's that now points at 127.0.0.1.
        note("rebound host", bare.Get("/api/state", {{"Host", "evil.example:" + std::to_string(server.port())},
                                                     {"X-Tessivane-Token", kToken}}));
        note("rebound page", bare.Get("/", {{"Host", "evil.example"}}));
        note("no token", bare.Post("/api/settings/accessibility", flip, "application/json"));
        note("wrong token", bare.Post("/api/settings/accessibility", {{"X-Tessivane-Token", std::string(48, 'f')}}, flip,
                                      "application/json"));
        auto page = client(server.port());
        note("own text/plain", page->Post("/api/settings/accessibility", flip, "text/plain"));
        note("PUT", page->Put("/api/settings/accessibility", flip, "application/json"));
        note("2 MB body", page->Post("/api/key", std::string(2 << 20, ' '), "application/json"));
        note("wrong token in the address", bare.Get("/?token=nope"));
        // The printed address: its token becomes a cookie, and the address loses it.
        if (auto r = bare.Get("/?token=" + std::string(kToken))) {
            redirect = r->status;
            cookie = r->get_header_value("Set-Cookie");
            location = r->get_header_value("Location");
        }
        const std::string pair = cookie.substr(0, cookie.find(';'));
        if (auto r = bare.Get("/api/state", {{"Cookie", "other=1; " + pair}, {"Host", own}})) withCookie = std::to_string(r->status);
        // Another page on this host can set cookies that the browser sends here too, in one
        // line past any line's bound: they lock no one out.
        std::string bomb;
        for (int i = 0; i < 4; ++i) bomb += "foreign" + std::to_string(i) + "=" + std::string(4000, 'x') + "; ";
        note("four 4 KB cookies beside the token", bare.Get("/api/state", {{"Cookie", bomb + pair}}));
        note("four 4 KB cookies alone", bare.Get("/api/state", {{"Cookie", bomb}}));
        note("the address beside them", bare.Get("/?token=" + std::string(kToken), {{"Cookie", bomb}}));
        note("[::1] host", bare.Get("/api/state", {{"Host", "[::1]:" + std::to_string(server.port())}, {"X-Tessivane-Token", kToken}}));
        note("own page's post", page->Post("/api/settings/accessibility", {{"Origin", "http://" + own}}, flip, "application/json"));
        server.stop();
    });
    server.run();
    visitor.join();

    const std::vector<std::pair<std::string, int>> expected{
        {"cross-origin form", 403}, {"cross-origin text", 403}, {"rebound host", 403}, {"rebound page", 403},
        {"no token", 403}, {"wrong token", 403}, {"own text/plain", 415}, {"PUT", 405}, {"2 MB body", 413},
        {"wrong token in the address", 403}, {"four 4 KB cookies beside the token", 200}, {"four 4 KB cookies alone", 403},
        {"the address beside them", 303}, {"[::1] host", 200}, {"own page's post", 200}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(redirect, 303);
    EXPECT_EQ(location, "/");
    EXPECT_NE(cookie.find("HttpOnly"), std::string::npos) << cookie;
    EXPECT_NE(cookie.find("SameSite=Strict"), std::string::npos) << cookie;
    EXPECT_EQ(withCookie, "200");
    EXPECT_TRUE(d.isAccessibilityTrusted());  // by the last request alone
}

// Tabs left open hold their event streams for as long as they are open, and slow clients
// their connections; neither may take the workers that answer requests.
TEST_F(DisplayServerTest, ManyOpenEventStreamsAndSlowClientsLeaveRequestsAnswered) {
    desktop::Desktop d(desktop::Scene::minimal());
    d.install();
    desktop::DisplayAPI api(d);
    desktop::DisplayServer server(api, options());
    std::string error;
    ASSERT_TRUE(server.start(error)) << error;

    std::vector<int> slow;  // connected, and stopping halfway through a request
    for (int i = 0; i < 8; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(server.port()));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        const std::string start = "GET /api/state HTTP/1.1\r\n";  // and the rest never comes
        ASSERT_EQ(::send(fd, start.data(), start.size(), 0), static_cast<ssize_t>(start.size()));
        slow.push_back(fd);
    }

    std::mutex mutex;
    std::condition_variable changed;
    int streaming = 0, refused = 0;
    // From the moment the tabs open until the state is answered: the streams and the request
    // are served together, not after the slow clients give up.
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> tabs;
    for (int i = 0; i < 20; ++i) {
        tabs.emplace_back([&] {
            auto c = client(server.port());
            bool counted = false;
            int status = 0;
            auto opened = [&](const httplib::Response& response) {
                status = response.status;
                return true;
            };
            auto r = c->Get("/api/events", opened, [&](const char*, size_t) {
                if (!counted && status == 200) {
                    counted = true;
                    std::lock_guard lock(mutex);
                    ++streaming;
                    changed.notify_all();
                }
                return true;
            });
            std::lock_guard lock(mutex);
            if (r && r->status == 503) ++refused;
            changed.notify_all();
        });
    }
    int stateStatus = 0;
    double stateSeconds = -1;
    std::thread reader([&] {
        {
            std::unique_lock lock(mutex);
            changed.wait_for(lock, std::chrono::seconds(20), [&] { return streaming + refused >= 20; });
        }
        if (auto r = client(server.port())->Get("/api/state")) stateStatus = r->status;
        stateSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        server.stop();
    });
    server.run();
    reader.join();
    for (auto& t : tabs) t.join();

    for (int fd : slow) ::close(fd);
    EXPECT_EQ(streaming, 16);  // at most 16 streams at once
    EXPECT_EQ(refused, 4);
    EXPECT_EQ(stateStatus, 200);
    EXPECT_LT(stateSeconds, 3.0);  // about one; the slow clients would hold it for five
}

// With the real clock the server publishes when the loop is done with a burst of work, but
// its own bursts at most ten times a second: a timer that changes what the page shows 30
// times a second (as hiding's transparency tick runs the loop) must not build 30 states.
TEST_F(DisplayServerTest, TheLoopsOwnBurstsReachThePageAtMostTenTimesASecond) {
    platform::RunLoop::resetMain(std::make_unique<platform::RealClock>());
    desktop::Desktop d(desktop::Scene::minimal());
    d.install();
    desktop::DisplayAPI api(d);
    desktop::DisplayServer server(api, options());
    std::string error;
    ASSERT_TRUE(server.start(error)) << error;

    std::mutex mutex;
    std::condition_variable changed;
    std::string stream;
    std::thread page([&] {
        client(server.port())->Get("/api/events", [&](const char* data, size_t n) {
            std::lock_guard lock(mutex);
            stream.append(data, n);
            changed.notify_all();
            return true;
        });
    });
    const auto statesSeen = [&] {
        size_t n = 0;
        for (size_t at = stream.find("data: {"); at != std::string::npos; at = stream.find("data: {", at + 1)) ++n;
        return n;
    };
    constexpr int kFirings = 46;  // a second and a half
    int firings = 0;
    uint64_t firstVersion = 0, lastVersion = 0;
    size_t firstSeen = 0;
    std::chrono::steady_clock::time_point first, last;
    platform::TimerRef timer;
    std::thread pacer([&] {
        {
            // Once the page shows its first state, the pointer moves 30 times a second.
            std::unique_lock lock(mutex);
            changed.wait_for(lock, std::chrono::seconds(30), [&] { return statesSeen() > 0; });
        }
        platform::RunLoop::main().performOnMain([&] {
            timer = platform::RunLoop::main().scheduledTimer(1.0 / 30, true, [&](platform::Timer& t) {
                if (firings == 0) {
                    first = std::chrono::steady_clock::now();
                    firstVersion = api.feed().version();
                    std::lock_guard lock(mutex);
                    firstSeen = statesSeen();
                }
                if (++firings == kFirings) {
                    last = std::chrono::steady_clock::now();
                    lastVersion = api.feed().version();
                    t.invalidate();
                    server.stop();
                    return;
                }
                d.moveMouse(platform::Point{100.0 + firings % 2, 100});
            });
        });
    });
    server.run();
    pacer.join();
    page.join();

    ASSERT_EQ(firings, kFirings);
    // Published bursts are at least a tenth of a second apart, the first at the first firing.
    const double seconds = std::chrono::duration<double>(last - first).count();
    const uint64_t published = lastVersion - firstVersion;
    EXPECT_LE(static_cast<double>(published), seconds * 10 + 1) << "in " << seconds << " s";
    EXPECT_GE(published, 2u) << "the page still follows the pointer";
    EXPECT_LE(static_cast<double>(statesSeen() - firstSeen), seconds * 10 + 2);
}

TEST_F(DisplayServerTest, ASecondServerOnTheSamePortIsRefused) {
    desktop::Desktop d(desktop::Scene::minimal());
    d.install();
    desktop::DisplayAPI api(d);
    desktop::DisplayServer first(api, options());
    std::string error;
    ASSERT_TRUE(first.start(error)) << error;
    auto taken = options();
    taken.port = first.port();
    desktop::DisplayServer second(api, taken);
    EXPECT_FALSE(second.start(error));
    EXPECT_NE(error.find("in use"), std::string::npos) << error;
    first.stop();
    second.stop();
}

// Every picture in the state: the names it gives bitmaps.
void collectPictures(const json& node, std::vector<std::string>& names) {
    if (node.is_object()) {
        if (auto it = node.find("bitmap"); it != node.end() && it->is_string()) names.push_back(*it);
        for (const auto& [key, value] : node.items()) collectPictures(value, names);
    } else if (node.is_array()) {
        for (const auto& value : node) collectPictures(value, names);
    }
}

// A person's 12-megapixel photo as a vossel's icon: while the bar, the vossel's popover and
// Settings show it, every state the page is sent stays small, and the pictures come from the
// server by their names, under the API's rules, no larger than they are drawn.
TEST_F(ServerOfTheApplicationTest, APhotoIconTravelsByReferenceAndEveryStateStaysSmall) {
    completeOnboarding();
    desktop::Scene scene = defaultScene();
    scene.accessibilityTrusted = true;
    for (auto& screen : scene.screens) screen.cameraHousing.reset();  // nothing hides the vossel's item
    desktop::Desktop& d = load(scene);
    launch();
    const platform::UUID id = makeVossel("Photo", {"Parcelbird"});
    const auto photo = home() / "Pictures" / "photo.png";
    std::filesystem::create_directories(photo.parent_path());
    testsupport::writeNoisePNG(photo, 4000, 3000);
    ASSERT_GT(std::filesystem::file_size(photo), 36'000'000u);
    auto& icons = tessivane::CustomGroupIconStore::shared();
    const auto file = icons.importImage(photo, id);
    ASSERT_TRUE(file);
    EXPECT_TRUE(testsupport::sameBytes(icons.folder() / *file, photo));  // kept as imported
    appState().groupStore.updateGroup(id, "Photo", "star.fill", "", file);
    appState().syncGroupStatusItems();
    d.advance(1);

    desktop::DisplayAPI api(d);
    std::vector<std::string> names;
    auto published = [&](const std::string& what) {
        api.publish();
        uint64_t version = 0;
        const std::string text = api.feed().current(version);
        EXPECT_LT(text.size(), 200'000u) << what;
        const json state = json::parse(text);
        const size_t before = names.size();
        collectPictures(state, names);
        EXPECT_GT(names.size(), before) << what << " shows the photo";
        return state;
    };
    published("the bar");
    const desktop::BarItem* item = ownItem("Tessivane.Group." + id.uuidString());
    ASSERT_NE(item, nullptr);
    d.clickStatusItem(*item);
    d.advance(0.5);
    ASSERT_NE(shownPopover(), nullptr);
    published("the vossel's popover");
    appState().openSettings(id);
    d.advance(0.5);
    const json settings = published("Settings");
    // Discovery runs again and again: the status item keeps the pixels it has, so nothing is
    // read or encoded anew.
    const auto shownPixels = [&] { return item->own->desktopButton()->image()->bitmap(); };
    const auto before = shownPixels();
    d.advance(20);
    EXPECT_EQ(shownPixels(), before);
    const json resting = published("Settings at rest");
    EXPECT_EQ(resting["windows"].dump().size(), settings["windows"].dump().size());

    desktop::DisplayServer server(api, options());
    std::string error;
    ASSERT_TRUE(server.start(error)) << error;
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    for (const std::string& name : names) {
        const auto r = client(server.port())->Get("/api/image/" + name);
        ASSERT_TRUE(r);
        ASSERT_EQ(r->status, 200) << name;
        EXPECT_EQ(r->get_header_value("Content-Type"), "image/png");
        EXPECT_NE(r->get_header_value("Cache-Control").find("immutable"), std::string::npos);
        EXPECT_EQ(platform::Digest::sha256(r->body), name);
        const auto copy = home() / "fetched.png";
        std::ofstream(copy, std::ios::binary) << r->body;
        const auto fetched = platform::Image::fromFile(copy);
        ASSERT_TRUE(fetched);
        EXPECT_LE(std::max(fetched->size().width, fetched->size().height), 1024) << "drawn at most 512 points wide";
    }
    httplib::Client bare("127.0.0.1", server.port());
    const auto refused = bare.Get("/api/image/" + names.front());
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 403);
    const auto unknown = client(server.port())->Get("/api/image/" + std::string(64, '0'));
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->status, 404);
    server.stop();
}

// Quitting (a signal, or the Quit command) goes through the application's delegate, which
// puts hidden icons back, and the open pages see that last state before the server goes; a
// day-long clock advance in progress does not hold it up.
TEST_F(ServerOfTheApplicationTest, QuitEndsAnAdvanceAndTheOpenPagesSeeTheApplicationsLastState) {
    completeOnboarding();
    desktop::Scene scene = defaultScene();
    scene.accessibilityTrusted = true;
    desktop::Desktop& d = load(scene);
    launch();
    makeVossel("Tools", {"Parcelbird", "Stillwater"});
    d.advance(6);
    desktop::DisplayAPI api(d);
    const json before = json::parse(api.handle("GET", "/state", "").bodyText());
    const auto translucent = [](const json& s) {
        int n = 0;
        for (const auto& item : s["statusItems"])
            if (!item["own"].get<bool>() && item["windowAlpha"].get<double>() < 1) ++n;
        return n;
    };
    ASSERT_GT(translucent(before), 0) << "the vossel's members are hidden";
    desktop::DisplayServer server(api, options());
    std::string error;
    ASSERT_TRUE(server.start(error)) << error;

    std::string last;
    int advanced = 0;
    double quitSeconds = -1;
    std::thread page([&] {
        client(server.port())->Get("/api/events", [&](const char* data, size_t n) {
            last.append(data, n);
            return true;
        });
    });
    std::thread clock([&] {
        if (auto r = client(server.port())->Post("/api/clock/advance", R"({"seconds": 86400})", "application/json")) advanced = r->status;
    });
    // A second into the advance, on the main thread: the advance is under way.
    std::mutex mutex;
    std::condition_variable changed;
    bool underway = false;
    platform::RunLoop::main().asyncAfter(1, [&] {
        std::lock_guard lock(mutex);
        underway = true;
        changed.notify_all();
    });
    std::thread quitter([&] {
        {
            std::unique_lock lock(mutex);
            changed.wait_for(lock, std::chrono::seconds(30), [&] { return underway; });
        }
        const auto start = std::chrono::steady_clock::now();
        server.quit();
        clock.join();
        quitSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    });
    server.run();
    quitter.join();
    page.join();
    server.stop();
    shutDown();

    EXPECT_EQ(advanced, 503);
    EXPECT_LT(quitSeconds, 10);
    const auto at = last.rfind("data: ");
    ASSERT_NE(at, std::string::npos);
    const json final = json::parse(last.substr(at + 6, last.find("\n\n", at) - at - 6), nullptr, false);
    ASSERT_TRUE(final.is_object());
    EXPECT_TRUE(final["terminated"].get<bool>());
    EXPECT_EQ(translucent(final), 0);
}

// One quit (a signal) while an alert that opened inside a clock advance is up: it goes through
// the delegate at once, neither waiting for the advance (which waits for the alert) nor
// answering the alert, whose dismissal therefore stays unrecorded.
TEST_F(ServerOfTheApplicationTest, OneQuitEndsAnAdvanceWhileItsAlertIsUp) {
    namespace Guide = tessivane::AccessibilityReapprovalGuide;
    // Trust was granted to an earlier copy: the re-approval alert comes 0.6 s after launch.
    auto& defaults = platform::UserDefaults::standard();
    defaults.set(std::string(Guide::grantedVersionKey), "0.9");
    defaults.set(std::string(Guide::lastLaunchedVersionKey), "0.9");
    completeOnboarding();
    desktop::Desktop& d = loadDefault();
    launch();
    ASSERT_FALSE(appState().hideService.isExpanded);
    desktop::DisplayAPI api(d);
    desktop::DisplayServer server(api, options());
    std::string error;
    ASSERT_TRUE(server.start(error)) << error;

    bool alertSeen = false;
    bool quitHeld = false;
    std::thread clock([&] { client(server.port())->Post("/api/clock/advance", R"({"seconds": 30})", "application/json"); });
    std::thread quitter([&] {
        auto c = client(server.port());
        auto state = [&] {
            auto r = c->Get("/api/state");
            return r && r->status == 200 ? json::parse(r->body, nullptr, false) : json();
        };
        // The alert comes up inside the advance; should it never come, the quit still ends the run.
        const auto alertDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (json s = state(); s.is_object() && std::chrono::steady_clock::now() < alertDeadline; s = state()) {
            alertSeen = std::any_of(s["windows"].begin(), s["windows"].end(),
                                    [](const json& w) { return w["kind"] == "alert"; });
            if (alertSeen) break;
        }
        server.quit();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (json s = state(); s.is_object() && !s.value("terminated", false); s = state()) {
            if (std::chrono::steady_clock::now() > deadline) {
                // Held up by the alert: answer it, so that the test ends.
                quitHeld = true;
                c->Post("/api/dialogs/alert", R"({"button": "Later"})", "application/json");
                break;
            }
        }
    });
    server.run();
    server.stop();  // the quitter's last look at the state is answered: shutting down
    quitter.join();
    clock.join();

    ASSERT_TRUE(alertSeen) << "the re-approval alert never came up";
    EXPECT_FALSE(quitHeld);
    EXPECT_TRUE(d.application().isTerminated());
    EXPECT_TRUE(appState().hideService.isExpanded) << "the delegate put the icons back";
    ASSERT_EQ(d.alerts().size(), 1u);
    EXPECT_FALSE(d.alerts()[0].answer);
    EXPECT_FALSE(defaults.object(std::string(Guide::noticeDismissedForVersionKey)));
    shutDown();
}

TEST(DisplayAccess, TheHostMustNameThisServerAndTheTokenIsKeptPrivately) {
    desktop::DisplayAccess access(kToken, "::1", 8765);
    auto status = [&](std::string_view host, std::string_view origin = {}) {
        return access.check({"GET", "/api/state", host, origin, "", kToken, "", false, ""}).status;
    };
    EXPECT_EQ(status("[::1]:8765"), 200);
    EXPECT_EQ(status("localhost:8765"), 200);
    EXPECT_EQ(status("127.0.0.1:8765", "http://127.0.0.1:8765"), 200);
    EXPECT_EQ(status("127.0.0.1:8765", "http://localhost:8765"), 403);
    EXPECT_EQ(status("127.0.0.1:8766"), 403);
    EXPECT_EQ(status("127.0.0.1"), 403);
    EXPECT_EQ(status("10.0.0.2:8765"), 403);  // only a wildcard listener takes other addresses
    EXPECT_EQ(status(""), 403);
    EXPECT_EQ(desktop::DisplayAccess::redirectTarget("/index.html"), "/index.html");
    EXPECT_EQ(desktop::DisplayAccess::redirectTarget("//evil.example/"), "/");
    EXPECT_EQ(desktop::DisplayAccess::redirectTarget("/a\r\nSet-Cookie: x"), "/");
    EXPECT_EQ(desktop::DisplayAccess("t", "0.0.0.0", 80).check({"GET", "/", "192.168.1.9", {}, {}, {}, {}, false, {}}).status, 200);

    // A page on another port of this host can set a cookie of the same name (for /api, so
    // that it comes first): the right one beside it is still the right one, in either order.
    const std::string tossed = "tessivane-token-8765=" + std::string(48, '0');
    const std::string real = std::string("tessivane-token-8765=") + kToken;
    auto withCookie = [&](const std::string& cookie) {
        return access.check({"GET", "/api/state", "[::1]:8765", "", cookie, "", "", false, ""}).status;
    };
    EXPECT_EQ(withCookie(tossed + "; " + real), 200);
    EXPECT_EQ(withCookie(real + "; " + tossed), 200);
    EXPECT_EQ(withCookie(tossed), 403);
    EXPECT_EQ(withCookie("tessivane-token-8766=" + std::string(kToken)), 403);  // another server's

    const auto folder = testsupport::temporaryRoot() / "runtime";
    std::string error;
    const std::string token = desktop::DisplayAccess::loadOrCreateToken(folder, error);
    ASSERT_EQ(token.size(), 48u) << error;
    EXPECT_EQ(desktop::DisplayAccess::loadOrCreateToken(folder, error), token);  // a restart keeps it
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat((folder / "display-token").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // A folder others can reach is not trusted with it.
    std::filesystem::permissions(folder, std::filesystem::perms::others_read, std::filesystem::perm_options::add);
    EXPECT_TRUE(desktop::DisplayAccess::loadOrCreateToken(folder, error).empty());
    EXPECT_NE(error.find("TESSIVANE_RUNTIME_DIR"), std::string::npos) << error;  // the way out
}

}  // namespace
