#pragma once
#include <string>

#include "platform/PropertyValue.h"

namespace tessivane {

// The menu bar clock's text as the user set it up: weekday and date shown or not, read from
// the system clock's own preferences on every call, in the current locale's order and
// 12/24-hour convention.
namespace MenuBarClockFormat {

inline constexpr const char* clockDomain = "com.apple.menuextra.clock";

// "EEE" with the weekday, "dMMM" with the date, then always "jm".
std::string dateTemplate();
std::string string(platform::Date date);

}  // namespace MenuBarClockFormat

}  // namespace tessivane
