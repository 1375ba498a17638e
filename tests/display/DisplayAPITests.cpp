#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "AppDesktopFixture.h"
#include "app/TessivaneApp.h"
#include "desktop/Desktop.h"
#include "desktop/DesktopApplication.h"
#include "desktop/DesktopStatusItem.h"
#include "desktop/display/DisplayAPI.h"
#include "desktop/display/DisplayState.h"
#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/LogFile.h"
#include "platform/OpenPanel.h"
#include "platform/Pasteboard.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "platform/Window.h"
#include "support/DesktopOnHome.h"
#include "ui/Automation.h"
#include "ui/HostingView.h"

namespace {

using nlohmann::json;

// The application launched on the default laptop, with the display's API in front of it.
class DisplayAPITest : public testsupport::TestHome {
protected:
    void SetUp() override {
        desktop_ = std::make_unique<desktop::Desktop>(testsupport::defaultScene());
        desktop_->install();
        tessivane::TessivaneApp::main();
        ASSERT_TRUE(desktop_->launchApplication({"tessivane"}));
        desktop_->advance(0.6);  // the welcome tour comes up with the first follow-up
        api_ = std::make_unique<desktop::DisplayAPI>(*desktop_);
    }
    void TearDown() override {
        api_.reset();
        if (desktop_) desktop_->application().setDelegate(nullptr);
        desktop_.reset();
    }

    json state() { return json::parse(api_->handle("GET", "/state", "").bodyText()); }
    desktop::DisplayResponse post(const std::string& path, const json& body) {
        return api_->handle("POST", path, body.dump());
    }
    static const json* windowTitled(const json& s, const std::string& title) {
        for (const auto& w : s["windows"])
            if (w.value("title", "") == title) return &w;
        return nullptr;
    }
    // The id of the first node whose text is `text` (a button's label, say), and of the
    // node `up` levels above it.
    static std::string nodeWithText(const json& node, const std::string& text, int up = 0) {
        std::vector<const json*> path;
        std::function<bool(const json&)> walk = [&](const json& n) {
            path.push_back(&n);
            if (n["props"].value("text", "") == text) return true;
            for (const auto& c : n["children"])
                if (walk(c)) return true;
            path.pop_back();
            return false;
        };
        if (!walk(node) || static_cast<int>(path.size()) <= up) return "";
        return (*path[path.size() - 1 - static_cast<size_t>(up)])["id"].get<std::string>();
    }

