#include "engine/MenuBarItemDiscovery.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

#include "engine/ControlCenterModules.h"
#include "engine/NamesOverlapIndex.h"
#include "engine/SameAppRowIndex.h"
#include "model/GenericHostMemo.h"
#include "model/MenuBarIdentity.h"
#include "platform/Bundle.h"
#include "platform/RunLoop.h"
#include "platform/Text.h"

namespace tessivane {

namespace {

// Left to right, ties in the order given. The entries are large, so the order is found on
// their positions and each entry is moved once.
MenuBarItemDiscovery::Items sortedByMinX(MenuBarItemDiscovery::Items items) {
    std::vector<std::pair<double, size_t>> order;
    order.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i) order.emplace_back(items[i].frame.minX(), i);
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    MenuBarItemDiscovery::Items sorted;
    sorted.reserve(items.size());
    for (const auto& [x, i] : order) sorted.push_back(std::move(items[i]));
    return sorted;
}

struct StringHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};

bool sharesBundle(const DiscoveredMenuBarItem& a, const DiscoveredMenuBarItem& b) {
    return a.bundleIdentifier && b.bundleIdentifier && *a.bundleIdentifier == *b.bundleIdentifier &&
           *a.bundleIdentifier != MenuBarIdentity::controlCenterBundleIdentifier;
}

}  // namespace

MenuBarItemDiscovery::MenuBarItemDiscovery() : ownBundleIdentifier_(platform::Bundle::main().bundleIdentifier()) {
    ignoredOwners_ = {"Tessivane", "Window Server", "WindowManager", "Notification Center",
                      ownBundleIdentifier_.value_or(std::string(MenuBarIdentity::ownBundleIdentifier))};
    ignoredTitles_ = {"Settings\u2026",    "Settings...",    "Show Grouped Icons", "Hide Grouped Icons",
                      "Quit Tessivane",    "Welcome Tour\u2026", "Open Settings\u2026", "Tessivane"};
}

MenuBarItemDiscovery::~MenuBarItemDiscovery() = default;

bool MenuBarItemDiscovery::passesCommonFilter(const Item& item) const {
    if (ignoredOwners_.contains(item.ownerName)) return false;
    if (item.bundleIdentifier && ignoredOwners_.contains(*item.bundleIdentifier)) return false;
    if (item.ownerName == "Tessivane") return false;
    if (ignoredTitles_.contains(item.title)) return false;
    return item.bundleIdentifier != ownBundleIdentifier_;
}

const MenuBarItemDiscovery::Items& MenuBarItemDiscovery::cachedExtras(bool force) {
    const double now = platform::RunLoop::main().now();
    if (!force && extrasCacheDate_) {
        const double age = now - *extrasCacheDate_;
        // A clock set back must not keep an old pass alive for as long as it went back.
        if (age >= 0 && age < extrasCacheLifetime) return extrasCache_;
    }
    extrasCache_ = discoverAXExtras(unanswering_);
    extrasCacheDate_ = now;
    return extrasCache_;
}

MenuBarItemDiscovery::Items MenuBarItemDiscovery::discoverItems(bool forceExtras) {
    GenericHostMemo hosts;

    const Items& allExtras = cachedExtras(forceExtras);
    Items extras;
    extras.reserve(allExtras.size());
    std::copy_if(allExtras.begin(), allExtras.end(), std::back_inserter(extras),
                 [this](const Item& item) { return passesCommonFilter(item); });

    Items windows = discoverMenuBarItemWindows();
    std::erase_if(windows, [this](const Item& item) { return !passesCommonFilter(item); });

    Items rows = resolveSourceApplications(std::move(windows), extras, hosts);
    rows = ControlCenterModules::applyControlCenterModuleTitles(std::move(rows), hosts);
    rows = ControlCenterModules::collapseUnnamedControlCenter(std::move(rows), hosts);
    rows = collapseDuplicateApps(std::move(rows), hosts);
    reindexByOwner(rows);

    // Reserved up front: the index of names below holds views into the entries' strings.
    Items result;
    result.reserve(rows.size() + extras.size());
    SameAppRowIndex index(hosts);
    for (Item& row : rows) appendDeduped(result, std::move(row), index);

    // Extras that no window row stands for (icons without a window of their own).
    // Bundles of entries that are no generic host: those represent any extra of the bundle,
    // and, when the entry is not one of ours, by its identity's bundle too. Entries not ours
    // represent an extra whose names overlap theirs.
    std::unordered_set<std::string, StringHash, std::equal_to<>> representedBundles;
    std::unordered_set<std::string, StringHash, std::equal_to<>> representedIdentityBundles;
    NamesOverlapIndex representedNames;
    representedNames.reserve(result.capacity());
    auto remember = [&](const Item& entry) {
        const bool isSelf = MenuBarIdentity::isSelf(entry.bundleIdentifier, entry.ownerName);
        if (!isSelf) representedNames.add(MenuBarIdentity::Names(entry.title, entry.ownerName));
        if (entry.bundleIdentifier && !hosts.isGenericHost(entry.bundleIdentifier, entry.ownerName)) {
            representedBundles.insert(*entry.bundleIdentifier);
            if (!isSelf) representedIdentityBundles.insert(*entry.bundleIdentifier);
        }
    };
    for (const Item& entry : result) remember(entry);

    for (const Item& extra : extras) {
        if (hosts.ownerIsGenericHost(extra.ownerName)) continue;
        const bool represented =
            (extra.bundleIdentifier && representedBundles.contains(*extra.bundleIdentifier)) ||
            (extra.id.bundleIdentifier && representedIdentityBundles.contains(*extra.id.bundleIdentifier)) ||
            representedNames.anyOverlaps(MenuBarIdentity::Names(extra.id));
        if (represented) continue;
        result.push_back(extra);
        remember(result.back());
    }

    return sortedByMinX(std::move(result));
}

