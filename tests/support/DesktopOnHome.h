#pragma once
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "desktop/Desktop.h"
#include "desktop/Scene.h"
#include "support/TestHome.h"

namespace testsupport {

// The crowded laptop of resources/scenes; a scene that cannot be read fails the test.
inline desktop::Scene defaultScene() {
    std::string error;
    auto scene = desktop::Scene::load(std::string(TESSIVANE_RESOURCES_DIR) + "/scenes/laptop-crowded.json", error);
    if (!scene) {
        ADD_FAILURE() << "crowded laptop scene: " << error;
        return desktop::Scene::minimal();
    }
    return *scene;
}

// A fresh home and manual clock per test, and a simulated desktop built from a scene and
// installed as the platform's backend.
class DesktopOnHome : public TestHome {
protected:
    void TearDown() override { desktop_.reset(); }

    desktop::Desktop& load(const desktop::Scene& scene) {
        desktop_.reset();
        desktop_ = std::make_unique<desktop::Desktop>(scene);
        desktop_->install();
        return *desktop_;
    }
    desktop::Desktop& loadDefault() { return load(defaultScene()); }
    desktop::Desktop& desktop() { return *desktop_; }

    std::unique_ptr<desktop::Desktop> desktop_;
};

}  // namespace testsupport
