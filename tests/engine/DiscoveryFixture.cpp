#include "engine/DiscoveryFixture.h"

#include <gtest/gtest.h>

#include "platform/Platform.h"

namespace enginetest {

ScriptedAccessibility& DiscoveryFixture::scriptAccessibility() {
    platform::Services services = platform::services();
    if (scripted_ && services.accessibility == scripted_.get()) return *scripted_;
    scripted_ = std::make_unique<ScriptedAccessibility>(*services.accessibility);
    services.accessibility = scripted_.get();
    platform::install(services);
    return *scripted_;
}

void DiscoveryFixture::scriptFrameOf(int32_t pid, platform::Rect frame) {
    scriptAccessibility().answer = [pid, frame](const platform::AXUIElementRef& element,
                                                const std::string& attribute) -> ScriptedAccessibility::Answer {
        if (element->pid() != pid) return std::nullopt;
        if (attribute == platform::AX::position) return {{platform::AXError::success, frame.origin}};
        if (attribute == platform::AX::size) return {{platform::AXError::success, frame.size}};
        return std::nullopt;
    };
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
