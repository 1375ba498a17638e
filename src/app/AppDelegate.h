#pragma once
#include <memory>
#include <optional>
#include <string>

#include "app/AppState.h"
#include "onboarding/OnboardingWindowController.h"
#include "platform/Application.h"
#include "platform/Menu.h"
#include "platform/Signal.h"
#include "platform/UUID.h"
#include "platform/Updater.h"
#include "settings/SettingsWindowController.h"
#include "statusitems/AppMenuController.h"

namespace tessivane {

// The application delegate: wires everything when launching finishes (activation policy,
// the coordinator's callbacks, the updater, the appearance, the main menu, the
// application's own status item, the start of the coordinator and two follow-ups), reacts
// to the application becoming active, shows the overflow count on its status item, and
// puts hidden icons back when the application terminates. Lives for the whole run.
class AppDelegate final : public platform::ApplicationDelegate,
                          public platform::UpdaterDelegate,
                          public std::enable_shared_from_this<AppDelegate> {
public:
    static constexpr double firstFollowUpDelay = 0.6;
    static constexpr double secondFollowUpDelay = 5.0;
    static constexpr const char* shareSystemInfoMigratedKey = "Tessivane.ShareSystemInfoPreferenceMigrated";
    static constexpr const char* reapprovalMessage = "Re-enable Accessibility after update";
    static constexpr const char* reapprovalInformativeText =
        "macOS ties Accessibility to each signed copy of the app. After an update, an old Tessivane switch may "
        "still look on while this copy is not.\n\nClick Enable Accessibility, then Open System Settings in the "
        "dialog that appears \u2014 that is what adds this copy to the list.";
    static constexpr const char* overflowTooltipSuffix = " menu bar icons may be hidden by the notch or lack of space";

    AppDelegate();
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    AppState appState;
    SettingsWindowController settingsWindow;
    OnboardingWindowController onboardingWindow;

    // Null until launching finished.
    AppMenuController* appMenuController() const { return appMenuController_.get(); }
    // The updater, created on first use (started unless under UI tests).
    platform::StandardUpdaterController& updaterController();
    bool hasUpdaterController() const { return updaterController_ != nullptr; }

    // ---- Application delegate ----
    void applicationDidFinishLaunching() override;
    void applicationWillTerminate() override;
    // Closing the last window never quits.
    bool applicationShouldTerminateAfterLastWindowClosed() override { return false; }

    // ---- Commands ----
    // The main menu's "Settings…": the settings window even before onboarding is complete.
    void openSettings();
    // Every other road into settings: the welcome tour instead while onboarding is incomplete.
    void openSettings(std::optional<platform::UUID> focusGroupID);
    void quit();

    // ---- Updater delegate ----
    std::optional<std::string> feedURLString(platform::Updater&) override { return std::nullopt; }
    void didFinishUpdateCycle(platform::Updater&, platform::UpdateCheck,
                              const std::optional<std::string>& error) override;

    // Shows the count of icons lost to the notch on the application's status item.
    void updateOverflowBadge(int count);

private:
    using WeakSelf = std::weak_ptr<AppDelegate>;

    void migrateShareSystemInfoPreferenceIfNeeded();
    // The main menu: the application's commands (Settings…, Quit) and the Edit menu.
    void installKeyEquivalentMenu();
    static std::shared_ptr<platform::MenuItem> editMenuItem();
    void installSettingsStatusItem();
    void runFirstFollowUp();
    void runSecondFollowUp();
    void maybeShowAccessibilityReapprovalNotice();
    // Observer of the application's did-become-active notification (registered at launch,
    // so activations before launching finished are not seen).
    void applicationDidBecomeActiveObserved();
    void showOnboardingIfIncomplete();
    void sendUsageReport(bool force);
    void openLink(const std::string& url) const;

    std::unique_ptr<AppMenuController> appMenuController_;
    std::shared_ptr<platform::StandardUpdaterController> updaterController_;
    platform::Subscription didBecomeActiveObserver_;
};

}  // namespace tessivane
