#pragma once
#include <string>
#include <string_view>

namespace tessivane {

// The system ties Accessibility trust to one signed copy of the application, so after an
// update the user may have to grant it again while the old switch still looks on. These
// rules keep a few version records in the system's own store and decide from them when
// to show the re-approval guidance. Versions are compared for equality only, never ordered.
namespace AccessibilityReapprovalGuide {

inline constexpr std::string_view firstInstalledVersionKey = "Tessivane.FirstInstalledAppVersion";
inline constexpr std::string_view lastLaunchedVersionKey = "Tessivane.LastLaunchedAppVersion";
inline constexpr std::string_view grantedVersionKey = "Tessivane.AccessibilityGrantedAppVersion";
inline constexpr std::string_view pendingReapprovalVersionKey = "Tessivane.PendingAccessibilityReapprovalVersion";
inline constexpr std::string_view noticeDismissedForVersionKey = "Tessivane.ReapprovalNoticeDismissedForVersion";
inline constexpr std::string_view hasCompletedOnboardingKey = "Tessivane.HasCompletedOnboarding";

// The bundle's short version string, "0" when it has none.
std::string currentAppVersion();
// Records this launch; called once per launch, shortly after start.
void noteAppLaunch();
// Whether the re-approval guidance is due.
bool shouldShow(bool isAccessibilityTrusted);
// Whether the launch alert is due: the guidance is, and the alert was not already shown
// for this version.
bool shouldShowLaunchNotice(bool isAccessibilityTrusted);
// Records that trust is present under this version.
void markAccessibilityGranted();

}  // namespace AccessibilityReapprovalGuide

}  // namespace tessivane
