// tessivane: the simulated desktop with the application.
//   tessivane [--scene FILE] [--listen HOST:PORT] [--clock real|manual] [--home DIR]
//             [--log-folder DIR] [-UITesting] [-ForceMenuBarRTL] [-ForceMenuBarLTR] [-- ARGS...]
//       launches Tessivane on the desktop built from the scene (the default laptop unless
//       --scene names another) and serves the page that shows it, 127.0.0.1:8765 unless
//       --listen says otherwise (port 0: any free port; the address is printed)
//   tessivane --headless [--scene FILE] [--home DIR] [-- ARGS...]
//       launches it, prints the desktop and exits
//   tessivane [--headless] --run-for SECONDS [--scene FILE] [--home DIR] [-- ARGS...]
//       runs for that long (or until Ctrl-C), serving or not, then quits the application as
//       its Quit command does; for measuring a whole process at rest
// ARGS (and the three launch arguments above) are the application's launch arguments.
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <pthread.h>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/TessivaneApp.h"
#include "desktop/Desktop.h"
#include "desktop/DesktopApplication.h"
#include "desktop/display/DisplayAPI.h"
#include "desktop/display/DisplayAccess.h"
#include "desktop/display/DisplayServer.h"
#include "platform/BackgroundQueue.h"
#include "platform/FileLocations.h"
#include "platform/RunLoop.h"
#include "ui/SymbolCatalogue.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: tessivane [--scene FILE] [--listen HOST:PORT] [--clock real|manual] [--home DIR]\n"
                 "                 [--log-folder DIR] [--run-for SECONDS] [-UITesting] [-ForceMenuBarRTL]\n"
                 "                 [-ForceMenuBarLTR] [-- ARGS...]\n"
                 "       tessivane --headless [--run-for SECONDS] [--scene FILE] [--home DIR] [--log-folder DIR]\n"
                 "                 [-- ARGS...]\n");
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

// HOST:PORT, with an IPv6 address in brackets ([::1]:8765) as the program prints it.
bool parseListen(const std::string& text, std::string& host, int& port) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    host = text.substr(0, colon);
    if (host.front() == '[') {
        if (host.size() < 3 || host.back() != ']') return false;
        host = host.substr(1, host.size() - 2);
    } else if (host.find(':') != std::string::npos) {
        return false;  // an IPv6 address needs its brackets to tell it from the port
    }
    const std::string digits = text.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) return false;
    port = std::stoi(digits);
    return port <= 65535;
}

// A positive, finite number of seconds.
bool parseSeconds(const std::string& text, double& seconds) {
    char* end = nullptr;
    seconds = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0' && std::isfinite(seconds) && seconds > 0;
}

