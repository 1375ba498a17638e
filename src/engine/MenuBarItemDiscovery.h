#pragma once
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "engine/UnansweringApplications.h"
#include "model/DiscoveredMenuBarItem.h"
#include "platform/Accessibility.h"
#include "platform/Geometry.h"
#include "platform/Screen.h"
#include "platform/Signal.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"

namespace tessivane {

class GenericHostMemo;
class SameAppRowIndex;

// Lists the icons standing in the menu bar now by merging two partial views: the
// Accessibility extras of every application (right owner and title, often no frame) and
// the window server's menu bar windows (exact frames, but many drawn by a system host on
// another application's behalf). A scan is synchronous and returns its list; callers
// publish it through `items`.
class MenuBarItemDiscovery : public platform::ObservableObject {
public:
    using Item = DiscoveredMenuBarItem;
    using Items = std::vector<DiscoveredMenuBarItem>;

    // How long a non-forced scan reuses the last Accessibility pass.
    static constexpr double extrasCacheLifetime = 10.0;
    // The per-application Accessibility messaging time-out of the extras pass, given to every
    // element the pass reads.
    static constexpr float extrasMessagingTimeout = 0.12f;
    // The time-out of the system-wide element, which is the process's default: it bounds a hit
    // test, which asks whichever application is at the point.
    static constexpr float hitTestMessagingTimeout = 0.4f;
    // Rows closer than this are one icon seen twice.
    static constexpr double sameRowDistance = 10;

    MenuBarItemDiscovery();
    ~MenuBarItemDiscovery() override;
    MenuBarItemDiscovery(const MenuBarItemDiscovery&) = delete;
    MenuBarItemDiscovery& operator=(const MenuBarItemDiscovery&) = delete;

    platform::Published<Items> items{*this, {}};
    platform::Published<bool> isRefreshing{*this, false};

    // Owner names and bundle identifiers whose icons are never listed.
    const std::unordered_set<std::string>& ignoredOwners() const { return ignoredOwners_; }
    // Titles of our own status items and menu rows, compared exactly.
    const std::unordered_set<std::string>& ignoredTitles() const { return ignoredTitles_; }

    // One full scan; does not assign `items`.
    Items discoverItems(bool forceExtras);
    // Marks the refresh, lets a turn of the main queue pass so the state can be drawn, then
    // publishes a forced scan and clears the mark. `completion` runs after that.
    void refreshAnimated(std::function<void()> completion = {});
    // The last Accessibility pass while it is younger than `extrasCacheLifetime` and not
    // forced; otherwise a new pass, remembered with its time.
    const Items& cachedExtras(bool force);
    std::optional<double> extrasCacheDate() const { return extrasCacheDate_; }

    // Whether an item survives the common filter of the scan.
    bool passesCommonFilter(const Item& item) const;

    // The applications that just did not answer, shared with the opening paths.
    UnansweringApplications& unansweringApplications() { return unanswering_; }

    // --- Accessibility extras pass ---
    // Applications `unanswering` holds are left out, as are those that do not answer now.
    static Items discoverAXExtras(UnansweringApplications& unanswering);
    // The reads below go through `reads`, those of the application the element belongs to.
    static Item axItem(const platform::AXUIElementRef& element, const platform::RunningApplication& app,
                       int64_t index, UnansweringApplications::Reads& reads);
    static std::string bestAXTitle(const platform::AXUIElementRef& element, const std::string& fallback,
                                   int depth, UnansweringApplications::Reads& reads);
    static std::string humanizeLabel(std::string_view raw);
    static std::optional<std::string> copyString(const platform::AXUIElementRef& element,
                                                 const std::string& attribute, UnansweringApplications::Reads& reads);
    static std::optional<platform::Rect> copyFrame(const platform::AXUIElementRef& element);
    static std::optional<platform::Rect> copyFrame(const platform::AXUIElementRef& element,
                                                   UnansweringApplications::Reads& reads);
    // The system-wide element, for hit tests, with `hitTestMessagingTimeout` set.
    static platform::AXUIElementRef systemWideElement();
    // The engine's one flip between window-server and AppKit rectangles; its own inverse.
    static platform::Rect cocoaRect(const platform::Rect& fromQuartz);
    // The flip against a height already looked up with `flipHeight()`, for loops over windows.
    static platform::Rect cocoaRect(const platform::Rect& fromQuartz, double flipHeight);
    // The height of the first screen whose origin is (0, 0), else of the main screen, else 0.
    static double flipHeight();
    // The first screen whose origin is (0, 0), else the main screen.
    static std::optional<platform::Screen> primaryScreen();
    // Puts back a frame that a display arrangement placed a full screen width to the left.
    static platform::Rect normalizedMenuBarFrame(const platform::Rect& frame);

    // --- Window-server menu bar windows ---
    struct WindowRecord {
        platform::CGWindowID number = 0;
        platform::WindowInfo info;
    };
    static std::vector<WindowRecord> menuBarWindowRecords(const std::vector<platform::CGWindowID>& skyLightIDs);
    Items discoverMenuBarItemWindows() const;
    static bool isInMenuBarBand(const platform::Rect& frame);
    static std::optional<std::string> bundleIDFromWindowName(std::string_view name);
    // Gives window rows drawn by a system host the identity of the application whose icon
    // they are.
    static Items resolveSourceApplications(Items windows, const Items& extras);
    static Items resolveSourceApplications(Items windows, const Items& extras, GenericHostMemo& hosts);
    static Item reowned(const Item& window, const Item& extra);
    static std::string friendlyTitle(const Item& extra);
    struct SourceApp {
        std::string name;
        std::optional<std::string> bundleIdentifier;
        platform::AXUIElementRef element;
    };
    // `frame` in window-server coordinates.
    static std::optional<SourceApp> sourceApp(const platform::Rect& frame);

    // --- Merging rows ---
    static bool isSameAppRow(const Item& existing, const Item& row);
    static bool isSameAppRow(const Item& existing, const Item& row, GenericHostMemo& hosts);
    static bool hasUniqueTitle(const Item& row);
    static void appendDeduped(Items& result, Item row, GenericHostMemo& hosts);
    // The same with `index` holding `result`, kept in step.
    static void appendDeduped(Items& result, Item row, SameAppRowIndex& index);
    static void reindexByOwner(Items& rows);
    static Items collapseDuplicateApps(Items rows, GenericHostMemo& hosts);
    static Items collapseDuplicateApps(Items rows);

private:
    std::unordered_set<std::string> ignoredOwners_;
    std::unordered_set<std::string> ignoredTitles_;
    std::optional<std::string> ownBundleIdentifier_;
    Items extrasCache_;
    std::optional<double> extrasCacheDate_;
    UnansweringApplications unanswering_;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

}  // namespace tessivane
