#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "DesktopFixture.h"
#include "platform/Application.h"
#include "platform/Platform.h"
#include "platform/ProcessInfo.h"
#include "platform/UserDefaults.h"
#include "platform/Window.h"
#include "ui/HostingView.h"
#include "ui/Nodes.h"

namespace desktoptest {
namespace {

using desktop::Scene;

class Scenes : public DesktopTest {};

// `"children": [{"children": [{ ... }]}]`, `levels` deep.
std::string nestedChildren(int levels) {
    std::string text;
    for (int i = 0; i < levels; ++i) text += R"("children": [{)";
    for (int i = 0; i < levels; ++i) text += "}]";
    return text;
}

TEST_F(Scenes, MalformedScenesAreReportedNotFatal) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"{", "not valid JSON"},
        // Found by fuzzing: a number beyond a double's range used to escape as an exception.
        {"99999e99994", "not valid JSON"},
        {R"({"screens": [{"frame": [0, 0, 1e999, 900]}]})", "not valid JSON"},
        {"[1, 2]", "scene: expected an object"},
        {R"({"screens": [{"frame": [0, 0, 10]}]})", "scene.screens[0].frame"},
        {R"({"screens": [{"frame": [0, 0, 1440, 900], "cameraHousing": {"width": -3, "height": 2}}]})", "cameraHousing"},
        {R"({"applications": [{"name": "No pid"}]})", "scene.applications[0].pid"},
        {R"({"applications": [{"pid": 1e12}]})", "scene.applications[0].pid"},
        {R"({"applications": [{"pid": 7.5}]})", "scene.applications[0].pid"},
        {R"({"applications": [{"pid": 7, "windows": [{"frame": [0, 0, 9, 9], "layer": -1e300}]}]})", "layer"},
        {R"({"self": {"pid": -4}})", "scene.self.pid"},
        {R"({"applications": [{"pid": 7, "statusItems": [{"width": "wide"}]}]})", "statusItems[0].width"},
        {R"({"applications": [{"pid": 7}, {"pid": 7}]})", "used twice"},
        {R"({"applications": [{"pid": 501}]})", "this application's own"},
        {R"({"accessibility": {"trusted": "yes"}})", "scene.accessibility.trusted"},
        {R"({"preferences": {"com.example": {"Key": null}}})", "cannot be null"},
        {R"({"preferences": {"../../etc": {"Key": 1}}})", "is not a domain name"},
        {R"({"applications": [{"pid": 7, "activationPolicy": "sometimes"}]})", "activationPolicy"},
        // Nonsense geometry.
        {R"({"screens": []})", "scene.screens: expected at least one screen"},
        {R"({"name": "no screens at all"})", "scene.screens"},
        {R"({"screens": [{"frame": [0, 0, 1440, 900]}], "menuBarThickness": -24})", "scene.menuBarThickness"},
        {R"({"screens": [{"frame": [0, 0, 1440, 900], "scale": 0}]})", "scene.screens[0].scale"},
        {R"({"screens": [{"frame": [0, 0, 1440, 900], "cameraHousing": {"width": 1500, "height": 32}}]})",
         "scene.screens[0].cameraHousing"},
        // Nesting that would exhaust the stack, and Accessibility children past three levels.
        {R"({"preferences": {"com.example": {"Key": )" + std::string(5000, '[') + std::string(5000, ']') + "}}}",
         "scene.preferences.com.example.Key"},
        {R"({"applications": [{"pid": 7, "statusItems": [{)" + nestedChildren(5000) + "}]}]}",
         "statusItems[0].children[0].children[0].children[0].children[0]: children nest 3 levels at most"},
        {R"({"applications": [{"pid": 7, "statusItems": [{)" + nestedChildren(4) + "}]}]}", "nest 3 levels"},
    };
    for (const auto& [json, where] : cases) {
        std::string error;
        EXPECT_FALSE(Scene::parse(json, error)) << json.substr(0, 200);
        EXPECT_NE(error.find(where), std::string::npos) << json.substr(0, 200) << " gave: " << error.substr(0, 200);
    }
    std::string threeLevels;
    EXPECT_TRUE(Scene::parse(R"({"screens": [{"frame": [0, 0, 1440, 900]}], "applications": [{"pid": 7, "statusItems": [{)" +
                                 nestedChildren(3) + "}]}]}",
                             threeLevels))
        << threeLevels;
    std::string error;
    EXPECT_FALSE(desktop::Desktop::fromFile(home() / "missing.json", error));
    EXPECT_NE(error.find("missing.json"), std::string::npos);
}

