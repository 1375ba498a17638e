#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "desktop/Scene.h"
#include "model/DiscoveredMenuBarItem.h"
#include "platform/Accessibility.h"
#include "support/DesktopOnHome.h"

namespace enginetest {

// The desktop's Accessibility with some answers changed: `answer` sees every attribute read
// first, and what it leaves (nullopt) goes on to the desktop. Records which calls were made.
class ScriptedAccessibility final : public platform::Accessibility {
public:
    using Answer = std::optional<std::pair<platform::AXError, platform::AXValue>>;
    explicit ScriptedAccessibility(platform::Accessibility& real) : real_(real) {}

    std::function<Answer(const platform::AXUIElementRef&, const std::string&)> answer;
    std::vector<std::string> calls;  // "copyActionNames", "performAction AXShowMenu", ...

    bool isProcessTrusted() const override { return real_.isProcessTrusted(); }
    bool isProcessTrustedWithOptions(bool prompt) override { return real_.isProcessTrustedWithOptions(prompt); }
    platform::AXUIElementRef createApplication(int32_t pid) override { return real_.createApplication(pid); }
    platform::AXUIElementRef createSystemWide() override { return real_.createSystemWide(); }
    std::pair<platform::AXError, platform::AXValue> copyAttributeValue(const platform::AXUIElementRef& element,
                                                                       const std::string& attribute) override;
    std::pair<platform::AXError, std::vector<std::string>> copyAttributeNames(
        const platform::AXUIElementRef& element) override {
        return real_.copyAttributeNames(element);
    }
    std::pair<platform::AXError, std::vector<std::string>> copyActionNames(
        const platform::AXUIElementRef& element) override;
    platform::AXError performAction(const platform::AXUIElementRef& element, const std::string& action) override;
    std::pair<platform::AXError, platform::AXUIElementRef> copyElementAtPosition(const platform::AXUIElementRef& element,
                                                                                 float x, float y) override {
        return real_.copyElementAtPosition(element, x, y);
    }
    platform::AXError setMessagingTimeout(const platform::AXUIElementRef& element, float seconds) override {
        return real_.setMessagingTimeout(element, seconds);
    }
    std::pair<platform::AXError, int32_t> getPid(const platform::AXUIElementRef& element) override {
        return real_.getPid(element);
    }

private:
    platform::Accessibility& real_;
};

// A simulated desktop installed for one test, built from a scene in code or from a file
// of resources/scenes.
class DiscoveryFixture : public testsupport::DesktopOnHome {
protected:
    // The default laptop with Accessibility granted.
    desktop::Desktop& loadDefaultScene();

    // A scene with one 1512 x 982 screen (camera housing), Accessibility granted.
    static desktop::Scene bareScene();
    // An application with status items of the given widths and nothing else.
    static desktop::SceneApplication app(int32_t pid, std::string name, std::string bundle,
                                         std::vector<double> itemWidths = {});
    // A window of an application at an AppKit frame, in the status layer.
    static desktop::SceneWindow window(platform::Rect frame, std::string name = "", int layer = 25);

    // Puts a scripted Accessibility in front of the loaded desktop's, until the next load.
    ScriptedAccessibility& scriptAccessibility();

    // The item of a scan whose window is `number`; null when there is none.
    static const tessivane::DiscoveredMenuBarItem* itemWithWindow(
        const std::vector<tessivane::DiscoveredMenuBarItem>& items, uint32_t number);

private:
    std::unique_ptr<ScriptedAccessibility> scripted_;
};

}  // namespace enginetest
