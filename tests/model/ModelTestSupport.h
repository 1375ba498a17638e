#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "model/MenuBarItemID.h"
#include "platform/FileLocations.h"
#include "platform/Platform.h"
#include "platform/ProcessInfo.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "support/TestHome.h"

namespace tessivane::modeltest {

// Each test gets its own home folder (so preference files and custom icons start empty),
// plain launch arguments and an in-memory workspace; the services are put back after.
class ModelTest : public testsupport::TestHome {
protected:
    void SetUp() override {
        TestHome::SetUp();
        home_ = home();
        previousServices_ = platform::services();
        platform::Services services = previousServices_;
        services.workspace = &workspace;
        platform::install(services);
    }

    void TearDown() override { platform::install(previousServices_); }

    // Control Center running under a localized name.
    void runControlCenter(std::optional<std::string> localizedName) {
        platform::RunningApplication app;
        app.processIdentifier = 400;
        app.bundleIdentifier = "com.apple.controlcenter";
        app.localizedName = std::move(localizedName);
        workspace.apps.push_back(app);
    }

    platform::InMemoryWorkspace workspace;
    std::filesystem::path home_;

private:
    platform::Services previousServices_;
};

inline MenuBarItemID item(std::optional<std::string> bundle, std::optional<std::string> title,
                          std::optional<std::string> owner, int64_t index = 0) {
    MenuBarItemID id;
    id.bundleIdentifier = std::move(bundle);
    id.title = std::move(title);
    id.ownerName = std::move(owner);
    id.itemIndex = index;
    return id;
}

}  // namespace tessivane::modeltest