TEST_F(Scenes, TheDefaultSceneIsALaptopWithARealisticBar) {
    auto& d = loadDefault();
    auto screen = d.primaryScreen();
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->frame, (platform::Rect{0, 0, 1512, 982}));
    EXPECT_TRUE(screen->auxiliaryTopLeftArea && screen->auxiliaryTopRightArea);
    EXPECT_EQ(d.bar().thickness(), 24);
    // Control Center's modules are visible in its preferences, with their positions.
    for (const char* module : {"Clock", "WiFi", "Battery", "AudioVideoModule", "DoNotDisturb", "Bluetooth", "BentoBox"}) {
        auto visible = platform::Preferences::copyAppValue(std::string("NSStatusItem VisibleCC ") + module,
                                                           "com.apple.controlcenter");
        ASSERT_TRUE(visible) << module;
        EXPECT_EQ(visible->asBool(), std::optional<bool>(true)) << module;
        EXPECT_TRUE(platform::Preferences::copyAppValue(std::string("NSStatusItem Preferred Position ") + module,
                                                        "com.apple.controlcenter"))
            << module;
    }
    EXPECT_TRUE(platform::Preferences::copyAppValue("NSStatusItem VisibleCC Item-0", "com.apple.Spotlight"));
    EXPECT_TRUE(platform::Preferences::copyAppValue("ShowDayOfWeek", "com.apple.menuextra.clock"));
    // The cases the engine must cope with are all there.
    EXPECT_EQ(d.bar().itemsOf(d.appNamed("Nimbusnote")->pid).size(), 2u);
    EXPECT_FALSE(d.appNamed("Stillwater")->answersAccessibility);
    EXPECT_NE(d.appNamed("Klarsicht Helper"), nullptr);
    size_t thirdParty = 0;
    for (const auto& a : d.apps()) {
        if (a.bundleIdentifier && a.bundleIdentifier->rfind("com.apple.", 0) != 0 && !a.isSelf) ++thirdParty;
    }
    EXPECT_GE(thirdParty, 10u);
    // The clock is the item at the trailing end.
    EXPECT_EQ(d.bar().trailingToLeading().front()->autosaveName, "Clock");
}

TEST_F(Scenes, ThePositionAnOwnerStoredWinsOverTheScenes) {
    Scene scene = Scene::minimal();
    scene.applications.push_back(appWithItems(600, "Alpha", {30, 30}));  // 100 and 200
    platform::Preferences::setAppValue("NSStatusItem Preferred Position Item-0", platform::PropertyValue(250.0),
                                       "com.example.Alpha");
    auto& d = load(scene);
    EXPECT_LT(d.statusItem("Alpha", "Item-0")->frame().maxX(), d.statusItem("Alpha", "Item-1")->frame().minX() + 0.5);
}

TEST_F(Scenes, TheDumpShowsTheWholeDesktop) {
    auto& d = loadDefault();
    d.clickStatusItem(*d.statusItem("Tallyhoo", ""));
    const std::string dump = d.dump();
    for (const char* expected : {"screens:", "top-right (850, 950, 662 x 32)", "\"Control Center\" \"Clock\"",
                                 "drawn by \"Control Center\"", "not visible (no room)", "window 1",
                                 "opened menu: \"Tallyhoo\"", "accessibility not granted"}) {
        EXPECT_NE(dump.find(expected), std::string::npos) << expected << "\n" << dump;
    }
}

