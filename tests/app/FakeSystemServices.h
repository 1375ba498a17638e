#pragma once
// Stand-ins for the few macOS services the application core's own services talk to:
// Accessibility trust, the event-posting request, login items and screens. Each test
// installs a fresh set and answers the prompts itself.
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/Accessibility.h"
#include "platform/Bundle.h"
#include "platform/LoginItems.h"
#include "platform/Platform.h"
#include "platform/Screen.h"
#include "platform/SyntheticEvents.h"

namespace apptest {

class FakeAccessibility : public platform::Accessibility {
public:
    bool trusted = false;
    // What the prompting check answers (the system answers false while its dialog is up).
    bool promptAnswer = false;
    int promptCount = 0;

    bool isProcessTrusted() const override { return trusted; }
    bool isProcessTrustedWithOptions(bool prompt) override {
        if (prompt) ++promptCount;
        if (prompt && promptAnswer) trusted = true;
        return trusted;
    }

    platform::AXUIElementRef createApplication(int32_t pid) override {
        return std::make_shared<platform::AXUIElement>(pid, 0);
    }
    platform::AXUIElementRef createSystemWide() override { return std::make_shared<platform::AXUIElement>(0, 0); }
    std::pair<platform::AXError, platform::AXValue> copyAttributeValue(const platform::AXUIElementRef&,
                                                                       const std::string&) override {
        return {platform::AXError::apiDisabled, {}};
    }
    std::pair<platform::AXError, std::vector<std::string>> copyAttributeNames(const platform::AXUIElementRef&) override {
        return {platform::AXError::apiDisabled, {}};
    }
    std::pair<platform::AXError, std::vector<std::string>> copyActionNames(const platform::AXUIElementRef&) override {
        return {platform::AXError::apiDisabled, {}};
    }
    platform::AXError performAction(const platform::AXUIElementRef&, const std::string&) override {
        return platform::AXError::apiDisabled;
    }
    std::pair<platform::AXError, platform::AXUIElementRef> copyElementAtPosition(const platform::AXUIElementRef&,
                                                                                 float, float) override {
        return {platform::AXError::apiDisabled, nullptr};
    }
    platform::AXError setMessagingTimeout(const platform::AXUIElementRef&, float) override {
        return platform::AXError::success;
    }
    std::pair<platform::AXError, int32_t> getPid(const platform::AXUIElementRef& element) override {
        return {platform::AXError::success, element ? element->pid() : 0};
    }
};

class FakeSyntheticEvents : public platform::SyntheticEvents {
public:
    int accessRequests = 0;

    platform::CGEventSourceRef createSource(platform::CGEventSourceStateID) override { return nullptr; }
    std::optional<platform::CGEvent> createMouseEvent(const platform::CGEventSourceRef&, platform::CGEventType,
                                                      platform::Point, platform::CGMouseButton) override {
        return std::nullopt;
    }
    void post(platform::CGEventTapLocation, const platform::CGEvent&) override {}
    bool preflightPostEventAccess() const override { return accessRequests > 0; }
    bool requestPostEventAccess() override {
        ++accessRequests;
        return true;
    }
};

class FakeLoginItems : public platform::LoginItems {
public:
    bool refuseRegistration = false;
    platform::LoginItemStatus current = platform::LoginItemStatus::notRegistered;

    platform::LoginItemStatus status() const override { return current; }
    std::optional<std::string> registerMainApp() override {
        if (refuseRegistration) return "Operation not permitted";
        current = platform::LoginItemStatus::enabled;
        return std::nullopt;
    }
    std::optional<std::string> unregisterMainApp() override {
        current = platform::LoginItemStatus::notRegistered;
        return std::nullopt;
    }
};

class FakeScreens : public platform::Screens {
public:
    std::vector<platform::Screen> all;

    std::vector<platform::Screen> screens() const override { return all; }
    std::optional<platform::Screen> mainScreen() const override {
        if (all.empty()) return std::nullopt;
        return all.front();
    }

    // A laptop screen with a camera housing between two top areas of the given widths.
    static platform::Screen laptop(double width, double leftArea, double rightArea) {
        platform::Screen s;
        s.frame = platform::Rect(0, 0, width, 982);
        s.visibleFrame = platform::Rect(0, 0, width, 945);
        s.auxiliaryTopLeftArea = platform::Rect(0, 945, leftArea, 37);
        s.auxiliaryTopRightArea = platform::Rect(width - rightArea, 945, rightArea, 37);
        s.safeAreaTopInset = 37;
        return s;
    }
    static platform::Screen plain(double width, double height) {
        platform::Screen s;
        s.frame = platform::Rect(0, 0, width, height);
        s.visibleFrame = platform::Rect(0, 0, width, height - 24);
        return s;
    }
};

// Installs the fakes for the lifetime of the object and removes them afterwards.
struct FakeSystemServices {
    FakeAccessibility accessibility;
    FakeSyntheticEvents syntheticEvents;
    FakeLoginItems loginItems;
    FakeScreens screens;

    FakeSystemServices() {
        platform::Services s = platform::services();
        s.accessibility = &accessibility;
        s.syntheticEvents = &syntheticEvents;
        s.loginItems = &loginItems;
        s.screens = &screens;
        platform::install(s);
    }
    ~FakeSystemServices() {
        platform::Services s = platform::services();
        s.accessibility = nullptr;
        s.syntheticEvents = nullptr;
        s.loginItems = nullptr;
        s.screens = nullptr;
        platform::install(s);
    }
    FakeSystemServices(const FakeSystemServices&) = delete;
    FakeSystemServices& operator=(const FakeSystemServices&) = delete;
};

// Points the main bundle at an information property list with the given short version
// (none at all when absent) and puts the application's own bundle back afterwards.
class BundleVersion {
public:
    BundleVersion(const std::filesystem::path& folder, const std::optional<std::string>& version) {
        std::filesystem::create_directories(folder);
        std::ofstream plist(folder / "Info.plist");
        plist << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
              << "<key>CFBundleIdentifier</key><string>com.tessivane.Tessivane</string>\n";
        if (version) plist << "<key>CFBundleShortVersionString</key><string>" << *version << "</string>\n";
        plist << "</dict>\n</plist>\n";
        plist.close();
        platform::Bundle::setMainResources(folder);
    }
    ~BundleVersion() { platform::Bundle::setMainResources(TESSIVANE_RESOURCES_DIR); }
    BundleVersion(const BundleVersion&) = delete;
    BundleVersion& operator=(const BundleVersion&) = delete;
};

}  // namespace apptest
