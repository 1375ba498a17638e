#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "app/AccessibilityReapprovalGuide.h"
#include "app/ServicesOnDesktop.h"
#include "model/UITestLaunch.h"

namespace tessivane {
namespace {

namespace Guide = AccessibilityReapprovalGuide;

class ReapprovalGuideTest : public apptest::ServicesOnDesktop {
protected:
    std::unique_ptr<apptest::BundleVersion> bundle;

    void runVersion(const std::optional<std::string>& version) {
        bundle.reset();
        bundle = std::make_unique<apptest::BundleVersion>(home() / ("bundle-" + version.value_or("none")), version);
    }
    void set(std::string_view key, const std::string& value) { UITestLaunch::defaults()->set(std::string(key), value); }
    std::optional<std::string> get(std::string_view key) const {
        return UITestLaunch::defaults()->stringForKey(std::string(key));
    }
    void completeOnboarding() { UITestLaunch::defaults()->set(std::string(Guide::hasCompletedOnboardingKey), true); }
};

TEST_F(ReapprovalGuideTest, FreshInstallationRecordsItsVersionAndShowsNothingBeforeOnboarding) {
    runVersion("2.0");
    Guide::noteAppLaunch();
    EXPECT_EQ(get(Guide::firstInstalledVersionKey), "2.0");
    EXPECT_EQ(get(Guide::lastLaunchedVersionKey), "2.0");
    EXPECT_FALSE(get(Guide::pendingReapprovalVersionKey));
    EXPECT_FALSE(Guide::shouldShow(false));

    // Onboarding done but trust never granted on the version first installed: no re-approval.
    completeOnboarding();
    EXPECT_FALSE(Guide::shouldShow(false));
}

TEST_F(ReapprovalGuideTest, TrustLostAfterItWasGrantedShowsTheGuidanceUntilTrustReturns) {
    runVersion("2.0");
    Guide::noteAppLaunch();
    completeOnboarding();
    Guide::markAccessibilityGranted();
    EXPECT_EQ(get(Guide::grantedVersionKey), "2.0");

    EXPECT_TRUE(Guide::shouldShow(false));
    EXPECT_FALSE(Guide::shouldShow(true));
}

TEST_F(ReapprovalGuideTest, OnlyAnUpdateWhileUntrustedMarksTheNewVersionPendingUntilGranted) {
    runVersion("2.0");
    Guide::noteAppLaunch();
    completeOnboarding();
    // Launching the same version again is no update, however often.
    Guide::noteAppLaunch();
    EXPECT_FALSE(get(Guide::pendingReapprovalVersionKey));
    EXPECT_FALSE(Guide::shouldShow(false));

    runVersion("2.1");
    Guide::noteAppLaunch();
    EXPECT_EQ(get(Guide::pendingReapprovalVersionKey), "2.1");
    EXPECT_EQ(get(Guide::lastLaunchedVersionKey), "2.1");
    EXPECT_EQ(get(Guide::firstInstalledVersionKey), "2.0");
    EXPECT_TRUE(Guide::shouldShow(false));

    Guide::markAccessibilityGranted();
    EXPECT_FALSE(get(Guide::pendingReapprovalVersionKey));
    EXPECT_EQ(get(Guide::grantedVersionKey), "2.1");
}

TEST_F(ReapprovalGuideTest, UpdateWhileTrustedOrBeforeOnboardingLeavesNothingPending) {
    runVersion("2.0");
    Guide::noteAppLaunch();
    runVersion("2.1");
    Guide::noteAppLaunch();  // onboarding not complete
    EXPECT_FALSE(get(Guide::pendingReapprovalVersionKey));

    completeOnboarding();
    desktop().setAccessibilityTrusted(true);
    runVersion("2.2");
    Guide::noteAppLaunch();
    EXPECT_FALSE(get(Guide::pendingReapprovalVersionKey));
}

TEST_F(ReapprovalGuideTest, OlderInstallationsRecoverTheirFirstInstalledVersion) {
    runVersion("3.0");
    set(Guide::grantedVersionKey, "2.5");
    set(Guide::lastLaunchedVersionKey, "2.9");
    Guide::noteAppLaunch();
    EXPECT_EQ(get(Guide::firstInstalledVersionKey), "2.5");

    testsupport::resetPlatformForTest();
    set(Guide::lastLaunchedVersionKey, "2.9");
    Guide::noteAppLaunch();
    EXPECT_EQ(get(Guide::firstInstalledVersionKey), "2.9");

    // A last launch of this very version tells nothing about an earlier one.
    testsupport::resetPlatformForTest();
    set(Guide::lastLaunchedVersionKey, "3.0");
    Guide::noteAppLaunch();
    EXPECT_EQ(get(Guide::firstInstalledVersionKey), "3.0");
}

TEST_F(ReapprovalGuideTest, ShowsAfterAnUpdateFromTheFirstInstalledVersion) {
    runVersion("3.0");
    completeOnboarding();
    set(Guide::firstInstalledVersionKey, "2.0");
    EXPECT_TRUE(Guide::shouldShow(false));
    set(Guide::firstInstalledVersionKey, "3.0");
    EXPECT_FALSE(Guide::shouldShow(false));
    // Versions are compared as strings, never ordered: a "downgrade" counts as another copy.
    set(Guide::firstInstalledVersionKey, "3.0.1");
    EXPECT_TRUE(Guide::shouldShow(false));
}

TEST_F(ReapprovalGuideTest, LaunchNoticeShowsOncePerVersion) {
    runVersion("2.1");
    completeOnboarding();
    set(Guide::grantedVersionKey, "2.0");
    EXPECT_TRUE(Guide::shouldShowLaunchNotice(false));

    set(Guide::noticeDismissedForVersionKey, "2.1");
    EXPECT_FALSE(Guide::shouldShowLaunchNotice(false));

    runVersion("2.2");
    EXPECT_TRUE(Guide::shouldShowLaunchNotice(false));
    EXPECT_FALSE(Guide::shouldShowLaunchNotice(true));
}

TEST_F(ReapprovalGuideTest, BundleWithoutShortVersionCountsAsZero) {
    runVersion(std::nullopt);
    EXPECT_EQ(Guide::currentAppVersion(), "0");
    Guide::noteAppLaunch();
    EXPECT_EQ(get(Guide::firstInstalledVersionKey), "0");
    Guide::markAccessibilityGranted();
    EXPECT_EQ(get(Guide::grantedVersionKey), "0");
}

}  // namespace
}  // namespace tessivane