// Names are dumped whole, on their line: a NUL or a newline inside one does not end the dump
// or start a line of its own.
TEST_F(Scenes, TheDumpShowsNamesWithControlCharactersWhole) {
    Scene scene = Scene::minimal();
    desktop::SceneApplication app = appWithItems(600, std::string("Al\0pha", 6), {30});
    app.statusItems[0].autosaveName = std::string("Item\0\nsecond \"half\"", 19);
    scene.applications.push_back(app);
    const std::string dump = load(scene).dump();
    EXPECT_NE(dump.find(R"("Al\u0000pha" "Item\u0000\u000asecond \"half\"")"), std::string::npos) << dump;
    EXPECT_NE(dump.find("accessibility"), std::string::npos) << dump;  // the dump's last section
    EXPECT_EQ(dump.find('\0'), std::string::npos);
}

// A scene is read from a regular file of a sensible size; anything else is refused at once,
// saying why, instead of blocking on a FIFO or reading /dev/zero until memory runs out.
TEST_F(Scenes, ScenesThatAreNotRegularFilesOrAreHugeAreRefused) {
    const auto fifo = home() / "scene.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto huge = home() / "huge.json";
    std::ofstream(huge) << "{}";
    std::filesystem::resize_file(huge, 17 * 1024 * 1024);
    const auto justUnder = home() / "under.json";
    std::ofstream(justUnder) << R"({"screens": [{"frame": [0, 0, 1440, 900]}]})";
    std::filesystem::resize_file(justUnder, 16 * 1024 * 1024);
    const std::vector<std::pair<std::filesystem::path, std::string>> refused = {
        {fifo, "not a regular file"},
        {"/dev/zero", "not a regular file"},
        {home(), "Is a directory"},
        {huge, "larger than 16 MB"},
    };
    for (const auto& [file, why] : refused) {
        std::string error;
        EXPECT_FALSE(Scene::load(file, error)) << file;
        EXPECT_NE(error.find(file.string()), std::string::npos) << error;
        EXPECT_NE(error.find(why), std::string::npos) << error;
    }
    std::string error;
    Scene::load(justUnder, error);
    EXPECT_EQ(error.find("larger than"), std::string::npos) << error;
}

TEST_F(Scenes, TheDumpTellsWhatAHostedWindowSays) {
    struct Greeting : ui::View {
        ui::Node body() override { return ui::VStack({}, {ui::Text("Welcome to Tessivane"), ui::Button("Continue", [] {})}); }
    };
    auto& d = load(Scene::minimal());
    auto window = platform::Window::make(platform::Rect{100, 100, 520, 500}, platform::WindowStyle::titled);
    window->setTitle("Welcome to Tessivane");
    window->setContentView(ui::HostingView::make(std::make_shared<Greeting>()));
    window->orderFrontRegardless();
    const std::string dump = d.dump();
    EXPECT_NE(dump.find("shows: \"Welcome to Tessivane\" \"Continue\""), std::string::npos) << dump;
}

TEST_F(Scenes, LaunchingStartsTheRegisteredApplication) {
    struct Delegate : platform::ApplicationDelegate {
        std::vector<std::string> log;
        void applicationDidFinishLaunching() override { log.push_back("launched"); }
        void applicationDidBecomeActive() override { log.push_back("active"); }
        void applicationWillTerminate() override { log.push_back("terminate"); }
    };
    auto delegate = std::make_shared<Delegate>();
    platform::registerApplicationDelegateFactory([delegate] { return delegate; });
    auto& d = load(Scene::minimal());
    ASSERT_TRUE(d.launchApplication({"tessivane", "-UITesting"}));
    EXPECT_TRUE(platform::ProcessInfo::hasArgument("-UITesting"));
    EXPECT_TRUE(delegate->log.empty());
    advance(0);
    EXPECT_EQ(delegate->log, (std::vector<std::string>{"launched", "active"}));
    EXPECT_EQ(platform::ProcessInfo::processIdentifier(), d.selfPID());
    platform::application().terminate();
    EXPECT_EQ(delegate->log.back(), "terminate");
    platform::registerApplicationDelegateFactory(nullptr);
}

}  // namespace
}  // namespace desktoptest
