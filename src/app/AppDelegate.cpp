#include "app/AppDelegate.h"

#include <utility>

#include "app/AccessibilityReapprovalGuide.h"
#include "app/OptInUsageReporter.h"
#include "model/TessivaneLinks.h"
#include "model/UITestLaunch.h"
#include "model/UserPreferences.h"
#include "platform/Alert.h"
#include "platform/Menu.h"
#include "platform/Platform.h"
#include "platform/PreferenceDomain.h"
#include "platform/RunLoop.h"
#include "platform/StatusBar.h"
#include "platform/UserDefaults.h"
#include "platform/Window.h"
#include "platform/Workspace.h"

namespace tessivane {

namespace {

bool isTestMode() { return UITestLaunch::isEnabled(); }

bool hasCompletedOnboarding() {
    return UITestLaunch::defaults()->boolForKey(std::string(AccessibilityReapprovalGuide::hasCompletedOnboardingKey));
}

const std::string& shareSystemInfoKey() {
    static const std::string key(OptInUsageReporter::shareSystemInfoKey);
    return key;
}

// Runs `step` on the delegate if it still exists.
template <class F>
auto ifAlive(std::weak_ptr<AppDelegate> weak, F step) {
    return [weak = std::move(weak), step](auto&&... args) {
        if (auto self = weak.lock()) step(*self, std::forward<decltype(args)>(args)...);
    };
}

}  // namespace

AppDelegate::AppDelegate() = default;
AppDelegate::~AppDelegate() = default;

platform::StandardUpdaterController& AppDelegate::updaterController() {
    if (!updaterController_) {
        updaterController_ = platform::updaterFramework().makeStandardUpdaterController(
            !isTestMode(), std::weak_ptr<platform::UpdaterDelegate>(weak_from_this()));
    }
    return *updaterController_;
}

// ---- Launch ----

void AppDelegate::applicationDidFinishLaunching() {
    // Launching stores values in many steps (marks, the environments as read, every item's
    // position), each a write of the whole file; the files are written once, at the end.
    // Nothing in here waits for the user.
    const platform::PreferenceDomain::WriteBatch batch;
    platform::Application& app = platform::application();
    if (isTestMode()) {
        UITestLaunch::prepareIsolatedStore();
        UITestLaunch::defaults()->set(std::string(AccessibilityReapprovalGuide::hasCompletedOnboardingKey), true);
        app.setActivationPolicy(platform::ActivationPolicy::regular);
    } else {
        app.setActivationPolicy(platform::ActivationPolicy::accessory);
    }

    const WeakSelf weak = weak_from_this();
    appState.presentSettings = ifAlive(weak, [](AppDelegate& self, std::optional<platform::UUID> id) {
        self.openSettings(id);
    });
    appState.onOverflowCountChanged = ifAlive(weak, [](AppDelegate& self, int count) {
        self.updateOverflowBadge(count);
    });
    appState.checkForUpdates = ifAlive(weak, [](AppDelegate& self) { self.updaterController().checkForUpdates(); });
    appState.onShareSystemInfoChanged = ifAlive(weak, [](AppDelegate& self, bool value) {
        self.updaterController().updater().setSendsSystemProfile(value);
        if (value) self.sendUsageReport(true);
    });

    migrateShareSystemInfoPreferenceIfNeeded();
    updaterController().updater().setSendsSystemProfile(UITestLaunch::defaults()->boolForKey(shareSystemInfoKey()));
    UserPreferences::appearance().apply();
    installKeyEquivalentMenu();
    installSettingsStatusItem();

    appState.start();
    if (isTestMode()) settingsWindow.show(appState, std::nullopt);

    didBecomeActiveObserver_ = app.didBecomeActive.connect(
        ifAlive(weak, [](AppDelegate& self) { self.applicationDidBecomeActiveObserved(); }));
    platform::RunLoop::main().asyncAfter(firstFollowUpDelay,
                                         ifAlive(weak, [](AppDelegate& self) { self.runFirstFollowUp(); }));
    platform::RunLoop::main().asyncAfter(secondFollowUpDelay,
                                         ifAlive(weak, [](AppDelegate& self) { self.runSecondFollowUp(); }));
}

void AppDelegate::migrateShareSystemInfoPreferenceIfNeeded() {
    auto defaults = UITestLaunch::defaults();
    if (defaults->boolForKey(shareSystemInfoMigratedKey)) return;
    // An opt-in stored before this flag existed was never asked for in the current form.
    defaults->set(shareSystemInfoKey(), false);
    defaults->set(shareSystemInfoMigratedKey, true);
    appState.shareSystemInfoWithDeveloper = false;
}

void AppDelegate::installKeyEquivalentMenu() {
    const WeakSelf weak = weak_from_this();
    auto submenu = std::make_shared<platform::Menu>();
    submenu->addItem("Settings\u2026", ifAlive(weak, [](AppDelegate& self) { self.openSettings(); }), ",");
    submenu->addItem("Quit Tessivane", ifAlive(weak, [](AppDelegate& self) { self.quit(); }), "q");
    auto item = std::make_shared<platform::MenuItem>();
    item->submenu = std::move(submenu);
    auto menu = std::make_shared<platform::Menu>();
    menu->addItem(std::move(item));
    menu->addItem(editMenuItem());
    platform::application().setMainMenu(std::move(menu));
}

// The name fields edit through these: a Mac sends Command-A, -C, -V, -X and -Z to a field
// only as an Edit menu command, so without this menu the fields would have none.
std::shared_ptr<platform::MenuItem> AppDelegate::editMenuItem() {
    using platform::MenuItem;
    using platform::ResponderAction;
    auto edit = std::make_shared<platform::Menu>("Edit");
    edit->addItem(MenuItem::sending("Undo", ResponderAction::undo, "z"));
    edit->addItem(MenuItem::sending("Redo", ResponderAction::redo, "Z"));
    edit->addSeparator();
    edit->addItem(MenuItem::sending("Cut", ResponderAction::cut, "x"));
    edit->addItem(MenuItem::sending("Copy", ResponderAction::copy, "c"));
    edit->addItem(MenuItem::sending("Paste", ResponderAction::paste, "v"));
    edit->addItem(MenuItem::sending("Select All", ResponderAction::selectAll, "a"));
    auto item = std::make_shared<MenuItem>("Edit", nullptr);
    item->submenu = std::move(edit);
    return item;
}

void AppDelegate::installSettingsStatusItem() {
    const WeakSelf weak = weak_from_this();
    AppMenuController::Callbacks callbacks;
    callbacks.onSettings = ifAlive(weak, [](AppDelegate& self) { self.settingsWindow.show(self.appState, std::nullopt); });
    callbacks.onWelcomeTour = ifAlive(weak, [](AppDelegate& self) { self.onboardingWindow.show(self.appState); });
    callbacks.onCheckForUpdates = ifAlive(weak, [](AppDelegate& self) { self.updaterController().checkForUpdates(); });
    callbacks.onWebsite = ifAlive(weak, [](AppDelegate& self) { self.openLink(TessivaneLinks::website()); });
    callbacks.onSupport = ifAlive(weak, [](AppDelegate& self) { self.openLink(TessivaneLinks::supportMailbox()); });
    callbacks.onTip = ifAlive(weak, [](AppDelegate& self) {
        self.openLink(TessivaneLinks::tip().value_or(TessivaneLinks::website()));
    });
    callbacks.onQuit = ifAlive(weak, [](AppDelegate& self) { self.quit(); });
    appMenuController_ = std::make_unique<AppMenuController>(std::move(callbacks));
}

void AppDelegate::runFirstFollowUp() {
    if (isTestMode()) {
        settingsWindow.show(appState, std::nullopt);
        return;
    }
    showOnboardingIfIncomplete();
    if (hasCompletedOnboarding()) maybeShowAccessibilityReapprovalNotice();
    // After the notice, which is decided on the previous launch's records.
    AccessibilityReapprovalGuide::noteAppLaunch();
}

void AppDelegate::runSecondFollowUp() {
    if (!isTestMode()) sendUsageReport(false);
}

void AppDelegate::maybeShowAccessibilityReapprovalNotice() {
    if (!AccessibilityReapprovalGuide::shouldShowLaunchNotice(appState.permissionManager.isAccessibilityTrusted)) return;
    platform::Alert alert;
    alert.alertStyle = platform::AlertStyle::informational;
    alert.messageText = reapprovalMessage;
    alert.informativeText = reapprovalInformativeText;
    alert.addButton("Enable Accessibility");
    alert.addButton("Later");
    const platform::ModalResponse response = alert.runModal();
    UITestLaunch::defaults()->set(std::string(AccessibilityReapprovalGuide::noticeDismissedForVersionKey),
                                  AccessibilityReapprovalGuide::currentAppVersion());
    if (response == platform::Modal::alertFirstButtonReturn) appState.permissionManager.enableAccessibility();
}

void AppDelegate::applicationDidBecomeActiveObserved() {
    appState.permissionManager.refresh();
    if (appState.permissionManager.isAccessibilityTrusted) {
        appState.discovery.items = appState.discovery.discoverItems(false);
        appState.objectWillChange.send();
    }
    if (!isTestMode()) showOnboardingIfIncomplete();
}

void AppDelegate::showOnboardingIfIncomplete() {
    if (hasCompletedOnboarding()) return;
    const auto& window = onboardingWindow.window();
    if (!window || !window->isVisible()) onboardingWindow.show(appState);
}

// ---- Termination ----

void AppDelegate::applicationWillTerminate() {
    appState.windowHiding.restoreAll();
    appState.hideService.isExpanded = true;
    appState.hideService.ensureItems();
    appState.hideService.updateCollapsedLength();
    appState.hideService.applyLength();
}

// ---- Commands ----

void AppDelegate::openSettings() { settingsWindow.show(appState, std::nullopt); }

void AppDelegate::openSettings(std::optional<platform::UUID> focusGroupID) {
    if (hasCompletedOnboarding()) {
        settingsWindow.show(appState, focusGroupID);
    } else {
        onboardingWindow.show(appState);
    }
}

void AppDelegate::quit() { platform::application().terminate(); }

void AppDelegate::openLink(const std::string& url) const { platform::workspace().open(url); }

void AppDelegate::sendUsageReport(bool force) {
    OptInUsageReporter::sendIfNeeded([this] { return appState.usageFacts(); }, force);
}

void AppDelegate::didFinishUpdateCycle(platform::Updater&, platform::UpdateCheck, const std::optional<std::string>&) {
    sendUsageReport(false);
}

// ---- Overflow badge ----

void AppDelegate::updateOverflowBadge(int count) {
    if (!appMenuController_) return;
    const auto& item = appMenuController_->statusItem();
    if (!item) return;
    auto button = item->button();
    if (!button) return;
    if (count < 1) {
        button->setTitle("");
        button->setToolTip("Tessivane");
    } else {
        button->setTitle("+" + std::to_string(count));
        button->setToolTip(std::to_string(count) + overflowTooltipSuffix);
    }
}

}  // namespace tessivane
