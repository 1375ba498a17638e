#include <gtest/gtest.h>

#include <functional>

#include "DesktopFixture.h"
#include "platform/Application.h"
#include "platform/Menu.h"
#include "platform/Platform.h"
#include "platform/Popover.h"
#include "platform/StatusBar.h"
#include "platform/SyntheticEvents.h"
#include "platform/Window.h"

namespace desktoptest {
namespace {

using desktop::BarItem;
using desktop::MouseButton;
using desktop::Scene;
using platform::Point;
using platform::Rect;

class Input : public DesktopTest {
protected:
    desktop::Desktop& loadWithApps() {
        Scene scene = Scene::minimal();
        auto alpha = appWithItems(600, "Alpha", {30, 30});
        alpha.statusItems[0].menu = {"Open Alpha", "-", "Quit Alpha"};
        alpha.statusItems[0].contextMenu = {"Alpha Settings…"};
        scene.applications.push_back(alpha);
        return load(scene);
    }
};

TEST_F(Input, AClickOnAnotherApplicationsIconOpensItsMenuAndAClickElsewhereClosesIt) {
    auto& d = loadWithApps();
    const BarItem* item = d.statusItem("Alpha", "Item-0");
    d.clickStatusItem(*item);
    ASSERT_TRUE(d.openedMenu());
    EXPECT_EQ(d.openedMenu()->ownerName, "Alpha");
    EXPECT_EQ(d.openedMenu()->items, (std::vector<std::string>{"Open Alpha", "-", "Quit Alpha"}));
    EXPECT_FALSE(d.openedMenu()->isContextMenu);
    // The menu is a window below the icon.
    Rect menu = d.openedMenu()->window->frame;
    EXPECT_EQ(menu.maxY(), item->frame().minY());
    // Its rows can be clicked.
    d.click(Point{menu.midX(), menu.maxY() - 5 - 11});
    EXPECT_FALSE(d.openedMenu());
    EXPECT_EQ(d.chosenMenuItems(), (std::vector<std::string>{"Alpha: Open Alpha"}));

    d.clickStatusItem(*item, MouseButton::right);
    ASSERT_TRUE(d.openedMenu());
    EXPECT_TRUE(d.openedMenu()->isContextMenu);
    EXPECT_EQ(d.openedMenu()->items.front(), "Alpha Settings…");
    d.click(Point{700, 500});
    EXPECT_FALSE(d.openedMenu());
    // A second click on the icon whose menu is open closes it.
    d.clickStatusItem(*item);
    d.clickStatusItem(*item);
    EXPECT_FALSE(d.openedMenu());
    EXPECT_EQ(d.openedMenus(), (std::vector<std::string>{"Alpha: Alpha 0", "Alpha: Alpha 0 (context menu)", "Alpha: Alpha 0"}));
}

TEST_F(Input, ASynthesizedClickGoesThroughTheSameHitTesting) {
    auto& d = loadWithApps();
    const BarItem* item = d.statusItem("Alpha", "Item-1");
    auto& events = platform::syntheticEvents();
    auto post = [&](Point quartz) {
        auto source = events.createSource(platform::CGEventSourceStateID::combinedSessionState);
        for (auto type : {platform::CGEventType::mouseMoved, platform::CGEventType::leftMouseDown,
                          platform::CGEventType::leftMouseUp}) {
            auto e = events.createMouseEvent(source, type, quartz, platform::CGMouseButton::left);
            ASSERT_TRUE(e);
            events.post(platform::CGEventTapLocation::hidEventTap, *e);
        }
    };
    const Point centre = d.toQuartz(d.centerOf(*item));
    // Without the permission the system drops posted events.
    EXPECT_FALSE(events.preflightPostEventAccess());
    post(centre);
    EXPECT_FALSE(d.openedMenu());
    EXPECT_EQ(events.requestPostEventAccess(), false);
    EXPECT_EQ(d.postEventAccessRequests(), 1);

    d.setPostEventAccess(true);
    post(centre);
    ASSERT_TRUE(d.openedMenu());
    EXPECT_EQ(d.openedMenu()->barItem, item->id);
    EXPECT_EQ(d.mouseLocation(), d.centerOf(*item));  // the pointer went there
    // A right click synthesized at the icon opens its context menu (here: the menu).
    d.closeOpenedMenu();
    auto source = events.createSource(platform::CGEventSourceStateID::combinedSessionState);
    events.post(platform::CGEventTapLocation::hidEventTap,
                *events.createMouseEvent(source, platform::CGEventType::rightMouseDown, centre, platform::CGMouseButton::right));
    ASSERT_TRUE(d.openedMenu());
    EXPECT_TRUE(d.openedMenu()->isContextMenu);
}

TEST_F(Input, ButtonsOfThisApplicationSendTheirActionOnTheChosenMouseUps) {
    auto& d = loadWithApps();
    auto item = platform::statusBar().statusItem(30);
    auto button = item->button();
    std::vector<platform::EventType> seen;
    button->setAction([&] { seen.push_back(platform::application().currentEvent()->type); });
    button->sendActionOn(platform::eventMask(platform::EventType::leftMouseUp) |
                         platform::eventMask(platform::EventType::rightMouseUp));
    EXPECT_EQ(button->actionMask(), 20u);
    Rect f = button->frameInScreenCoordinates();
    Point centre{f.midX(), f.midY()};
    d.click(centre);
    d.click(centre, MouseButton::right);
    d.click(centre, MouseButton::left, platform::Modifier::control);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], platform::EventType::leftMouseUp);
    EXPECT_EQ(seen[1], platform::EventType::rightMouseUp);
    // A press that leaves the button before the release sends nothing.
    d.mouseDown(centre);
    d.mouseUp(Point{700, 500});
    EXPECT_EQ(seen.size(), 3u);
    button->setEnabled(false);
    d.click(centre);
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_FALSE(platform::application().currentEvent());
}

