#pragma once
#include <memory>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/AppState.h"
#include "desktop/Desktop.h"
#include "desktop/Scene.h"
#include "support/TestHome.h"
#include "ui/HostingView.h"

namespace apptest {

using tessivane::AppDelegate;
using tessivane::AppState;

// The application launched on a simulated desktop with a manual clock, as the system would
// launch it. Each test gets its own home, so every launch is a first run unless the test
// stores something first.
class AppOnDesktop : public testsupport::TestHome {
protected:
    ~AppOnDesktop() override;

    desktop::Scene defaultScene();
    desktop::Desktop& load(const desktop::Scene& scene);
    desktop::Desktop& loadDefault() { return load(defaultScene()); }
    // Launches the application; launching finishes on the next turn of the run loop.
    AppDelegate& beginLaunch(std::vector<std::string> arguments = {"tessivane"});
    // Launches the application and lets launching finish (the clock does not move).
    AppDelegate& launch(std::vector<std::string> arguments = {"tessivane"});
    // Lets the delegate go while the desktop still serves it, then the desktop.
    void shutDown();

    desktop::Desktop& desktop() { return *desktop_; }
    AppDelegate& delegate() { return *delegate_; }
    AppState& appState() { return delegate_->appState; }

    // A bar item of Tessivane's by autosave name; null when there is none.
    const desktop::BarItem* ownItem(const std::string& autosaveName) const;
    // The first status item of another application, by name or bundle identifier.
    const desktop::BarItem* itemOf(const std::string& owner, size_t index = 0) const;
    // The hosting view of the popover shown now, if any.
    ui::HostingView* shownPopover() const;
    // Marks onboarding complete, as finishing the tour would.
    static void completeOnboarding();
    // A vossel in the active environment holding the live icons whose titles are given,
    // shown in the menu bar, followed by the refresh the settings views run.
    platform::UUID makeVossel(const std::string& name, const std::vector<std::string>& memberTitles);
    // Command-drags another application's icon beyond the line, so that collapsing hides it.
    void tuckAway(const desktop::BarItem& item);
    // The lines of the click log, without their time stamps.
    std::vector<std::string> clickLog() const;

    std::unique_ptr<desktop::Desktop> desktop_;
    std::shared_ptr<AppDelegate> delegate_;
};

}  // namespace apptest
