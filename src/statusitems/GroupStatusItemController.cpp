#include "statusitems/GroupStatusItemController.h"

#include <optional>

#include "app/ClickLog.h"
#include "model/CustomGroupIconStore.h"
#include "model/UserPreferences.h"
#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/Menu.h"
#include "platform/Platform.h"
#include "statusitems/GroupIconImage.h"
#include "statusitems/GroupPopoverView.h"
#include "statusitems/VosselPopoverCoordinator.h"

namespace tessivane {

namespace {

// Runs a callback of the owner through a copy: the owner may destroy this controller (and
// with it the stored callback) while the callback runs.
template <class F, class... Args>
void callOut(const F& callback, const Args&... args) {
    if (!callback) return;
    F copy = callback;
    copy(args...);
}

}  // namespace

GroupStatusItemController::GroupStatusItemController(IconGroup group, std::shared_ptr<const LiveMenuBarItems> items,
                                                     Callbacks callbacks)
    : popover_([this] { popoverDidClose(); }),
      group_(std::move(group)),
      items_(std::move(items)),
      callbacks_(std::move(callbacks)) {
    install();
}

GroupStatusItemController::~GroupStatusItemController() {
    anchor_.release();
    tearDown();
}

std::vector<DiscoveredMenuBarItem> GroupStatusItemController::members() const {
    std::vector<DiscoveredMenuBarItem> out;
    for (size_t i : items_->matchedIndices(group_.memberIDs, false)) out.push_back(items()[i]);
    return out;
}

bool GroupStatusItemController::hasMembers() const { return !items_->matchedIndices(group_.memberIDs, true).empty(); }

platform::StatusBarButton* GroupStatusItemController::button() const {
    return statusItem_ ? statusItem_->button().get() : nullptr;
}

void GroupStatusItemController::install() {
    statusItem_ = platform::statusBar().statusItem(platform::StatusItem::variableLength);
    if (!statusItem_) return;
    statusItem_->setAutosaveName("Tessivane.Group." + group_.id.uuidString());
    if (platform::StatusBarButton* b = button()) {
        b->setImage(GroupIconImage::menuBarImage(group_));
        updateTooltip(hasMembers());
        b->setAction([weak = anchor_.weak()] {
            if (auto* self = weak.get()) self->togglePopover();
        });
        b->sendActionOn(platform::eventMask(platform::EventType::leftMouseUp) |
                        platform::eventMask(platform::EventType::rightMouseUp));
    }
    // A custom image is decoded in the background; the symbol shows until it is in, and stays
    // when the file turns out to be no image.
    iconDecoded_ = CustomGroupIconStore::shared().decodingDidEnd.connect([weak = anchor_.weak()](const std::string& name) {
        auto* self = weak.get();
        if (!self || self->group_.customIconFilename != name) return;
        if (platform::StatusBarButton* b = self->button()) b->setImage(GroupIconImage::menuBarImage(self->group_));
    });
    installHoverTracking();
}

void GroupStatusItemController::update(const IconGroup& group, std::shared_ptr<const LiveMenuBarItems> items) {
    group_ = group;
    items_ = std::move(items);
    const bool found = hasMembers();
    if (found) {
        isLocatingMembers_ = false;
        ++locatingGeneration_;
    }
    if (platform::StatusBarButton* b = button()) b->setImage(GroupIconImage::menuBarImage(group_));
    updateTooltip(found);
    setAlpha(!found && !isLocatingMembers_ ? dimmedAlpha : 1.0);
    installHoverTracking();
    refreshOpenPopoverIfNeeded();
}

void GroupStatusItemController::tearDown() {
    iconDecoded_.cancel();
    invalidateHoverTimers();
    ++locatingGeneration_;
    popover_.discard();
    VosselPopoverCoordinator::clearCurrent(this);
    if (statusItem_) {
        if (platform::StatusBarButton* b = button(); b && trackingArea_) b->removeTrackingArea(trackingArea_);
        // Dropping the last reference removes the item too, should the bar be gone already.
        if (auto* bar = platform::services().statusBar) bar->removeStatusItem(statusItem_);
    }
    statusItem_.reset();
    trackingArea_.reset();
}

void GroupStatusItemController::updateTooltip(bool found) {
    platform::StatusBarButton* b = button();
    if (!b) return;
    std::string text = group_.name;
    if (found) {
        text += ". Right-click for options.";
    } else if (isLocatingMembers_) {
        text += " — finding menu bar apps…";
    } else if (!group_.memberIDs.empty()) {
        text += " — no menu bar apps right now. Right-click for options.";
    } else {
        text += " — empty vossel. Right-click for options.";
    }
    b->setToolTip(std::move(text));
}

void GroupStatusItemController::setAlpha(double alpha) {
    if (platform::StatusBarButton* b = button()) b->setAlphaValue(alpha);
}

void GroupStatusItemController::invalidateHoverTimers() {
    if (hoverOpenTimer_) hoverOpenTimer_->invalidate();
    if (hoverCloseTimer_) hoverCloseTimer_->invalidate();
    hoverOpenTimer_.reset();
    hoverCloseTimer_.reset();
}

void GroupStatusItemController::installHoverTracking() {
    platform::StatusBarButton* b = button();
    if (!b) return;
    invalidateHoverTimers();
    if (trackingArea_) b->removeTrackingArea(trackingArea_);
    trackingArea_.reset();
    // Made anew on every update: one added while the pointer is over the button reports no
    // entry but still the exit, so an open popover closes when the pointer leaves.
    if (!UserPreferences::hoverToOpenEnabled()) return;
    auto area = std::make_shared<platform::TrackingArea>();
    area->rect = b->bounds();
    area->options = platform::TrackingArea::mouseEnteredAndExited | platform::TrackingArea::activeAlways |
                    platform::TrackingArea::inVisibleRect;
    area->onMouseEntered = [weak = anchor_.weak()](const platform::Event&) {
        if (auto* self = weak.get()) self->mouseEntered();
    };
    area->onMouseExited = [weak = anchor_.weak()](const platform::Event&) {
        if (auto* self = weak.get()) self->mouseExited();
    };
    b->addTrackingArea(area);
    trackingArea_ = std::move(area);
}

void GroupStatusItemController::mouseEntered() {
    // Read again on every event: the preference may have changed since the area was made.
    if (!UserPreferences::hoverToOpenEnabled()) return;
    invalidateHoverTimers();
    hoverOpenTimer_ = platform::RunLoop::main().scheduledTimer(hoverDelay, false, [weak = anchor_.weak()](platform::Timer&) {
        if (auto* self = weak.get()) self->openPopover();
    });
}

void GroupStatusItemController::mouseExited() {
    invalidateHoverTimers();
    if (!popover_.isShown()) return;
    hoverCloseTimer_ =
        platform::RunLoop::main().scheduledTimer(hoverCloseDelay, false, [weak = anchor_.weak()](platform::Timer&) {
            auto* self = weak.get();
            if (self && !self->popover_.isPointerOverPopoverOrButton()) self->popover_.closeIfShown();
        });
}

void GroupStatusItemController::togglePopover() {
    invalidateHoverTimers();
    auto event = platform::application().currentEvent();
    if (event && (event->type == platform::EventType::rightMouseUp || event->hasModifier(platform::Modifier::control))) {
        showContextMenu();
        return;
    }
    if (popover_.closeIfShown()) return;
    openPopover();
}

void GroupStatusItemController::openPopover() {
    if (!button() || popover_.isShown() || popover_.closedWithinGuard()) return;
    VosselPopoverCoordinator::willOpen(*this);
    const auto weak = anchor_.weak();
    callOut(callbacks_.onPrepareOpen);
    // The rediscovery may have removed this vossel's item, or the controller altogether.
    if (!weak.get()) return;
    startLocatingIfNeeded();
    if (!button()) return;
    lastPopoverSignature_ = popoverSignature();
    popover_.show(popoverContent(), statusItem_->button());
}

void GroupStatusItemController::closePopover() { popover_.closeIfShown(); }

void GroupStatusItemController::popoverDidClose() {
    ++locatingGeneration_;
    isLocatingMembers_ = false;
    VosselPopoverCoordinator::clearCurrent(this);
}

std::shared_ptr<ui::View> GroupStatusItemController::popoverContent() {
    const auto weak = anchor_.weak();
    return std::make_shared<GroupPopoverView>(
        group_, members(), isLocatingMembers_,
        [weak](const MenuBarItemID& id) {
            if (auto* self = weak.get()) self->chooseMember(id, false);
        },
        [weak](const MenuBarItemID& id) {
            if (auto* self = weak.get()) self->chooseMember(id, true);
        },
        [weak] {
            if (auto* self = weak.get()) self->openSettingsFromPopover();
        });
}

std::string GroupStatusItemController::popoverSignature() const {
    std::string signature = group_.id.uuidString();
    signature += '|';
    signature += group_.name;
    signature += '|';
    signature += group_.symbolName;
    signature += '|';
    signature += group_.symbolColorHex;
    signature += '|';
    signature += group_.customIconFilename.value_or("");
    signature += '|';
    bool first = true;
    for (size_t i : items_->matchedIndices(group_.memberIDs, false)) {
        if (!first) signature += ',';
        first = false;
        signature += items()[i].id.id();
    }
    signature += isLocatingMembers_ ? "|locating=true" : "|locating=false";
    return signature;
}

void GroupStatusItemController::refreshOpenPopoverIfNeeded() {
    if (!popover_.isShown()) return;
    std::string signature = popoverSignature();
    if (signature == lastPopoverSignature_) return;
    lastPopoverSignature_ = std::move(signature);
    popover_.replaceContent(popoverContent());
}

void GroupStatusItemController::startLocatingIfNeeded() {
    const int64_t generation = ++locatingGeneration_;
    if (group_.memberIDs.empty() || hasMembers()) {
        isLocatingMembers_ = false;
        return;
    }
    isLocatingMembers_ = true;
    for (double delay : locatingCheckDelays) {
        platform::RunLoop::main().asyncAfter(delay, [weak = anchor_.weak(), generation, delay] {
            if (auto* self = weak.get()) self->runLocatingCheck(generation, delay);
        });
    }
}

void GroupStatusItemController::runLocatingCheck(int64_t generation, double delay) {
    if (locatingGeneration_ != generation) return;
    const auto weak = anchor_.weak();
    callOut(callbacks_.onPrepareOpen);
    if (!weak.get()) return;
    if (hasMembers()) {
        isLocatingMembers_ = false;
        updateTooltip(true);
        setAlpha(1.0);
    } else if (delay >= locatingCheckDelays[2]) {
        isLocatingMembers_ = false;
        updateTooltip(false);
        setAlpha(dimmedAlpha);
    }
    refreshOpenPopoverIfNeeded();
}

void GroupStatusItemController::chooseMember(const MenuBarItemID& id, bool secondary) {
    const std::string name = id.title ? *id.title : id.ownerName ? *id.ownerName : "?";
    tessivaneClickLog((secondary ? "row right " : "row left ") + name);
    popover_.closeIfShown();
    platform::RunLoop::main().async([weak = anchor_.weak(), id, secondary] {
        if (auto* self = weak.get()) callOut(secondary ? self->callbacks_.onSecondarySelect : self->callbacks_.onSelect, id);
    });
}

void GroupStatusItemController::openSettingsFromPopover() {
    popover_.closeIfShown();
    platform::RunLoop::main().async([weak = anchor_.weak()] {
        if (auto* self = weak.get()) callOut(self->callbacks_.onOpenSettings);
    });
}

void GroupStatusItemController::showContextMenu() {
    platform::StatusBarButton* b = button();
    if (!b) return;
    const auto weak = anchor_.weak();
    auto menu = std::make_shared<platform::Menu>();
    menu->addItem("Settings…", [weak] {
        if (auto* self = weak.get()) self->openSettingsFromPopover();
    });
    menu->addItem("Hide from Menu Bar", [weak] {
        if (auto* self = weak.get()) callOut(self->callbacks_.onHideFromMenuBar);
    });
    menu->addSeparator();
    menu->addItem("Delete “" + group_.name + "”…", [weak] {
        if (auto* self = weak.get()) self->contextDelete();
    });
    menu->popUp(nullptr, platform::Point{0, b->frame().height() + 4}, b);
}

void GroupStatusItemController::contextDelete() {
    platform::Alert alert;
    alert.messageText = "Delete “" + group_.name + "”?";
    alert.informativeText = "The vossel is removed. Your menu bar apps stay installed.";
    alert.alertStyle = platform::AlertStyle::warning;
    alert.addButton("Delete");
    alert.addButton("Cancel");
    const auto weak = anchor_.weak();
    const platform::ModalResponse response = alert.runModal();
    // The run loop ran while the alert was up; the owner may have dropped this controller.
    GroupStatusItemController* self = weak.get();
    if (self && response == platform::Modal::alertFirstButtonReturn) callOut(self->callbacks_.onDelete);
}

}  // namespace tessivane
