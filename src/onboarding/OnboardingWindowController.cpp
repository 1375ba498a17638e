#include "onboarding/OnboardingWindowController.h"

#include <algorithm>
#include <string>

#include "app/AccessibilityReapprovalGuide.h"
#include "app/AppState.h"
#include "model/UITestLaunch.h"
#include "onboarding/DismissOnboarding.h"
#include "onboarding/MenuBarAppWindows.h"
#include "onboarding/OnboardingView.h"
#include "platform/Application.h"
#include "platform/Platform.h"
#include "platform/UserDefaults.h"
#include "ui/HostingView.h"

namespace tessivane {

namespace {

bool hasCompletedOnboarding() {
    return UITestLaunch::defaults()->boolForKey(std::string(AccessibilityReapprovalGuide::hasCompletedOnboardingKey));
}

}  // namespace

void OnboardingWindowController::show(AppState& appState) {
    if (!window_) {
        const auto weak = anchor_.weak();
        ui::Environment environment = ui::Environment{}.withObject(appState).with<DismissOnboardingKey>([weak] {
            if (auto* self = weak.get()) self->dismiss();
            else if (hasCompletedOnboarding()) MenuBarAppWindows::restoreAccessoryIfIdle();
        });
        auto content = ui::HostingView::make(std::make_shared<OnboardingView>(), std::move(environment));
        auto window = platform::Window::make(platform::Rect{platform::Point{}, contentSize},
                                             platform::WindowStyle::titled | platform::WindowStyle::closable);
        window->setContentView(content);
        window->setTitle(windowTitle);
        window->setContentSize(contentSize);
        // The tour's root has a fixed size taller than the window's first content size; a
        // hosting controller grows its window to fit its view, so nothing of the tour (the
        // progress bar, the footer) is cut off.
        const platform::Size fitting = content->fittingSize();
        if (fitting.width > contentSize.width || fitting.height > contentSize.height) {
            window->setContentSize({std::max(fitting.width, contentSize.width),
                                    std::max(fitting.height, contentSize.height)});
        }
        window->center();
        window->setReleasedWhenClosed(false);
        window->setHidesOnDeactivate(false);
        window->setCollectionBehavior(platform::WindowCollection::moveToActiveSpace |
                                      platform::WindowCollection::fullScreenAuxiliary);
        closeObserver_ = window->willClose.connect([weak] {
            if (auto* self = weak.get()) self->windowWillClose();
        });
        window_ = std::move(window);
    }

    MenuBarAppWindows::bringForward(*window_);
    platform::application().requestUserAttention();
}

void OnboardingWindowController::dismiss() {
    if (window_) window_->close();
    if (hasCompletedOnboarding()) MenuBarAppWindows::restoreAccessoryIfIdle();
}

void OnboardingWindowController::windowWillClose() {
    if (hasCompletedOnboarding()) {
        MenuBarAppWindows::restoreAccessoryIfIdle();
    } else {
        // Closed before the end: stay in the Dock so the next activation brings the tour back.
        platform::application().setActivationPolicy(platform::ActivationPolicy::regular);
    }
}

}  // namespace tessivane
