// The main of every test program: a temporary home and log folder so that no test touches
// the real ones, and a manual clock so that nothing in a test sleeps.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>

#include "platform/BackgroundQueue.h"
#include "platform/Bundle.h"
#include "platform/DateFormatting.h"
#include "platform/FileLocations.h"
#include "platform/Platform.h"
#include "platform/ProcessInfo.h"
#include "platform/Text.h"
#include "platform/UserDefaults.h"
#include "support/TestHome.h"

namespace testsupport {
namespace {

std::filesystem::path& root() {
    static std::filesystem::path r;
    return r;
}

std::filesystem::path makeRoot() {
    std::error_code ec;
    auto base = std::filesystem::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string pattern = (base / "tessivane-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::exit(2);
    }
    return pattern;
}

}  // namespace

const std::filesystem::path& temporaryRoot() { return root(); }

TestHome::TestHome() : home_(resetPlatformForTest()) {
    // Nothing left pointing at a previous test's desktop or bundle. Only here, not in
    // resetPlatformForTest, which tests also call halfway to start over with an empty home.
    platform::install(platform::Services{});
    platform::Bundle::setMainResources(TESSIVANE_RESOURCES_DIR);
}

std::filesystem::path resetPlatformForTest() {
    static int counter = 0;
    const auto folder = root() / ("test-" + std::to_string(++counter));
    const auto home = folder / "home";
    std::filesystem::create_directories(home);
    std::filesystem::create_directories(folder / "logs");
    platform::FileLocations::setHome(home);
    platform::FileLocations::setLogFolder(folder / "logs");
    platform::resetPreferenceDomainsForTesting();
    // What the background still does for the previous test is not handed to the next one's loop.
    platform::BackgroundQueue::shared().cancelAll();
    platform::RunLoop::resetMain(std::make_unique<platform::ManualClock>());
    platform::ProcessInfo::setArguments({"tessivane"});
    platform::Text::setCurrentLocale("en_US");
    platform::DateFormatting::setDefaultTimeZone("UTC");
    return home;
}

}  // namespace testsupport

int main(int argc, char** argv) {
    ::testing::InitGoogleMock(&argc, argv);
    testsupport::root() = testsupport::makeRoot();
    const auto home = testsupport::root() / "home";
    std::filesystem::create_directories(home);
    std::filesystem::create_directories(testsupport::root() / "logs");
    platform::FileLocations::setHome(home);
    platform::FileLocations::setLogFolder(testsupport::root() / "logs");
    platform::RunLoop::resetMain(std::make_unique<platform::ManualClock>());
    platform::ProcessInfo::setArguments({"tessivane"});

    const int result = RUN_ALL_TESTS();

    // Let go of whatever pending blocks still hold before the statics go away.
    platform::BackgroundQueue::shared().cancelAll();
    platform::RunLoop::resetMain(std::make_unique<platform::ManualClock>());
    platform::resetPreferenceDomainsForTesting();
    std::error_code ec;
    std::filesystem::remove_all(testsupport::root(), ec);
    return result;
}
