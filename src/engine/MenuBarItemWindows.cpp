// The window-server half of discovery: every menu bar icon is a small window, with an
// exact frame and number, but many are drawn by a system host for another application.
#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

#include "model/GenericHostMemo.h"
#include "engine/MenuBarGeometry.h"
#include "engine/MenuBarItemDiscovery.h"
#include "engine/MenuBarSkyLight.h"
#include "engine/SystemMenuBarLayout.h"
#include "model/MenuBarIdentity.h"
#include "platform/Bundle.h"
#include "platform/Platform.h"
#include "platform/ProcessInfo.h"
#include "platform/Text.h"

namespace tessivane {

namespace {

using platform::Rect;

constexpr std::string_view kOwnStatusItemPrefix = "Tessivane.";
constexpr std::string_view kTextInputBundle = "com.apple.TextInputMenuAgent";
constexpr std::string_view kSpotlightBundle = "com.apple.Spotlight";
// The menu bar strip and the slack around it that still counts as the menu bar.
constexpr double kBandHeight = 52;
constexpr double kBandSlack = 8;
// Windows this close to the leading screen edge were shoved there and are hit-tested.
constexpr double kLeadingEdge = 40;
constexpr double kScreenMatchSlack = 40;
constexpr double kMinimumOverlap = 0.3;
constexpr double kNearestMidXReach = 48;

struct BandPads {
    double left;
    double right;
};

BandPads bandPads(bool rtl) { return rtl ? BandPads{80, 2000} : BandPads{400, 80}; }

Rect band(const Rect& screen, BandPads pads) {
    return Rect{screen.minX() - pads.left, screen.maxY() - kBandHeight, screen.width() + pads.left + pads.right,
                kBandHeight};
}

bool isInBand(const Rect& frame, bool rtl, const std::vector<platform::Screen>& screens,
              const std::optional<platform::Screen>& primary) {
    const BandPads pads = bandPads(rtl);
    for (const platform::Screen& screen : screens) {
        if (frame.intersects(band(screen.frame, pads))) return true;
    }
    if (!primary) return false;
    const Rect& p = primary->frame;
    if (!(p.maxY() - kBandHeight - kBandSlack < frame.maxY() && frame.minY() < p.maxY() + kBandSlack)) return false;
    return std::any_of(screens.begin(), screens.end(), [&](const platform::Screen& screen) {
        const Rect b = band(screen.frame, pads);
        return frame.minX() < b.maxX() && b.minX() < frame.maxX();
    });
}

std::optional<uint32_t> windowNumber(uint32_t number) {
    return number != 0 ? std::optional<uint32_t>(number) : std::nullopt;
}

// Whether a coordinate is an ordinary one, at which a point of slack absorbs any rounding.
bool placed(double x) { return std::abs(x) <= 1e12; }

// The windows by place, so that an extra is weighed only against the windows it can match:
// those its frame overlaps, and the host windows whose centre is within reach of its own.
// Windows at no ordinary place are weighed against every extra.
class WindowPlaces {
public:
    WindowPlaces(const MenuBarItemDiscovery::Items& windows, GenericHostMemo& hosts) : windows_(windows) {
        for (size_t i = 0; i < windows.size(); ++i) {
            const Rect& frame = windows[i].frame;
            if (placed(frame.minX()) && placed(frame.maxX())) {
                byMinX_.emplace_back(frame.minX(), i);
                widest_ = std::max(widest_, frame.maxX() - frame.minX());
            } else {
                unplaced_.push_back(i);
            }
            if (!hosts.isGenericHost(windows[i].bundleIdentifier, windows[i].ownerName)) continue;
            if (placed(frame.midX())) {
                hostsByMidX_.emplace_back(frame.midX(), i);
            } else {
                unplacedHosts_.push_back(i);
            }
        }
        std::sort(byMinX_.begin(), byMinX_.end());
        std::sort(hostsByMidX_.begin(), hostsByMidX_.end());
    }

