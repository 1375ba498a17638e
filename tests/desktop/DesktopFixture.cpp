#include "DesktopFixture.h"

namespace desktoptest {

desktop::SceneApplication DesktopTest::appWithItems(int32_t pid, const std::string& name,
                                                    std::initializer_list<double> widths, double firstPosition) {
    desktop::SceneApplication app;
    app.pid = pid;
    app.name = name;
    app.bundleIdentifier = "com.example." + name;
    size_t i = 0;
    for (double w : widths) {
        desktop::SceneStatusItem item;
        item.autosaveName = "Item-" + std::to_string(i);
        item.width = w;
        item.position = firstPosition + 100.0 * static_cast<double>(i);
        item.description = name + " " + std::to_string(i);
        item.menu = {name + " menu " + std::to_string(i)};
        app.statusItems.push_back(item);
        ++i;
    }
    return app;
}

desktop::Scene DesktopTest::flatScene() {
    desktop::Scene scene;
    desktop::SceneScreen screen;
    screen.frame = platform::Rect{0, 0, 1440, 900};
    scene.screens.push_back(screen);
    return scene;
}

}  // namespace desktoptest
