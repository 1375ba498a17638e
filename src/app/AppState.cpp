#include "app/AppState.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <unordered_set>
#include <utility>

#include "app/ClickLog.h"
#include "engine/MenuBarGeometry.h"
#include "engine/SystemMenuBarLayout.h"
#include "model/UITestLaunch.h"
#include "model/UserPreferences.h"
#include "platform/Application.h"
#include "platform/Bundle.h"
#include "platform/Platform.h"
#include "platform/PreferenceDomain.h"
#include "platform/Screen.h"
#include "platform/Text.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"

namespace tessivane {

namespace {

using platform::Rect;

platform::RunLoop& mainLoop() { return platform::RunLoop::main(); }

const char* boolText(bool value) { return value ? "true" : "false"; }

// The name a log line gives a member: its title, else its owner, else "?".
std::string logName(const MenuBarItemID& id) {
    if (id.title) return *id.title;
    if (id.ownerName) return *id.ownerName;
    return "?";
}

// A coordinate as the log prints it: the shortest decimal that reads back exactly, always
// with a fractional part ("500.0", "512.5").
std::string decimalText(double value) {
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (ec != std::errc()) return "0.0";
    std::string text(buffer, end);
    if (text.find_first_of(".eni") == std::string::npos) text += ".0";
    return text;
}

std::optional<Rect> mainScreenFrame() {
    if (!platform::services().screens) return std::nullopt;
    if (auto screen = platform::screens().mainScreen()) return screen->frame;
    return std::nullopt;
}

bool storedShareSystemInfo() {
    return UITestLaunch::defaults()->boolForKey(std::string(OptInUsageReporter::shareSystemInfoKey));
}

}  // namespace

AppState::AppState() : shareSystemInfoWithDeveloper(*this, storedShareSystemInfo()) {
    lastShareSystemInfo_ = shareSystemInfoWithDeveloper;
    bind();
}

AppState::~AppState() {
    anchor_.release();
    cancellables_.clear();
    if (discoveryTimer_) discoveryTimer_->invalidate();
}

// ---- Wiring ----

void AppState::bind() {
    const Weak weak = anchor_.weak();
    // Each forwards on a later turn of the main run loop, as a subscription that receives on
    // the main run loop does.
    auto onMain = [weak](void (AppState::*step)()) {
        return [weak, step] {
            mainLoop().async([weak, step] {
                if (auto* self = weak.get()) (self->*step)();
            });
        };
    };
    auto announce = &AppState::announceChange;
    cancellables_.push_back(groupStore.objectWillChange.connect([weak, forward = onMain(announce)] {
        if (auto* self = weak.get()) self->changedSinceSync_ = true;
        forward();
    }));
    cancellables_.push_back(discovery.objectWillChange.connect(onMain(announce)));
    cancellables_.push_back(discovery.items.changes.connect(
        [weak, forward = onMain(&AppState::syncIfChangedSinceSync)](const MenuBarItemDiscovery::Items&) {
            if (auto* self = weak.get()) self->changedSinceSync_ = true;
            forward();
        }));
    cancellables_.push_back(permissionManager.objectWillChange.connect(onMain(announce)));
    cancellables_.push_back(shareSystemInfoWithDeveloper.changes.connect([weak](const bool& value) {
        if (auto* self = weak.get()) self->shareSystemInfoDidChange(value);
    }));
}

void AppState::announceChange() { objectWillChange.send(); }

void AppState::shareSystemInfoDidChange(bool value) {
    if (value == lastShareSystemInfo_) return;
    lastShareSystemInfo_ = value;
    UITestLaunch::defaults()->set(std::string(OptInUsageReporter::shareSystemInfoKey), value);
    if (auto callback = onShareSystemInfoChanged) callback(value);
}

// ---- The update cycle ----

void AppState::start() {
    permissionManager.refresh();
    groupStore.load();
    syncGroupStatusItems();
    applyHiding();
    startDiscoveryLoop();
    hideService.setExpanded(false);
    for (double delay : startRediscoveryDelays) {
        mainLoop().asyncAfter(delay, [weak = anchor_.weak()] {
            if (auto* self = weak.get()) self->rediscoverAndApplyHiding();
        });
    }
}

void AppState::rediscoverAndApplyHiding() {
    discovery.items = discovery.discoverItems(true);
    applyHiding();
}

void AppState::runDiscoveryCycle() {
    discovery.items = discovery.discoverItems(true);
    refreshOverflow();
    applyHiding();
}

void AppState::startDiscoveryLoop() {
    runDiscoveryCycle();
    if (discoveryTimer_) discoveryTimer_->invalidate();
    // Default mode only: the cycle waits while a modal alert runs or a menu is tracked.
    discoveryTimer_ = mainLoop().scheduledTimer(
        discoveryInterval, true,
        [weak = anchor_.weak()](platform::Timer&) {
            mainLoop().async([weak] {
                if (auto* self = weak.get()) self->runDiscoveryCycle();
            });
        },
        platform::TimerModes::defaultOnly);
}

void AppState::refreshOverflow() {
    overflowMonitor.hiddenCount = overflowMonitor.calculateHiddenCount();
    overflowHiddenCount = overflowMonitor.hiddenCount.get();
    if (auto callback = onOverflowCountChanged) callback(overflowHiddenCount);
}

void AppState::applyHiding() {
    // While the hidden icons are revealed their windows sit elsewhere; identities captured
    // now would point members at the wrong place.
    if (!hideService.isExpanded) groupStore.captureLiveWindows(discovery.items);
    hideService.ensureItems();
    hideService.updateCollapsedLength();
    if (hideSuppressedUntil_ && mainLoop().now() < *hideSuppressedUntil_) {
        syncGroupStatusItems();
        return;
    }
    std::unordered_set<MenuBarItemID> hidden;
    for (const IconGroup& vossel : groupStore.groups()) hidden.insert(vossel.memberIDs.begin(), vossel.memberIDs.end());
    windowHiding.sync(hidden, discovery.items);
    syncGroupStatusItems();
}

AppState::VosselFrames AppState::vosselFrames() const {
    VosselFrames out;
    out.ids.reserve(groupControllers_.size());
    out.frames.reserve(groupControllers_.size());
    // In the vossels' order, which is the order their items were made in: the walk then reads
    // memory in the order it was allocated, not in the hash table's.
    for (const platform::UUID& id : hideService.vosselGroupIDs) {
        const auto it = groupControllers_.find(id);
        if (it == groupControllers_.end()) continue;
        out.ids.push_back(id);
        out.frames.push_back(ExpandingSeparatorService::windowFrame(it->second->statusItem()));
    }
    return out;
}

void AppState::checkPlacement(bool chevronFirst) {
    VosselFrames frames = vosselFrames();
    if (chevronFirst) {
        if (hideService.relayoutChevronIfDetached(frames.frames)) frames = vosselFrames();
        relayoutVosselsIfOffScreen(frames);
    } else {
        if (relayoutVosselsIfOffScreen(frames)) frames = vosselFrames();
        hideService.relayoutChevronIfDetached(frames.frames);
    }
}

void AppState::syncIfChangedSinceSync() {
    if (changedSinceSync_) syncGroupStatusItems();
}

void AppState::syncGroupStatusItems() {
    changedSinceSync_ = false;
    // Placing every vossel's item stores its position; the files are written once, at the end.
    const platform::PreferenceDomain::WriteBatch batch;
    const std::vector<IconGroup>& groups = groupStore.groups();
    // Each shown vossel with its item's controller, null for one that has none yet.
    std::vector<std::pair<const IconGroup*, GroupStatusItemController*>> shown;
    std::vector<platform::UUID> visibleIDs;
    shown.reserve(groups.size());
    visibleIDs.reserve(groups.size());
    for (const IconGroup& vossel : groups) {
        if (!vossel.isVisibleInMenuBar) continue;
        const auto it = groupControllers_.find(vossel.id);
        shown.emplace_back(&vossel, it == groupControllers_.end() ? nullptr : it->second.get());
        visibleIDs.push_back(vossel.id);
    }
    removeControllersNotIn(visibleIDs, shown);

    // One list for every vossel: each icon's names are tokenized once, not once per vossel.
    const auto live = LiveMenuBarItems::make(discovery.items.get());
    std::vector<const IconGroup*> added;
    std::vector<platform::UUID> addedIDs;
    for (const auto& [vossel, controller] : shown) {
        if (controller) {
            controller->update(*vossel, live);
            continue;
        }
        added.push_back(vossel);
        addedIDs.push_back(vossel->id);
    }
    if (!added.empty()) {
        std::vector<platform::UUID> existing;
        existing.reserve(groupControllers_.size());
        for (const auto& [id, controller] : groupControllers_) existing.push_back(id);
        ExpandingSeparatorService::prepareGroupPositions(addedIDs, existing,
                                                         ExpandingSeparatorService::StoredPosition::keepBeforeChevron);
        for (const IconGroup* vossel : added) groupControllers_.emplace(vossel->id, makeGroupController(*vossel, live));
    }

    hideService.vosselGroupIDs = std::move(visibleIDs);
    // The chevron is pinned beside the vossels first, then their items are checked.
    checkPlacement(true);
    // Items made now get their windows when the bar is laid out, so the frames are looked at
    // again on the next turn: once however many syncs this turn ran.
    if (placementCheckPending_) return;
    placementCheckPending_ = true;
    mainLoop().async([weak = anchor_.weak()] {
        auto* self = weak.get();
        if (!self) return;
        self->placementCheckPending_ = false;
        self->checkPlacement(false);
    });
}

void AppState::removeControllersNotIn(const std::vector<platform::UUID>& visibleIDs,
                                      const std::vector<std::pair<const IconGroup*, GroupStatusItemController*>>& shown) {
    size_t found = 0;
    for (const auto& entry : shown) found += entry.second != nullptr;
    std::vector<platform::UUID> sorted(visibleIDs);
    std::sort(sorted.begin(), sorted.end());
    // Every item is kept when each was found, once: the usual sync, which then needs no look
    // at the items themselves. Only stored data edited by hand repeats an id.
    const bool repeats = std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
    if (!repeats && found == groupControllers_.size()) return;
    for (auto it = groupControllers_.begin(); it != groupControllers_.end();) {
        if (std::binary_search(sorted.begin(), sorted.end(), it->first)) {
            ++it;
            continue;
        }
        auto controller = std::move(it->second);
        it = groupControllers_.erase(it);
        controller->tearDown();
    }
}

std::unique_ptr<GroupStatusItemController> AppState::makeGroupController(
    const IconGroup& vossel, std::shared_ptr<const LiveMenuBarItems> live) {
    const Weak weak = anchor_.weak();
    const platform::UUID id = vossel.id;
    GroupStatusItemController::Callbacks callbacks;
    callbacks.onSelect = [weak](const MenuBarItemID& member) {
        if (auto* self = weak.get()) self->performActivation(member, false);
    };
    callbacks.onSecondarySelect = [weak](const MenuBarItemID& member) {
        if (auto* self = weak.get()) self->performActivation(member, true);
    };
    callbacks.onOpenSettings = [weak, id] {
        if (auto* self = weak.get()) self->openSettings(id);
    };
    callbacks.onHideFromMenuBar = [weak, id] {
        auto* self = weak.get();
        if (!self) return;
        self->groupStore.setGroupVisible(id, false);
        self->syncGroupStatusItems();
    };
    callbacks.onDelete = [weak, id] {
        auto* self = weak.get();
        if (!self) return;
        self->groupStore.deleteGroup(id);
        self->syncGroupStatusItems();
        self->applyHiding();
    };
    callbacks.onPrepareOpen = [weak] {
        if (auto* self = weak.get()) self->rediscoverAndApplyHiding();
    };
    return std::make_unique<GroupStatusItemController>(vossel, std::move(live), std::move(callbacks));
}

bool AppState::relayoutVosselsIfOffScreen(const VosselFrames& current) {
    if (isRelayoutingVossels_ || vosselRelayoutAttempts_ >= vosselRelayoutBudget) return false;

    const bool rtl = SystemMenuBarLayout::isRightToLeft(current.frames);
    const Rect screen = MenuBarGeometry::mainScreenFrameOrDefault();
    const double chevronX = ExpandingSeparatorService::windowFrame(hideService.chevronItem).minX();
    const bool pusherCovers = MenuBarGeometry::isPusherCoveringAppMenus(
        ExpandingSeparatorService::windowFrame(hideService.pusherItem), screen, rtl);

    std::vector<platform::UUID> offScreen;
    for (size_t i = 0; i < current.ids.size(); ++i) {
        const Rect& frame = current.frames[i];
        // A frame this thin belongs to an item that has no window yet.
        if (frame.width() <= 1) continue;
        const bool pastTheChevron = MenuBarGeometry::isUsableSeparator(chevronX, screen, rtl) &&
                                    (rtl ? frame.minX() > chevronX + 4 : frame.maxX() < chevronX - 4);
        const bool offTheBar = rtl ? frame.minX() > screen.maxX() - 8 : frame.maxX() < 8;
        if (offTheBar || pastTheChevron) offScreen.push_back(current.ids[i]);
    }
    if (offScreen.empty() && !pusherCovers) return false;

    isRelayoutingVossels_ = true;
    ++vosselRelayoutAttempts_;
    if (pusherCovers) {
        hideService.tearDown();
        hideService.moveChevronBesideVossels();
        hideService.setExpanded(hideService.isExpanded);
    }

    std::vector<platform::UUID> kept;
    kept.reserve(current.ids.size());
    const std::unordered_set<platform::UUID> offSet(offScreen.begin(), offScreen.end());
    for (const platform::UUID& id : current.ids) {
        if (!offSet.contains(id)) kept.push_back(id);
    }
    for (const platform::UUID& id : offScreen) {
        if (auto it = groupControllers_.find(id); it != groupControllers_.end()) {
            auto controller = std::move(it->second);
            groupControllers_.erase(it);
            controller->tearDown();
        }
    }
    const platform::PreferenceDomain::WriteBatch batch;
    ExpandingSeparatorService::prepareGroupPositions(offScreen, kept);
    const auto live = LiveMenuBarItems::make(discovery.items.get());
    for (const IconGroup& vossel : groupStore.groups()) {
        if (!vossel.isVisibleInMenuBar || groupControllers_.contains(vossel.id)) continue;
        groupControllers_.emplace(vossel.id, makeGroupController(vossel, live));
    }
    isRelayoutingVossels_ = false;
    return true;
}

// ---- Commands of the views and the delegate ----

void AppState::openSettings(std::optional<platform::UUID> focusGroupID) {
    if (focusGroupID) settingsFocusGroupID = focusGroupID;
    if (auto callback = presentSettings) callback(focusGroupID);
}

void AppState::setAppearance(AppAppearancePreference preference) {
    UITestLaunch::defaults()->set(std::string(UserPreferences::appearanceKey), std::string(preference.rawValue()));
    preference.apply();
    objectWillChange.send();
}

void AppState::restartApp() {
    // The workspace reports on a queue of its own; terminating belongs on the main thread.
    platform::workspace().openApplication(platform::Bundle::main().bundlePath(), [](bool) {
        mainLoop().performOnMain([] {
            if (platform::services().application) platform::application().terminate();
        });
    });
}

OptInUsageReporter::AppFacts AppState::usageFacts() const {
    OptInUsageReporter::AppFacts facts;
    facts.environments = groupStore.environments.get();
    facts.discoveredCount = static_cast<int64_t>(discovery.items->size());
    facts.overflowHiddenCount = overflowHiddenCount;
    facts.launchAtLogin = permissionManager.launchAtLoginEnabled;
    facts.accessibilityTrusted = permissionManager.isAccessibilityTrusted;
    return facts;
}

// ---- Opening a member ----

void AppState::performActivation(const MenuBarItemID& requested, bool secondary) {
    // The identity may live in a controller that the rediscovery below replaces.
    const MenuBarItemID itemID = requested;
    const double now = mainLoop().now();
    if (lastActivationAt_ && now - *lastActivationAt_ < activationDebounce) return;
    lastActivationAt_ = now;
    const int64_t generation = ++activationGeneration_;
    hideSuppressedUntil_ = now + hideSuppression;

    tessivaneClickLog("activate " + logName(itemID) + " secondary=" + boolText(secondary));
    if (secondary && activationService.showContextMenuViaAX(itemID, discovery.items)) {
        tessivaneClickLog("AXShowMenu ok");
        return;
    }

    discovery.items = discovery.discoverItems(true);
    groupStore.captureLiveWindows(discovery.items);
    windowHiding.reveal(itemID);
    // The window number is taken now, before the icons move back onto the bar.
    const std::optional<uint32_t> pinned = activationService.pinWindowID(itemID, discovery.items);
    tessivaneClickLog("pinned=" + std::to_string(pinned.value_or(0)) +
                      " items=" + std::to_string(discovery.items->size()));

    hideService.isExpanded = true;
    hideService.ensureItems();
    hideService.updateCollapsedLength();
    hideService.applyLength();
    if (!permissionManager.isAccessibilityTrusted) permissionManager.enableAccessibility();

    mainLoop().asyncAfter(firstAttemptDelay, [weak = anchor_.weak(), itemID, secondary, generation, pinned] {
        if (auto* self = weak.get()) self->attemptPhysicalClick(itemID, secondary, generation, 0, pinned);
    });
}

void AppState::attemptPhysicalClick(const MenuBarItemID& itemID, bool secondary, int64_t generation, int attempt,
                                    std::optional<uint32_t> pinnedWindowID) {
    if (generation != activationGeneration_) return;
    windowHiding.reveal(itemID);

    const bool rtl = SystemMenuBarLayout::isRightToLeft(vosselFrames().frames);
    const double rawChevronX = ExpandingSeparatorService::windowFrame(hideService.chevronItem).minX();
    const Rect screen = mainScreenFrame().value_or(Rect{});
    std::optional<double> separatorX;
    if (MenuBarGeometry::isUsableSeparator(rawChevronX, screen, rtl)) separatorX = rawChevronX;

    if (tryAccessibility(itemID, secondary, separatorX, rtl) ||
        tryWindowClick(itemID, secondary, attempt, pinnedWindowID, separatorX, rtl)) {
        tessivaneClickLog("click ok attempt=" + std::to_string(attempt) + " rtl=" + boolText(rtl) +
                          " sep=" + decimalText(rawChevronX));
        collapseHiddenExtras(collapseAfterSuccess, generation);
        return;
    }

    if (attempt == 0 || attempt == 10) {
        const auto languages = SystemMenuBarLayout::systemLanguages();
        const bool languageRTL = !languages.empty() && platform::Text::isRightToLeftLanguage(languages.front());
        tessivaneClickLog("click miss attempt=" + std::to_string(attempt) + " rtl=" + boolText(rtl) +
                          " langRTL=" + boolText(languageRTL) + " sep=" + decimalText(rawChevronX) +
                          " pin=" + std::to_string(pinnedWindowID.value_or(0)));
    }
    if (attempt >= lastAttempt) {
        tessivaneClickLog("click give up");
        collapseHiddenExtras(collapseAfterGivingUp, generation);
        return;
    }
    mainLoop().asyncAfter(retryDelay, [weak = anchor_.weak(), itemID, secondary, generation, attempt, pinnedWindowID] {
        if (auto* self = weak.get())
            self->attemptPhysicalClick(itemID, secondary, generation, attempt + 1, pinnedWindowID);
    });
}

bool AppState::tryAccessibility(const MenuBarItemID& itemID, bool secondary, std::optional<double> separatorX,
                                bool rtl) {
    const ActivationService::Match match = activationService.resolve(itemID, discovery.items);
    const ActivationService::Apps apps = activationService.candidateApps(itemID, match);
    platform::AXUIElementRef element = activationService.firstMatchingExtra(itemID, match, apps, false);
    if (!element) element = activationService.firstMatchingExtra(itemID, match, apps, true);
    if (!element) return false;

    const Rect frame = activationService.axFrameQuartz(element);
    // An element at one of our own items means the match went astray.
    if (activationService.isOwnMenuBarFrame(frame)) return false;

    auto& ax = platform::accessibility();
    if (secondary) {
        auto [error, actions] = ax.copyActionNames(element);
        if (error == platform::AXError::success &&
            std::find(actions.begin(), actions.end(), platform::AX::showMenu) != actions.end() &&
            ax.performAction(element, platform::AX::showMenu) == platform::AXError::success) {
            return true;
        }
    }
    if (ax.performAction(element, platform::AX::press) == platform::AXError::success) return true;
    // Some owners report a failed press for an icon they did open; one standing on screen
    // beyond the separator is taken as opened.
    return activationService.isOnScreenMenuBar(frame) && activationService.isInHiddenRegion(frame, separatorX, rtl);
}

bool AppState::tryWindowClick(const MenuBarItemID& itemID, bool secondary, int attempt,
                              std::optional<uint32_t> pinnedWindowID, std::optional<double> separatorX, bool rtl) {
    const ActivationService::Match match = activationService.resolve(itemID, discovery.items);
    uint32_t windowID = 0;
    if (pinnedWindowID) {
        windowID = *pinnedWindowID;
    } else if (auto pinned = activationService.pinWindowID(itemID, discovery.items)) {
        windowID = *pinned;
    }
    if (windowID == 0) return false;

    const std::optional<Rect> frame = activationService.liveWindowQuartz(windowID);
    if (!frame || !activationService.isOnScreenMenuBar(*frame) || activationService.isOwnMenuBarFrame(*frame)) {
        return false;
    }
    const bool hidden = activationService.isInHiddenRegion(*frame, separatorX, rtl);
    if (!rtl ? !hidden : (!hidden && !pinnedWindowID)) return false;

    // The icon's centre, but never lower than 12 points below the top of the screen.
    const platform::Point point{frame->midX(), std::min(frame->midY(), 12.0)};
    if (activationService.isForeignAppMenu(point, itemID, match)) {
        if (!rtl && attempt <= 11) return false;
        return activationService.clickClearingAppMenu(point, secondary);
    }
    activationService.postClick(point, secondary);
    return true;
}

void AppState::collapseHiddenExtras(double after, int64_t generation) {
    mainLoop().asyncAfter(after, [weak = anchor_.weak(), generation] {
        auto* self = weak.get();
        if (self && self->activationGeneration_ == generation) self->hideService.setExpanded(false);
    });
}

}  // namespace tessivane
