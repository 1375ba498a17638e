#pragma once
#include <string>

#include "platform/PropertyValue.h"

namespace platform {

namespace DateFormatting {
Date now();  // from the main run loop's clock
// "2026-01-05T09:00:00Z" style stamps, in UTC.
std::string iso8601(Date date);
// The localized pattern for a template such as "EEEjm" in a locale ("en_US", "de").
std::string localizedPattern(const std::string& skeleton, const std::string& locale);
std::string format(Date date, const std::string& pattern, const std::string& locale,
                   const std::string& timeZone = "");
// The time zone used for formatting when none is given (the simulated desktop sets it).
void setDefaultTimeZone(const std::string& timeZoneID);
}  // namespace DateFormatting

}  // namespace platform
