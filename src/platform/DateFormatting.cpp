#include "platform/DateFormatting.h"

#include <unicode/dtptngen.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

#include "platform/RunLoop.h"

namespace platform::DateFormatting {
namespace {

// ICU's formatters are slow to make and not safe to share between threads without a lock;
// the few the application uses are kept, behind one.
struct Cache {
    std::mutex mutex;
    std::string defaultTimeZone = "UTC";
    std::map<std::string, std::unique_ptr<icu::DateTimePatternGenerator>> generators;
    std::map<std::tuple<std::string, std::string, std::string>, std::unique_ptr<icu::SimpleDateFormat>> formats;
};
constexpr size_t kMostFormats = 64;

Cache& cache() {
    static Cache c;
    return c;
}

std::string toUTF8(const icu::UnicodeString& s) {
    std::string out;
    s.toUTF8String(out);
    return out;
}

}  // namespace

Date now() { return Date{RunLoop::main().now()}; }

std::string iso8601(Date date) {
    using namespace std::chrono;
    double seconds = date.secondsSince1970();
    if (!std::isfinite(seconds)) seconds = 0;
    seconds = std::clamp(seconds, -1e11, 1e11);  // years -1200...5100, well inside the calendar's range
    const sys_seconds t{std::chrono::seconds{static_cast<long long>(std::floor(seconds))}};
    const auto day = floor<days>(t);
    const year_month_day ymd{day};
    const hh_mm_ss hms{t - day};
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02lld:%02lld:%02lldZ", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<long long>(hms.hours().count()), static_cast<long long>(hms.minutes().count()),
                  static_cast<long long>(hms.seconds().count()));
    return text;
}

std::string localizedPattern(const std::string& skeleton, const std::string& locale) {
    auto& c = cache();
    std::lock_guard lock(c.mutex);
    auto& generator = c.generators[locale];
    UErrorCode status = U_ZERO_ERROR;
    if (!generator) {
        generator.reset(icu::DateTimePatternGenerator::createInstance(icu::Locale(locale.c_str()), status));
        if (U_FAILURE(status)) generator.reset();
        if (!generator) return skeleton;
    }
    status = U_ZERO_ERROR;
    icu::UnicodeString pattern = generator->getBestPattern(icu::UnicodeString::fromUTF8(skeleton), status);
    if (U_FAILURE(status)) return skeleton;
    return toUTF8(pattern);
}

std::string format(Date date, const std::string& pattern, const std::string& locale, const std::string& timeZone) {
    auto& c = cache();
    std::lock_guard lock(c.mutex);
    const std::string zone = timeZone.empty() ? c.defaultTimeZone : timeZone;
    auto key = std::make_tuple(pattern, locale, zone);
    auto it = c.formats.find(key);
    if (it == c.formats.end()) {
        if (c.formats.size() >= kMostFormats) c.formats.clear();
        UErrorCode status = U_ZERO_ERROR;
        auto formatter = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString::fromUTF8(pattern),
                                                                 icu::Locale(locale.c_str()), status);
        if (U_FAILURE(status)) return "";
        formatter->adoptTimeZone(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zone)));
        it = c.formats.emplace(std::move(key), std::move(formatter)).first;
    }
    icu::UnicodeString out;
    it->second->format(static_cast<UDate>(date.secondsSince1970() * 1000.0), out);
    return toUTF8(out);
}

void setDefaultTimeZone(const std::string& timeZoneID) {
    auto& c = cache();
    std::lock_guard lock(c.mutex);
    c.defaultTimeZone = timeZoneID.empty() ? "UTC" : timeZoneID;
}

}  // namespace platform::DateFormatting
