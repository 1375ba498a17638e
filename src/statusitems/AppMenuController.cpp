#include "statusitems/AppMenuController.h"

#include <string>

#include "app/AccessibilityReapprovalGuide.h"
#include "model/UITestLaunch.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "statusitems/AppMenuPopoverView.h"
#include "statusitems/VosselPopoverCoordinator.h"
#include "ui/Assets.h"

namespace tessivane {

AppMenuController::AppMenuController(Callbacks callbacks)
    : popover_(nullptr), callbacks_(std::move(callbacks)) {
    install();
    VosselPopoverCoordinator::setCloseAppMenu([weak = anchor_.weak()] {
        if (auto* self = weak.get()) self->closePopover();
    });
}

AppMenuController::~AppMenuController() {
    anchor_.release();
    popover_.discard();
    auto* bar = platform::services().statusBar;
    if (statusItem_ && bar) bar->removeStatusItem(statusItem_);
}

platform::StatusBarButton* AppMenuController::button() const {
    return statusItem_ ? statusItem_->button().get() : nullptr;
}

void AppMenuController::install() {
    statusItem_ = platform::statusBar().statusItem(platform::StatusItem::variableLength);
    if (!statusItem_) return;
    statusItem_->setAutosaveName("Tessivane.Settings");
    platform::StatusBarButton* b = button();
    if (!b) return;
    std::optional<platform::Image> icon = ui::assetImage("MenuBarIcon");
    if (icon) {
        icon->setTemplate(true);
        icon->setSize({18, 18});
    }
    b->setImage(std::move(icon));
    b->setToolTip("Tessivane");
    b->setAction([weak = anchor_.weak()] {
        if (auto* self = weak.get()) self->togglePopover();
    });
    b->sendActionOn(platform::eventMask(platform::EventType::leftMouseUp) |
                    platform::eventMask(platform::EventType::rightMouseUp));
}

void AppMenuController::togglePopover() {
    const std::string onboardingKey(AccessibilityReapprovalGuide::hasCompletedOnboardingKey);
    if (!UITestLaunch::defaults()->boolForKey(onboardingKey)) {
        popover_.closeIfShown();
        platform::RunLoop::main().async([weak = anchor_.weak()] {
            if (auto* self = weak.get()) {
                if (auto tour = self->callbacks_.onWelcomeTour) tour();
            }
        });
        return;
    }
    if (popover_.closeIfShown()) return;
    openPopover();
}

void AppMenuController::openPopover() {
    if (!button() || popover_.isShown() || popover_.closedWithinGuard()) return;
    VosselPopoverCoordinator::closeAll();
    const auto weak = anchor_.weak();
    const auto command = [weak](Command which) {
        return [weak, which] {
            if (auto* self = weak.get()) self->run(which);
        };
    };
    popover_.show(std::make_shared<AppMenuPopoverView>(Callbacks{
                      .onSettings = command(&Callbacks::onSettings),
                      .onWelcomeTour = command(&Callbacks::onWelcomeTour),
                      .onCheckForUpdates = command(&Callbacks::onCheckForUpdates),
                      .onWebsite = command(&Callbacks::onWebsite),
                      .onSupport = command(&Callbacks::onSupport),
                      .onTip = command(&Callbacks::onTip),
                      .onQuit = command(&Callbacks::onQuit),
                  }),
                  statusItem_->button());
}

void AppMenuController::run(Command command) {
    popover_.closeIfShown();
    platform::RunLoop::main().async([weak = anchor_.weak(), command] {
        auto* self = weak.get();
        if (!self) return;
        // A copy: the command (quit, say) may end this controller while it runs.
        if (auto callback = self->callbacks_.*command) callback();
    });
}

}  // namespace tessivane