TEST_F(Input, MonitorsSeeClicksInsideAndOutsideThisApplication) {
    auto& d = loadWithApps();
    auto item = platform::statusBar().statusItem(30);
    int clicks = 0;
    item->button()->setAction([&] { ++clicks; });
    const platform::EventMask downs = 10;
    std::vector<Point> global, local;
    auto g = platform::events().addGlobalMonitor(downs, [&](const platform::Event& e) { global.push_back(e.locationInScreen); });
    bool swallow = false;
    auto l = platform::events().addLocalMonitor(downs, [&](const platform::Event& e) -> std::optional<platform::Event> {
        local.push_back(e.locationInScreen);
        if (swallow) return std::nullopt;
        return e;
    });
    ASSERT_TRUE(g && l);
    Rect f = item->button()->frameInScreenCoordinates();
    Point own{f.midX(), f.midY()};
    d.clickStatusItem(*d.statusItem("Alpha", "Item-0"));
    d.click(Point{700, 500});
    d.click(own);
    EXPECT_EQ(global.size(), 2u);
    EXPECT_EQ(local.size(), 1u);
    EXPECT_EQ(clicks, 1);
    // A local monitor that swallows the mouse down keeps the button from tracking it.
    swallow = true;
    d.click(own);
    EXPECT_EQ(clicks, 1);
    platform::events().removeMonitor(*g);
    platform::events().removeMonitor(*l);
    d.click(Point{700, 500});
    EXPECT_EQ(global.size(), 2u);
}

