#include <gtest/gtest.h>

#include <memory>

#include "app/AccessibilityReapprovalGuide.h"
#include "app/PermissionManager.h"
#include "app/ServicesOnDesktop.h"
#include "model/UITestLaunch.h"
#include "platform/Alert.h"

namespace tessivane {
namespace {

class PermissionManagerTest : public apptest::ServicesOnDesktop {
protected:
    std::optional<std::string> grantedVersion() const {
        return UITestLaunch::defaults()->stringForKey(std::string(AccessibilityReapprovalGuide::grantedVersionKey));
    }
};

TEST_F(PermissionManagerTest, StartsUntrustedAndReadsNothingUntilRefreshed) {
    desktop().setAccessibilityTrusted(true);
    PermissionManager manager;
    manager.setLaunchAtLogin(true);
    PermissionManager fresh;
    EXPECT_FALSE(fresh.isAccessibilityTrusted);
    EXPECT_FALSE(fresh.isTCCTrusted);
    EXPECT_FALSE(fresh.launchAtLoginEnabled);
    EXPECT_FALSE(fresh.isPollingTrust());

    fresh.refresh();
    EXPECT_TRUE(fresh.isAccessibilityTrusted);
    EXPECT_TRUE(fresh.isTCCTrusted);
    EXPECT_TRUE(fresh.launchAtLoginEnabled);
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
    EXPECT_EQ(desktop().postEventAccessRequests(), 0);
}

TEST_F(PermissionManagerTest, TrustGrantedWhilePollingIsNoticedWithinASecond) {
    PermissionManager manager;
    manager.refresh();
    int changes = 0;
    auto sub = manager.objectWillChange.connect([&] { ++changes; });

    desktop().setAccessibilityTrusted(true);
    advance(1.0);

    EXPECT_TRUE(manager.isAccessibilityTrusted);
    EXPECT_TRUE(manager.isTCCTrusted);
    EXPECT_FALSE(manager.isPollingTrust());
    EXPECT_EQ(grantedVersion(), AccessibilityReapprovalGuide::currentAppVersion());
    EXPECT_EQ(desktop().postEventAccessRequests(), 1);
    // Three published assignments and the extra announcement of the change of trust.
    EXPECT_EQ(changes, 4);

    // The event-posting request is made once per process, however often trust is seen.
    manager.refresh();
    manager.enableAccessibility();
    advance(3.0);
    EXPECT_EQ(desktop().postEventAccessRequests(), 1);
}

TEST_F(PermissionManagerTest, TrustPollRunsWhileAModalAlertIsUp) {
    PermissionManager manager;
    manager.refresh();
    bool trustedDuringAlert = false;
    desktop().setAlertHandler([&](desktop::Desktop& d, const platform::Alert&) {
        d.setAccessibilityTrusted(true);
        d.advance(1.0);
        trustedDuringAlert = manager.isAccessibilityTrusted;
        d.answerAlert("OK");
    });
    platform::Alert alert;
    alert.messageText = "Busy";
    alert.addButton("OK");
    EXPECT_EQ(alert.runModal(), platform::Modal::alertFirstButtonReturn);
    EXPECT_TRUE(trustedDuringAlert);
}

TEST_F(PermissionManagerTest, EnableWhenAlreadyTrustedNeitherPromptsNorRequestsEventAccess) {
    desktop().setAccessibilityTrusted(true);
    PermissionManager manager;
    manager.enableAccessibility();
    EXPECT_TRUE(manager.isAccessibilityTrusted);
    EXPECT_EQ(desktop().accessibilityPromptCount(), 0);
    EXPECT_EQ(desktop().postEventAccessRequests(), 0);
    EXPECT_EQ(grantedVersion(), AccessibilityReapprovalGuide::currentAppVersion());
}

TEST_F(PermissionManagerTest, EnablePromptsAndPollsUntilTheUserGrantsTrust) {
    auto scene = desktop::Scene::minimal();
    scene.grantAccessibilityOnPrompt = true;  // the user switches it on 2 s after the prompt
    load(scene);

    PermissionManager manager;
    manager.enableAccessibility();
    EXPECT_EQ(desktop().accessibilityPromptCount(), 1);
    EXPECT_TRUE(desktop().isAccessibilityPromptShown());
    EXPECT_FALSE(manager.isAccessibilityTrusted);
    EXPECT_TRUE(manager.isPollingTrust());
    EXPECT_FALSE(grantedVersion());

    advance(1.9);
    EXPECT_FALSE(manager.isAccessibilityTrusted);
    advance(1.0);
    EXPECT_TRUE(manager.isAccessibilityTrusted);
    EXPECT_FALSE(manager.isPollingTrust());
    EXPECT_EQ(desktop().postEventAccessRequests(), 1);
    EXPECT_EQ(desktop().accessibilityPromptCount(), 1);
    EXPECT_EQ(grantedVersion(), AccessibilityReapprovalGuide::currentAppVersion());
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
    desktop().setAccessibilityTrusted(true);
    advance(3.0);
    EXPECT_EQ(desktop().postEventAccessRequests(), 0);
}

TEST_F(PermissionManagerTest, LaunchAtLoginFollowsTheSystemsStatus) {
    PermissionManager manager;
    desktop().setLoginItemsAllowed(false);
    manager.setLaunchAtLogin(true);
    EXPECT_FALSE(manager.launchAtLoginEnabled);

    desktop().setLoginItemsAllowed(true);
    manager.setLaunchAtLogin(true);
    EXPECT_TRUE(manager.launchAtLoginEnabled);

    manager.setLaunchAtLogin(false);
    EXPECT_FALSE(manager.launchAtLoginEnabled);
    // Unregistering what is not registered fails; the flag still shows the truth.
    manager.setLaunchAtLogin(false);
    EXPECT_FALSE(manager.launchAtLoginEnabled);

    // Registered but waiting for the user's approval is not on.
    auto scene = desktop::Scene::minimal();
    scene.loginItemsRequireApproval = true;
    load(scene);
    PermissionManager other;
    other.setLaunchAtLogin(true);
    EXPECT_FALSE(other.launchAtLoginEnabled);
}

}  // namespace
}  // namespace tessivane