    std::unique_ptr<desktop::Desktop> desktop_;
    std::unique_ptr<desktop::DisplayAPI> api_;
};

TEST_F(DisplayAPITest, StateShowsTheBarAsTheDesktopLaysItOut) {
    json s = state();
    ASSERT_EQ(s["screens"].size(), 1u);
    EXPECT_EQ(s["screens"][0]["cameraHousing"], json::array({662.0, 950.0, 188.0, 32.0}));
    EXPECT_EQ(s["menuBar"]["thickness"], 24.0);
    ASSERT_EQ(s["statusItems"].size(), desktop_->bar().items().size());
    for (const auto& item : s["statusItems"]) {
        const desktop::BarItem* bar = desktop_->bar().find(item["id"].get<uint64_t>());
        ASSERT_NE(bar, nullptr);
        const platform::Rect& f = bar->frame();
        EXPECT_EQ(item["frame"], json::array({f.minX(), f.minY(), f.width(), f.height()})) << item["autosaveName"];
        EXPECT_EQ(item["shown"], bar->shown);
        EXPECT_EQ(item["own"], bar->own != nullptr);
    }
    // Tessivane's own items carry their buttons: the chevron draws a symbol of the catalogue.
    bool sawChevron = false;
    for (const auto& item : s["statusItems"]) {
        if (item["autosaveName"] != "Tessivane.Chevron") continue;
        sawChevron = true;
        ASSERT_TRUE(item["image"].is_object());
        EXPECT_TRUE(item["image"].contains("glyph"));
        EXPECT_FALSE(item["tooltip"].get<std::string>().empty());
    }
    EXPECT_TRUE(sawChevron);
    // The welcome window with the view tree it shows.
    const json* welcome = windowTitled(s, "Welcome to Tessivane");
    ASSERT_NE(welcome, nullptr);
    EXPECT_EQ((*welcome)["kind"], "window");
    EXPECT_TRUE((*welcome)["tree"].is_object());
    EXPECT_FALSE(nodeWithText((*welcome)["tree"], "Next").empty());
}

TEST_F(DisplayAPITest, OtherApplicationsItemsGetAPictureFromWhatTheSceneSaysOfThem) {
    using desktop::DisplayState;
    EXPECT_EQ(DisplayState::foreignItemImage("WiFi", "Control Center", "", "Wi-Fi", "")["glyph"], "wifi");
    EXPECT_EQ(DisplayState::foreignItemImage("Item-0", "Sundial", "12°", "Sundial Weather", "")["text"], "12°");
    EXPECT_EQ(DisplayState::foreignItemImage("Item-0", "Sundial", "12°", "Sundial Weather", "")["glyph"], "wb_cloudy");
    EXPECT_EQ(DisplayState::foreignItemImage("Item-0", "Zyx", "", "", "")["monogram"], "Z");
    EXPECT_EQ(DisplayState::foreignItemImage("Item-0", "", "", "", "")["monogram"], "?");
}

TEST_F(DisplayAPITest, PointerInputGoesThroughTheDesktopAndMenuRowsAreWhereItHitTests) {
    json s = state();
    const json* clock = nullptr;
    for (const auto& item : s["statusItems"])
        if (item["autosaveName"] == "Clock") clock = &item;
    ASSERT_NE(clock, nullptr);
    const auto& f = (*clock)["frame"];
    const double x = f[0].get<double>() + f[2].get<double>() / 2, y = f[1].get<double>() + f[3].get<double>() / 2;
    ASSERT_EQ(post("/pointer", {{"type", "click"}, {"x", x}, {"y", y}}).status, 200);

    s = state();
    const json* menu = nullptr;
    for (const auto& w : s["windows"])
        if (w.value("menuOf", "") == "statusItem") menu = &w;
    ASSERT_NE(menu, nullptr) << "a click on the clock opens its menu";
    EXPECT_EQ((*menu)["itemName"], "Clock");
    // Every row of the menu, clicked at the middle of the frame the page draws it at, is the
    // row the desktop chooses.
    const json& rows = (*menu)["rows"];
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_TRUE(rows[1]["separator"].get<bool>());
    const json& last = rows[2];
    const auto& rf = last["frame"];
    ASSERT_EQ(post("/pointer", {{"type", "click"},
                                {"x", rf[0].get<double>() + 20},
                                {"y", rf[1].get<double>() + rf[3].get<double>() / 2}})
                  .status,
              200);
    ASSERT_EQ(desktop_->chosenMenuItems().size(), 1u);
    EXPECT_EQ(desktop_->chosenMenuItems().back(), "Control Center: " + last["title"].get<std::string>());
    EXPECT_EQ(state()["records"]["chosenMenuItems"].size(), 1u);
}

TEST_F(DisplayAPITest, ActionsOnNodesGoThroughTheViewLayersAutomation) {
    json s = state();
    const json* welcome = windowTitled(s, "Welcome to Tessivane");
    ASSERT_NE(welcome, nullptr);
    const uint32_t number = (*welcome)["number"];
    // The button around the "Next" label.
    const std::string next = nodeWithText((*welcome)["tree"], "Next", 1);
    ASSERT_FALSE(next.empty());
    auto r = post("/act", {{"window", number}, {"node", next}, {"action", "click"}});
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_TRUE(r.body["done"].get<bool>());
    desktop_->advance(0);
    EXPECT_FALSE(nodeWithText((*windowTitled(state(), "Welcome to Tessivane"))["tree"], "Enable Accessibility").empty());

    // What the page cannot have seen is refused without touching anything.
    EXPECT_EQ(post("/act", {{"window", number}, {"node", "0.99.99"}, {"action", "click"}}).status, 404);
    EXPECT_EQ(post("/act", {{"window", 1}, {"node", "0"}, {"action", "click"}}).status, 404);
    EXPECT_EQ(post("/act", {{"window", number}, {"node", next}, {"action", "explode"}}).status, 400);
    EXPECT_EQ(post("/act", {{"window", number}, {"node", next}, {"action", "type"}}).status, 400);
    EXPECT_EQ(post("/act", {{"window", number}, {"node", next}, {"action", "type"}, {"text", std::string(5000, 'a')}}).status,
              400);
}

TEST_F(DisplayAPITest, BadRequestsAreRefusedWithAReason) {
    EXPECT_EQ(api_->handle("POST", "/pointer", "{not json").status, 400);
    EXPECT_EQ(api_->handle("POST", "/pointer", "[1, 2]").status, 400);
    EXPECT_EQ(post("/pointer", {{"type", "click"}, {"x", "left"}, {"y", 3}}).status, 400);
    EXPECT_EQ(post("/pointer", {{"type", "click"}, {"x", 1}, {"y", 3}, {"modifiers", {"hyper"}}}).status, 400);
    EXPECT_EQ(post("/pointer", {{"type", "wiggle"}, {"x", 1}, {"y", 3}}).status, 400);
    EXPECT_EQ(post("/key", {{"key", "F13-and-more"}}).status, 400);
    EXPECT_EQ(post("/dialogs/accessibility", {{"answer", "openSystemSettings"}}).status, 409);
    EXPECT_EQ(post("/dialogs/open-panel", {{"cancel", true}}).status, 409);
    EXPECT_EQ(post("/dialogs/alert", {{"button", "OK"}}).status, 409);
    EXPECT_EQ(post("/pointer", {{"type", "click"}, {"x", 1}, {"y", 3}, {"button", 2}}).status, 400);
    EXPECT_EQ(post("/key", {{"key", "abcd"}}).status, 400);
    EXPECT_EQ(api_->handle("POST", "/settings/accessibility", std::string("{\"enabled\": true}") + '\0' + "{\"x\"").status, 400);
    EXPECT_FALSE(desktop_->isAccessibilityTrusted());
    EXPECT_EQ(post("/nowhere", json::object()).status, 404);
    EXPECT_EQ(api_->handle("DELETE", "/state", "").status, 405);
    const auto r = post("/pointer", {{"type", "move"}, {"x", 1}});
    EXPECT_EQ(r.body["ok"], false);
    EXPECT_FALSE(r.body["error"].get<std::string>().empty());
}

TEST_F(DisplayAPITest, TheManualClockMovesOnlyWhenAsked) {
    const double before = platform::RunLoop::main().now();
    auto r = post("/clock/advance", {{"seconds", 2.5}});
    ASSERT_EQ(r.status, 200);
    EXPECT_DOUBLE_EQ(platform::RunLoop::main().now(), before + 2.5);
    EXPECT_EQ(post("/clock/advance", {{"seconds", -1}}).status, 400);
    EXPECT_EQ(post("/clock/advance", {{"seconds", 1e9}}).status, 400);
    EXPECT_DOUBLE_EQ(platform::RunLoop::main().now(), before + 2.5);
}

TEST_F(DisplayAPITest, TheVersionMovesWhenTheStateChangesAndOnlyThen) {
    const uint64_t first = api_->publish();
    EXPECT_EQ(api_->publish(), first);
    ASSERT_EQ(post("/settings/accessibility", {{"enabled", true}}).status, 200);
    const uint64_t second = api_->publish();
    EXPECT_GT(second, first);
    uint64_t version = 0;
    const json published = json::parse(api_->feed().current(version));
    EXPECT_EQ(version, second);
    EXPECT_EQ(published["version"], second);
    EXPECT_TRUE(published["accessibility"]["trusted"].get<bool>());
}

// The log folder may be one others can write to: the page shows a log's last lines, never
// a file a link planted at its name leads to, and never more than a bounded tail.
TEST_F(DisplayAPITest, TheLogsShowABoundedTailAndNeverThroughALink) {
    std::filesystem::create_directories(logFolder());
    const auto secret = home() / "secret.txt";
    std::ofstream(secret) << "private line\n";
    std::filesystem::create_symlink(secret, logFolder() / "tessivane-click.log");
    {
        std::ofstream hide(logFolder() / "tessivane-hide.log");
        hide << std::string(1 << 20, 'x') << "\n";
        for (int i = 0; i < 100; ++i) hide << "line " << i << "\n";
        hide << std::string(10000, 'y') << "\nlast";
    }
    const json logs = state()["logs"];
    EXPECT_EQ(logs["click"], json::array());
    ASSERT_EQ(logs["hide"].size(), 40u);
    EXPECT_EQ(logs["hide"][0], "line 62");
    EXPECT_EQ(logs["hide"][38].get<std::string>().size(), 1000u);
    EXPECT_EQ(logs["hide"][39], "last");
}

TEST_F(DisplayAPITest, TheFileChooserListsTheSimulatedHomeAndNothingOutsideIt) {
    std::filesystem::create_directories(home() / "Pictures");
    std::ofstream(home() / "Pictures" / "icon.png") << "png";
    std::ofstream(home() / ".hidden") << "x";
    auto r = api_->handle("GET", "/files", "", ".");
    ASSERT_EQ(r.status, 200) << r.body;
    bool pictures = false, hidden = false;
    for (const auto& e : r.body["entries"]) {
        pictures = pictures || (e["name"] == "Pictures" && e["directory"].get<bool>());
        hidden = hidden || e["name"] == ".hidden";
    }
    EXPECT_TRUE(pictures);
    EXPECT_FALSE(hidden);
    r = api_->handle("GET", "/files", "", "Pictures");
    ASSERT_EQ(r.status, 200);
    ASSERT_EQ(r.body["entries"].size(), 1u);
    EXPECT_EQ(r.body["entries"][0]["name"], "icon.png");
    EXPECT_EQ(api_->handle("GET", "/files", "", "..").status, 404);
    EXPECT_EQ(api_->handle("GET", "/files", "", "Pictures/../../..").status, 404);
    EXPECT_EQ(api_->handle("GET", "/files", "", "/etc").status, 404);

    // Answering a panel: what it does not allow is refused, not reported as chosen.
    std::ofstream(home() / "Pictures" / "notes.txt") << "text";
    std::vector<int> answers;
    desktop_->setOpenPanelHandler([&](desktop::Desktop&, const platform::OpenPanel&) {
        for (const json& paths : {json{"Pictures/notes.txt"}, json{"Pictures/icon.png", "Pictures/icon.png"},
                                  json{"Pictures/icon.png"}})
            answers.push_back(post("/dialogs/open-panel", {{"paths", paths}}).status);
    });
    platform::OpenPanel panel;
    panel.allowedContentTypes = {platform::ContentType::png};
    EXPECT_EQ(panel.runModal(), platform::Modal::ok);
    EXPECT_EQ(answers, (std::vector<int>{400, 400, 200}));
    ASSERT_EQ(panel.urls.size(), 1u);
    EXPECT_EQ(panel.urls[0].filename(), "icon.png");
}

// The state is rebuilt only where its sources say something changed: each kind of change
// must say so, or the page goes stale. After each one the page's state is what a state built
// from nothing shows, and no part was found changed behind the count's back.
class DisplayChangesTest : public apptest::AppOnDesktop {
protected:
    void SetUp() override {
        completeOnboarding();
        // Two displays: the bar has room for Tessivane's items from the start.
        std::string error;
        auto tidy = desktop::Scene::load(std::string(TESSIVANE_RESOURCES_DIR) + "/scenes/two-displays.json", error);
        ASSERT_TRUE(tidy) << error;
        desktop::Scene scene = *tidy;
        scene.accessibilityTrusted = true;
        load(scene);
        launch();
        desktop().advance(2);
        api_ = std::make_unique<desktop::DisplayAPI>(desktop());
    }
    void TearDown() override {
        api_.reset();
        shutDown();
    }

