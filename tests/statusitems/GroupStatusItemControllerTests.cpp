// A vossel's status item on the simulated desktop: icon, hover and click, the popover and
// its locating checks, choosing a member, the context menu, and one popover at a time.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "StatusItemFixture.h"
#include "StatusItemsTestSupport.h"
#include "desktop/SystemStatusBar.h"
#include "model/CustomGroupIconStore.h"
#include "platform/Menu.h"
#include "platform/Platform.h"
#include "statusitems/AppMenuController.h"
#include "statusitems/GroupStatusItemController.h"
#include "statusitems/MemberRow.h"
#include "statusitems/VosselPopoverCoordinator.h"
#include "support/TestPictures.h"
#include "ui/Automation.h"

namespace {

using namespace tessivane;
using namespace statusitems_test;

class GroupStatusItem : public StatusItemTest {
protected:
    std::vector<MenuBarItemID> selected;
    std::vector<MenuBarItemID> secondarySelected;
    int settingsOpened = 0;
    int hidden = 0;
    int deleted = 0;
    int prepared = 0;

    GroupStatusItemController::Callbacks callbacks() {
        return {
            .onSelect = [this](const MenuBarItemID& id) { selected.push_back(id); },
            .onSecondarySelect = [this](const MenuBarItemID& id) { secondarySelected.push_back(id); },
            .onOpenSettings = [this] { ++settingsOpened; },
            .onHideFromMenuBar = [this] { ++hidden; },
            .onDelete = [this] { ++deleted; },
            .onPrepareOpen = [this] { ++prepared; },
        };
    }
    std::unique_ptr<GroupStatusItemController> make(const IconGroup& group,
                                                     std::vector<DiscoveredMenuBarItem> items = {}) {
        return std::make_unique<GroupStatusItemController>(group, LiveMenuBarItems::make(std::move(items)), callbacks());
    }
    std::vector<std::string> shownRowNames() {
        std::vector<std::string> names;
        if (auto* popover = shownPopover()) {
            for (const auto* row : viewsOf<MemberRow>(popover->host().tree())) names.push_back(texts(*row).back());
        }
        return names;
    }
    platform::Rect ownMenuFrame() {
        for (const desktop::ServerWindow* w : desk().windows().frontToBack()) {
            if (w->kind == desktop::WindowKind::menu && w->ownerPID == desk().selfPID()) return w->frame;
        }
        return {};
    }
};

TEST_F(GroupStatusItem, ShowsItsSymbolTooltipAndDimmingInTheMenuBar) {
    IconGroup group = vossel("Work", {}, "star.fill", "FB7185");
    auto controller = make(group);
    const desktop::BarItem* item = itemOf(group);
    ASSERT_NE(item, nullptr);
    auto button = controller->statusItem()->button();
    ASSERT_TRUE(button->image().has_value());
    EXPECT_FALSE(button->image()->isTemplate());
    EXPECT_EQ(button->image()->tint(), platform::Color::rgb255(0xFB, 0x71, 0x85));
    EXPECT_EQ(button->toolTip(), "Work — empty vossel. Right-click for options.");

    // Without a colour of its own the symbol is a template image; with nothing present it dims.
    group.symbolColorHex = "";
    group.memberIDs = {storedID("Weather")};
    controller->update(group, LiveMenuBarItems::make({}));
    EXPECT_TRUE(button->image()->isTemplate());
    EXPECT_EQ(button->alphaValue(), 0.55);
    EXPECT_EQ(button->toolTip(), "Work — no menu bar apps right now. Right-click for options.");

    controller->update(group, LiveMenuBarItems::make({liveItem("Weather")}));
    EXPECT_EQ(button->alphaValue(), 1.0);
    EXPECT_EQ(button->toolTip(), "Work. Right-click for options.");

    controller->tearDown();
    EXPECT_EQ(itemOf(group), nullptr);
    EXPECT_EQ(controller->statusItem(), nullptr);
    // A later update only keeps the values.
    controller->update(group, LiveMenuBarItems::make({}));
}

TEST_F(GroupStatusItem, ACustomIconTakesOneToFourHeightsOfTheBar) {
    // 18 points high and as wide as its proportions up to four to one, however wide the
    // picture: a PNG of a few kilobytes can hold a million pixels in a row.
    struct Case {
        int width, height;
        double shown;
    };
    for (const Case& c : {Case{1'000'000, 1, 72}, Case{300, 100, 54}, Case{100, 300, 18}}) {
        SCOPED_TRACE(c.width);
        IconGroup group = vossel("Logo");
        const auto file = home() / "logo.png";
        testsupport::writeBlankPNG(file, c.width, c.height);
        group.customIconFilename = CustomGroupIconStore::shared().importImage(file, group.id);
        ASSERT_TRUE(group.customIconFilename);
        auto controller = make(group);
        EXPECT_EQ(controller->statusItem()->button()->image()->size(), (platform::Size{c.shown, 18}));
        EXPECT_EQ(itemOf(group)->width, c.shown + desktop::SystemStatusBar::kButtonPadding);
        controller->tearDown();
    }
}

TEST_F(GroupStatusItem, HoveringOpensAfterADelayAndLeavingClosesIt) {
    IconGroup group = vossel("Work", {storedID("Weather")});
    auto controller = make(group, {liveItem("Weather")});
    const desktop::BarItem* item = itemOf(group);

    hover(item);
    advance(0.34);
    EXPECT_EQ(shownPopover(), nullptr);
    advance(0.02);
    ASSERT_NE(shownPopover(), nullptr);
    EXPECT_EQ(prepared, 1);
    EXPECT_LT(shownPopoverFrame().maxY(), item->frame().minY());

    // An update replaces the hover area under the pointer; leaving still closes the popover.
    const auto areaBefore = controller->statusItem()->button()->trackingAreas();
    controller->update(group, LiveMenuBarItems::make({liveItem("Weather")}));
    EXPECT_NE(controller->statusItem()->button()->trackingAreas(), areaBefore);
    moveAway();
    advance(0.44);
    EXPECT_NE(shownPopover(), nullptr);
    advance(0.02);
    EXPECT_EQ(shownPopover(), nullptr);

    // Moving from the button onto the popover keeps it open.
    advance(1);
    hover(item);
    advance(0.36);
    ASSERT_NE(shownPopover(), nullptr);
    desk().moveMouse(platform::Point{shownPopoverFrame().midX(), shownPopoverFrame().midY()});
    advance(1);
    EXPECT_NE(shownPopover(), nullptr);
    desk().click(platform::Point{300, 300});

    // Leaving before the delay opens nothing, and neither does an update before it: the new
    // area counts the pointer as inside already and reports no fresh entry.
    advance(1);
    hover(item);
    advance(0.2);
    moveAway();
    advance(1);
    EXPECT_EQ(shownPopover(), nullptr);
    hover(item);
    advance(0.2);
    controller->update(group, LiveMenuBarItems::make({liveItem("Weather")}));
    advance(1);
    EXPECT_EQ(shownPopover(), nullptr);
}

TEST_F(GroupStatusItem, WithHoverOffOnlyAClickOpens) {
    setHoverToOpen(false);
    IconGroup group = vossel("Work", {storedID("Weather")});
    auto controller = make(group, {liveItem("Weather")});
    const desktop::BarItem* item = itemOf(group);
    EXPECT_TRUE(controller->statusItem()->button()->trackingAreas().empty());
    hover(item);
    advance(2);
    EXPECT_EQ(shownPopover(), nullptr);

    // Switched on, the next update starts tracking; switched off again, it stops.
    setHoverToOpen(true);
    controller->update(group, LiveMenuBarItems::make({liveItem("Weather")}));
    EXPECT_EQ(controller->statusItem()->button()->trackingAreas().size(), 1u);
    setHoverToOpen(false);
    controller->update(group, LiveMenuBarItems::make({liveItem("Weather")}));
    EXPECT_TRUE(controller->statusItem()->button()->trackingAreas().empty());

    desk().clickStatusItem(*item);
    EXPECT_NE(shownPopover(), nullptr);
}

TEST_F(GroupStatusItem, AClickTogglesButNeverReopensWithinTheGuard) {
    setHoverToOpen(false);
    IconGroup group = vossel("Work");
    auto controller = make(group);
    const desktop::BarItem* item = itemOf(group);

    desk().clickStatusItem(*item);
    ASSERT_NE(shownPopover(), nullptr);
    // The click on the button itself closes it; the dismiss monitor leaves it alone.
    desk().clickStatusItem(*item);
    EXPECT_EQ(shownPopover(), nullptr);
    advance(0.34);
    desk().clickStatusItem(*item);
    EXPECT_EQ(shownPopover(), nullptr);
    advance(0.02);
    desk().clickStatusItem(*item);
    EXPECT_NE(shownPopover(), nullptr);

    // A click anywhere else closes it.
    desk().click(platform::Point{300, 300});
    EXPECT_EQ(shownPopover(), nullptr);
}

TEST_F(GroupStatusItem, ListsPresentMembersInMemberOrderWithDuplicates) {
    setHoverToOpen(false);
    IconGroup group = vossel("Work", {storedID("Zoom"), storedID("Absent"), storedID("Dropbox"),
                                      storedID("", "Zoom Video")});
    std::vector<DiscoveredMenuBarItem> items = {liveItem("Dropbox", "Dropbox"), liveItem("Zoom", "Zoom Video"),
                                                liveItem("Clock", "Control Center")};
    auto controller = make(group, items);
    EXPECT_EQ(controller->members().size(), 3u);

    desk().clickStatusItem(*itemOf(group));
    EXPECT_EQ(shownRowNames(), (std::vector<std::string>{"Zoom", "Dropbox", "Zoom"}));
}

TEST_F(GroupStatusItem, MatchingFollowsThePopoversOwnRules) {
    // A shared bundle identifier is enough outside Control Center.
    EXPECT_TRUE(LiveMenuBarItems::matches(storedID("Old Title", "X", std::string("com.a")),
                                                   liveItem("New", "Y", std::string("com.a"))));
    EXPECT_FALSE(LiveMenuBarItems::matches(storedID("Wi-Fi", "", std::string("com.apple.controlcenter")),
                                                    liveItem("Battery", "Control Center",
                                                             std::string("com.apple.controlcenter"))));
    // Control Center's name is every module's owner and tells none of them apart.
    EXPECT_FALSE(LiveMenuBarItems::matches(storedID("Wi-Fi", "Control Center"),
                                                    liveItem("Clock", "Control Center")));
    EXPECT_TRUE(LiveMenuBarItems::matches(storedID("Wi-Fi", "Control Center"),
                                                   liveItem("Wi-Fi", "Control Center")));
    // Names overlap by a meaningful word.
    EXPECT_TRUE(LiveMenuBarItems::matches(storedID("Weather"), liveItem("Weatherly", "Other")));
    // The program's own icons match by identity string only.
    EXPECT_FALSE(LiveMenuBarItems::matches(storedID("Chevron", "Tessivane"),
                                                    liveItem("Chevron", "Tessivane", std::nullopt, 0, 0, 1)));
    EXPECT_TRUE(LiveMenuBarItems::matches(storedID("Chevron", "Tessivane", std::nullopt, 1),
                                                   liveItem("Chevron", "Tessivane", std::nullopt, 0, 0, 1)));
}

TEST_F(GroupStatusItem, LocatesMembersWithChecksUntilOneAppears) {
    setHoverToOpen(false);
    IconGroup group = vossel("Work", {storedID("Weather")});
    std::unique_ptr<GroupStatusItemController> controller;
    bool appear = false;
    auto cb = callbacks();
    cb.onPrepareOpen = [&] {
        ++prepared;
        controller->update(group, LiveMenuBarItems::make(appear ? std::vector{liveItem("Weather")} : std::vector<DiscoveredMenuBarItem>{}));
    };
    controller = std::make_unique<GroupStatusItemController>(group, LiveMenuBarItems::make({}), cb);

    desk().clickStatusItem(*itemOf(group));
    ASSERT_NE(shownPopover(), nullptr);
    EXPECT_TRUE(controller->isLocatingMembers());
    EXPECT_TRUE(shownPopover()->host().find(ui::byText("Finding menu bar apps…")).exists());
    EXPECT_EQ(prepared, 1);

    advance(0.25);
    EXPECT_EQ(prepared, 2);
    EXPECT_TRUE(shownPopover()->host().find(ui::byText("Finding menu bar apps…")).exists());
    EXPECT_EQ(controller->statusItem()->button()->toolTip(), "Work — finding menu bar apps…");
    EXPECT_EQ(controller->statusItem()->button()->alphaValue(), 1.0);

    appear = true;
    advance(0.45);  // the check at 0.7 s finds it
    EXPECT_EQ(prepared, 3);
    EXPECT_FALSE(controller->isLocatingMembers());
    EXPECT_EQ(controller->statusItem()->button()->alphaValue(), 1.0);
    advance(0);
    EXPECT_EQ(shownRowNames(), (std::vector<std::string>{"Weather"}));

    // The check at 1.4 s was cancelled by the update that found the member.
    advance(1);
    EXPECT_EQ(prepared, 3);
}

TEST_F(GroupStatusItem, GivesUpLocatingAtTheLastCheck) {
    setHoverToOpen(false);
    IconGroup group = vossel("Work", {storedID("Weather")});
    auto controller = make(group);
    desk().clickStatusItem(*itemOf(group));
    advance(1.39);
    EXPECT_TRUE(controller->isLocatingMembers());
    EXPECT_EQ(prepared, 3);
    advance(0.02);
    EXPECT_EQ(prepared, 4);
    EXPECT_FALSE(controller->isLocatingMembers());
    EXPECT_EQ(controller->statusItem()->button()->alphaValue(), 0.55);
    EXPECT_EQ(controller->statusItem()->button()->toolTip(),
              "Work — no menu bar apps right now. Right-click for options.");
    advance(0);
    EXPECT_TRUE(shownPopover()->host().find(ui::byText("No menu bar apps right now")).exists());

    // Closing the popover cancels the checks of that opening.
    desk().clickStatusItem(*itemOf(group));
    advance(1);
    desk().clickStatusItem(*itemOf(group));
    ASSERT_TRUE(controller->isLocatingMembers());
    desk().clickStatusItem(*itemOf(group));
    EXPECT_FALSE(controller->isLocatingMembers());
    advance(2);
    EXPECT_EQ(prepared, 5);
}

TEST_F(GroupStatusItem, AnEmptyVosselOpensStraightIntoItsEmptyState) {
    setHoverToOpen(false);
    IconGroup group = vossel("Home");
    auto controller = make(group);
    desk().clickStatusItem(*itemOf(group));
    EXPECT_FALSE(controller->isLocatingMembers());
    EXPECT_TRUE(shownPopover()->host().find(ui::byText("This vossel is empty")).exists());
    advance(2);
    EXPECT_EQ(prepared, 1);
}

TEST_F(GroupStatusItem, ChoosingARowLogsClosesAndReportsOnTheNextTurn) {
    setHoverToOpen(false);
    IconGroup group = vossel("Work", {storedID("Weather"), storedID("", "Clockwork")});
    auto controller = make(group, {liveItem("Weather", "Weatherly", std::nullopt, 4242, 812),
                                   liveItem("", "Clockwork", std::nullopt, 77, 900)});
    const desktop::BarItem* item = itemOf(group);

    desk().clickStatusItem(*item);
    ASSERT_TRUE(shownPopover()->host().find(ui::byText("Weather")).click());
    EXPECT_EQ(shownPopover(), nullptr);
    EXPECT_TRUE(selected.empty());
    advance(0);
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(selected[0].windowID, 4242u);
    EXPECT_EQ(selected[0].frameMinX, 812);
    EXPECT_NE(clickLog().find(" row left Weather\n"), std::string::npos);

    advance(1);
    desk().clickStatusItem(*item);
    ASSERT_TRUE(shownPopover()->host().find(ui::byText("Clockwork")).rightClick());
    advance(0);
    ASSERT_EQ(secondarySelected.size(), 1u);
    EXPECT_EQ(secondarySelected[0].windowID, 77u);
    // No title: the owner name names it.
    EXPECT_NE(clickLog().find(" row right Clockwork\n"), std::string::npos);
}

TEST_F(GroupStatusItem, AnOpenPopoverIsReplacedOnlyWhenWhatItShowsChanges) {
    setHoverToOpen(false);
    IconGroup group = vossel("Work", {storedID("Weather"), storedID("Radar", "Radarly")});
    auto controller = make(group, {liveItem("Weather")});
    desk().clickStatusItem(*itemOf(group));
    ui::HostingView* first = shownPopover();
    ASSERT_NE(first, nullptr);

    // A new window number is not shown: the same view stays.
    controller->update(group, LiveMenuBarItems::make({liveItem("Weather", "Owner", std::nullopt, 99, 400)}));
    EXPECT_EQ(shownPopover(), first);

    // A member that turns up while the popover is open is listed at once.
    const std::vector<DiscoveredMenuBarItem> both = {liveItem("Weather"), liveItem("Radar", "Radarly")};
    controller->update(group, LiveMenuBarItems::make(both));
    ASSERT_NE(shownPopover(), first);
    EXPECT_EQ(shownRowNames(), (std::vector<std::string>{"Weather", "Radar"}));
    first = shownPopover();
    group.symbolName = "moon.fill";
    controller->update(group, LiveMenuBarItems::make(both));
    ASSERT_NE(shownPopover(), first);
    first = shownPopover();

    group.name = "Office";
    controller->update(group, LiveMenuBarItems::make({liveItem("Weather")}));
    ASSERT_NE(shownPopover(), first);
    EXPECT_TRUE(shownPopover()->host().find(ui::byText("Office")).exists());
}

TEST_F(GroupStatusItem, ContextMenuOffersSettingsHideAndDeleteWithConfirmation) {
    setHoverToOpen(false);
    IconGroup group = vossel("Work");
    auto controller = make(group);
    const desktop::BarItem* item = itemOf(group);

    desk().clickStatusItem(*item);
    ASSERT_NE(shownPopover(), nullptr);
    // A right click shows the menu even while the popover is open, and leaves the popover.
    desk().clickStatusItem(*item, desktop::MouseButton::right);
    ASSERT_NE(desk().ownOpenMenu(), nullptr);
    EXPECT_NE(shownPopover(), nullptr);
    // It hangs 4 points below the button.
    EXPECT_EQ(ownMenuFrame().maxY(), item->frame().minY() - 4);
    std::vector<std::string> titles;
    for (const auto& entry : desk().ownOpenMenu()->items) {
        titles.push_back(entry->isSeparator ? "-" : entry->title);
        EXPECT_TRUE(entry->keyEquivalent.empty());
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Settings…", "Hide from Menu Bar", "-", "Delete “Work”…"}));

    ASSERT_TRUE(desk().chooseOwnMenuItem("Settings…"));
    EXPECT_EQ(shownPopover(), nullptr);
    EXPECT_EQ(settingsOpened, 0);
    advance(0);
    EXPECT_EQ(settingsOpened, 1);

    desk().queueAlertAnswer("Cancel");
    desk().clickStatusItem(*item, desktop::MouseButton::right);
    ASSERT_TRUE(desk().chooseOwnMenuItem("Delete “Work”…"));
    EXPECT_EQ(deleted, 0);
    ASSERT_FALSE(desk().alerts().empty());
    EXPECT_EQ(desk().alerts().back().messageText, "Delete “Work”?");
    EXPECT_EQ(desk().alerts().back().informativeText, "The vossel is removed. Your menu bar apps stay installed.");
    EXPECT_EQ(desk().alerts().back().buttons, (std::vector<std::string>{"Delete", "Cancel"}));

    desk().queueAlertAnswer("Delete");
    desk().clickStatusItem(*item, desktop::MouseButton::right);
    ASSERT_TRUE(desk().chooseOwnMenuItem("Delete “Work”…"));
    EXPECT_EQ(deleted, 1);

    // A Control-click is a secondary click too.
    desk().clickStatusItem(*item, desktop::MouseButton::left, platform::Modifier::control);
    ASSERT_TRUE(desk().chooseOwnMenuItem("Hide from Menu Bar"));
    EXPECT_EQ(hidden, 1);
}

// A name of 1,320 characters: what opens from the item stays within the screen, above the
// Dock, and the delete alert's Cancel takes a click where it is drawn.
TEST_F(GroupStatusItem, ALongNameKeepsThePopoverMenuAndAlertOnTheScreen) {
    setHoverToOpen(false);
    std::string name;
    while (name.size() < 1320) name += "Quarterly ";
    name.resize(1320);
    IconGroup group = vossel(name);
    auto controller = make(group);
    const desktop::BarItem* item = itemOf(group);
    ASSERT_NE(item, nullptr);
    const platform::Screen screen = *desk().mainScreen();
    const platform::Rect visible = screen.visibleFrame;
    ASSERT_GT(visible.minY(), screen.frame.minY());  // the Dock takes the bottom
    auto within = [](const platform::Rect& outer, const platform::Rect& inner) {
        return inner.minX() >= outer.minX() && inner.maxX() <= outer.maxX() && inner.minY() >= outer.minY() &&
               inner.maxY() <= outer.maxY() && !inner.isEmpty();
    };

    desk().clickStatusItem(*item);
    ASSERT_NE(shownPopover(), nullptr);
    const platform::Rect popover = shownPopoverFrame();
    EXPECT_TRUE(within(visible, popover)) << popover.minX() << "," << popover.minY() << " " << popover.width() << "x"
                                          << popover.height();
    // Only the name needed the room: it still hangs from the item.
    EXPECT_EQ(popover.maxY(), item->frame().minY() - 9);  // its arrow between

    desk().clickStatusItem(*item, desktop::MouseButton::right);
    ASSERT_NE(desk().ownOpenMenu(), nullptr);
    const platform::Rect menu = ownMenuFrame();
    EXPECT_LE(menu.width(), screen.frame.width());
    EXPECT_TRUE(within(screen.frame, menu)) << menu.minX() << " " << menu.width();

    std::optional<platform::Rect> alertFrame;
    desk().setAlertHandler([&](desktop::Desktop& d, const platform::Alert& alert) {
        platform::CGWindowID number = 0;
        for (const desktop::ServerWindow* w : d.windows().frontToBack()) {
            if (w->kind != desktop::WindowKind::alert || w->name != alert.messageText) continue;
            alertFrame = w->frame;
            number = w->number;
        }
        ASSERT_TRUE(alertFrame);
        const auto buttons = d.dialogButtonFrames(number);
        ASSERT_EQ(buttons.size(), 2u);
        EXPECT_TRUE(within(visible, buttons[1]));
        d.click(platform::Point{buttons[1].midX(), buttons[1].midY()});  // Cancel, through the pointer
    });
    ASSERT_TRUE(desk().chooseOwnMenuItem("Delete “" + name + "”…"));
    ASSERT_TRUE(alertFrame);
    EXPECT_TRUE(within(visible, *alertFrame)) << alertFrame->minY() << " " << alertFrame->height();
    ASSERT_FALSE(desk().alerts().empty());
    EXPECT_EQ(desk().alerts().back().answer, std::optional<std::string>("Cancel"));
    EXPECT_EQ(deleted, 0);
}

TEST_F(GroupStatusItem, TheOwnerMayDropTheControllerFromItsCallbacks) {
    setHoverToOpen(false);
    IconGroup group = vossel("Work");
    std::unique_ptr<GroupStatusItemController> controller;
    auto cb = callbacks();
    cb.onHideFromMenuBar = [&] { controller.reset(); };
    cb.onDelete = [&] { controller.reset(); };
    controller = std::make_unique<GroupStatusItemController>(group, LiveMenuBarItems::make({}), cb);

    desk().clickStatusItem(*itemOf(group), desktop::MouseButton::right);
    ASSERT_TRUE(desk().chooseOwnMenuItem("Hide from Menu Bar"));
    EXPECT_EQ(controller, nullptr);
    EXPECT_EQ(itemOf(group), nullptr);

    // Dropped while its delete alert is up: the answer is ignored safely.
    controller = std::make_unique<GroupStatusItemController>(group, LiveMenuBarItems::make({}), cb);
    desk().setAlertHandler([&](desktop::Desktop& d, const platform::Alert&) {
        controller.reset();
        d.answerAlert("Delete");
    });
    desk().clickStatusItem(*itemOf(group), desktop::MouseButton::right);
    ASSERT_TRUE(desk().chooseOwnMenuItem("Delete “Work”…"));
    EXPECT_EQ(controller, nullptr);

    // Dropped while a popover row's choice is on its way: nothing is called.
    controller = make(group, {});
    group.memberIDs = {storedID("Weather")};
    controller->update(group, LiveMenuBarItems::make({liveItem("Weather")}));
    desk().clickStatusItem(*itemOf(group));
    ASSERT_TRUE(shownPopover()->host().find(ui::byText("Weather")).click());
    controller.reset();
    advance(1);
    EXPECT_TRUE(selected.empty());
}

TEST_F(GroupStatusItem, OnlyOnePopoverIsOpenAtATime) {
    setHoverToOpen(false);
    setOnboardingComplete(true);
    IconGroup work = vossel("Work");
    IconGroup home = vossel("Home");
    auto first = make(work);
    auto second = make(home);
    int tours = 0;
    AppMenuController appMenu({.onWelcomeTour = [&] { ++tours; }});
    const desktop::BarItem* appItem = ownItem("Tessivane.Settings");
    ASSERT_NE(appItem, nullptr);

    desk().clickStatusItem(*appItem);
    EXPECT_TRUE(appMenu.isPopoverShown());
    desk().clickStatusItem(*itemOf(work));
    EXPECT_FALSE(appMenu.isPopoverShown());
    EXPECT_TRUE(first->isPopoverShown());
    EXPECT_EQ(VosselPopoverCoordinator::current(), first.get());

    desk().clickStatusItem(*itemOf(home));
    EXPECT_FALSE(first->isPopoverShown());
    EXPECT_TRUE(second->isPopoverShown());
    EXPECT_EQ(shownPopoverCount(), 1u);

    advance(1);
    desk().clickStatusItem(*appItem);
    EXPECT_FALSE(second->isPopoverShown());
    EXPECT_TRUE(appMenu.isPopoverShown());
    EXPECT_EQ(VosselPopoverCoordinator::current(), nullptr);
    EXPECT_EQ(shownPopoverCount(), 1u);

    // A controller that goes away is forgotten.
    appMenu.closePopover();
    advance(1);
    desk().clickStatusItem(*itemOf(work));
    first.reset();
    EXPECT_EQ(VosselPopoverCoordinator::current(), nullptr);
    EXPECT_EQ(shownPopoverCount(), 0u);
    EXPECT_EQ(tours, 0);
}

TEST_F(GroupStatusItem, APopoverOpenedByHoveringClosesTheApplicationMenuAndAnotherVossel) {
    setOnboardingComplete(true);
    IconGroup work = vossel("Work");
    auto controller = make(work);
    AppMenuController appMenu({});
    // No click is involved, so no dismiss monitor can stand in for the coordinator.
    appMenu.togglePopover();
    ASSERT_TRUE(appMenu.isPopoverShown());
    hover(itemOf(work));
    advance(0.36);
    EXPECT_TRUE(controller->isPopoverShown());
    EXPECT_FALSE(appMenu.isPopoverShown());

    // Another vossel opening by hover closes this one at once, before leaving it would.
    IconGroup home = vossel("Home");
    auto other = make(home);
    hover(itemOf(home));
    advance(0.36);
    EXPECT_TRUE(other->isPopoverShown());
    EXPECT_FALSE(controller->isPopoverShown());

    advance(1);
    appMenu.togglePopover();
    EXPECT_TRUE(appMenu.isPopoverShown());
    EXPECT_FALSE(controller->isPopoverShown());
}

}  // namespace
