#pragma once
#include <memory>
#include <string>
#include <utility>

#include "app/AppDesktopFixture.h"
#include "onboarding/OnboardingView.h"
#include "platform/Window.h"
#include "ui/Automation.h"
#include "ui/Host.h"
#include "ui/HostingView.h"

namespace onboardingtest {

// The application on the default laptop desktop, with handles on the welcome window and its
// tour.
class TourOnDesktop : public apptest::AppOnDesktop {
protected:
    const std::shared_ptr<platform::Window>& window() { return delegate().onboardingWindow.window(); }
    bool isWindowShown() { return window() && window()->isVisible(); }
    ui::Host& tour() {
        auto* hosting = dynamic_cast<ui::HostingView*>(window()->contentView().get());
        if (!hosting) {
            ADD_FAILURE() << "the welcome window hosts no view";
            std::abort();
        }
        return hosting->host();
    }
    tessivane::OnboardingView& tourView() { return dynamic_cast<tessivane::OnboardingView&>(tour().rootView()); }
    int step() { return tourView().step(); }
    // Clicks a button of the tour and lets what it changed be drawn.
    bool press(const std::string& title) {
        const bool clicked = tour().find(ui::button(title)).click();
        desktop().advance(0);
        return clicked;
    }
    // The name the member step shows for the live icon of that application.
    std::string displayNameOf(const std::string& bundleIdentifier) {
        for (const auto& item : appState().discovery.items.get()) {
            if (item.bundleIdentifier == bundleIdentifier) return item.displayName();
        }
        ADD_FAILURE() << "no live icon of " << bundleIdentifier;
        return {};
    }
    // Launches on the default desktop and lets the first follow-up open the tour.
    void launchToTour() {
        loadDefault();
        launch();
        desktop().advance(0.6);
        ASSERT_TRUE(isWindowShown());
    }
    // Capsules of the progress bar drawn in the accent colour, of all capsules drawn.
    std::pair<int, int> progress();
    // A launch after an update that lost the trust an earlier copy had: the tour was
    // finished back then, and the launch alert is answered with "Later".
    void launchUntrustedAfterUpdate();
    // From the welcome step to the member step, naming the vossel `name`.
    void walkToMembers(const std::string& name) {
        ASSERT_TRUE(press("Next"));
        ASSERT_TRUE(press("Next"));
        ASSERT_TRUE(tour().find(ui::byRole(ui::Role::textField)).type(name));
        desktop().advance(0);
        ASSERT_TRUE(press("Next"));
        ASSERT_EQ(step(), 3);
    }
};

}  // namespace onboardingtest