void MenuBarItemDiscovery::refreshAnimated(std::function<void()> completion) {
    isRefreshing = true;
    std::weak_ptr<int> alive = lifetime_;
    platform::RunLoop::main().async([this, alive, completion = std::move(completion)] {
        if (alive.expired()) return;
        items = discoverItems(true);
        isRefreshing = false;
        if (completion) completion();
    });
}

bool MenuBarItemDiscovery::isSameAppRow(const Item& existing, const Item& row) {
    GenericHostMemo hosts;
    return isSameAppRow(existing, row, hosts);
}

bool MenuBarItemDiscovery::isSameAppRow(const Item& existing, const Item& row, GenericHostMemo& hosts) {
    const double dx = std::abs(existing.frame.minX() - row.frame.minX());
    const bool shared = sharesBundle(existing, row);
    if (dx < sameRowDistance) {
        if (shared) return true;
        return !existing.title.empty() && platform::Text::caseInsensitiveEquals(existing.title, row.title) &&
               !hosts.isGenericHost(existing.bundleIdentifier, existing.ownerName);
    }
    return shared && platform::Text::caseInsensitiveEquals(existing.title, row.title);
}

bool MenuBarItemDiscovery::hasUniqueTitle(const Item& row) {
    return !row.title.empty() && !platform::Text::caseInsensitiveEquals(row.title, row.ownerName);
}

void MenuBarItemDiscovery::appendDeduped(Items& result, Item row, GenericHostMemo& hosts) {
    SameAppRowIndex index(hosts);
    for (size_t i = 0; i < result.size(); ++i) index.add(i, result[i]);
    appendDeduped(result, std::move(row), index);
}

void MenuBarItemDiscovery::appendDeduped(Items& result, Item row, SameAppRowIndex& index) {
    const std::optional<size_t> match = index.firstMatch(result, row);
    if (!match) {
        index.add(result.size(), row);
        result.push_back(std::move(row));
        return;
    }
    Item& entry = result[*match];
    if (!hasUniqueTitle(entry) && hasUniqueTitle(row)) {
        index.remove(*match, entry);
        entry.title = row.title;
        entry.id.title = std::move(row.title);
        index.add(*match, entry);
    }
    if (!entry.axElement) entry.axElement = std::move(row.axElement);
    if (entry.windowID == 0) entry.windowID = row.windowID;
}

void MenuBarItemDiscovery::reindexByOwner(Items& rows) {
    std::unordered_map<std::string, int64_t, StringHash, std::equal_to<>> counts;
    for (Item& row : rows) {
        const std::string& key = row.bundleIdentifier ? *row.bundleIdentifier : row.ownerName;
        auto it = counts.find(key);
        if (it == counts.end()) it = counts.emplace(key, 0).first;
        row.itemIndex = it->second++;
        std::optional<uint32_t> windowID = row.windowID != 0 ? std::optional<uint32_t>(row.windowID) : row.id.windowID;
        row.id = MenuBarItemID{row.bundleIdentifier, row.title, row.ownerName, row.itemIndex, windowID, row.frame.minX()};
    }
}

MenuBarItemDiscovery::Items MenuBarItemDiscovery::collapseDuplicateApps(Items rows) {
    GenericHostMemo hosts;
    return collapseDuplicateApps(std::move(rows), hosts);
}

MenuBarItemDiscovery::Items MenuBarItemDiscovery::collapseDuplicateApps(Items rows, GenericHostMemo& hosts) {
    Items kept;
    kept.reserve(rows.size());
    SameAppRowIndex index(hosts);
    for (Item& row : rows) {
        const std::optional<size_t> match = index.firstMatch(kept, row);
        if (!match) {
            index.add(kept.size(), row);
            kept.push_back(std::move(row));
        } else if (row.frame.width() > kept[*match].frame.width()) {
            index.remove(*match, kept[*match]);
            kept[*match] = std::move(row);
            index.add(*match, kept[*match]);
        }
    }
    return kept;
}

}  // namespace tessivane