    // The unclaimed window that best matches an extra: the largest horizontal overlap of at
    // least 30 %, else the nearest host window within 48 pt of its centre; the first window
    // of the list on equal measures.
    std::optional<size_t> best(const DiscoveredMenuBarItem& extra, const std::vector<bool>& claimed) const {
        const Rect& e = extra.frame;
        std::optional<size_t> best;
        double bestOverlap = 0;
        const auto weighOverlap = [&](size_t i) {
            if (claimed[i]) return;
            const double overlap = MenuBarIdentity::xOverlap(e, windows_[i].frame);
            if (overlap >= kMinimumOverlap && (!best || overlap > bestOverlap || (overlap == bestOverlap && i < *best))) {
                best = i;
                bestOverlap = overlap;
            }
        };
        // An overlapping window starts left of the extra's end and at most the widest window
        // left of its start.
        each(byMinX_, unplaced_, placed(e.minX()) && placed(e.maxX()), e.minX() - widest_ - 1, e.maxX() + 1,
             weighOverlap);
        if (best) return best;
        double bestDistance = 0;
        const auto weighDistance = [&](size_t i) {
            if (claimed[i]) return;
            const double distance = std::abs(windows_[i].frame.midX() - e.midX());
            if (distance <= kNearestMidXReach && (!best || distance < bestDistance || (distance == bestDistance && i < *best))) {
                best = i;
                bestDistance = distance;
            }
        };
        each(hostsByMidX_, unplacedHosts_, placed(e.midX()), e.midX() - kNearestMidXReach - 1,
             e.midX() + kNearestMidXReach + 1, weighDistance);
        return best;
    }

private:
    using Places = std::vector<std::pair<double, size_t>>;

    // Calls `weigh` with the windows of `places` from `from` to `to`, and the unplaced ones;
    // with every window of both when the extra itself has no ordinary place.
    template <class Weigh>
    static void each(const Places& places, const std::vector<size_t>& unplaced, bool bounded, double from, double to,
                     const Weigh& weigh) {
        auto first = places.begin();
        auto last = places.end();
        if (bounded) {
            first = std::lower_bound(places.begin(), places.end(), from,
                                     [](const auto& place, double x) { return place.first < x; });
            last = std::upper_bound(first, places.end(), to, [](double x, const auto& place) { return x < place.first; });
        }
        for (auto it = first; it != last; ++it) weigh(it->second);
        for (size_t i : unplaced) weigh(i);
    }

