#pragma once
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/RunLoop.h"

namespace testsupport {

// The temporary folder of this test program's run (removed when the program ends).
const std::filesystem::path& temporaryRoot();

// Points every configurable root of the platform at fresh folders under the run's temporary
// folder and puts back the defaults the test main sets: a manual-clock main run loop, the
// launch arguments {"tessivane"}, no preference domains in memory, the en_US locale and UTC.
// Returns the new home; the log folder is its sibling "logs".
std::filesystem::path resetPlatformForTest();

// A fixture that gives each test its own home, log folder and manual clock, so that no test
// sees what another one stored. Derive from it (or call resetPlatformForTest yourself).
class TestHome : public ::testing::Test {
protected:
    void SetUp() override { home_ = resetPlatformForTest(); }

    const std::filesystem::path& home() const { return home_; }
    std::filesystem::path logFolder() const { return home_.parent_path() / "logs"; }
    platform::RunLoop& runLoop() const { return platform::RunLoop::main(); }
    void advance(double seconds) const { platform::RunLoop::main().advance(seconds); }

private:
    std::filesystem::path home_;
};

}  // namespace testsupport
