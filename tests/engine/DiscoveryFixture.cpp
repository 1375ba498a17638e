#include "engine/DiscoveryFixture.h"

#include <gtest/gtest.h>

namespace enginetest {

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
