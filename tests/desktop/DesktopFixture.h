#pragma once
#include <initializer_list>
#include <string>

#include "desktop/Scene.h"
#include "support/DesktopOnHome.h"

namespace desktoptest {

// Desktop tests: a desktop per test, and scenes built in code.
class DesktopTest : public testsupport::DesktopOnHome {
protected:
    // An application with one status item per width, positions 100, 200, ... from the clock.
    static desktop::SceneApplication appWithItems(int32_t pid, const std::string& name,
                                                  std::initializer_list<double> widths, double firstPosition = 100);
    // A scene without a camera housing: one 1440 x 900 screen.
    static desktop::Scene flatScene();
};

}  // namespace desktoptest
