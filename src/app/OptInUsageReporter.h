#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "model/EnvironmentProfile.h"

namespace tessivane {

// The anonymous report of the user's setup, sent only while the user has opted in:
// counts, flags and the version, never names or identities. The only memory is the time
// of the last report the endpoint accepted, kept in the user defaults.
namespace OptInUsageReporter {

inline constexpr std::string_view shareSystemInfoKey = "Tessivane.ShareSystemInfoWithDeveloper";
inline constexpr std::string_view lastSentAtKey = "Tessivane.LastOptInUsageSentAt";
inline constexpr std::string_view defaultEndpointBase = "https://telemetry.tessivane.app";
inline constexpr std::string_view endpointPath = "/telemetry";
// Unforced reports go at most this often, counted from the last accepted one (20 hours).
inline constexpr double minimumSecondsBetweenReports = 72000;
inline constexpr double requestTimeoutSeconds = 12;

// What the report counts of the running application; the coordinator gathers it from its
// services when a report is actually going to be built.
struct AppFacts {
    std::span<const EnvironmentProfile> environments;
    int64_t discoveredCount = 0;
    int64_t overflowHiddenCount = 0;
    bool launchAtLogin = false;
    bool accessibilityTrusted = false;
};

// The report as it is encoded, field by field in this order.
struct Payload {
    std::string appVersion;
    std::optional<std::string> firstInstalledVersion;
    int64_t displayCount = 0;
    bool hasNotch = false;
    int64_t menuBarWidth = 0;
    bool rtl = false;
    int64_t vosselCount = 0;
    int64_t environmentCount = 0;
    int64_t discoveredCount = 0;
    int64_t memberCount = 0;
    int64_t overflowHiddenCount = 0;
    bool hoverToOpen = false;
    bool launchAtLogin = false;
    bool accessibilityTrusted = false;
};

// Builds the report from the facts, the screens, the menu bar's direction, the bundle and
// the stored records.
Payload snapshot(const AppFacts& facts);
// The JSON object of the report, keys in field order, no "firstInstalledVersion" when there
// is none. Absent when it cannot be encoded.
std::optional<std::string> encode(const Payload& payload);
// "Tessivane/<short version> Usage/1".
std::string userAgent();

// Sends a report when the user has opted in (never in UI-test mode) and, unless forced,
// when the last accepted report is at least 20 hours old. Returns at once; the request
// completes on the reporter's own thread, which records the time of a 2xx answer and
// touches nothing else. `facts` is called only when a report is really built.
void sendIfNeeded(const std::function<AppFacts()>& facts, bool force);

// Points reports at another server (a loopback server in tests). Main thread.
void setEndpointBase(std::string base);
// Waits until every report started so far has finished, at most `timeout`; false when
// some are still under way.
bool waitUntilIdle(std::chrono::milliseconds timeout);

}  // namespace OptInUsageReporter

}  // namespace tessivane
