#pragma once
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/BackgroundQueue.h"
#include "platform/RunLoop.h"

namespace testsupport {

// The temporary folder of this test program's run (removed when the program ends).
const std::filesystem::path& temporaryRoot();

// Points every configurable root of the platform at fresh folders under the run's temporary
// folder and puts back the defaults the test main sets: a manual-clock main run loop, the
// launch arguments {"tessivane"}, no preference domains in memory, the en_US locale and UTC.
// Installed services and the main bundle are left as they are (a test may call this halfway
// through, to start again from an empty home with its fakes still in place).
// Returns the new home; the log folder is its sibling "logs".
std::filesystem::path resetPlatformForTest();

// A fixture that gives each test its own home, log folder and manual clock, so that no test
// sees what another one stored; it also uninstalls the platform services and points the main
// bundle back at the resources folder. The reset happens in the constructor, before a derived
// fixture's members are made, so members that schedule timers or install services at
// construction keep what they set up.
class TestHome : public ::testing::Test {
protected:
    TestHome();

    const std::filesystem::path& home() const { return home_; }
    std::filesystem::path logFolder() const { return home_.parent_path() / "logs"; }
    platform::RunLoop& runLoop() const { return platform::RunLoop::main(); }
    void advance(double seconds) const { platform::RunLoop::main().advance(seconds); }
    // Waits for what the background queue has to do (image files being decoded, each within
    // its bound), then runs what it handed to the main run loop.
    void finishBackgroundWork() const {
        platform::BackgroundQueue::shared().waitUntilIdle();
        advance(0);
    }

private:
    std::filesystem::path home_;
};

}  // namespace testsupport
