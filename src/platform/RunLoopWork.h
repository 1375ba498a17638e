#pragma once

namespace platform {

// Whether a timer or block of the run loop is running now: the loop's own work, as opposed
// to a call from outside it (a test driving the program directly).
bool isRunningLoopWork();

}  // namespace platform
