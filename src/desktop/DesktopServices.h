#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/Desktop.h"
#include "platform/Event.h"
#include "platform/LoginItems.h"
#include "platform/Screen.h"
#include "platform/SyntheticEvents.h"
#include "platform/Updater.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"

namespace desktop {

class DesktopScreens final : public platform::Screens {
public:
    explicit DesktopScreens(Desktop& desktop) : desktop_(desktop) {}
    std::vector<platform::Screen> screens() const override { return desktop_.screens(); }
    std::optional<platform::Screen> mainScreen() const override { return desktop_.mainScreen(); }

private:
    Desktop& desktop_;
};

class DesktopWorkspace final : public platform::Workspace {
public:
    explicit DesktopWorkspace(Desktop& desktop) : desktop_(desktop) {}
    std::vector<platform::RunningApplication> runningApplications() const override;
    // Each looks at the desktop's processes and copies only the ones it answers with.
    std::vector<platform::RunningApplication> runningApplications(const std::string& bundleIdentifier) const override;
    std::optional<platform::RunningApplication> runningApplication(int32_t pid) const override;
    std::vector<platform::RunningApplication> runningApplicationsAt(const std::filesystem::path& bundleURL) const override;
    std::vector<platform::RunningApplication> runningApplicationsNamed(const std::string& localizedName) const override;
    std::optional<std::filesystem::path> urlForApplication(const std::string& bundleIdentifier) const override;
    bool open(const std::string& url) override;
    void openApplication(const std::filesystem::path& path, std::function<void(bool ok)> completion) override;

private:
    Desktop& desktop_;
};

// Pointer state and the application's event monitors.
class DesktopEvents final : public platform::Events {
public:
    explicit DesktopEvents(Desktop& desktop) : desktop_(desktop) {}
    platform::Point mouseLocation() const override { return desktop_.mouseLocation(); }
    platform::ModifierFlags modifierFlags() const override { return modifiers_; }
    uint32_t pressedMouseButtons() const override { return buttons_; }
    std::optional<platform::EventMonitorToken> addGlobalMonitor(
        platform::EventMask mask, std::function<void(const platform::Event&)> handler) override;
    std::optional<platform::EventMonitorToken> addLocalMonitor(
        platform::EventMask mask, std::function<std::optional<platform::Event>(const platform::Event&)> handler) override;
    void removeMonitor(platform::EventMonitorToken token) override;
    void trackingAreaAdded(const platform::View& view, const std::shared_ptr<platform::TrackingArea>& area) override {
        desktop_.noteTrackingAreaAdded(view, area);
    }
    void trackingAreaRemoved(const std::shared_ptr<platform::TrackingArea>& area) override {
        desktop_.noteTrackingAreaRemoved(area);
    }

    void setState(platform::ModifierFlags modifiers, uint32_t buttons) {
        modifiers_ = modifiers;
        buttons_ = buttons;
    }
    // An event for another application: global monitors see it.
    void deliverGlobal(const platform::Event& event);
    // An event for this application: local monitors may change or swallow it.
    std::optional<platform::Event> deliverLocal(const platform::Event& event);
    size_t monitorCount() const { return global_.size() + local_.size(); }

private:
    struct Global {
        platform::EventMask mask;
        std::function<void(const platform::Event&)> handler;
    };
    struct Local {
        platform::EventMask mask;
        std::function<std::optional<platform::Event>(const platform::Event&)> handler;
    };
    Desktop& desktop_;
    platform::ModifierFlags modifiers_ = 0;
    uint32_t buttons_ = 0;
    uint64_t nextToken_ = 1;
    std::map<uint64_t, Global> global_;
    std::map<uint64_t, Local> local_;
};

class DesktopWindowServer final : public platform::WindowServer {
public:
    explicit DesktopWindowServer(Desktop& desktop) : desktop_(desktop) {}
    std::vector<platform::WindowInfo> windowList(platform::WindowListOption options,
                                                 platform::CGWindowID relativeTo) const override;
    void* lookupFunction(const std::string& frameworkPath, const std::string& name) const override;

    platform::WindowInfo info(const ServerWindow& w) const;

private:
    Desktop& desktop_;
};

class DesktopSyntheticEvents final : public platform::SyntheticEvents {
public:
    explicit DesktopSyntheticEvents(Desktop& desktop) : desktop_(desktop) {}
    platform::CGEventSourceRef createSource(platform::CGEventSourceStateID state) override;
    std::optional<platform::CGEvent> createMouseEvent(const platform::CGEventSourceRef& source,
                                                      platform::CGEventType type, platform::Point location,
                                                      platform::CGMouseButton button) override;
    void post(platform::CGEventTapLocation tap, const platform::CGEvent& event) override;
    bool preflightPostEventAccess() const override { return desktop_.postEventAccess(); }
    bool requestPostEventAccess() override;
    const std::vector<platform::CGEvent>& posted() const { return posted_; }

private:
    Desktop& desktop_;
    std::vector<platform::CGEvent> posted_;
};

class DesktopLoginItems final : public platform::LoginItems {
public:
    explicit DesktopLoginItems(Desktop& desktop) : desktop_(desktop) {}
    platform::LoginItemStatus status() const override { return status_; }
    std::optional<std::string> registerMainApp() override;
    std::optional<std::string> unregisterMainApp() override;

private:
    Desktop& desktop_;
    platform::LoginItemStatus status_ = platform::LoginItemStatus::notRegistered;
};

class DesktopUpdaterFramework final : public platform::UpdaterFramework {
public:
    explicit DesktopUpdaterFramework(Desktop& desktop) : desktop_(desktop) {}
    std::shared_ptr<platform::StandardUpdaterController> makeStandardUpdaterController(
        bool startingUpdater, std::weak_ptr<platform::UpdaterDelegate> updaterDelegate) override;
    // The controllers made so far (tests read their state).
    std::vector<std::shared_ptr<platform::StandardUpdaterController>> controllers() const;

private:
    Desktop& desktop_;
    std::vector<std::weak_ptr<platform::StandardUpdaterController>> controllers_;
};

}  // namespace desktop
