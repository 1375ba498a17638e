#include <gtest/gtest.h>

#include "DesktopFixture.h"
#include "platform/Platform.h"
#include "platform/ProcessInfo.h"
#include "platform/RunLoop.h"
#include "platform/StatusBar.h"
#include "platform/UserDefaults.h"
#include "platform/WindowServer.h"

namespace desktoptest {
namespace {

using desktop::BarItem;
using desktop::Scene;
using platform::Rect;

class StatusBarLayout : public DesktopTest {};

TEST_F(StatusBarLayout, PacksItemsFromTheTrailingEndInOrderOfPreferredPosition) {
    Scene scene = Scene::minimal();
    auto app = appWithItems(600, "Alpha", {30, 50});
    app.statusItems[0].position = 300;  // further from the clock than the second
    app.statusItems[1].position = 100;
    scene.applications.push_back(app);
    scene.applications.push_back(appWithItems(601, "Beta", {40}, 200));
    auto& d = load(scene);

    const BarItem* a0 = d.statusItem("Alpha", "Item-0");
    const BarItem* a1 = d.statusItem("Alpha", "Item-1");
    const BarItem* b0 = d.statusItem("Beta", "Item-0");
    ASSERT_TRUE(a0 && a1 && b0);
    const double edge = 1504;  // 8 pt in from the screen's trailing edge
    EXPECT_EQ(a1->frame(), (Rect{edge - 50, 958, 50, 24}));
    EXPECT_EQ(b0->frame(), (Rect{edge - 90, 958, 40, 24}));
    EXPECT_EQ(a0->frame(), (Rect{edge - 120, 958, 30, 24}));
    // The positions came from, and went to, each owner's defaults.
    auto stored = platform::Preferences::copyAppValue("NSStatusItem Preferred Position Item-0", "com.example.Alpha");
    ASSERT_TRUE(stored && stored->asDouble());
    EXPECT_EQ(*stored->asDouble(), 300);
}

TEST_F(StatusBarLayout, VariableItemsOfThisApplicationAreAsWideAsImageAndTitle) {
    auto& d = load(Scene::minimal());
    auto item = platform::statusBar().statusItem(platform::StatusItem::variableLength);
    auto button = item->button();
    ASSERT_TRUE(button);
    button->setImage(platform::Image::symbol("gearshape", platform::Size{18, 18}));
    // 6 pt either side of the content; 4 pt between the image and a 14 pt title.
    EXPECT_EQ(button->frameInScreenCoordinates().width(), 30);
    button->setTitle("+3");
    EXPECT_EQ(button->frameInScreenCoordinates().width(), 48);
    item->setLength(8);
    EXPECT_EQ(button->frameInScreenCoordinates().width(), 8);
    item->setLength(platform::StatusItem::squareLength);
    EXPECT_EQ(button->frameInScreenCoordinates().width(), d.bar().thickness());
    // The button's window is the item's window in the window server.
    EXPECT_NE(button->windowNumber(), 0u);
    EXPECT_EQ(d.windows().find(button->windowNumber())->frame, button->frameInScreenCoordinates());
}

TEST_F(StatusBarLayout, AutosaveNameReadsTheStoredPositionAndStoresANewOne) {
    platform::UserDefaults::standard().set("NSStatusItem Preferred Position Tessivane.Line", platform::PropertyValue(150.0));
    Scene scene = Scene::minimal();
    scene.applications.push_back(appWithItems(600, "Alpha", {30, 30}, 100));  // positions 100 and 200
    auto& d = load(scene);

    auto line = platform::statusBar().statusItem(8);
    line->setAutosaveName("Tessivane.Line");
    const BarItem* a0 = d.statusItem("Alpha", "Item-0");
    const BarItem* a1 = d.statusItem("Alpha", "Item-1");
    Rect lineFrame = line->button()->frameInScreenCoordinates();
    EXPECT_EQ(lineFrame.maxX(), a0->frame().minX());
    EXPECT_EQ(a1->frame().maxX(), lineFrame.minX());

    // Without a stored position a new item goes past everything and its place is stored.
    auto fresh = platform::statusBar().statusItem(platform::StatusItem::variableLength);
    fresh->setAutosaveName("Tessivane.Settings");
    EXPECT_LT(fresh->button()->frameInScreenCoordinates().maxX(), a1->frame().minX() + 0.5);
    auto stored = platform::UserDefaults::standard().object("NSStatusItem Preferred Position Tessivane.Settings");
    ASSERT_TRUE(stored && stored->asDouble());
    EXPECT_GT(*stored->asDouble(), 200);
}

TEST_F(StatusBarLayout, AWideItemShovesEverythingBeyondItOffTheScreenAndBack) {
    Scene scene = flatScene();
    scene.applications.push_back(appWithItems(600, "Near", {30}, 100));
    scene.applications.push_back(appWithItems(601, "Far", {30, 30}, 400));  // 400, 500
    auto& d = load(scene);
    platform::UserDefaults::standard().set("NSStatusItem Preferred Position Tessivane.Pusher", platform::PropertyValue(300.0));
    auto pusher = platform::statusBar().statusItem(1);
    pusher->setAutosaveName("Tessivane.Pusher");

    const BarItem* near = d.statusItem("Near", "Item-0");
    const BarItem* far0 = d.statusItem("Far", "Item-0");
    const BarItem* far1 = d.statusItem("Far", "Item-1");
    const Rect farBefore = far0->frame();
    EXPECT_TRUE(far0->shown && far1->shown);

    pusher->setLength(2000);
    EXPECT_TRUE(near->shown);
    EXPECT_FALSE(far0->shown);
    EXPECT_FALSE(far0->onScreen);
    EXPECT_FALSE(far1->onScreen);
    EXPECT_LT(far0->frame().maxX(), 0);
    EXPECT_LT(far1->frame().maxX(), far0->frame().minX() + 0.5);
    // Off-screen windows leave the on-screen window list but stay in the full one.
    auto onScreen = platform::windowServer().windowList(platform::WindowListOptions::onScreenOnly, 0);
    auto all = platform::windowServer().windowList(platform::WindowListOptions::all, 0);
    auto has = [](const auto& list, uint32_t n) {
        return std::any_of(list.begin(), list.end(), [&](const auto& w) { return w.number == n; });
    };
    EXPECT_FALSE(has(onScreen, far0->window->number));
    EXPECT_TRUE(has(all, far0->window->number));
    EXPECT_TRUE(has(onScreen, near->window->number));

    pusher->setLength(1);
    EXPECT_TRUE(far0->shown && far1->shown);
    EXPECT_EQ(far0->frame().minX(), farBefore.minX() + 0);  // the 1-point pusher is back where it was
}

TEST_F(StatusBarLayout, TheCameraHousingHidesWhatDoesNotFitBesideIt) {
    Scene scene = Scene::minimal();  // 1512 wide, 662 points right of the housing
    std::initializer_list<double> widths = {200, 200, 200, 100};
    scene.applications.push_back(appWithItems(600, "Wide", widths, 100));
    auto& d = load(scene);
    auto screen = d.primaryScreen();
    ASSERT_TRUE(screen && screen->auxiliaryTopRightArea);
    EXPECT_EQ(screen->auxiliaryTopRightArea->minX(), 850);
    // 8 + 600 points fit into 662; the fourth item would reach under the housing.
    for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(d.statusItem("Wide", "", i)->shown) << i;
    const BarItem* fourth = d.statusItem("Wide", "", 3);
    EXPECT_FALSE(fourth->shown);
    EXPECT_TRUE(fourth->onScreen);  // still a window on the screen: the overflow counts it
    // A click there hits nothing.
    d.click(d.centerOf(*fourth));
    EXPECT_FALSE(d.openedMenu());
    d.setStatusItemWidth(fourth->id, 40);
    EXPECT_TRUE(fourth->shown);
}

TEST_F(StatusBarLayout, TheApplicationMenusHideItemsOnAScreenWithoutHousing) {
    Scene scene = flatScene();
    desktop::SceneApplication front;
    front.pid = 300;
    front.name = "Editor";
    front.activationPolicy = platform::ActivationPolicy::regular;
    front.menus = {"File", "Edit", "View", "Format", "Window", "Help"};
    scene.applications.push_back(front);
    scene.frontmost = "Editor";
    scene.applications.push_back(appWithItems(600, "Wide", {400, 400, 300}, 100));
    auto& d = load(scene);
    Rect menus = d.appMenusFrame();
    ASSERT_GT(menus.width(), 0);
    EXPECT_TRUE(d.statusItem("Wide", "", 0)->shown);
    EXPECT_TRUE(d.statusItem("Wide", "", 1)->shown);
    const BarItem* third = d.statusItem("Wide", "", 2);
    EXPECT_LT(third->frame().minX(), menus.maxX());
    EXPECT_FALSE(third->shown);
    // Without menus in front (this application regular and active, with none of its own)
    // there is room again.
    d.setFrontmostApp(d.selfPID());
    EXPECT_LT(d.appMenusFrame().maxX(), menus.maxX());
}

TEST_F(StatusBarLayout, ARightToLeftBarMirrorsEverything) {
    Scene scene = flatScene();
    desktop::SceneApplication finder;
    finder.pid = 300;
    finder.name = "Finder";
    finder.menus = {"File", "Edit"};
    scene.applications.push_back(finder);
    scene.frontmost = "Finder";
    scene.applications.push_back(appWithItems(600, "Alpha", {30, 50}, 100));
    auto& ltr = load(scene);
    Rect a0 = ltr.statusItem("Alpha", "Item-0")->frame();
    Rect a1 = ltr.statusItem("Alpha", "Item-1")->frame();
    Rect menus = ltr.appMenusFrame();

    scene.preferences.push_back({platform::Preferences::kAnyApplication,
                                 platform::PropertyDictionary{{"AppleLanguages", platform::PropertyArray{"he-IL", "en-US"}}}});
    auto& rtl = load(scene);
    ASSERT_TRUE(rtl.isRightToLeft());
    Rect m0 = rtl.statusItem("Alpha", "Item-0")->frame();
    Rect m1 = rtl.statusItem("Alpha", "Item-1")->frame();
    EXPECT_EQ(m0.minX(), 1440 - a0.maxX());
    EXPECT_EQ(m1.minX(), 1440 - a1.maxX());
    EXPECT_EQ(rtl.appMenusFrame().maxX(), 1440 - menus.minX());

    // The launch arguments override the language; right to left wins when both are given.
    platform::ProcessInfo::setArguments({"tessivane", "-ForceMenuBarLTR"});
    rtl.relayout();
    EXPECT_EQ(rtl.statusItem("Alpha", "Item-0")->frame(), a0);
    platform::ProcessInfo::setArguments({"tessivane", "-ForceMenuBarLTR", "-ForceMenuBarRTL"});
    rtl.relayout();
    EXPECT_EQ(rtl.statusItem("Alpha", "Item-0")->frame(), m0);
}

TEST_F(StatusBarLayout, ChangesOfOneTurnAreLaidOutBeforeAnythingReadsWhereItemsStand) {
    for (const bool rtl : {false, true}) {
        Scene scene = flatScene();
        scene.applications.push_back(appWithItems(600, "Alpha", {30, 50}, 100));  // positions 100 and 200
        if (rtl) {
            scene.preferences.push_back({platform::Preferences::kAnyApplication,
                                         platform::PropertyDictionary{{"AppleLanguages", platform::PropertyArray{"he-IL"}}}});
        }
        auto& d = load(scene);
        const BarItem* alpha0 = d.statusItem("Alpha", "Item-0");
        const BarItem* alpha1 = d.statusItem("Alpha", "Item-1");
        // 40 + 50 + (18 + 12) points packed from 8 points inside the trailing end of 1440.
        const auto expected = [&](double fromTrailing, double width) {
            return rtl ? Rect{8 + fromTrailing, 878, width, 22} : Rect{1432 - fromTrailing - width, 878, width, 22};
        };

        std::shared_ptr<platform::StatusItem> own;
        int clicks = 0;
        Rect ownFrame, alpha1Bounds;
        platform::RunLoop::main().async([&] {
            own = platform::statusBar().statusItem(platform::StatusItem::variableLength);
            own->setAutosaveName("Tessivane.Test");
            own->button()->setImage(platform::Image::symbol("gearshape", platform::Size{18, 18}));
            own->button()->setAction([&] { ++clicks; });
            d.setStatusItemWidth(alpha0->id, 40);
            ownFrame = own->button()->frameInScreenCoordinates();
            alpha1Bounds = platform::windowServer()
                               .windowList(platform::WindowListOptions::includingWindow, alpha1->window->number)
                               .at(0)
                               .bounds;
            d.click(d.centerOf(*d.bar().findByWindow(own->button()->windowNumber())));
        });
        d.advance(0);
        EXPECT_EQ(ownFrame, expected(90, 30)) << rtl;
        EXPECT_EQ(alpha1Bounds, (Rect{expected(40, 50).minX(), 0, 50, 22})) << rtl;
        EXPECT_EQ(clicks, 1) << rtl;
        EXPECT_EQ(alpha0->frame(), expected(0, 40)) << rtl;
    }
}

TEST_F(StatusBarLayout, ANewItemGoesPastTheItemsThatAreLeft) {
    Scene scene = flatScene();
    scene.applications.push_back(appWithItems(600, "Alpha", {30, 30}, 100));  // positions 100 and 200
    auto& d = load(scene);
    const auto storedPosition = [](const std::string& name) {
        auto stored = platform::UserDefaults::standard().object("NSStatusItem Preferred Position " + name);
        return stored && stored->asDouble() ? *stored->asDouble() : -1;
    };
    auto first = platform::statusBar().statusItem(30);
    first->setAutosaveName("Tessivane.First");
    EXPECT_EQ(storedPosition("Tessivane.First"), 220);
    // The leading item leaves: the next goes past the rest, not past where it was.
    platform::statusBar().removeStatusItem(first);
    auto second = platform::statusBar().statusItem(30);
    second->setAutosaveName("Tessivane.Second");
    EXPECT_EQ(storedPosition("Tessivane.Second"), 220);
    // The leading item is dragged next to the clock: the same.
    const BarItem* moved = d.bar().findByWindow(second->button()->windowNumber());
    d.commandDragStatusItem(moved->id, 1439);
    EXPECT_LT(storedPosition("Tessivane.Second"), 100);
    auto third = platform::statusBar().statusItem(30);
    third->setAutosaveName("Tessivane.Third");
    EXPECT_EQ(storedPosition("Tessivane.Third"), 220);
}

TEST_F(StatusBarLayout, CommandDraggingAnItemMovesItAndStoresItsPosition) {
    Scene scene = flatScene();
    scene.applications.push_back(appWithItems(600, "Alpha", {30, 30, 30}, 100));  // 100, 200, 300
    auto& d = load(scene);
    const BarItem* first = d.statusItem("Alpha", "Item-0");
    const BarItem* third = d.statusItem("Alpha", "Item-2");
    const Rect thirdFrame = third->frame();

    // Drag the item nearest the clock past the third one.
    d.drag(d.centerOf(*first), platform::Point{thirdFrame.minX() - 5, thirdFrame.midY()}, platform::Modifier::command);
    EXPECT_FALSE(d.openedMenu());  // the system handles the drag; the item's menu does not open
    EXPECT_LT(first->frame().maxX(), third->frame().minX() + 0.5);
    auto stored = platform::Preferences::copyAppValue("NSStatusItem Preferred Position Item-0", "com.example.Alpha");
    ASSERT_TRUE(stored && stored->asDouble());
    EXPECT_GT(*stored->asDouble(), 300);

    // A plain drag moves nothing.
    const Rect before = first->frame();
    d.drag(d.centerOf(*first), platform::Point{1400, 890});
    EXPECT_EQ(first->frame(), before);
}

TEST_F(StatusBarLayout, ScreensComingAndGoingRelayTheBarOut) {
    Scene scene = flatScene();
    scene.applications.push_back(appWithItems(600, "Alpha", {30}));
    auto& d = load(scene);
    int changes = 0;
    auto sub = platform::screens().parametersDidChange.connect([&] { ++changes; });
    const BarItem* item = d.statusItem("Alpha", "Item-0");
    const desktop::SceneScreen flat = scene.screens[0];

    d.setScreens({});
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(platform::screens().mainScreen());
    EXPECT_FALSE(item->onScreen);
    EXPECT_TRUE(platform::windowServer().windowList(platform::WindowListOptions::onScreenOnly, 0).size() <= 1);

    // A laptop with a housing becomes the screen with the menu bar: 24 points, items beside it.
    desktop::SceneScreen laptop;
    laptop.frame = Rect{0, 0, 1512, 982};
    laptop.cameraHousing = platform::Size{188, 32};
    d.addScreen(laptop);
    EXPECT_EQ(platform::statusBar().thickness(), 24);
    EXPECT_TRUE(item->shown);
    EXPECT_EQ(item->frame().maxY(), 982);
    desktop::SceneScreen external = flat;
    external.frame = Rect{-1440, 0, 1440, 900};
    d.addScreen(external);
    EXPECT_EQ(platform::screens().screens().front().frame, laptop.frame);  // the menu bar screen first
    d.removeScreen(0);
    EXPECT_EQ(platform::statusBar().thickness(), 22);
    EXPECT_EQ(changes, 4);
}

TEST_F(StatusBarLayout, RemovedAndReleasedItemsLeaveTheBar) {
    auto& d = load(Scene::minimal());
    auto item = platform::statusBar().statusItem(30);
    auto button = item->button();
    const uint32_t window = button->windowNumber();
    EXPECT_TRUE(d.windows().find(window));
    platform::statusBar().removeStatusItem(item);
    EXPECT_FALSE(d.windows().find(window));
    EXPECT_FALSE(item->button());

    auto other = platform::statusBar().statusItem(30);
    const uint32_t otherWindow = other->button()->windowNumber();
    other.reset();  // the last reference goes: so does the item
    EXPECT_FALSE(d.windows().find(otherWindow));
    EXPECT_TRUE(d.bar().itemsOf(d.selfPID()).empty());
}

}  // namespace
}  // namespace desktoptest
