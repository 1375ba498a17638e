#include <gtest/gtest.h>
#include <httplib.h>

#include <string>
#include <thread>

#include "desktop/Desktop.h"
#include "desktop/display/DisplayAPI.h"
#include "desktop/display/DisplayServer.h"
#include "platform/Alert.h"
#include "platform/RunLoop.h"
#include "support/TestHome.h"
#include "ui/SymbolCatalogue.h"

namespace {

using nlohmann::json;

class DisplayServerTest : public testsupport::TestHome {
protected:
    desktop::DisplayServer::Options options() {
        desktop::DisplayServer::Options o;
        o.port = 0;
        o.pages = std::filesystem::path(TESSIVANE_RESOURCES_DIR) / "display";
        o.iconFont = ui::SymbolCatalogue::fontFile;
        return o;
    }
};

// What the client thread saw; checked on the main thread once the server stopped.
struct Seen {
    int index = 0;
    bool indexLoadsScript = false;
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
    std::thread client([&] {
        httplib::Client c("127.0.0.1", server.port());
        c.set_read_timeout(30, 0);
        if (auto r = c.Get("/")) {
            seen.index = r->status;
            seen.indexLoadsScript = r->body.find("/js/main.js") != std::string::npos;
        }
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
    client.join();

    EXPECT_EQ(seen.index, 200);
    EXPECT_TRUE(seen.indexLoadsScript);
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

}  // namespace
