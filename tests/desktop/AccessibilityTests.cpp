#include <gtest/gtest.h>

#include "DesktopFixture.h"
#include "desktop/DesktopAccessibility.h"
#include "platform/Accessibility.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "platform/StatusBar.h"

namespace desktoptest {
namespace {

using desktop::Scene;
using platform::AXError;
using platform::AXUIElementRef;

class Accessibility : public DesktopTest {
protected:
    platform::Accessibility& ax() { return platform::accessibility(); }

    std::vector<AXUIElementRef> extrasOf(int32_t pid, float timeout = 0) {
        auto app = ax().createApplication(pid);
        if (timeout > 0) ax().setMessagingTimeout(app, timeout);
        auto [error, value] = ax().copyAttributeValue(app, "AXExtrasMenuBar");
        if (error != AXError::success) return {};
        auto extras = std::get<AXUIElementRef>(value);
        auto [e2, kids] = ax().copyAttributeValue(extras, "AXChildren");
        if (e2 != AXError::success) return {};
        return std::get<std::vector<AXUIElementRef>>(kids);
    }
    std::string string(const AXUIElementRef& e, const char* attr) {
        auto [error, value] = ax().copyAttributeValue(e, attr);
        auto* s = std::get_if<std::string>(&value);
        return error == AXError::success && s ? *s : "";
    }
};

TEST_F(Accessibility, NothingAnswersWithoutTrustAndTheHomeKeepsTheChoice) {
    auto& d = loadDefault();
    auto app = ax().createApplication(d.appNamed("Tallyhoo")->pid);
    EXPECT_EQ(ax().copyAttributeValue(app, "AXExtrasMenuBar").first, AXError::apiDisabled);
    EXPECT_FALSE(ax().isProcessTrusted());
    // Asking with the prompt shows the system's dialog once, and answers false for now.
    EXPECT_FALSE(ax().isProcessTrustedWithOptions(true));
    EXPECT_FALSE(ax().isProcessTrustedWithOptions(true));
    EXPECT_TRUE(d.isAccessibilityPromptShown());
    EXPECT_EQ(d.accessibilityPromptCount(), 2);
    d.answerAccessibilityPrompt(true);
    EXPECT_FALSE(d.isAccessibilityPromptShown());
    ASSERT_EQ(d.openedURLs().size(), 1u);
    EXPECT_NE(d.openedURLs()[0].find("Privacy_Accessibility"), std::string::npos);
    // The user switches the application on in System Settings later.
    d.setAccessibilityTrusted(true);
    EXPECT_TRUE(ax().isProcessTrustedWithOptions(false));
    EXPECT_EQ(ax().copyAttributeValue(app, "AXExtrasMenuBar").first, AXError::success);

    // The machine keeps the choice: the next start on this home is trusted, and one switched
    // off stays off, whatever the scene gives a new home.
    EXPECT_TRUE(loadDefault().isAccessibilityTrusted());
    desktop().setAccessibilityTrusted(false);
    Scene trusting = testsupport::defaultScene();
    trusting.accessibilityTrusted = true;
    EXPECT_FALSE(load(trusting).isAccessibilityTrusted());
}

TEST_F(Accessibility, ExtrasCarryTheScenesAttributesAndOpenMenusOnActions) {
    auto& d = loadDefault();
    d.setAccessibilityTrusted(true);
    auto nimbus = extrasOf(d.appNamed("Nimbusnote")->pid);
    ASSERT_EQ(nimbus.size(), 2u);
    EXPECT_EQ(string(nimbus[0], "AXDescription"), "Quick Note");
    EXPECT_EQ(string(nimbus[1], "AXHelp"), "Nimbusnote sync: up to date");
    EXPECT_EQ(string(nimbus[0], "AXRole"), "AXMenuBarItem");
    EXPECT_EQ(ax().copyAttributeValue(nimbus[0], "AXTitle").first, AXError::noValue);

    auto cc = extrasOf(d.controlCenterPID());
    ASSERT_EQ(cc.size(), 7u);
    EXPECT_EQ(string(cc[0], "AXIdentifier"), "com.apple.menuextra.clock");
    auto [aerr, actions] = ax().copyActionNames(cc[0]);
    EXPECT_EQ(actions, std::vector<std::string>{"AXPress"});
    EXPECT_EQ(ax().performAction(cc[0], "AXShowMenu"), AXError::actionUnsupported);
    EXPECT_EQ(ax().performAction(cc[0], "AXPress"), AXError::success);
    ASSERT_TRUE(d.openedMenu());
    EXPECT_EQ(d.openedMenu()->ownerName, "Control Center");

    auto vpn = extrasOf(d.appNamed("Vantage VPN")->pid);
    EXPECT_EQ(ax().performAction(vpn[0], "AXShowMenu"), AXError::success);
    ASSERT_TRUE(d.openedMenu());
    EXPECT_TRUE(d.openedMenu()->isContextMenu);
    EXPECT_EQ(d.openedMenu()->items.front(), "Connection Log");
    // Each opening is on record, as the display lists what happened.
    EXPECT_EQ(d.openedMenus(),
              (std::vector<std::string>{"Control Center: Clock", "Vantage VPN: Vantage VPN (context menu)"}));

    // Titles deeper down: the child and grandchild elements of an item.
    auto lumen = extrasOf(d.appNamed("Lumenbar")->pid);
    auto [e1, kids] = ax().copyAttributeValue(lumen[0], "AXChildren");
    auto child = std::get<std::vector<AXUIElementRef>>(kids).at(0);
    EXPECT_EQ(string(child, "AXDescription"), "button");
    auto [e2, grandkids] = ax().copyAttributeValue(child, "AXChildren");
    EXPECT_EQ(string(std::get<std::vector<AXUIElementRef>>(grandkids).at(0), "AXDescription"), "Lumenbar Brightness");

    // A removed item's element goes invalid.
    d.removeStatusItem(d.statusItem("Nimbusnote", "Item-1")->id);
    EXPECT_EQ(ax().copyAttributeValue(nimbus[1], "AXHelp").first, AXError::invalidUIElement);
}

TEST_F(Accessibility, AnApplicationThatDoesNotAnswerCostsItsTimeOutAndNoMore) {
    auto& d = loadDefault();
    d.setAccessibilityTrusted(true);
    auto& loop = platform::RunLoop::main();
    const int32_t still = d.appNamed("Stillwater")->pid;

    double start = loop.now();
    EXPECT_TRUE(extrasOf(still, 0.12f).empty());
    EXPECT_NEAR(loop.now() - start, 0.12, 1e-6);

    // Without a time-out of its own the element waits the system's six seconds.
    start = loop.now();
    auto app = ax().createApplication(still);
    EXPECT_EQ(ax().copyAttributeValue(app, "AXExtrasMenuBar").first, AXError::cannotComplete);
    EXPECT_NEAR(loop.now() - start, 6.0, 1e-6);

    // Answering applications cost nothing, and a whole pass over every application with the
    // short time-out costs exactly one time-out for the one that does not answer.
    start = loop.now();
    for (const auto& a : d.apps()) (void)extrasOf(a.pid, 0.12f);
    EXPECT_NEAR(loop.now() - start, 0.12, 1e-6);

    // The time-out blocks: timers due in between do not run during it.
    int fired = 0;
    auto timer = loop.scheduledTimer(0.05, false, [&](platform::Timer&) { ++fired; });
    (void)extrasOf(still, 0.12f);
    EXPECT_EQ(fired, 0);
    loop.advance(0);
    EXPECT_EQ(fired, 1);
}

TEST_F(Accessibility, TheSystemWideHitTestFindsTheOwnerOfWhatIsThere) {
    auto& d = loadDefault();
    d.setAccessibilityTrusted(true);
    auto systemWide = ax().createSystemWide();
    const auto* quill = d.statusItem("Quillpad", "");
    platform::Point q = d.toQuartz(d.centerOf(*quill));
    auto [error, element] = ax().copyElementAtPosition(systemWide, static_cast<float>(q.x), static_cast<float>(q.y));
    ASSERT_EQ(error, AXError::success);
    // The window is Control Center's, the element Quillpad's.
    EXPECT_EQ(ax().getPid(element).second, d.appNamed("Quillpad")->pid);
    EXPECT_EQ(string(element, "AXDescription"), "Quillpad");

    // Over the application menus: a wide menu bar item of the frontmost application.
    auto [e2, menu] = ax().copyElementAtPosition(systemWide, 60, 10);
    ASSERT_EQ(e2, AXError::success);
    EXPECT_EQ(string(menu, "AXRole"), "AXMenuBarItem");
    EXPECT_EQ(ax().getPid(menu).second, d.appNamed("Finder")->pid);

    // Over an application that does not answer: the system-wide element's time-out.
    ax().setMessagingTimeout(systemWide, 0.5f);
    const auto* still = d.statusItem("Stillwater", "");
    platform::Point s = d.toQuartz(d.centerOf(*still));
    double start = platform::RunLoop::main().now();
    EXPECT_EQ(ax().copyElementAtPosition(systemWide, static_cast<float>(s.x), static_cast<float>(s.y)).first,
              AXError::cannotComplete);
    EXPECT_NEAR(platform::RunLoop::main().now() - start, 0.5, 1e-6);
    // Under the camera housing there is only the menu bar, not an icon.
    auto [e3, bar] = ax().copyElementAtPosition(systemWide, 756, 10);
    ASSERT_EQ(e3, AXError::success);
    EXPECT_EQ(string(bar, "AXRole"), "AXMenuBar");
}

TEST_F(Accessibility, ThisApplicationsItemsArePressedThroughTheirButton) {
    auto& d = loadDefault();
    d.setAccessibilityTrusted(true);
    auto item = platform::statusBar().statusItem(platform::StatusItem::variableLength);
    item->setAutosaveName("Tessivane.Settings");
    int pressed = 0;
    item->button()->setAction([&] { ++pressed; });
    item->button()->setToolTip("Tessivane");
    auto extras = extrasOf(d.selfPID());
    ASSERT_EQ(extras.size(), 1u);
    EXPECT_EQ(string(extras[0], "AXHelp"), "Tessivane");
    EXPECT_EQ(ax().performAction(extras[0], "AXPress"), AXError::success);
    EXPECT_EQ(pressed, 1);
}

}  // namespace
}  // namespace desktoptest
