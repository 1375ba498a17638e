#pragma once
#include <memory>
#include <string>
#include <vector>

#include "desktop/Scene.h"
#include "model/DiscoveredMenuBarItem.h"
#include "support/DesktopOnHome.h"

namespace enginetest {

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

    // The item of a scan whose window is `number`; null when there is none.
    static const tessivane::DiscoveredMenuBarItem* itemWithWindow(
        const std::vector<tessivane::DiscoveredMenuBarItem>& items, uint32_t number);
};

}  // namespace enginetest
