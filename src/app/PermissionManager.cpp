#include "app/PermissionManager.h"

#include "app/AccessibilityReapprovalGuide.h"
#include "platform/Accessibility.h"
#include "platform/LoginItems.h"
#include "platform/Platform.h"
#include "platform/SyntheticEvents.h"

namespace tessivane {

namespace {

constexpr double kTrustPollInterval = 1.0;

bool loginItemEnabled() {
    return platform::loginItems().status() == platform::LoginItemStatus::enabled;
}

}  // namespace

PermissionManager::PermissionManager() : lifetime_(std::make_shared<PermissionManager*>(this)) {}

PermissionManager::~PermissionManager() { stopTrustPolling(); }

void PermissionManager::enableAccessibility() {
    auto& ax = platform::accessibility();
    if (ax.isProcessTrusted()) {
        // Already trusted: nothing to ask of the user, and the event-posting request
        // belongs to the moment trust is first obtained.
        isAccessibilityTrusted = true;
        AccessibilityReapprovalGuide::markAccessibilityGranted();
        return;
    }
    if (ax.isProcessTrustedWithOptions(/*prompt=*/true)) {
        isAccessibilityTrusted = true;
        noteTrusted();
    } else {
        startTrustPolling();
    }
}

void PermissionManager::refresh() {
    auto& ax = platform::accessibility();
    isTCCTrusted = ax.isProcessTrusted();
    const bool trusted = ax.isProcessTrusted();
    const bool previous = isAccessibilityTrusted;
    isAccessibilityTrusted = trusted;
    launchAtLoginEnabled = loginItemEnabled();

    if (!trusted) {
        startTrustPolling();
    } else {
        stopTrustPolling();
        noteTrusted();
    }
    if (trusted != previous) objectWillChange.send();
}

void PermissionManager::setLaunchAtLogin(bool enabled) {
    auto& items = platform::loginItems();
    // A refusal is not reported to the user; the status read below tells the truth.
    (void)(enabled ? items.registerMainApp() : items.unregisterMainApp());
    launchAtLoginEnabled = loginItemEnabled();
}

void PermissionManager::startTrustPolling() {
    if (trustPollTimer_) return;
    std::weak_ptr<PermissionManager*> weak = lifetime_;
    // Common modes, so that granting trust is noticed while a menu tracks or an alert runs.
    trustPollTimer_ = platform::RunLoop::main().scheduledTimer(
        kTrustPollInterval, /*repeats=*/true,
        [weak](platform::Timer&) {
            platform::RunLoop::main().async([weak] {
                if (auto self = weak.lock()) (*self)->refresh();
            });
        },
        platform::TimerModes::common);
}

void PermissionManager::stopTrustPolling() {
    if (!trustPollTimer_) return;
    trustPollTimer_->invalidate();
    trustPollTimer_.reset();
}

void PermissionManager::noteTrusted() {
    AccessibilityReapprovalGuide::markAccessibilityGranted();
    requestPostEventAccessOnce();
}

void PermissionManager::requestPostEventAccessOnce() {
    if (didRequestPostEventAccess_) return;
    didRequestPostEventAccess_ = true;
    platform::syntheticEvents().requestPostEventAccess();
}

}  // namespace tessivane
