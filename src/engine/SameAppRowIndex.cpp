#include "engine/SameAppRowIndex.h"

#include <algorithm>
#include <cmath>

#include "engine/MenuBarItemDiscovery.h"
#include "model/MenuBarIdentity.h"
#include "platform/Text.h"

namespace tessivane {

std::optional<std::string> SameAppRowIndex::bundleTitleKey(const DiscoveredMenuBarItem& row) {
    // Control Center's rows never share a bundle with anything.
    if (!row.bundleIdentifier || *row.bundleIdentifier == MenuBarIdentity::controlCenterBundleIdentifier) {
        return std::nullopt;
    }
    return *row.bundleIdentifier + '\0' + platform::Text::caseInsensitiveKey(row.title);
}

std::optional<size_t> SameAppRowIndex::firstMatch(const std::vector<DiscoveredMenuBarItem>& rows,
                                                  const DiscoveredMenuBarItem& row) {
    std::optional<size_t> first;
    const auto take = [&](size_t i) {
        if ((!first || i < *first) && MenuBarItemDiscovery::isSameAppRow(rows[i], row, hosts_)) first = i;
    };
    const double x = row.frame.minX();
    if (!std::isnan(x)) {
        // A point wider than the distance, so that rounding cannot leave out a row at the edge.
        const double reach = MenuBarItemDiscovery::sameRowDistance + 1;
        const auto end = byMinX_.upper_bound(x + reach);
        for (auto it = byMinX_.lower_bound(x - reach); it != end; ++it) take(it->second);
    }
    if (auto key = bundleTitleKey(row)) {
        if (auto found = byBundleTitle_.find(*key); found != byBundleTitle_.end()) {
            for (size_t i : found->second) {
                if (first && i >= *first) break;
                if (MenuBarItemDiscovery::isSameAppRow(rows[i], row, hosts_)) {
                    first = i;
                    break;
                }
            }
        }
    }
    return first;
}

void SameAppRowIndex::add(size_t index, const DiscoveredMenuBarItem& row) {
    // A row without a place matches on bundle and title alone.
    if (const double x = row.frame.minX(); !std::isnan(x)) byMinX_.emplace(x, index);
    if (auto key = bundleTitleKey(row)) {
        std::vector<size_t>& list = byBundleTitle_[*key];
        list.insert(std::lower_bound(list.begin(), list.end(), index), index);
    }
}

void SameAppRowIndex::remove(size_t index, const DiscoveredMenuBarItem& row) {
    if (const double x = row.frame.minX(); !std::isnan(x)) {
        auto [from, to] = byMinX_.equal_range(x);
        for (auto it = from; it != to; ++it) {
            if (it->second != index) continue;
            byMinX_.erase(it);
            break;
        }
    }
    if (auto key = bundleTitleKey(row)) {
        auto found = byBundleTitle_.find(*key);
        if (found == byBundleTitle_.end()) return;
        std::erase(found->second, index);
        if (found->second.empty()) byBundleTitle_.erase(found);
    }
}

}  // namespace tessivane
