#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "app/OptInUsageReporter.h"
#include "app/PermissionManager.h"
#include "engine/ActivationService.h"
#include "engine/ExpandingSeparatorService.h"
#include "engine/ExtraWindowHidingService.h"
#include "engine/MenuBarItemDiscovery.h"
#include "engine/MenuBarOverflowMonitor.h"
#include "model/AppAppearancePreference.h"
#include "model/GroupStore.h"
#include "model/IconGroup.h"
#include "model/MenuBarItemID.h"
#include "platform/Geometry.h"
#include "platform/RunLoop.h"
#include "platform/Signal.h"
#include "platform/UUID.h"
#include "statusitems/GroupStatusItemController.h"
#include "statusitems/WeakAnchor.h"

namespace tessivane {

// The coordinator of the whole application: owns every service for the run, keeps one
// status item per visible vossel of the active environment, runs the discovery cycle,
// applies hiding, keeps the overflow count and opens members. The settings and onboarding
// views receive it as their shared environment object. Main thread only.
class AppState : public platform::ObservableObject {
public:
    static constexpr double discoveryInterval = 8.0;
    static constexpr double startRediscoveryDelays[2] = {0.4, 1.2};
    // Opening a member.
    static constexpr double activationDebounce = 0.8;
    static constexpr double hideSuppression = 4.0;
    static constexpr double firstAttemptDelay = 0.2;
    static constexpr double retryDelay = 0.1;
    static constexpr int lastAttempt = 20;
    static constexpr double collapseAfterSuccess = 1.0;
    static constexpr double collapseAfterGivingUp = 0.8;
    // Off-screen vossel status items are recreated at most this many times per run.
    static constexpr int vosselRelayoutBudget = 3;

    // The services, created in this order.
    PermissionManager permissionManager;
    MenuBarItemDiscovery discovery;
    GroupStore groupStore;
    ExpandingSeparatorService hideService;
    ExtraWindowHidingService windowHiding;
    ActivationService activationService{discovery.unansweringApplications()};
    MenuBarOverflowMonitor overflowMonitor;

    // The vossel the settings window is to select; the settings root consumes and clears it.
    platform::Published<std::optional<platform::UUID>> settingsFocusGroupID{*this, std::nullopt};
    platform::Published<int> overflowHiddenCount{*this, 0};
    // The opt-in of the usage report. A change is stored and handed to
    // `onShareSystemInfoChanged`; assigning the same value does neither.
    platform::Published<bool> shareSystemInfoWithDeveloper;

    // Set by the application delegate.
    std::function<void(std::optional<platform::UUID>)> presentSettings;
    std::function<void(int)> onOverflowCountChanged;
    std::function<void()> checkForUpdates;
    std::function<void(bool)> onShareSystemInfoChanged;

    using GroupControllers = std::unordered_map<platform::UUID, std::unique_ptr<GroupStatusItemController>>;

    AppState();
    ~AppState() override;
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    // Once, after launching finished: loads the environments, builds the status items,
    // applies hiding, starts the discovery cycle and collapses the hidden icons.
    void start();
    // Rebuilds the vossels' status items from the store and the last discovery.
    void syncGroupStatusItems();
    // Refreshes the members' identities, hides their windows (unless an opening request
    // asked for a pause), then rebuilds the status items.
    void applyHiding();
    // Recounts the icons lost to the notch and reports the count.
    void refreshOverflow();
    // Asks the delegate to show settings, selecting the vossel when one is given.
    void openSettings(std::optional<platform::UUID> focusGroupID);
    void setAppearance(AppAppearancePreference preference);
    // Launches a new copy of the application, then quits this one.
    void restartApp();
    // Opens a member's real icon (its menu, for a secondary request).
    void performActivation(const MenuBarItemID& itemID, bool secondary);

    // What the usage report counts of the running application.
    OptInUsageReporter::AppFacts usageFacts() const;

    const GroupControllers& groupControllers() const { return groupControllers_; }
    const platform::TimerRef& discoveryTimer() const { return discoveryTimer_; }
    int64_t activationGeneration() const { return activationGeneration_; }
    std::optional<double> lastActivationAt() const { return lastActivationAt_; }
    std::optional<double> hideSuppressedUntil() const { return hideSuppressedUntil_; }
    int vosselRelayoutAttempts() const { return vosselRelayoutAttempts_; }

private:
    using Weak = WeakAnchor<AppState>::Weak;

    void bind();
    void announceChange();
    // The sync a new discovery list asks for, on a later turn: none when a sync has run since
    // the list and the vossels last changed, as after every discovery cycle's hiding.
    void syncIfChangedSinceSync();
    void startDiscoveryLoop();
    // One turn of the discovery cycle: a forced scan, the overflow count, hiding.
    void runDiscoveryCycle();
    // A forced scan published as the current items, then hiding.
    void rediscoverAndApplyHiding();
    std::unique_ptr<GroupStatusItemController> makeGroupController(const IconGroup& vossel,
                                                                   std::shared_ptr<const LiveMenuBarItems> live);
    // The vossels' status items by id, with the frame of each one's window (zero for one
    // without a window), in the same order.
    struct VosselFrames {
        std::vector<platform::UUID> ids;
        std::vector<platform::Rect> frames;
    };
    VosselFrames vosselFrames() const;
    // Tears down the items of vossels that are no longer shown; `shown` pairs each shown
    // vossel with its controller, null where it has none.
    void removeControllersNotIn(const std::vector<platform::UUID>& visibleIDs,
                                const std::vector<std::pair<const IconGroup*, GroupStatusItemController*>>& shown);
    // Puts back vossel items that ended up off the bar or past the chevron, and the chevron
    // when it drifted from the vossels, the chevron first or last. Reads the frames once
    // unless the first check moved something.
    void checkPlacement(bool chevronFirst);
    // True when it put items back.
    bool relayoutVosselsIfOffScreen(const VosselFrames& current);
    void shareSystemInfoDidChange(bool value);

    void attemptPhysicalClick(const MenuBarItemID& itemID, bool secondary, int64_t generation, int attempt,
                              std::optional<uint32_t> pinnedWindowID);
    // The two ways of opening the icon within one attempt; true when it opened.
    bool tryAccessibility(const MenuBarItemID& itemID, bool secondary, std::optional<double> separatorX,
                          bool rtl);
    bool tryWindowClick(const MenuBarItemID& itemID, bool secondary, int attempt,
                        std::optional<uint32_t> pinnedWindowID, std::optional<double> separatorX, bool rtl);
    void collapseHiddenExtras(double after, int64_t generation);

    GroupControllers groupControllers_;
    std::vector<platform::Subscription> cancellables_;
    platform::TimerRef discoveryTimer_;
    int64_t activationGeneration_ = 0;
    std::optional<double> lastActivationAt_;
    std::optional<double> hideSuppressedUntil_;
    bool isRelayoutingVossels_ = false;
    bool placementCheckPending_ = false;
    bool changedSinceSync_ = false;
    int vosselRelayoutAttempts_ = 0;
    bool lastShareSystemInfo_ = false;
    WeakAnchor<AppState> anchor_{this};
};

}  // namespace tessivane