TEST_F(Input, TrackingAreasReportThePointerEnteringAndLeaving) {
    auto& d = loadWithApps();
    auto item = platform::statusBar().statusItem(30);
    auto button = item->button();
    auto area = std::make_shared<platform::TrackingArea>();
    area->options = 641;
    std::vector<std::string> log;
    area->onMouseEntered = [&](const platform::Event&) { log.push_back("entered"); };
    area->onMouseExited = [&](const platform::Event&) { log.push_back("exited"); };
    button->addTrackingArea(area);
    Rect f = button->frameInScreenCoordinates();
    d.moveMouse(Point{f.midX(), f.midY()});
    d.moveMouse(Point{f.midX() + 1, f.midY()});
    d.moveMouse(Point{700, 500});
    EXPECT_EQ(log, (std::vector<std::string>{"entered", "exited"}));
    // A removed area reports nothing more.
    button->removeTrackingArea(area);
    d.moveMouse(Point{f.midX(), f.midY()});
    EXPECT_EQ(log.size(), 2u);
    // Added while the pointer is already inside it: no entry, but the exit when it leaves.
    button->addTrackingArea(area);
    d.moveMouse(Point{f.midX() + 1, f.midY()});
    d.moveMouse(Point{700, 500});
    EXPECT_EQ(log, (std::vector<std::string>{"entered", "exited", "exited"}));
    // Removed while the pointer is inside it: leaving reports nothing.
    d.moveMouse(Point{f.midX(), f.midY()});
    button->removeTrackingArea(area);
    d.moveMouse(Point{700, 500});
    EXPECT_EQ(log.size(), 4u);
}

TEST_F(Input, TransientPopoversCloseOnClicksOutsideThem) {
    auto& d = loadWithApps();
    auto item = platform::statusBar().statusItem(30);
    auto content = std::make_shared<platform::View>(Rect{0, 0, 200, 120});
    auto popover = platform::Popover::make();
    popover->setContentView(content);
    popover->setBehavior(platform::PopoverBehavior::transient);
    auto button = item->button();
    popover->show(button->bounds(), *button, platform::RectEdge::minY);
    ASSERT_TRUE(popover->isShown());
    Rect frame = popover->window()->frame();
    EXPECT_EQ(frame.size, (platform::Size{200, 120}));
    EXPECT_LT(frame.maxY(), button->frameInScreenCoordinates().minY());  // below the menu bar
    d.click(Point{frame.midX(), frame.midY()});
    EXPECT_TRUE(popover->isShown());
    d.click(Point{300, 300});
    EXPECT_FALSE(popover->isShown());

    // An application-defined popover stays.
    popover->setBehavior(platform::PopoverBehavior::applicationDefined);
    popover->show(button->bounds(), *button, platform::RectEdge::minY);
    d.click(Point{300, 300});
    EXPECT_TRUE(popover->isShown());
    popover->performClose();
    EXPECT_FALSE(popover->isShown());
}

TEST_F(Input, APopoverFollowsItsStatusItemWhenTheBarMoves) {
    auto& d = loadWithApps();
    auto item = platform::statusBar().statusItem(30);
    item->setAutosaveName("Tessivane.Group.A");
    auto popover = platform::Popover::make();
    popover->setContentView(std::make_shared<platform::View>(Rect{0, 0, 40, 30}));
    auto button = item->button();
    popover->show(button->bounds(), *button, platform::RectEdge::minY);
    const double before = popover->window()->frame().midX();
    EXPECT_NEAR(before, button->frameInScreenCoordinates().midX(), 0.5);
    // A wide icon appears on the clock side: the item, and its popover, move left.
    desktop::SceneStatusItem wide;
    wide.autosaveName = "Wide";
    wide.width = 120;
    wide.position = 1;
    d.addStatusItem(600, wide);
    EXPECT_NEAR(popover->window()->frame().midX(), before - 120, 0.5);
}

