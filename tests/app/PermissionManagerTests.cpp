#include <gtest/gtest.h>

#include <memory>

#include "app/AccessibilityReapprovalGuide.h"
#include "app/FakeSystemServices.h"
#include "app/PermissionManager.h"
#include "model/UITestLaunch.h"
#include "support/TestHome.h"

namespace tessivane {
namespace {

class PermissionManagerTest : public testsupport::TestHome {
protected:
    apptest::FakeSystemServices system;

    std::optional<std::string> grantedVersion() const {
        return UITestLaunch::defaults()->stringForKey(std::string(AccessibilityReapprovalGuide::grantedVersionKey));
    }
};

TEST_F(PermissionManagerTest, StartsUntrustedAndReadsNothingUntilRefreshed) {
    system.accessibility.trusted = true;
    system.loginItems.current = platform::LoginItemStatus::enabled;
    PermissionManager manager;
    EXPECT_FALSE(manager.isAccessibilityTrusted);
    EXPECT_FALSE(manager.isTCCTrusted);
    EXPECT_FALSE(manager.launchAtLoginEnabled);
    EXPECT_FALSE(manager.isPollingTrust());

    manager.refresh();
    EXPECT_TRUE(manager.isAccessibilityTrusted);
    EXPECT_TRUE(manager.isTCCTrusted);
    EXPECT_TRUE(manager.launchAtLoginEnabled);
}

TEST_F(PermissionManagerTest, RepeatedRefreshWhileUntrustedKeepsOnePoll) {
    PermissionManager manager;
    const auto timersBefore = runLoop().validTimerCount();
    manager.refresh();
    manager.refresh();
    manager.refresh();
    EXPECT_TRUE(manager.isPollingTrust());
    EXPECT_EQ(runLoop().validTimerCount(), timersBefore + 1);

    // Ticks keep polling without adding timers while trust stays missing.
    advance(5.0);
    EXPECT_EQ(runLoop().validTimerCount(), timersBefore + 1);
    EXPECT_FALSE(manager.isAccessibilityTrusted);
    EXPECT_EQ(system.syntheticEvents.accessRequests, 0);
}

TEST_F(PermissionManagerTest, TrustGrantedWhilePollingIsNoticedWithinASecond) {
    PermissionManager manager;
    manager.refresh();
    int changes = 0;
    auto sub = manager.objectWillChange.connect([&] { ++changes; });

    system.accessibility.trusted = true;
    advance(1.0);

    EXPECT_TRUE(manager.isAccessibilityTrusted);
    EXPECT_TRUE(manager.isTCCTrusted);
    EXPECT_FALSE(manager.isPollingTrust());
    EXPECT_EQ(grantedVersion(), AccessibilityReapprovalGuide::currentAppVersion());
    EXPECT_EQ(system.syntheticEvents.accessRequests, 1);
    // Three published assignments and the extra announcement of the change of trust.
    EXPECT_EQ(changes, 4);

    // The event-posting request is made once per process, however often trust is seen.
    manager.refresh();
    manager.enableAccessibility();
    advance(3.0);
    EXPECT_EQ(system.syntheticEvents.accessRequests, 1);
}

TEST_F(PermissionManagerTest, EnableWhenAlreadyTrustedNeitherPromptsNorRequestsEventAccess) {
    system.accessibility.trusted = true;
    PermissionManager manager;
    manager.enableAccessibility();
    EXPECT_TRUE(manager.isAccessibilityTrusted);
    EXPECT_EQ(system.accessibility.promptCount, 0);
    EXPECT_EQ(system.syntheticEvents.accessRequests, 0);
    EXPECT_EQ(grantedVersion(), AccessibilityReapprovalGuide::currentAppVersion());
}

TEST_F(PermissionManagerTest, EnablePromptsAndPollsUntilTheUserGrantsTrust) {
    PermissionManager manager;
    manager.enableAccessibility();
    EXPECT_EQ(system.accessibility.promptCount, 1);
    EXPECT_FALSE(manager.isAccessibilityTrusted);
    EXPECT_TRUE(manager.isPollingTrust());
    EXPECT_FALSE(grantedVersion());

    advance(2.0);
    EXPECT_FALSE(manager.isAccessibilityTrusted);
    system.accessibility.trusted = true;
    advance(1.0);
    EXPECT_TRUE(manager.isAccessibilityTrusted);
    EXPECT_FALSE(manager.isPollingTrust());
    EXPECT_EQ(system.syntheticEvents.accessRequests, 1);
}

TEST_F(PermissionManagerTest, PromptThatGrantsAtOnceRequestsEventAccessOnce) {
    system.accessibility.promptAnswer = true;
    PermissionManager manager;
    manager.enableAccessibility();
    EXPECT_TRUE(manager.isAccessibilityTrusted);
    EXPECT_FALSE(manager.isPollingTrust());
    EXPECT_EQ(system.syntheticEvents.accessRequests, 1);
    EXPECT_EQ(grantedVersion(), AccessibilityReapprovalGuide::currentAppVersion());

    manager.refresh();
    EXPECT_EQ(system.syntheticEvents.accessRequests, 1);
}

TEST_F(PermissionManagerTest, DestroyedManagerStopsPolling) {
    const auto timersBefore = runLoop().validTimerCount();
    {
        PermissionManager manager;
        manager.refresh();
        advance(1.0);
        EXPECT_TRUE(manager.isPollingTrust());
    }
    EXPECT_EQ(runLoop().validTimerCount(), timersBefore);
    system.accessibility.trusted = true;
    advance(3.0);
    EXPECT_EQ(system.syntheticEvents.accessRequests, 0);
}

TEST_F(PermissionManagerTest, LaunchAtLoginFollowsTheSystemsStatus) {
    PermissionManager manager;
    system.loginItems.refuseRegistration = true;
    manager.setLaunchAtLogin(true);
    EXPECT_FALSE(manager.launchAtLoginEnabled);

    system.loginItems.refuseRegistration = false;
    manager.setLaunchAtLogin(true);
    EXPECT_TRUE(manager.launchAtLoginEnabled);

    manager.setLaunchAtLogin(false);
    EXPECT_FALSE(manager.launchAtLoginEnabled);

    // Registered but waiting for the user's approval is not on.
    system.loginItems.current = platform::LoginItemStatus::requiresApproval;
    manager.refresh();
    EXPECT_FALSE(manager.launchAtLoginEnabled);
}

}  // namespace
}  // namespace tessivane
