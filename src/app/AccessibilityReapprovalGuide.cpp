#include "app/AccessibilityReapprovalGuide.h"

#include <optional>

#include "model/UITestLaunch.h"
#include "platform/Accessibility.h"
#include "platform/Bundle.h"
#include "platform/Platform.h"
#include "platform/UserDefaults.h"

namespace tessivane::AccessibilityReapprovalGuide {

namespace {

// A recorded version is whatever the store reads as a string (a number stored by hand
// reads as its decimal text); anything else counts as absent.
std::optional<std::string> version(const platform::UserDefaults& store, std::string_view key) {
    return store.stringForKey(std::string(key));
}

void setVersion(platform::UserDefaults& store, std::string_view key, const std::string& value) {
    store.set(std::string(key), value);
}

bool hasCompletedOnboarding(const platform::UserDefaults& store) {
    return store.boolForKey(std::string(hasCompletedOnboardingKey));
}

// Installations from before the first-installed record existed: recover it from the
// records they do have, so that an update is still recognised as one.
void migrateVersionTrackingIfNeeded(platform::UserDefaults& store, const std::string& current) {
    if (version(store, firstInstalledVersionKey)) return;
    if (auto granted = version(store, grantedVersionKey)) {
        setVersion(store, firstInstalledVersionKey, *granted);
    } else if (auto last = version(store, lastLaunchedVersionKey); last && *last != current) {
        setVersion(store, firstInstalledVersionKey, *last);
    }
}

}  // namespace

std::string currentAppVersion() { return platform::Bundle::main().shortVersionString(); }

void noteAppLaunch() {
    auto store = UITestLaunch::defaults();
    const auto current = currentAppVersion();
    migrateVersionTrackingIfNeeded(*store, current);
    if (!version(*store, firstInstalledVersionKey)) setVersion(*store, firstInstalledVersionKey, current);

    auto last = version(*store, lastLaunchedVersionKey);
    if (hasCompletedOnboarding(*store) && last && *last != current &&
        !platform::accessibility().isProcessTrusted()) {
        setVersion(*store, pendingReapprovalVersionKey, current);
    }
    setVersion(*store, lastLaunchedVersionKey, current);
}

bool shouldShow(bool isAccessibilityTrusted) {
    if (isAccessibilityTrusted) return false;
    auto store = UITestLaunch::defaults();
    if (!hasCompletedOnboarding(*store)) return false;
    // Trust was seen once and is missing now: the copy changed or the user withdrew it.
    if (version(*store, grantedVersionKey)) return true;
    const auto current = currentAppVersion();
    if (version(*store, pendingReapprovalVersionKey) == current) return true;
    if (auto first = version(*store, firstInstalledVersionKey)) return *first != current;
    return false;
}

bool shouldShowLaunchNotice(bool isAccessibilityTrusted) {
    if (!shouldShow(isAccessibilityTrusted)) return false;
    auto store = UITestLaunch::defaults();
    return version(*store, noticeDismissedForVersionKey) != currentAppVersion();
}

void markAccessibilityGranted() {
    auto store = UITestLaunch::defaults();
    setVersion(*store, grantedVersionKey, currentAppVersion());
    store->removeObject(std::string(pendingReapprovalVersionKey));
}

}  // namespace tessivane::AccessibilityReapprovalGuide