// A popover stays within the visible frame (below the bar, above the Dock): with no room on
// its preferred side it opens on the other, and what is taller than the room scrolls.
TEST_F(Input, APopoverStaysWithinTheVisibleFrame) {
    auto& d = loadWithApps();
    const Rect visible = d.mainScreen()->visibleFrame;
    auto window = platform::Window::make(Rect{300, visible.minY() + 20, 400, 60}, platform::WindowStyle::titled);
    auto anchorView = std::make_shared<platform::View>(Rect{0, 0, 400, 60});
    window->setContentView(anchorView);
    window->orderFrontRegardless();
    auto popover = platform::Popover::make();
    popover->setContentView(std::make_shared<platform::View>(Rect{0, 0, 200, 300}));
    popover->show(Rect{0, 0, 400, 20}, *anchorView, platform::RectEdge::minY);
    const Rect anchor = window->convertRectToScreen(anchorView->convertRectToWindow(Rect{0, 0, 400, 20}));
    Rect frame = popover->window()->frame();
    EXPECT_EQ(frame.minY(), anchor.maxY() + 9);  // above (past its 9-point arrow), not into the Dock
    EXPECT_EQ(frame.size, (platform::Size{200, 300}));
    popover->close();

    // From the menu bar, content taller than the screen: cut at the Dock, still hanging from the item.
    auto item = platform::statusBar().statusItem(30);
    auto tall = platform::Popover::make();
    tall->setContentView(std::make_shared<platform::View>(Rect{0, 0, 200, 5000}));
    auto button = item->button();
    tall->show(button->bounds(), *button, platform::RectEdge::minY);
    frame = tall->window()->frame();
    EXPECT_EQ(frame.minY(), visible.minY());
    EXPECT_EQ(frame.maxY(), button->frameInScreenCoordinates().minY() - 9);
}

TEST_F(Input, ClicksElsewhereHandTheMenuBarBack) {
    auto& d = loadWithApps();
    desktop::SceneApplication finder;
    finder.name = "Finder";
    finder.bundleIdentifier = "com.apple.finder";
    finder.menus = {"File"};
    const int32_t finderPID = d.launchApp(finder);
    d.setFrontmostApp(finderPID);
    auto& app = platform::application();
    app.setActivationPolicy(platform::ActivationPolicy::regular);
    app.activate(true);
    EXPECT_EQ(d.frontmostApp(), d.selfPID());
    EXPECT_TRUE(app.isActive());
    // A click on the desktop activates Finder again.
    d.click(Point{700, 400});
    EXPECT_FALSE(app.isActive());
    EXPECT_EQ(d.frontmostApp(), finderPID);
    // In front, its main menu stands in the menu bar; a click on its name opens the submenu.
    auto mainMenu = std::make_shared<platform::Menu>();
    auto appMenu = std::make_shared<platform::Menu>();
    int quit = 0;
    appMenu->addItem("Settings…", [] {}, ",");
    appMenu->addItem("Quit Tessivane", [&] { ++quit; }, "q");
    mainMenu->addItem("", nullptr)->submenu = appMenu;
    app.setMainMenu(mainMenu);
    app.activate(true);
    auto titles = d.appMenuTitles();
    ASSERT_EQ(titles.size(), 2u);
    EXPECT_EQ(titles[1].first, "Tessivane");
    d.click(Point{titles[1].second.midX(), titles[1].second.midY()});
    ASSERT_EQ(d.ownOpenMenu(), appMenu);
    d.chooseOwnMenuItem("Quit Tessivane");
    EXPECT_EQ(quit, 1);
    d.pressKey(12, "q", platform::Modifier::command);  // and by its key equivalent
    EXPECT_EQ(quit, 2);
    // Turning into an agent while in front gives the menu bar back as well.
    app.activate(true);
    app.setActivationPolicy(platform::ActivationPolicy::accessory);
    EXPECT_EQ(d.frontmostApp(), finderPID);
}

