#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/AppState.h"
#include "desktop/Desktop.h"
#include "model/DiscoveredMenuBarItem.h"
#include "support/TestHome.h"
#include "ui/Automation.h"
#include "ui/Host.h"

namespace settings_test {

// The application launched on the default laptop scene the way automated UI tests launch
// it ("-UITesting": an empty isolated store, onboarding treated as complete, the settings
// window shown), driven through the settings window's controls by their identifiers.
class SettingsWindowTest : public testsupport::TestHome {
protected:
    ~SettingsWindowTest() override;

    // Launches and lets the settings window come up. With `trusted` the scene grants
    // Accessibility first, so that the member lists have icons.
    void launch(bool trusted = true, std::vector<std::string> arguments = {"tessivane", "-UITesting"});
    // Runs the turns that deliver changes and draw them.
    void settle();

    desktop::Desktop& desk() { return *desktop_; }
    tessivane::AppDelegate& delegate() { return *delegate_; }
    tessivane::AppState& appState() { return delegate_->appState; }
    // The settings window's views (the window is shown at launch).
    ui::Host& window();
    ui::Element byID(const std::string& identifier) { return window().find(ui::byIdentifier(identifier)); }
    ui::Element button(const std::string& title) { return window().find(ui::button(title)); }
    ui::Element text(const std::string& text) { return window().find(ui::byText(text)); }
    // Clicks and lets the change be drawn; false when the control did not take the click.
    bool click(ui::Element element);

    const std::vector<tessivane::IconGroup>& vossels() { return appState().groupStore.groups(); }
    std::optional<tessivane::IconGroup> vosselNamed(const std::string& name);
    // The vossel's status item on the simulated bar, if it has one.
    const desktop::BarItem* statusItemOf(const platform::UUID& vossel) const;
    const tessivane::DiscoveredMenuBarItem& liveItem(const std::string& name);
    // The row switch of a live icon in the member list on screen.
    ui::Element memberSwitch(const std::string& name);

    std::unique_ptr<desktop::Desktop> desktop_;
    std::shared_ptr<tessivane::AppDelegate> delegate_;
};

}  // namespace settings_test
