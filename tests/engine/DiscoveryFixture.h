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
// first, and what it leaves (nullopt) goes on to the desktop.
class ScriptedAccessibility final : public platform::Accessibility {
public:
    using AXError = platform::AXError;
    using Element = platform::AXUIElementRef;
    using Strings = std::vector<std::string>;
    using Answer = std::optional<std::pair<AXError, platform::AXValue>>;
    explicit ScriptedAccessibility(platform::Accessibility& real) : real_(real) {}

    std::function<Answer(const Element&, const std::string&)> answer;

    std::pair<AXError, platform::AXValue> copyAttributeValue(const Element& e, const std::string& name) override {
        Answer scripted = answer ? answer(e, name) : std::nullopt;
        return scripted ? std::move(*scripted) : real_.copyAttributeValue(e, name);
    }
    bool isProcessTrusted() const override { return real_.isProcessTrusted(); }
    bool isProcessTrustedWithOptions(bool prompt) override { return real_.isProcessTrustedWithOptions(prompt); }
    Element createApplication(int32_t pid) override { return real_.createApplication(pid); }
    Element createSystemWide() override { return real_.createSystemWide(); }
    std::pair<AXError, Strings> copyAttributeNames(const Element& e) override { return real_.copyAttributeNames(e); }
    std::pair<AXError, Strings> copyActionNames(const Element& e) override { return real_.copyActionNames(e); }
    AXError performAction(const Element& e, const std::string& a) override { return real_.performAction(e, a); }
    std::pair<AXError, Element> copyElementAtPosition(const Element& e, float x, float y) override {
        return real_.copyElementAtPosition(e, x, y);
    }
    AXError setMessagingTimeout(const Element& e, float s) override { return real_.setMessagingTimeout(e, s); }
    std::pair<AXError, int32_t> getPid(const Element& e) override { return real_.getPid(e); }

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
    // Scripts every element of process `pid` to stand at `frame` (window-server coordinates).
    void scriptFrameOf(int32_t pid, platform::Rect frame);

    // The item of a scan whose window is `number`; null when there is none.
    static const tessivane::DiscoveredMenuBarItem* itemWithWindow(
        const std::vector<tessivane::DiscoveredMenuBarItem>& items, uint32_t number);

private:
    std::unique_ptr<ScriptedAccessibility> scripted_;
};

}  // namespace enginetest
