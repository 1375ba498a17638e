// The application's own status item and its menu popover on the simulated desktop.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "StatusItemFixture.h"
#include "StatusItemsTestSupport.h"
#include "platform/Bundle.h"
#include "statusitems/AppMenuController.h"
#include "statusitems/StatusMenuRow.h"
#include "ui/Automation.h"

namespace {

using namespace tessivane;
using namespace statusitems_test;

class AppMenu : public StatusItemTest {
protected:
    std::vector<std::string> ran;

    AppMenuController::Callbacks callbacks() {
        auto note = [this](std::string name) { return [this, name] { ran.push_back(name); }; };
        return {note("settings"), note("tour"), note("updates"), note("website"),
                note("support"),  note("tip"),  note("quit")};
    }
    const desktop::BarItem* item() const { return ownItem("Tessivane.Settings"); }
};

TEST_F(AppMenu, InstallsATemplateIconWithItsName) {
    AppMenuController controller(callbacks());
    ASSERT_NE(item(), nullptr);
    auto button = controller.statusItem()->button();
    ASSERT_TRUE(button->image().has_value());
    EXPECT_TRUE(button->image()->isTemplate());
    EXPECT_EQ(button->image()->size(), (platform::Size{18, 18}));
    EXPECT_EQ(button->toolTip(), "Tessivane");

    // The owner shows the overflow count as the button's title; the item widens for it.
    const double narrow = item()->width;
    button->setTitle("+3");
    desk().relayout();
    EXPECT_EQ(button->title(), "+3");
    EXPECT_GT(item()->width, narrow);
}

TEST_F(AppMenu, WithoutItsArtworkTheItemKeepsItsTooltip) {
    platform::Bundle::setMainResources(home());
    AppMenuController controller(callbacks());
    EXPECT_FALSE(controller.statusItem()->button()->image().has_value());
    EXPECT_EQ(controller.statusItem()->button()->toolTip(), "Tessivane");
}

TEST_F(AppMenu, BeforeOnboardingEveryClickStartsTheWelcomeTour) {
    AppMenuController controller(callbacks());
    desk().clickStatusItem(*item());
    desk().clickStatusItem(*item(), desktop::MouseButton::right);
    EXPECT_EQ(shownPopover(), nullptr);
    EXPECT_TRUE(ran.empty());
    advance(0);
    EXPECT_EQ(ran, (std::vector<std::string>{"tour", "tour"}));
}

TEST_F(AppMenu, ShowsSevenCommandsAndRunsOneAfterClosing) {
    setOnboardingComplete(true);
    AppMenuController controller(callbacks());
    desk().clickStatusItem(*item());
    ASSERT_NE(shownPopover(), nullptr);
    EXPECT_EQ(shownPopoverFrame().width(), 260);
    EXPECT_EQ(viewsOf<StatusMenuRow>(shownPopover()->host().tree()).size(), 7u);

    ASSERT_TRUE(shownPopover()->host().find(ui::byText("Quit Tessivane")).click());
    EXPECT_EQ(shownPopover(), nullptr);
    EXPECT_TRUE(ran.empty());
    advance(0);
    EXPECT_EQ(ran, (std::vector<std::string>{"quit"}));

    // A right click opens it like a left click; there is no context menu.
    advance(1);
    desk().clickStatusItem(*item(), desktop::MouseButton::right);
    EXPECT_NE(shownPopover(), nullptr);
    EXPECT_EQ(desk().ownOpenMenu(), nullptr);
}

TEST_F(AppMenu, AClickWithinTheGuardAfterClosingDoesNotReopen) {
    setOnboardingComplete(true);
    AppMenuController controller(callbacks());
    desk().clickStatusItem(*item());
    ASSERT_NE(shownPopover(), nullptr);
    desk().clickStatusItem(*item());
    EXPECT_EQ(shownPopover(), nullptr);
    desk().clickStatusItem(*item());
    EXPECT_EQ(shownPopover(), nullptr);
    // The guard is 0.35 s from the close: a click just inside it is dropped, one just outside opens.
    advance(0.349);
    desk().clickStatusItem(*item());
    EXPECT_EQ(shownPopover(), nullptr);
    advance(0.002);
    desk().clickStatusItem(*item());
    EXPECT_NE(shownPopover(), nullptr);
    // A click in another application closes it.
    desk().click(platform::Point{300, 300});
    EXPECT_EQ(shownPopover(), nullptr);
}

}  // namespace
