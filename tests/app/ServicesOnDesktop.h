#pragma once
// The application core's own services (permissions, re-approval records, the usage report)
// tested on a simulated desktop without launching the whole application.
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "desktop/Scene.h"
#include "platform/Bundle.h"
#include "support/DesktopOnHome.h"

namespace apptest {

class ServicesOnDesktop : public testsupport::DesktopOnHome {
protected:
    void SetUp() override {
        DesktopOnHome::SetUp();
        load(desktop::Scene::minimal());
    }

    static desktop::SceneScreen screen(double width, double height, std::optional<double> cameraHousing,
                                       bool isMain = false) {
        desktop::SceneScreen s;
        s.frame = platform::Rect{0, 0, width, height};
        if (cameraHousing) s.cameraHousing = platform::Size{*cameraHousing, 32};
        s.isMain = isMain;
        return s;
    }
};

// Points the main bundle at an information property list with the given short version
// (none at all when absent) and puts the application's own bundle back afterwards.
class BundleVersion {
public:
    BundleVersion(const std::filesystem::path& folder, const std::optional<std::string>& version) {
        std::filesystem::create_directories(folder);
        std::ofstream plist(folder / "Info.plist");
        plist << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
              << "<key>CFBundleIdentifier</key><string>com.tessivane.Tessivane</string>\n";
        if (version) plist << "<key>CFBundleShortVersionString</key><string>" << *version << "</string>\n";
        plist << "</dict>\n</plist>\n";
        plist.close();
        platform::Bundle::setMainResources(folder);
    }
    ~BundleVersion() { platform::Bundle::setMainResources(TESSIVANE_RESOURCES_DIR); }
    BundleVersion(const BundleVersion&) = delete;
    BundleVersion& operator=(const BundleVersion&) = delete;
};

}  // namespace apptest
