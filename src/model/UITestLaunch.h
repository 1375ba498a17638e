#pragma once
#include <memory>
#include <string_view>

#include "platform/UserDefaults.h"

namespace tessivane {

// Chooses the user-defaults store that holds every key of the system's own: the standard
// store in normal use, an isolated suite when launched for automated UI tests. Status item
// positions are the one exception; they always live in the standard store.
namespace UITestLaunch {

inline constexpr std::string_view argument = "-UITesting";
inline constexpr std::string_view suiteName = "com.tessivane.Tessivane.uitest";

// Whether a launch argument equals "-UITesting" exactly; asked anew on every call.
bool isEnabled();
// A fresh store for the isolated suite under test mode (the standard store if the suite
// cannot be made), otherwise the standard store. Nothing is cached.
std::shared_ptr<platform::UserDefaults> defaults();
// Under test mode, empties the isolated suite so that each UI-test launch starts clean.
void prepareIsolatedStore();

}  // namespace UITestLaunch

}  // namespace tessivane