    const MenuBarItemDiscovery::Items& windows_;
    Places byMinX_;
    Places hostsByMidX_;
    std::vector<size_t> unplaced_;
    std::vector<size_t> unplacedHosts_;
    double widest_ = 0;
};

std::optional<Rect> screenNear(const Rect& frame, const std::vector<platform::Screen>& screens) {
    for (const platform::Screen& screen : screens) {
        if (screen.frame.minX() - kScreenMatchSlack < frame.maxX() &&
            frame.minX() < screen.frame.maxX() + kScreenMatchSlack) {
            return screen.frame;
        }
    }
    if (auto primary = MenuBarItemDiscovery::primaryScreen()) return primary->frame;
    return std::nullopt;
}

}  // namespace

std::vector<MenuBarItemDiscovery::WindowRecord> MenuBarItemDiscovery::menuBarWindowRecords(
    const std::vector<platform::CGWindowID>& skyLightIDs) {
    const platform::WindowServer& server = platform::windowServer();
    std::vector<WindowRecord> records;
    std::unordered_set<platform::CGWindowID> taken;
    records.reserve(skyLightIDs.size());
    for (platform::CGWindowID number : skyLightIDs) {
        if (number == platform::kCGNullWindowID || taken.contains(number)) continue;
        std::vector<platform::WindowInfo> answer = server.windowList(platform::WindowListOptions::includingWindow, number);
        if (answer.empty()) continue;
        taken.insert(number);
        records.push_back({number, std::move(answer.front())});
    }
    std::vector<platform::WindowInfo> all =
        server.windowList(platform::WindowListOptions::excludeDesktopElements, platform::kCGNullWindowID);
    records.reserve(records.size() + all.size());
    for (platform::WindowInfo& info : all) {
        if (info.number == platform::kCGNullWindowID || !taken.insert(info.number).second) continue;
        const platform::CGWindowID number = info.number;
        records.push_back({number, std::move(info)});
    }
    return records;
}

MenuBarItemDiscovery::Items MenuBarItemDiscovery::discoverMenuBarItemWindows() const {
    const std::vector<platform::CGWindowID> privateList = MenuBarSkyLight::menuBarItemWindowIDs();
    const std::vector<WindowRecord> records = menuBarWindowRecords(privateList);

    // One look at the running applications for the whole list.
    const std::vector<platform::RunningApplication> apps = platform::workspace().runningApplications();
    std::unordered_map<int32_t, const platform::RunningApplication*> appsByPID;
    appsByPID.reserve(apps.size());
    for (const platform::RunningApplication& app : apps) appsByPID.emplace(app.processIdentifier, &app);

    const bool rtl = SystemMenuBarLayout::isRightToLeft();
    const std::vector<platform::Screen> screens = platform::screens().screens();
    const std::optional<platform::Screen> primary = primaryScreen();
    const double height = flipHeight();

    Items items;
    std::unordered_map<std::string, int64_t> ownerCounts;
    for (const WindowRecord& record : records) {
        const platform::WindowInfo& info = record.info;
        if (privateList.empty() && info.layer > 0 && !(info.layer >= 15 && info.layer <= 30)) continue;
        const Rect& bounds = info.bounds;
        if (!(bounds.minY() > -8 && bounds.minY() < 48)) continue;
        const Rect frame = cocoaRect(bounds, height);
        if (!(frame.width() >= 18 && frame.width() <= 220 && frame.height() >= 10 && frame.height() <= 48)) continue;
        if (!isInBand(frame, rtl, screens, primary)) continue;

        if (ignoredOwners_.contains(info.ownerName)) continue;
        const auto appIt = appsByPID.find(info.ownerPID);
        const platform::RunningApplication* app = appIt != appsByPID.end() ? appIt->second : nullptr;
        std::optional<std::string> bundle = app ? app->bundleIdentifier : std::nullopt;
        if (bundle && ignoredOwners_.contains(*bundle)) continue;

        if (info.name) {
            if (info.name->starts_with(kOwnStatusItemPrefix)) continue;
            if (auto named = bundleIDFromWindowName(*info.name)) bundle = std::move(named);
        }

        int64_t& ownerCount = ownerCounts[info.ownerName];
        const int64_t index = ownerCount++;

        std::string title = app && app->localizedName ? *app->localizedName : info.ownerName;
        if (info.name && !info.name->empty() && *info.name != info.ownerName) title = humanizeLabel(*info.name);

        Item item;
        item.id = MenuBarItemID{bundle, title, info.ownerName, index, std::nullopt, std::nullopt};
        item.title = std::move(title);
        item.ownerName = info.ownerName;
        item.bundleIdentifier = std::move(bundle);
        item.itemIndex = index;
        item.frame = frame;
        item.windowID = record.number;
        item.ownerPID = info.ownerPID;
        items.push_back(std::move(item));
    }
    return items;
}

bool MenuBarItemDiscovery::isInMenuBarBand(const Rect& frame) {
    return isInBand(frame, SystemMenuBarLayout::isRightToLeft(), platform::screens().screens(), primaryScreen());
}

std::optional<std::string> MenuBarItemDiscovery::bundleIDFromWindowName(std::string_view name) {
    std::string candidate = platform::Text::trimmed(name);
    if (candidate.find('.') == std::string::npos || candidate.find(' ') != std::string::npos) return std::nullopt;
    const platform::Workspace& workspace = platform::workspace();
    if (workspace.urlForApplication(candidate) || !workspace.runningApplications(candidate).empty()) return candidate;
    return std::nullopt;
}

MenuBarItemDiscovery::Items MenuBarItemDiscovery::resolveSourceApplications(Items windows, const Items& extras) {
    GenericHostMemo hosts;
    return resolveSourceApplications(std::move(windows), extras, hosts);
}

MenuBarItemDiscovery::Items MenuBarItemDiscovery::resolveSourceApplications(Items windows, const Items& extras,
                                                                            GenericHostMemo& hosts) {
    std::vector<bool> claimed(windows.size(), false);
    // Reowning keeps a window's frame, and a reowned window is claimed: the places hold.
    const WindowPlaces places(windows, hosts);
    for (const Item& extra : extras) {
        if (hosts.ownerIsGenericHost(extra.ownerName)) continue;
        if (auto i = places.best(extra, claimed)) {
            windows[*i] = reowned(windows[*i], extra);
            claimed[*i] = true;
        }
    }

    const bool rtl = SystemMenuBarLayout::isRightToLeft();
    const std::vector<platform::Screen> screens = platform::screens().screens();
    for (size_t i = 0; i < windows.size(); ++i) {
        Item& window = windows[i];
        if (claimed[i] || !hosts.ownerIsGenericHost(window.ownerName)) continue;
        // Only a host window shoved to the leading edge may stand for an icon that the
        // Accessibility pass placed elsewhere; ask the system what is under it.
        const std::optional<Rect> screen = screenNear(window.frame, screens);
        bool atLeadingEdge = window.frame.maxX() < kLeadingEdge;
        if (rtl && screen && window.frame.minX() > screen->maxX() - kLeadingEdge) atLeadingEdge = true;
        if (!atLeadingEdge) continue;
        auto hit = sourceApp(cocoaRect(window.frame));
        if (!hit) continue;
        window.title = hit->name;
        window.ownerName = hit->name;
        window.bundleIdentifier = hit->bundleIdentifier;
        window.axElement = std::move(hit->element);
        window.id = MenuBarItemID{window.bundleIdentifier, hit->name,          hit->name,
                                  window.itemIndex,        windowNumber(window.windowID), window.frame.minX()};
    }
    return windows;
}

MenuBarItemDiscovery::Item MenuBarItemDiscovery::reowned(const Item& window, const Item& extra) {
    Item row = window;
    row.bundleIdentifier = extra.bundleIdentifier;
    row.title = friendlyTitle(extra);
    const bool ownerIsTitle = extra.bundleIdentifier == kTextInputBundle || extra.bundleIdentifier == kSpotlightBundle ||
                              extra.ownerName.find("TextInput") != std::string::npos;
    row.ownerName = ownerIsTitle ? row.title : extra.ownerName;
    if (extra.axElement) row.axElement = extra.axElement;
    if (row.windowID == 0) row.windowID = extra.windowID;
    row.id = MenuBarItemID{row.bundleIdentifier, row.title, row.ownerName, row.itemIndex, windowNumber(row.windowID),
                           row.frame.minX()};
    return row;
}

std::string MenuBarItemDiscovery::friendlyTitle(const Item& extra) {
    if (extra.bundleIdentifier == kTextInputBundle ||
        platform::Text::localizedCaseInsensitiveContains(extra.ownerName, "TextInput")) {
        return "Input Source";
    }
    if (extra.bundleIdentifier == kSpotlightBundle || platform::Text::caseInsensitiveEquals(extra.ownerName, "Spotlight")) {
        return "Spotlight";
    }
    return extra.title;
}

std::optional<MenuBarItemDiscovery::SourceApp> MenuBarItemDiscovery::sourceApp(const Rect& frame) {
    platform::Accessibility& ax = platform::accessibility();
    const platform::AXUIElementRef systemWide = systemWideElement();
    if (!systemWide) return std::nullopt;
    const int32_t ownPID = platform::ProcessInfo::processIdentifier();
    const std::optional<std::string> ownBundle = platform::Bundle::main().bundleIdentifier();
    const platform::Point probes[] = {{frame.midX(), frame.midY()},
                                      {frame.minX() + 4, frame.midY()},
                                      {frame.maxX() - 4, frame.midY()}};
    for (const platform::Point& probe : probes) {
        auto [error, element] =
            ax.copyElementAtPosition(systemWide, static_cast<float>(probe.x), static_cast<float>(probe.y));
        if (error != platform::AXError::success || !element) continue;
        ax.setMessagingTimeout(element, extrasMessagingTimeout);
        auto [pidError, pid] = ax.getPid(element);
        if (pidError != platform::AXError::success || pid < 1 || pid == ownPID) continue;
        auto app = platform::workspace().runningApplication(pid);
        if (!app || app->bundleIdentifier == ownBundle) continue;
        std::string name = app->localizedName ? *app->localizedName : app->bundleIdentifier.value_or("App");
        if (MenuBarIdentity::isGenericHost(std::nullopt, name)) continue;
        if (auto elementFrame = copyFrame(element);
            elementFrame && MenuBarGeometry::isWiderThanIcon(elementFrame->width(), frame.width())) {
            continue;
        }
        return SourceApp{std::move(name), app->bundleIdentifier, std::move(element)};
    }
    return std::nullopt;
}

}  // namespace tessivane
