#pragma once
#include <memory>

#include "platform/RunLoop.h"
#include "platform/Signal.h"

namespace tessivane {

// The application's view of the Accessibility trust, the event-posting access and the
// launch-at-login registration. Owned by the coordinator, watched by the settings and
// onboarding views. Main thread only.
class PermissionManager : public platform::ObservableObject {
public:
    PermissionManager();
    ~PermissionManager() override;
    PermissionManager(const PermissionManager&) = delete;
    PermissionManager& operator=(const PermissionManager&) = delete;

    // Trusted for Accessibility at the last check.
    platform::Published<bool> isAccessibilityTrusted{*this, false};
    // The same trust, as read first in each refresh.
    platform::Published<bool> isTCCTrusted{*this, false};
    // The main application is registered and enabled as a login item.
    platform::Published<bool> launchAtLoginEnabled{*this, false};

    // Makes sure the process is trusted, showing the system's prompt when it is not; while
    // the user has not answered, the trust is polled once a second.
    void enableAccessibility();
    // Reads the trust and the login-item state again.
    void refresh();
    // Registers or unregisters the main application as a login item; the flag shows the
    // state the system reports afterwards, so a refused registration reads as off.
    void setLaunchAtLogin(bool enabled);

    bool isPollingTrust() const { return trustPollTimer_ != nullptr; }

private:
    void startTrustPolling();
    void stopTrustPolling();
    void noteTrusted();
    void requestPostEventAccessOnce();

    platform::TimerRef trustPollTimer_;
    bool didRequestPostEventAccess_ = false;
    // The poll's ticks look at this to find out whether the manager still exists.
    std::shared_ptr<PermissionManager*> lifetime_;
};

}  // namespace tessivane