    json published() const {
        uint64_t version = 0;
        json s = json::parse(api_->feed().current(version));
        s.erase("run");
        s.erase("version");
        return s;
    }
    // The change shows: a new version, the state of the desktop as it is now.
    void expectPublished(const std::string& what, uint64_t before) {
        EXPECT_GT(api_->publish(), before) << what;
        EXPECT_TRUE(published() == desktop::DisplayState(desktop()).build()) << what << ": the page's state is stale";
        EXPECT_EQ(api_->unnoticedChanges(), 0u) << what;
    }
    const desktop::BarItem* shownItemOf(const std::string& owner) const {
        for (size_t i = 0; const desktop::BarItem* item = itemOf(owner, i); ++i)
            if (item->shown) return item;
        return nullptr;
    }

    std::unique_ptr<desktop::DisplayAPI> api_;
};

TEST_F(DisplayChangesTest, EachKindOfChangeReachesThePage) {
    desktop::Desktop& d = desktop();
    platform::UUID vossel;
    std::shared_ptr<platform::Window> window;
    std::string menuRow;
    struct Case {
        const char* what;
        std::function<void()> change;
    };
    const std::vector<Case> cases = {
        {"a vossel hides its members' windows",
         [&] {
             vossel = makeVossel("Tools", {"Parcelbird", "Stillwater"});
             d.advance(1);
         }},
        {"another application's icon gets wider", [&] { d.setStatusItemWidth(itemOf("Sundial")->id, 52); }},
        {"Tessivane's item is highlighted",
         [&] { ownItem("Tessivane.Group." + vossel.uuidString())->own->desktopButton()->highlight(true); }},
        {"a vossel's popover opens",
         [&] {
             const desktop::BarItem* item = ownItem("Tessivane.Group." + vossel.uuidString());
             ASSERT_TRUE(item && item->shown);
             d.clickStatusItem(*item);
             d.advance(0.5);
             ASSERT_NE(shownPopover(), nullptr);
         }},
        {"a row of the popover is hovered",
         [&] {
             ASSERT_NE(shownPopover(), nullptr);
             shownPopover()->host().find(ui::byText("Parcelbird")).hover();
             d.advance(0);
         }},
        {"the popover closes",
         [&] {
             d.click(platform::Point{700, 500});
             d.advance(0.5);
         }},
        {"another application's menu opens",
         [&] {
             const desktop::BarItem* item = shownItemOf("Sundial");
             ASSERT_NE(item, nullptr);
             d.clickStatusItem(*item);
             ASSERT_TRUE(d.openedMenu());
             menuRow = d.openedMenu()->items.front();
         }},
        {"a row of that menu is chosen", [&] { EXPECT_TRUE(d.chooseOpenedMenuItem(menuRow)); }},
        {"a window opens",
         [&] {
             window = platform::application().makeWindow(platform::Rect{200, 200, 400, 300},
                                                          platform::WindowStyle::titled | platform::WindowStyle::closable);
             window->makeKeyAndOrderFront();
         }},
        {"the window's title changes", [&] { window->setTitle("Notes on the bar"); }},
        {"the window moves", [&] { window->setFrame(platform::Rect{260, 180, 420, 300}); }},
        {"Tessivane, an agent, comes to the front: its window is drawn key", [&] { d.application().activate(true); }},
        {"a click on the desktop sends it to the back", [&] { d.click(platform::Point{60, 500}); }},
        {"the window closes", [&] { window->close(); }},
        {"the application turns dark", [&] { d.application().setAppearance(platform::kAppearanceDarkAqua); }},
        {"another application comes to the front", [&] { d.setFrontmostApp(d.appNamed("Kettle")->pid); }},
        {"a display is added",
         [&] {
             desktop::SceneScreen studio;
             studio.name = "Studio Display";
             studio.frame = platform::Rect{-1920, 0, 1920, 1080};
             d.addScreen(studio);
         }},
        {"an application quits", [&] { d.quitApp(d.appNamed("Sundial")->pid); }},
        {"a line is logged",
         [&] {
             std::filesystem::create_directories(logFolder());
             platform::appendLogLine(logFolder() / "tessivane-click.log", "a line of its own");
         }},
        {"the clock's minute moves", [&] { d.advance(60); }},
    };
    for (const auto& c : cases) {
        const uint64_t before = api_->publish();
        c.change();
        if (HasFatalFailure()) return;
        expectPublished(c.what, before);
    }

    // An alert is the application's object: its window shows while its session runs.
    d.setAlertHandler([&](desktop::Desktop& desk, const platform::Alert&) {
        expectPublished("an alert comes up", 0);
        desk.answerAlert("Keep");
    });
    const uint64_t before = api_->publish();
    platform::Alert alert;
    alert.messageText = "Keep the icon?";
    alert.addButton("Keep");
    EXPECT_EQ(alert.runModal(), platform::Modal::alertFirstButtonReturn);
    d.setAlertHandler(nullptr);
    expectPublished("the alert goes", before);
}

// The cost of an open page: hiding re-applies the same transparency 30 times a second, which
// is no change, so nothing of the state is built again for it.
TEST_F(DisplayChangesTest, ReapplyingTheSameTransparencyIsNoChange) {
    makeVossel("Tools", {"Parcelbird", "Stillwater"});
    desktop().advance(6);
    ASSERT_FALSE(appState().windowHiding.isPaused());
    ASSERT_FALSE(appState().windowHiding.hiddenWindows().empty());
    const uint64_t changes = desktop().changeCount();
    desktop().advance(1);  // 30 ticks
    EXPECT_EQ(desktop().changeCount(), changes);
    bool changed = true;
    desktop::DisplayState state(desktop());
    state.text(changed);
    state.text(changed);
    EXPECT_FALSE(changed);
}

// The settings window as automated UI tests launch it, on the setup wizard's name field.
class DisplayFieldTest : public apptest::AppOnDesktop {
protected:
    void SetUp() override {
        loadDefault();
        launch({"tessivane", "-UITesting"});
        desktop().advance(1);
        api_ = std::make_unique<desktop::DisplayAPI>(desktop());
    }
    void TearDown() override {
        api_.reset();
        shutDown();
    }
    std::unique_ptr<desktop::DisplayAPI> api_;
};

// Typing, Return and the Edit menu's keys reach a field only while its window is the key
// window of the active application, as on a Mac: with Finder in front the page's requests
// change nothing, and after a click back into the window each acts, the state the page draws
// carrying what the application holds (a paste, an undo).
TEST_F(DisplayFieldTest, KeysReachAFieldOnlyWhileItsApplicationIsActive) {
    const auto& settings = delegate().settingsWindow.window();
    ASSERT_TRUE(settings);
    auto* hosting = dynamic_cast<ui::HostingView*>(settings->contentView().get());
    ASSERT_NE(hosting, nullptr);
    const std::string field = hosting->host().find(ui::byIdentifier("ui.newGroupName")).nodeId();
    ASSERT_FALSE(field.empty());
    const uint32_t number = settings->windowNumber();
    struct Shown {
        bool key = false;
        std::string value = "(no field)";
    };
    auto shown = [&] {
        desktop().advance(0);
        Shown out;
        std::function<void(const json&)> walk = [&](const json& n) {
            if (n.value("id", "") == field) out.value = n["props"].value("value", "");
            for (const auto& c : n["children"]) walk(c);
        };
        const json state = json::parse(api_->handle("GET", "/state", "").bodyText());
        for (const auto& w : state["windows"]) {
            if (w["number"] != number) continue;
            out.key = w["key"];
            walk(w["tree"]);
        }
        return out;
    };
    auto send = [&](const std::string& path, json body) {
        if (path == "/act") body.update({{"window", number}, {"node", field}});
        return api_->handle("POST", path, body.dump());
    };
    auto key = [](const char* k, json modifiers = {"command"}) { return json{{"key", k}, {"modifiers", modifiers}}; };
    struct Case {
        const char* what;
        std::string path;
        json body;
        std::string value;  // what the field holds after it, Tessivane in front
    };
    const std::vector<Case> cases = {
        {"Select All", "/key", key("a"), "My Vossel"},
        {"Copy", "/key", key("c"), "My Vossel"},
        {"typing", "/act", {{"action", "type"}, {"text", "Tools"}}, "Tools"},
        {"Paste", "/key", key("v"), "ToolsMy Vossel"},
        {"Undo", "/key", key("z"), "Tools"},
        {"Redo", "/key", key("z", {"command", "shift"}), "ToolsMy Vossel"},
        {"Select All again", "/key", key("a"), "ToolsMy Vossel"},
        {"Cut", "/key", key("x"), ""},
        {"Undo the cut", "/key", key("z"), "ToolsMy Vossel"},
        {"Return", "/act", {{"action", "submit"}}, "(no field)"},  // Continue: the wizard's next step
    };
    platform::pasteboard().clearContents();
    platform::pasteboard().setString("Clip");
    ASSERT_EQ(send("/pointer", {{"type", "click"}, {"x", 60}, {"y", 500}}).status, 200);  // the desktop
    ASSERT_FALSE(desktop().application().isActive());
    EXPECT_FALSE(shown().key);
    for (const Case& c : cases) {
        const auto r = send(c.path, c.body);
        ASSERT_EQ(r.status, 200) << c.what;
        if (c.path == "/act") {
            EXPECT_FALSE(r.body["done"].get<bool>()) << c.what << ", Finder in front";
        }
        EXPECT_EQ(shown().value, "My Vossel") << c.what << ", Finder in front";
    }
    EXPECT_EQ(platform::pasteboard().string(), "Clip");
    EXPECT_TRUE(appState().groupStore.groups().empty());

    // A click into the field: the press goes to the window, the click to the field.
    const platform::Rect content = settings->contentRect();
    send("/pointer", {{"type", "click"}, {"x", content.midX()}, {"y", content.midY()}});
    ASSERT_TRUE(desktop().application().isActive());
    // The next press in the window in front, key already, changes nothing the page must build again.
    const uint64_t changes = desktop().changeCount();
    send("/pointer", {{"type", "click"}, {"x", content.midX()}, {"y", content.midY()}});
    EXPECT_EQ(desktop().changeCount(), changes);
    ASSERT_TRUE(send("/act", {{"action", "click"}}).body["done"].get<bool>());
    EXPECT_TRUE(shown().key);
    for (const Case& c : cases) {
        const auto r = send(c.path, c.body);
        if (c.path == "/act") {
            EXPECT_TRUE(r.body["done"].get<bool>()) << c.what;
        }
        EXPECT_EQ(shown().value, c.value) << c.what;
    }
    EXPECT_EQ(platform::pasteboard().string(), "ToolsMy Vossel");
    const auto& vossels = appState().groupStore.groups();
    ASSERT_EQ(vossels.size(), 1u);
    EXPECT_EQ(vossels.front().name, "ToolsMy Vossel");
    EXPECT_EQ(api_->unnoticedChanges(), 0u);
}

}  // namespace
