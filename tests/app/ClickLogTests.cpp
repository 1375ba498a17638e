#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/ClickLog.h"
#include "platform/FileLocations.h"
#include "support/TestHome.h"

namespace tessivane {
namespace {

class ClickLogTest : public testsupport::TestHome {
protected:
    std::filesystem::path logFile() const { return platform::FileLocations::logFolder() / "tessivane-click.log"; }
    std::string contents() const {
        std::ifstream in(logFile());
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(ClickLogTest, AppendsTimeStampedLinesToTheClickLog) {
    tessivaneClickLog("activate Wi-Fi secondary=false");
    advance(1.5);
    tessivaneClickLog("click ok attempt=0 rtl=false sep=500.0");
    EXPECT_EQ(contents(),
              "2026-01-05T09:00:00Z activate Wi-Fi secondary=false\n"
              "2026-01-05T09:00:01Z click ok attempt=0 rtl=false sep=500.0\n");
}

TEST_F(ClickLogTest, NeverWritesThroughALinkPlantedAtTheLogsName) {
    const auto victim = home() / "victim.txt";
    std::ofstream(victim) << "keep\n";
    std::filesystem::create_symlink(victim, logFile());

    tessivaneClickLog("row left Clock");

    std::ifstream in(victim);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "keep");
    EXPECT_FALSE(std::filesystem::is_symlink(logFile()));
    EXPECT_EQ(contents(), "2026-01-05T09:00:00Z row left Clock\n");
}

}  // namespace
}  // namespace tessivane