bool isLaunchArgument(const std::string& arg) {
    return arg == "-UITesting" || arg == "-ForceMenuBarRTL" || arg == "-ForceMenuBarLTR";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    bool headless = false;
    bool manualClock = false;
    std::optional<double> runFor;
    std::filesystem::path scene = std::filesystem::path(TESSIVANE_RESOURCES_DIR) / "scenes" / "default.json";
    std::filesystem::path home;
    std::filesystem::path logFolder;
    std::string host = "127.0.0.1";
    int port = 8765;
    std::vector<std::string> launchArguments{"tessivane"};
    for (size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--") {
            launchArguments.insert(launchArguments.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else if (args[i] == "--headless") {
            headless = true;
        } else if (args[i] == "--run-for" && hasValue) {
            double seconds = 0;
            if (!parseSeconds(args[++i], seconds)) {
                std::fprintf(stderr, "tessivane: --run-for takes a number of seconds, for example 60\n");
                return 2;
            }
            runFor = seconds;
        } else if (args[i] == "--scene" && hasValue) {
            scene = args[++i];
        } else if (args[i] == "--home" && hasValue) {
            home = args[++i];
        } else if (args[i] == "--log-folder" && hasValue) {
            logFolder = args[++i];
        } else if (args[i] == "--listen" && hasValue) {
            if (!parseListen(args[++i], host, port)) {
                std::fprintf(stderr, "tessivane: --listen takes HOST:PORT, for example 127.0.0.1:8765\n");
                return 2;
            }
        } else if (args[i] == "--clock" && hasValue) {
            const std::string clock = args[++i];
            if (clock != "real" && clock != "manual") return usage();
            manualClock = clock == "manual";
        } else if (isLaunchArgument(args[i])) {
            launchArguments.push_back(args[i]);
        } else {
            return usage();
        }
    }


    const bool ownHome = home.empty();
    if (ownHome) home = temporaryHome();
    if (home.empty()) {
        std::fprintf(stderr, "tessivane: cannot make a home folder for the simulated desktop\n");
        return 1;
    }
    std::error_code ec;
    std::filesystem::create_directories(home, ec);
    if (logFolder.empty()) logFolder = home / "logs";
    std::filesystem::create_directories(logFolder, ec);
    platform::FileLocations::setHome(home);
    platform::FileLocations::setLogFolder(logFolder);
    if ((headless && !runFor) || manualClock) {
        platform::RunLoop::resetMain(std::make_unique<platform::ManualClock>());
    } else {
        platform::RunLoop::resetMain(std::make_unique<platform::RealClock>());
    }

    // Ctrl-C, termination and the terminal closing (hang-up) are taken by a thread of their
    // own, which asks the main thread to quit; every other thread (the server's) starts with
    // them blocked.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    if (!headless || runFor) pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::string error;
    int status = 0;
    {
        auto desktop = desktop::Desktop::fromFile(scene, error);
        if (!desktop) {
            std::fprintf(stderr, "tessivane: %s\n", error.c_str());
            status = 1;
        } else if (headless && runFor) {
            desktop->install();
            tessivane::TessivaneApp::main();
            desktop->launchApplication(launchArguments);
            platform::RunLoop& loop = platform::RunLoop::main();
            // Quitting stops the loop: after the time given, or at Ctrl-C.
            desktop::DesktopApplication& application = desktop->application();
            loop.asyncAfter(*runFor, [&application] { application.terminate(); });
            std::thread signals([&loop, &application, stopSignals] {
                int received = 0;
                sigwait(&stopSignals, &received);
                loop.performOnMain([&application] { application.terminate(); });
            });
            loop.run();
            if (!application.isTerminated()) application.terminate();
            pthread_kill(signals.native_handle(), SIGTERM);  // the watcher ends too
            signals.join();
            desktop->application().setDelegate(nullptr);
        } else if (headless) {
            desktop->install();
            tessivane::TessivaneApp::main();
            desktop->launchApplication(launchArguments);
            desktop->advance(0);
            const std::string dump = desktop->dump();
            std::fwrite(dump.data(), 1, dump.size(), stdout);
            // The application goes first, while the desktop still serves its status items.
            desktop->application().setDelegate(nullptr);
        } else {
            desktop->install();
            desktop::DisplayAPI api(*desktop);
            desktop::DisplayServer::Options options;
            options.token = desktop::DisplayAccess::loadOrCreateToken(desktop::DisplayAccess::runtimeFolder(), error);
            options.host = host;
            options.port = port;
            options.pages = std::filesystem::path(TESSIVANE_RESOURCES_DIR) / "display";
            options.iconFont = ui::SymbolCatalogue::fontFile;
            desktop::DisplayServer server(api, options);
            if (options.token.empty()) {
                std::fprintf(stderr, "tessivane: %s\n", error.c_str());
                status = 1;
            } else if (!server.start(error)) {
                std::fprintf(stderr, "tessivane: %s\n", error.c_str());
                status = 1;
            } else {
                // The first signal quits the application as its Quit command does, whatever
                // runs (an advance, an alert inside it); a second one ends the process at once.
                std::atomic<bool> finished{false};
                std::thread signals([&server, &finished, stopSignals] {
                    int received = 0;
                    sigwait(&stopSignals, &received);
                    if (finished) return;
                    server.quit();
                    sigwait(&stopSignals, &received);
                    if (finished) return;
                    std::fputs("tessivane: stopped without waiting\n", stderr);
                    std::_Exit(128 + received);
                });
                if (!desktop::DisplayAccess::isLoopback(host)) {
                    std::fprintf(stderr,
                                 "tessivane: warning: %s is not a loopback address; other machines can reach the "
                                 "page, and anyone with the address below can drive the desktop\n",
                                 host.c_str());
                }
                tessivane::TessivaneApp::main();
                desktop->launchApplication(launchArguments);
                if (runFor) {
                    desktop::DesktopApplication& application = desktop->application();
                    platform::RunLoop::main().asyncAfter(*runFor, [&application] { application.terminate(); });
                }
                std::printf("Tessivane is running at %s\n", server.address().c_str());
                if (manualClock) std::printf("The clock is manual: it moves only when the page or the API advances it.\n");
                std::fflush(stdout);
                server.run();
                server.stop();
                finished = true;
                pthread_kill(signals.native_handle(), SIGTERM);  // the watcher ends too
                signals.join();
                if (!desktop->application().isTerminated()) desktop->application().terminate();
            }
            desktop->application().setDelegate(nullptr);
        }
    }
    // Work still under way in the background (a decoder waiting out its bound) hands nothing
    // to the loop that goes now.
    platform::BackgroundQueue::shared().cancelAll();
    platform::RunLoop::resetMain(std::make_unique<platform::ManualClock>());
    if (ownHome) std::filesystem::remove_all(home, ec);
    return status;
}
