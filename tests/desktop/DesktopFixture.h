#pragma once
#include <memory>
#include <string>

#include "desktop/Desktop.h"
#include "desktop/Scene.h"
#include "support/TestHome.h"

namespace desktoptest {

// A fresh home and manual clock per test, and a desktop built from a scene.
class DesktopTest : public testsupport::TestHome {
protected:
    void TearDown() override { desktop_.reset(); }

    desktop::Desktop& load(const desktop::Scene& scene) {
        desktop_.reset();
        desktop_ = std::make_unique<desktop::Desktop>(scene);
        desktop_->install();
        return *desktop_;
    }
    desktop::Desktop& loadDefault();
    desktop::Desktop& desktop() { return *desktop_; }

    // An application with one status item per width, positions 100, 200, ... from the clock.
    static desktop::SceneApplication appWithItems(int32_t pid, const std::string& name,
                                                  std::initializer_list<double> widths, double firstPosition = 100);
    // A scene without a camera housing: one 1440 x 900 screen.
    static desktop::Scene flatScene();

    std::unique_ptr<desktop::Desktop> desktop_;
};

}  // namespace desktoptest
