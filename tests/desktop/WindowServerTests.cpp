#include <gtest/gtest.h>

#include <algorithm>

#include "DesktopFixture.h"
#include "platform/Accessibility.h"
#include "platform/Platform.h"
#include "platform/StatusBar.h"
#include "platform/Window.h"
#include "platform/WindowServer.h"

namespace desktoptest {
namespace {

using desktop::BarItem;
using desktop::Scene;
using platform::Rect;
using platform::WindowInfo;
namespace Opt = platform::WindowListOptions;

class WindowServer : public DesktopTest {};

std::optional<WindowInfo> find(const std::vector<WindowInfo>& list, uint32_t number) {
    for (const auto& w : list) {
        if (w.number == number) return w;
    }
    return std::nullopt;
}

TEST_F(WindowServer, QuartzAndAppKitCoordinatesOfOneWindowAgree) {
    Scene scene = Scene::minimal();
    scene.applications.push_back(appWithItems(600, "Alpha", {30}));
    desktop::SceneScreen side;
    side.frame = Rect{1512, -200, 1920, 1080};  // a second screen to the right, lower
    scene.screens.push_back(side);
    auto& d = load(scene);
    d.setAccessibilityTrusted(true);
    const BarItem* item = d.statusItem("Alpha", "Item-0");
    const Rect appKit = item->frame();

    auto info = find(platform::windowServer().windowList(Opt::includingWindow, item->window->number), item->window->number);
    ASSERT_TRUE(info);
    // Quartz: origin at the top left of the zero screen, y down.
    EXPECT_EQ(info->bounds, (Rect{appKit.minX(), 982 - appKit.maxY(), appKit.width(), appKit.height()}));
    EXPECT_EQ(info->bounds.minY(), 0);
    auto bounds = info->value(platform::WindowKey::bounds);
    ASSERT_TRUE(bounds && bounds->asDictionary());
    EXPECT_EQ(*bounds->asDictionary()->at("Height").asDouble(), 24);

    // Accessibility reports the same place.
    auto& ax = platform::accessibility();
    auto app = ax.createApplication(600);
    auto extras = std::get<platform::AXUIElementRef>(ax.copyAttributeValue(app, "AXExtrasMenuBar").second);
    auto children = std::get<std::vector<platform::AXUIElementRef>>(ax.copyAttributeValue(extras, "AXChildren").second);
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(std::get<platform::Point>(ax.copyAttributeValue(children[0], "AXPosition").second), info->bounds.origin);
    EXPECT_EQ(std::get<platform::Size>(ax.copyAttributeValue(children[0], "AXSize").second), info->bounds.size);

    // A window of this application on the lower screen: both conversions meet again.
    auto window = platform::Window::make(Rect{1600, -100, 400, 300}, platform::WindowStyle::titled);
    window->orderFrontRegardless();
    auto winfo = find(platform::windowServer().windowList(Opt::onScreenOnly, 0), window->windowNumber());
    ASSERT_TRUE(winfo);
    Rect frame = window->frame();
    EXPECT_EQ(winfo->bounds, (Rect{frame.minX(), 982 - frame.maxY(), frame.width(), frame.height()}));
    EXPECT_EQ(d.toQuartz(d.toQuartz(frame)), frame);
}

TEST_F(WindowServer, ListOptionsFilterAsTheWindowServerDoes) {
    auto& d = loadDefault();
    auto all = platform::windowServer().windowList(Opt::all, 0);
    auto onScreen = platform::windowServer().windowList(Opt::onScreenOnly | Opt::excludeDesktopElements, 0);
    auto noDesktop = platform::windowServer().windowList(Opt::excludeDesktopElements, 0);
    EXPECT_GT(all.size(), noDesktop.size());  // the desktop picture is a desktop element
    for (const auto& w : onScreen) EXPECT_TRUE(w.isOnscreen) << w.number;
    // Front to back: status item windows (layer 25) before the menu bar (24) before windows (0).
    ASSERT_GE(onScreen.size(), 3u);
    for (size_t i = 1; i < onScreen.size(); ++i) EXPECT_GE(onScreen[i - 1].layer, onScreen[i].layer);
    // A single window, and none for a number nobody has.
    const BarItem* clock = d.statusItem("Control Center", "Clock");
    auto one = platform::windowServer().windowList(Opt::includingWindow, clock->window->number);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].ownerName, "Control Center");
    EXPECT_EQ(one[0].layer, 25);
    EXPECT_FALSE(one[0].name);  // Control Center's windows are anonymous
    EXPECT_TRUE(platform::windowServer().windowList(Opt::includingWindow, 999999).empty());
    // An icon drawn by Control Center for another application is Control Center's window;
    // one named after its bundle identifier carries that name.
    auto quill = platform::windowServer().windowList(Opt::includingWindow, d.statusItem("Quillpad", "")->window->number);
    EXPECT_EQ(quill[0].ownerName, "Control Center");
    auto lumen = platform::windowServer().windowList(Opt::includingWindow, d.statusItem("Lumenbar", "")->window->number);
    EXPECT_EQ(lumen[0].name, std::optional<std::string>("app.lumenbar.Lumenbar"));
}

