// tessivane: the simulated desktop with the application.
//   tessivane --headless [--scene FILE] [-- ARGS...]
//       launches Tessivane on the desktop built from the scene (ARGS are its launch
//       arguments, "-UITesting" say), prints the desktop and exits
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/TessivaneApp.h"
#include "desktop/Desktop.h"
#include "desktop/DesktopApplication.h"
#include "platform/FileLocations.h"
#include "platform/RunLoop.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: tessivane --headless [--scene FILE] [--home FOLDER] [-- LAUNCH-ARGUMENTS...]\n");
    return 2;
}

// A fresh home for the simulated Mac's preferences, so the real one is never touched.
std::filesystem::path temporaryHome() {
    std::error_code ec;
    auto base = std::filesystem::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string pattern = (base / "tessivane-home-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) return {};
    return pattern;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    bool headless = false;
    std::filesystem::path scene = std::filesystem::path(TESSIVANE_RESOURCES_DIR) / "scenes" / "default.json";
    std::filesystem::path home;
    std::vector<std::string> launchArguments{"tessivane"};
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--") {
            launchArguments.insert(launchArguments.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else if (args[i] == "--headless") {
            headless = true;
        } else if (args[i] == "--scene" && i + 1 < args.size()) {
            scene = args[++i];
        } else if (args[i] == "--home" && i + 1 < args.size()) {
            home = args[++i];
        } else {
            return usage();
        }
    }
    if (!headless) {
        std::fprintf(stderr, "tessivane: only --headless is available so far\n");
        return usage();
    }

    const bool ownHome = home.empty();
    if (ownHome) home = temporaryHome();
    if (home.empty()) {
        std::fprintf(stderr, "tessivane: cannot make a home folder for the simulated desktop\n");
        return 1;
    }
    platform::FileLocations::setHome(home);
    platform::FileLocations::setLogFolder(home / "logs");
    platform::RunLoop::resetMain(std::make_unique<platform::ManualClock>());

    std::string error;
    int status = 0;
    {
        auto desktop = desktop::Desktop::fromFile(scene, error);
        if (!desktop) {
            std::fprintf(stderr, "tessivane: %s\n", error.c_str());
            status = 1;
        } else {
            desktop->install();
            tessivane::TessivaneApp::main();
            desktop->launchApplication(launchArguments);
            desktop->advance(0);
            std::fputs(desktop->dump().c_str(), stdout);
            // The application goes first, while the desktop still serves its status items.
            desktop->application().setDelegate(nullptr);
        }
    }
    platform::RunLoop::resetMain(std::make_unique<platform::ManualClock>());
    if (ownHome) {
        std::error_code ec;
        std::filesystem::remove_all(home, ec);
    }
    return status;
}
