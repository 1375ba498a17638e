#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "desktop/Desktop.h"
#include "model/DiscoveredMenuBarItem.h"
#include "support/TestHome.h"
#include "ui/Automation.h"
#include "ui/Host.h"
#include "ui/View.h"

namespace settings_test {

using tessivane::AppState;

// The default laptop scene with the coordinator started on it (no application delegate, no
// windows of its own), and hosts for the settings views with the coordinator in their
// environment.
class SettingsTest : public testsupport::TestHome {
protected:
    SettingsTest();
    ~SettingsTest() override;

    desktop::Desktop& desk() { return *desktop_; }
    // Made and started on first use, so that a test can change the scene's state first.
    AppState& appState();
    // Grants Accessibility and publishes a fresh scan, as the settings' refresh does.
    void grantAndDiscover();
    // Hosts a view with the coordinator in its environment.
    std::unique_ptr<ui::Host> host(std::shared_ptr<ui::View> view);
    // Runs the turns that deliver the coordinator's forwarded changes and redraw.
    void settle() { advance(0); advance(0); }

    // The discovered icon with that display name or title.
    const tessivane::DiscoveredMenuBarItem& liveItem(const std::string& name);
    // A vossel of the active environment holding the live icons of the given names.
    tessivane::IconGroup makeVossel(const std::string& name, const std::vector<std::string>& members = {});
    std::optional<tessivane::IconGroup> storedVossel(const platform::UUID& id);

    // Writes a small PNG file and returns its path.
    std::filesystem::path writeImage(const std::string& name);

    std::unique_ptr<desktop::Desktop> desktop_;
    std::unique_ptr<AppState> appState_;
};

}  // namespace settings_test