TEST_F(WindowServer, PrivateFunctionsAreFoundByNameAndSetTheAlphaOfAnyWindow) {
    Scene scene = Scene::minimal();
    scene.applications.push_back(appWithItems(600, "Alpha", {30, 30}));
    auto& d = load(scene);
    auto& ws = platform::windowServer();
    auto connection = reinterpret_cast<platform::CGSMainConnectionIDFn>(
        ws.lookupFunction(platform::kSkyLightFramework, "CGSMainConnectionID"));
    auto count = reinterpret_cast<platform::CGSGetWindowCountFn>(
        ws.lookupFunction(platform::kSkyLightFramework, "CGSGetWindowCount"));
    auto list = reinterpret_cast<platform::CGSGetProcessMenuBarWindowListFn>(
        ws.lookupFunction(platform::kSkyLightFramework, "CGSGetProcessMenuBarWindowList"));
    auto level = reinterpret_cast<platform::CGSGetWindowLevelFn>(
        ws.lookupFunction(platform::kSkyLightFramework, "CGSGetWindowLevel"));
    auto setAlpha = reinterpret_cast<platform::CGSSetWindowAlphaFn>(
        ws.lookupFunction(platform::kSkyLightFramework, "SLSSetWindowAlpha"));
    auto setListAlpha = reinterpret_cast<platform::CGSSetWindowListAlphaFn>(
        ws.lookupFunction(platform::kCoreGraphicsFramework, "CGSSetWindowListAlpha"));
    ASSERT_TRUE(connection && count && list && level && setAlpha && setListAlpha);
    EXPECT_FALSE(ws.lookupFunction(platform::kCoreGraphicsFramework, "SLSSetWindowAlpha"));
    EXPECT_FALSE(ws.lookupFunction("/usr/lib/libSystem.dylib", "CGSMainConnectionID"));

    const int32_t cid = connection();
    int32_t n = 0;
    ASSERT_EQ(count(cid, 0, &n), 0);
    std::vector<uint32_t> buffer(static_cast<size_t>(n));
    int32_t out = 0;
    ASSERT_EQ(list(cid, 0, n, buffer.data(), &out), 0);
    buffer.resize(static_cast<size_t>(out));
    const BarItem* item = d.statusItem("Alpha", "Item-1");
    EXPECT_NE(std::find(buffer.begin(), buffer.end(), item->window->number), buffer.end());
    int32_t lvl = 0;
    EXPECT_EQ(level(cid, item->window->number, &lvl), 0);
    EXPECT_EQ(lvl, 25);
    bool hasMenuBar = false;
    for (uint32_t w : buffer) {
        level(cid, w, &lvl);
        hasMenuBar = hasMenuBar || lvl == 24;
    }
    EXPECT_TRUE(hasMenuBar);
    EXPECT_NE(count(cid + 1, 0, &n), 0);  // a wrong connection is refused

    // Asked for one process, by its connection, the list holds that process's windows only.
    auto own = platform::statusBar().statusItem(30);
    auto listOf = [&](int32_t target, int32_t& error) {
        std::vector<uint32_t> windows(static_cast<size_t>(n) + 1);
        int32_t written = 0;
        error = list(cid, target, static_cast<int32_t>(windows.size()), windows.data(), &written);
        windows.resize(static_cast<size_t>(std::max(written, 0)));
        return windows;
    };
    int32_t error = 0;
    auto every = listOf(0, error);
    EXPECT_EQ(every.size(), buffer.size() + 1);
    EXPECT_NE(std::find(every.begin(), every.end(), own->button()->windowNumber()), every.end());
    EXPECT_EQ(listOf(cid, error), std::vector<uint32_t>{own->button()->windowNumber()});
    EXPECT_EQ(error, 0);
    EXPECT_TRUE(listOf(cid + 1, error).empty());  // no process has that connection
    EXPECT_NE(error, 0);
    // So is the count: every window for 0, this process's own for its connection.
    int32_t ours = 0;
    ASSERT_EQ(count(cid, cid, &ours), 0);
    int32_t all = 0;
    ASSERT_EQ(count(cid, 0, &all), 0);
    EXPECT_GE(ours, 1);
    EXPECT_LT(ours, all);
    EXPECT_NE(count(cid, cid + 1, &ours), 0);

    EXPECT_EQ(setAlpha(cid, item->window->number, 0), 0);
    EXPECT_EQ(d.windowAlpha(item->window->number), 0);
    // A transparent icon no longer takes clicks.
    d.click(d.centerOf(*item));
    EXPECT_FALSE(d.openedMenu());
    const uint32_t number = item->window->number;
    EXPECT_EQ(setListAlpha(cid, &number, 1, 1.0f, 0), 0);
    EXPECT_EQ(d.windowAlpha(number), 1);
    d.click(d.centerOf(*item));
    EXPECT_TRUE(d.openedMenu());
}

TEST_F(WindowServer, ASceneCanLeaveFunctionsOut) {
    Scene scene = Scene::minimal();
    scene.skyLightFunctions = std::vector<std::string>{"CGSMainConnectionID"};
    scene.coreGraphicsFunctions = std::vector<std::string>{};
    load(scene);
    auto& ws = platform::windowServer();
    EXPECT_TRUE(ws.lookupFunction(platform::kSkyLightFramework, "CGSMainConnectionID"));
    EXPECT_FALSE(ws.lookupFunction(platform::kSkyLightFramework, "CGSSetWindowAlpha"));
    EXPECT_FALSE(ws.lookupFunction(platform::kCoreGraphicsFramework, "CGSMainConnectionID"));
}

}  // namespace
}  // namespace desktoptest
