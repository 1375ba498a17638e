#include "engine/DiscoveryFixture.h"

#include <gtest/gtest.h>

#include "platform/Platform.h"

namespace enginetest {

std::pair<platform::AXError, platform::AXValue> ScriptedAccessibility::copyAttributeValue(
    const platform::AXUIElementRef& element, const std::string& attribute) {
    if (answer) {
        if (Answer scripted = answer(element, attribute)) return std::move(*scripted);
    }
    return real_.copyAttributeValue(element, attribute);
}

std::pair<platform::AXError, std::vector<std::string>> ScriptedAccessibility::copyActionNames(
    const platform::AXUIElementRef& element) {
    calls.push_back("copyActionNames");
    return real_.copyActionNames(element);
}

platform::AXError ScriptedAccessibility::performAction(const platform::AXUIElementRef& element,
                                                       const std::string& action) {
    calls.push_back("performAction " + action);
    return real_.performAction(element, action);
}

ScriptedAccessibility& DiscoveryFixture::scriptAccessibility() {
    platform::Services services = platform::services();
    if (scripted_ && services.accessibility == scripted_.get()) return *scripted_;
    scripted_ = std::make_unique<ScriptedAccessibility>(*services.accessibility);
    services.accessibility = scripted_.get();
    platform::install(services);
    return *scripted_;
}

desktop::Desktop& DiscoveryFixture::loadDefaultScene() {
    desktop::Desktop& d = loadDefault();
    d.setAccessibilityTrusted(true);
    return d;
}

desktop::Scene DiscoveryFixture::bareScene() {
    desktop::Scene scene = desktop::Scene::minimal();
    scene.accessibilityTrusted = true;
    return scene;
}

desktop::SceneApplication DiscoveryFixture::app(int32_t pid, std::string name, std::string bundle,
                                                 std::vector<double> itemWidths) {
    desktop::SceneApplication a;
    a.pid = pid;
    a.name = std::move(name);
    if (!bundle.empty()) a.bundleIdentifier = std::move(bundle);
    for (size_t i = 0; i < itemWidths.size(); ++i) {
        desktop::SceneStatusItem item;
        item.autosaveName = "Item-" + std::to_string(i);
        item.width = itemWidths[i];
        a.statusItems.push_back(std::move(item));
    }
    return a;
}

desktop::SceneWindow DiscoveryFixture::window(platform::Rect frame, std::string name, int layer) {
    desktop::SceneWindow w;
    w.name = std::move(name);
    w.frame = frame;
    w.layer = layer;
    return w;
}

const tessivane::DiscoveredMenuBarItem* DiscoveryFixture::itemWithWindow(
    const std::vector<tessivane::DiscoveredMenuBarItem>& items, uint32_t number) {
    for (const auto& item : items) {
        if (item.windowID == number) return &item;
    }
    return nullptr;
}

}  // namespace enginetest