// Keys, and the commands a menu sends to the first responder, reach this application's key
// window only while the application is active.
TEST_F(Input, KeysAndResponderActionsGoToTheActiveApplicationsKeyWindow) {
    auto& d = loadWithApps();
    desktop::SceneApplication finder;
    finder.name = "Finder";
    finder.bundleIdentifier = "com.apple.finder";
    d.launchApp(finder);
    struct Responder : platform::View {
        std::vector<std::string> got;
        bool keyDown(const platform::Event& e) override {
            got.push_back(e.characters);
            return true;
        }
        bool tryToPerform(platform::ResponderAction) override {
            got.push_back("paste");
            return true;
        }
        bool validateAction(platform::ResponderAction) const override { return true; }
    };
    auto responder = std::make_shared<Responder>();
    auto window = platform::Window::make(Rect{300, 300, 400, 200}, platform::WindowStyle::titled);
    window->setContentView(responder);
    window->makeKeyAndOrderFront();
    auto& app = platform::application();
    app.setActivationPolicy(platform::ActivationPolicy::regular);
    auto edit = std::make_shared<platform::Menu>("Edit");
    auto paste = edit->addItem(platform::MenuItem::sending("Paste", platform::ResponderAction::paste, "v"));
    auto mainMenu = std::make_shared<platform::Menu>();
    mainMenu->addItem("Edit", nullptr)->submenu = edit;
    app.setMainMenu(mainMenu);
    d.click(Point{window->frame().midX(), window->frame().maxY() - 5});  // the title bar: active and key
    ASSERT_TRUE(app.isActive());
    ASSERT_TRUE(window->isKeyWindow());
    d.advance(0);

    struct Case {
        const char* what;
        std::function<void()> press;
        std::vector<std::string> active, inactive;
    };
    const std::vector<Case> cases = {
        {"a character", [&] { d.pressKey(0, "x"); }, {"x"}, {}},
        {"Return", [&] { d.pressReturn(); }, {"\r"}, {}},
        {"the menu's key equivalent", [&] { d.pressKey(9, "v", platform::Modifier::command); }, {"paste"}, {}},
        {"with Shift, another key", [&] { d.pressKey(9, "V", platform::Modifier::command | platform::Modifier::shift); },
         {"V"}, {}},
        {"the menu item", [&] { EXPECT_EQ(paste->perform(), app.isActive()); }, {"paste"}, {}},
    };
    for (bool active : {true, false}) {
        if (!active) d.click(Point{1100, 500});  // the desktop: Finder comes to the front
        ASSERT_EQ(app.isActive(), active);
        for (const Case& c : cases) {
            responder->got.clear();
            c.press();
            EXPECT_EQ(responder->got, active ? c.active : c.inactive) << c.what << (active ? "" : ", inactive");
        }
    }
    EXPECT_FALSE(paste->isEffectivelyEnabled());
}

TEST_F(Input, ContextMenusOfThisApplicationRunTheChosenAction) {
    auto& d = loadWithApps();
    auto item = platform::statusBar().statusItem(30);
    auto button = item->button();
    auto menu = std::make_shared<platform::Menu>();
    std::vector<std::string> chosen;
    menu->addItem("Settings…", [&] { chosen.push_back("settings"); });
    menu->addSeparator();
    menu->addItem("Delete “Work”…", [&] { chosen.push_back("delete"); });
    EXPECT_TRUE(menu->popUp(nullptr, Point{0, button->bounds().height() + 4}, button.get()));
    ASSERT_EQ(d.ownOpenMenu(), menu);
    // The menu hangs below the button (the button's coordinates run downward).
    EXPECT_LE(d.windows().frontToBack().front()->frame.maxY(), button->frameInScreenCoordinates().minY());
    EXPECT_TRUE(d.chooseOwnMenuItem("Delete “Work”…"));
    EXPECT_EQ(chosen, (std::vector<std::string>{"delete"}));
    EXPECT_FALSE(d.ownOpenMenu());
    menu->popUp(nullptr, Point{0, 0}, button.get());
    d.pressEscape();
    EXPECT_FALSE(d.ownOpenMenu());
    EXPECT_EQ(chosen.size(), 1u);
}

}  // namespace
}  // namespace desktoptest
