#include "settings/MenuBarClockFormat.h"

#include "platform/DateFormatting.h"
#include "platform/Text.h"
#include "platform/UserDefaults.h"

namespace tessivane {

namespace {

// A value that is not a Boolean counts as absent.
bool flag(const platform::PropertyDictionary& domain, const char* key, bool fallback) {
    auto it = domain.find(key);
    if (it == domain.end()) return fallback;
    return it->second.asBool().value_or(fallback);
}

}  // namespace

std::string MenuBarClockFormat::dateTemplate() {
    const platform::PropertyDictionary domain =
        platform::UserDefaults::standard().persistentDomain(clockDomain).value_or(platform::PropertyDictionary{});
    std::string result;
    if (flag(domain, "ShowDayOfWeek", true)) result += "EEE";
    if (flag(domain, "ShowDate", false)) result += "dMMM";
    result += "jm";
    return result;
}

std::string MenuBarClockFormat::string(platform::Date date) {
    const std::string locale = platform::Text::currentLocale();
    return platform::DateFormatting::format(date, platform::DateFormatting::localizedPattern(dateTemplate(), locale),
                                            locale);
}

}  // namespace tessivane
